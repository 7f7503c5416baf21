#!/usr/bin/env python3
"""Busy watching compressed: the real program under a virtual X server
against a local site whose rules each bring N new posts every round.

Before the first round it prints the start-up time and the program's idle
memory and CPU; after each round the rows stored, the resident memory and
the CPU spent, and at the end the memory each listed post costs and the CPU
a thousand new posts cost. Every post is listed twice (post list and
reminder list) and stored once. A round is started by pausing and starting
again, as a user can, instead of waiting out the pause between rounds.

Usage: soak.py --bin DIR [--rules 5] [--posts 200] [--rounds 10]
Use a build without sanitizers (Release) for figures worth comparing.
"""

import argparse
import http.server
import os
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import e2e_test as e2e  # noqa: E402  the virtual screen and program fixture

FIRST_RULE = 7
TICKS = os.sysconf("SC_CLK_TCK")


class Site(http.server.ThreadingHTTPServer):
    """Serves /feedK.xml: the posts of rule K's current round."""

    def __init__(self):
        super().__init__(("127.0.0.1", 0), Page)
        self.pages = {}


class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = self.server.pages.get(self.path)
        if body is None:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def feed(site, rule, first_id, count):
    items = "".join(
        "<item><title>优惠 Post %d of rule %d 第%d轮的帖子标题</title>"
        "<link>%s/t%d/%d</link></item>" % (i, rule, i, site, rule, i)
        for i in range(first_id, first_id + count))
    return ("<rss><channel>%s</channel></rss>\n" % items).encode("utf-8")


def make_database(path, site, rules):
    rows = ",\n".join(
        "(%d, '1', %d, '0', 0, 'Soak%d', '%s/feed%d.xml', '', "
        "'<item><title>(.*?)</title><link>[^<]*?/t%d/(\\d+)</link>', "
        "'<channel>', '</channel>', 1, 2, '%s/t%d/[2]', 0)"
        % (r, 100 - r, r, site, r, r, site, r)
        for r in range(FIRST_RULE, FIRST_RULE + rules))
    schema = open(os.path.join(SOURCE, "data/schema.sql"), encoding="utf-8")
    sql = (schema.read() + "INSERT INTO rule (id, isdo, rank, isgbk, type, "
           "name, url, cookie, reg, \"before\", \"after\", tindex, idindex, "
           "pinurl, lastid) VALUES\n" + rows + ";\n"
           "INSERT INTO con (keywd) VALUES ('优惠');\n")
    subprocess.run(["sqlite3", "-bail", path], input=sql.encode("gbk"),
                   check=True, timeout=30)


def stored_rows(path):
    with sqlite3.connect(path, timeout=10) as db:
        return db.execute("select count(*) from info").fetchone()[0]


def cpu_times(pid):
    """User and system CPU seconds of the program so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) / TICKS, int(fields[12]) / TICKS


def cpu_seconds(pid):
    return sum(cpu_times(pid))


def resident_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def settle(pid, quiet=0.02, span=1.0, limit=120):
    """Waits until the program spends less than `quiet` s of CPU in `span`
    s: the rows have reached the windows and been painted."""
    end = time.monotonic() + limit
    before = cpu_seconds(pid)
    while time.monotonic() < end:
        time.sleep(span)
        now = cpu_seconds(pid)
        if now - before < quiet:
            return
        before = now
    raise e2e.Failure("the program never went idle")


def soak(args, work):
    site = Site()
    threading.Thread(target=site.serve_forever, daemon=True).start()
    address = "http://127.0.0.1:%d" % site.server_address[1]
    rules = range(FIRST_RULE, FIRST_RULE + args.rules)
    with e2e.VirtualScreen() as screen:
        program = e2e.Program(screen, args.bin, work)
        make_database(program.database, address, args.rules)
        started = time.monotonic()
        program.start()
        try:
            main = e2e.wait_for(lambda: screen.find(r"Voskel v1\.0"), 60,
                                "the main window")[0]
            print("start-up: %.2f s to the main window"
                  % (time.monotonic() - started))
            pid = program.process.pid
            settle(pid)
            cpu, rss = cpu_seconds(pid), resident_mib(pid)
            time.sleep(args.idle)
            print("idle: %.1f MiB resident, %.2f s CPU in %d s"
                  % (rss, cpu_seconds(pid) - cpu, args.idle))
            x, y, _, _ = screen.geometry(main)
            button = (x + 560 + 38, y + 5 + 16)  # the start/pause button
            print("round  rows  RSS MiB  CPU s  round CPU s (user + system)")
            first = half = None
            for n in range(args.rounds):
                for r in rules:
                    site.pages["/feed%d.xml" % r] = feed(
                        address, r, 1 + n * args.posts, args.posts)
                cpu, times = cpu_seconds(pid), cpu_times(pid)
                if n > 0:
                    screen.click(*button)  # pause
                screen.click(*button)  # start: a round at once
                want = (n + 1) * args.posts * args.rules
                e2e.wait_for(lambda: stored_rows(program.database) == want,
                             args.round_limit, "%d rows stored" % want)
                settle(pid)
                now, rss = cpu_seconds(pid), resident_mib(pid)
                user, system = (b - a for a, b in zip(times, cpu_times(pid)))
                print("%5d %5d %8.1f %6.2f %12.2f (%.2f + %.2f)"
                      % (n + 1, want, rss, now, now - cpu, user, system))
                if first is None:
                    first = (want, rss, now)
                if n == args.rounds // 2:
                    half = (want, rss)
            posts = want - first[0]
            if posts > 0:
                print("per listed post: %.2f KB; per 1,000 new posts: %.2f s"
                      " CPU (rounds 2 to %d)"
                      % ((rss - first[1]) * 1024 / posts,
                         (now - first[2]) * 1000 / posts, args.rounds))
            if want > half[0]:
                # The database's page cache fills within the first few
                # thousand posts and then stays; the lists go on growing.
                print("per listed post over the second half: %.2f KB"
                      % ((rss - half[1]) * 1024 / (want - half[0])))
        finally:
            program.stop()
            site.shutdown()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", required=True,
                        help="folder of the built dealwatcher")
    parser.add_argument("--rules", type=int, default=5)
    parser.add_argument("--posts", type=int, default=200,
                        help="new posts per rule and round")
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--idle", type=int, default=10,
                        help="seconds of idle CPU measured before round 1")
    parser.add_argument("--round-limit", type=int, default=300,
                        help="seconds a round may take")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        try:
            soak(args, work)
        except e2e.Failure as failure:
            print("FAILED: %s" % failure, file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
