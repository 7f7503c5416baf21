#!/usr/bin/env python3
"""A small bargain site on the loopback interface for trying the program
without a network.

Two feeds whose posts change over time: /deals.xml in UTF-8 and /gbk.xml in
GBK. Each starts with a few posts and gains a new one every --every seconds
(newest first, the latest ten listed). /t/N and /g/N show a post's page.
Prints "port=N" and "ready", writes the port to --port-file when given, and
runs until interrupted or until the process that started it ends.
"""

import argparse
import html
import os
import signal
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

UTF8_TITLES = [
    "Noise-cancelling headphones, 40% off today",
    "优惠：机械键盘 直降 120 元",
    "27-inch monitor at its lowest price yet",
    "Coffee grinder 半价 while stocks last",
    "USB-C charger two-pack, free shipping",
    "电动牙刷 买一送一",
    "Hiking boots clearance, all sizes",
    "优惠 降噪耳机 限时秒杀",
    "Cast-iron skillet for the price of a pizza",
    "移动硬盘 2TB 新低",
    "Standing desk frame, coupon stacks",
    "空气炸锅 优惠券再减 50",
]
GBK_TITLES = [
    "大米 10 斤装 包邮",
    "优惠：保温杯 第二件半价",
    "蓝牙音箱 历史低价",
    "洗衣液 整箱 凑单优惠",
    "儿童绘本 满 100 减 50",
    "不锈钢锅具 三件套 新低",
    "羽绒服 反季清仓",
    "优惠 无线鼠标 9.9 元",
    "茶叶礼盒 限量抢购",
    "电热水壶 秒杀价",
]
INITIAL = 3
LISTED = 10


class Feeds:
    def __init__(self, every):
        self.start = time.monotonic()
        self.every = every

    def posts(self, titles, first_id):
        """(id, title) of the posts out so far, newest first."""
        grown = int((time.monotonic() - self.start) // self.every)
        count = min(len(titles), INITIAL + grown)
        out = [(first_id + i, titles[i]) for i in range(count)]
        return list(reversed(out))[:LISTED]


def feed_text(base, kind, posts, title):
    items = "".join(
        "<item><title>%s</title><link>%s/%s/%d</link></item>\n"
        % (html.escape(t, quote=False), base, kind, i, ) for i, t in posts)
    return ("<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel>\n"
            "<title>%s</title>\n%s</channel></rss>\n" % (title, items))


def make_handler(feeds):
    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def send(self, body, content_type):
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            base = "http://%s" % self.headers.get("Host", "127.0.0.1")
            path = self.path.split("?", 1)[0]
            if path == "/deals.xml":
                text = feed_text(base, "t", feeds.posts(UTF8_TITLES, 1001),
                                 "Demo deals")
                self.send(text.encode("utf-8"), "text/xml; charset=utf-8")
            elif path == "/gbk.xml":
                text = feed_text(base, "g", feeds.posts(GBK_TITLES, 5001),
                                 "演示线报")
                self.send(text.encode("gbk"), "text/xml; charset=gbk")
            elif path.startswith(("/t/", "/g/")):
                text = ("<!doctype html><meta charset=utf-8><title>Post</title>"
                        "<h1>Demo post %s</h1>" % html.escape(path))
                self.send(text.encode("utf-8"), "text/html; charset=utf-8")
            else:
                self.send_error(404)

    return Handler


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--every", type=float, default=30.0,
                        help="seconds between new posts (default 30)")
    parser.add_argument("--port-file", help="write the port here")
    args = parser.parse_args()

    server = ThreadingHTTPServer(("127.0.0.1", 0), make_handler(Feeds(args.every)))
    server.daemon_threads = True
    port = server.server_address[1]
    if args.port_file:
        partial = args.port_file + ".part"
        with open(partial, "w") as f:
            f.write("%d\n" % port)
        os.replace(partial, args.port_file)
    print("port=%d\nready" % port, flush=True)

    parent = os.getppid()
    stopping = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, lambda *_: stopping.set())
    threading.Thread(target=server.serve_forever, args=(0.2,),
                     daemon=True).start()
    while not stopping.wait(0.5):
        if os.getppid() != parent:
            break
    server.shutdown()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
