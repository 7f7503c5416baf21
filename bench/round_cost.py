#!/usr/bin/env python3
"""What one round costs: disk written, syncs, bytes fetched, CPU, memory.

The real program under a virtual X server (driven as soak.py drives it)
watches a local site of 18 list pages or 18 feeds. Rounds alternate: in one
every page gains --posts posts, in the next nothing changes. Beside it a
plain Python watcher (requests, lxml, sqlite3; compressed transfers as
requests asks for them) does the same work round by round, as the yardstick.

For each round it reads /proc/PID/io and the CPU times of both before and
after, and counts the bytes the site sent to each. With --strace (default
when strace is there) one more round of each kind is traced to count the
syncs and to split the bytes written by file: the database, its journal
(or write-ahead log), the program's log, and anything else (SQLite's temporary files, which are unlinked as
soon as they are made and show only in a trace).

Usage: round_cost.py --bin DIR [--kind pages|feeds|both] [--rounds 3]
Use a build without sanitizers (RelWithDebInfo or Release).
"""

import argparse
import collections
import gzip
import hashlib
import http.server
import os
import random
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import e2e_test as e2e  # noqa: E402  the virtual screen and program fixture
sys.path.insert(0, os.path.join(SOURCE, "bench"))
from soak import resident_mib  # noqa: E402  read as the soak reads it

RULES = 18
FIRST_RULE = 19  # ids from here on get no site clean-up
SHOWN = 50  # posts a page or feed shows: the newest
TICKS = os.sysconf("SC_CLK_TCK")
WORDS = ("限时 优惠 包邮 京东 自营 券后 史低 好价 到手 旗舰店 plus会员 "
         "满减 叠加 秒杀 百亿补贴 新低 返现 国补 晒单 值得买").split()


# ---- The local site --------------------------------------------------------

def post_title(rng, kind, rule, post):
    words = " ".join(rng.choice(WORDS) for _ in range(6))
    return "%s %d-%d %s ￥%d" % (kind, rule, post, words, 10 + post % 900)


def filler(rng, lines):
    """Navigation and side bars, varied like a real page's."""
    out = []
    for i in range(lines):
        out.append('<li class="nav-item"><a href="/c/%d" title="%s">%s</a>'
                   '<span class="count">%d</span></li>'
                   % (rng.randrange(10000), rng.choice(WORDS),
                      " ".join(rng.choice(WORDS) for _ in range(3)),
                      rng.randrange(1000)))
    return "\n".join(out)


def list_page(site, rule, newest):
    rng = random.Random(rule)
    posts = []
    for post in range(newest, max(0, newest - SHOWN), -1):
        title = post_title(random.Random(rule * 100003 + post), "帖", rule,
                           post)
        # Ids are the site's, unique across its boards.
        posts.append('\t<li><a href="/post/%d">%s</a>\t<span class="n">%d'
                     '</span></li>' % (rule * 1000000 + post, title,
                                       post % 97))
    return ('<!DOCTYPE html>\n<html><head><meta charset="utf-8">'
            '<title>Board %d</title>\n<style>%s</style></head><body>\n'
            '<ul class="nav">\n%s\n</ul>\n<ul class="posts">\n%s\n</ul>\n'
            '<div class="side"><ul>\n%s\n</ul></div>\n'
            '<div class="foot">end</div></body></html>\n'
            % (rule, "body{margin:0}" * 40, filler(rng, 150),
               "\n".join(posts), filler(rng, 150))).encode("utf-8")


def feed(site, rule, newest):
    items = []
    for post in range(newest, max(0, newest - SHOWN), -1):
        rng = random.Random(rule * 100003 + post)
        title = post_title(rng, "讯", rule, post)
        items.append(
            "<item><title>%s</title><link>%s/f%d/%d</link>"
            "<description>&lt;p&gt;%s&lt;/p&gt;</description>"
            "<pubDate>Mon, 01 Jan 2024 %02d:%02d:00 +0000</pubDate>"
            "<guid>%s/f%d/%d</guid></item>"
            % (title, site, rule, post,
               " ".join(rng.choice(WORDS) for _ in range(25)),
               post // 60 % 24, post % 60, site, rule, post))
    return ('<?xml version="1.0" encoding="utf-8"?>\n<rss version="2.0">'
            "<channel><title>Feed %d</title><link>%s</link>\n%s\n"
            "</channel></rss>\n" % (rule, site, "\n".join(items))
            ).encode("utf-8")


class Site(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), Page)
        self.address = "http://127.0.0.1:%d" % self.server_address[1]
        self.bodies = {}
        self.compressed = {}
        self.lock = threading.Lock()
        self.sent = collections.Counter()  # client: bytes on the wire
        self.requests = collections.Counter()

    def publish(self, kind, newest):
        for rule in range(FIRST_RULE, FIRST_RULE + RULES):
            if kind == "pages":
                self.bodies["/page%d.html" % rule] = (
                    "text/html; charset=utf-8",
                    list_page(self.address, rule, newest))
            else:
                self.bodies["/feed%d.xml" % rule] = (
                    "application/rss+xml; charset=utf-8",
                    feed(self.address, rule, newest))
        self.compressed = {}


class Page(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        server = self.server
        found = server.bodies.get(self.path)
        if found is None:
            self.send_error(404)
            return
        kind, body = found
        tag = '"%s"' % hashlib.sha1(body).hexdigest()[:16]
        head = ["Content-Type: " + kind, "ETag: " + tag]
        if self.headers.get("If-None-Match") == tag:
            status, body = "304 Not Modified", b""
        else:
            status = "200 OK"
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                with server.lock:
                    if self.path not in server.compressed:
                        server.compressed[self.path] = gzip.compress(body, 6)
                    body = server.compressed[self.path]
                head.append("Content-Encoding: gzip")
        head.append("Content-Length: %d" % len(body))
        data = ("HTTP/1.1 %s\r\n%s\r\n\r\n" % (status, "\r\n".join(head))
                ).encode("ascii") + body
        client = "program" if "MSIE" in self.headers.get("User-Agent", "") \
            else "watcher"
        with server.lock:
            server.sent[client] += len(data)
            server.requests[client] += 1
        self.wfile.write(data)

    def log_message(self, *args):
        pass


# ---- Figures of a process --------------------------------------------------

def proc_io(pid):
    with open("/proc/%d/io" % pid) as f:
        return {k: int(v) for k, v in (line.split(":") for line in f)}


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def snapshot(pid):
    return proc_io(pid), cpu_seconds(pid)


def difference(before, after, pid):
    io = {k: after[0][k] - before[0][k] for k in after[0]}
    return {"written": io["write_bytes"] - io["cancelled_write_bytes"],
            "wchar": io["wchar"], "cpu": after[1] - before[1],
            "rss": resident_mib(pid)}


# ---- The strace split ------------------------------------------------------

CALL = re.compile(r"^(\d+)\s+(\w+)\((\d+)<([^>]*)>(.*)$")


class Trace:
    """strace attached to every thread of the program for one round."""

    def __init__(self, pid, path):
        self.path = path
        self.process = subprocess.Popen(
            ["strace", "-f", "-qq", "-y", "-s", "0", "-o", path, "-p",
             str(pid), "-e",
             "trace=openat,write,pwrite64,writev,pwritev,fsync,fdatasync"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.0)  # attached to every thread

    def finish(self, database):
        self.process.send_signal(signal.SIGINT)
        self.process.wait(30)
        return split_trace(self.path, database)


def split_trace(path, database):
    written = collections.Counter()
    syncs = 0
    temp_files = 0
    pending = {}
    with open(path, errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            pid = line.split(" ", 1)[0]
            if line.endswith("<unfinished ...>"):
                pending[pid] = line[:-len("<unfinished ...>")]
                continue
            resumed = re.match(r"^(\d+)\s+<\.\.\. \w+ resumed>(.*)$", line)
            if resumed:
                line = pending.pop(pid, "") + resumed.group(2)
            if re.search(r"openat\(.*O_EXCL.*= \d+", line) and (
                    "etilqs" in line or "(deleted)" in line):
                temp_files += 1
            call = CALL.match(line)
            if not call:
                continue
            name, target, rest = call.group(2), call.group(4), call.group(5)
            if not target.startswith("/"):
                continue  # sockets, pipes, event counters
            if name in ("fsync", "fdatasync"):
                syncs += 1
                continue
            result = re.search(r"= (\d+)$", rest)
            if name == "openat" or not result:
                continue
            if target == database:
                where = "database"
            elif target in (database + "-journal", database + "-wal",
                            database + "-shm"):
                where = "journal"
            elif target.endswith(".log"):
                where = "log"
            else:
                where = "other"
            written[where] += int(result.group(1))
    return {"syncs": syncs, "temp_files": temp_files, "by_file": written}


# ---- The program -----------------------------------------------------------

def make_database(path, site, kind, history):
    rows = []
    for r in range(FIRST_RULE, FIRST_RULE + RULES):
        if kind == "pages":
            url = "%s/page%d.html" % (site, r)
            reg = r"<li><a href=/post/(\d+)>(.*?)</a>"
            before, after = "<ul class=#引号posts#引号>", "</ul>"
            title, ident, link = 2, 1, "%s/post/[1]" % site
        else:
            url = "%s/feed%d.xml" % (site, r)
            reg = r"<item><title>(.*?)</title><link>[^<]*?/f%d/(\d+)</link>" % r
            before, after = "<channel>", "</channel>"
            title, ident, link = 1, 2, "%s/f%d/[2]" % (site, r)
        rows.append("(%d, '1', %d, '0', 0, 'Bench%d', '%s', '', '%s', '%s', "
                    "'%s', %d, %d, '%s', 0)"
                    % (r, 100 - r, r, url, reg, before, after, title, ident,
                       link))
    schema = open(os.path.join(SOURCE, "data/schema.sql"), encoding="utf-8")
    sql = (schema.read() + "INSERT INTO rule (id, isdo, rank, isgbk, type, "
           "name, url, cookie, reg, \"before\", \"after\", tindex, idindex, "
           "pinurl, lastid) VALUES\n" + ",\n".join(rows) + ";\n"
           "INSERT INTO con (keywd) VALUES ('史低');\n"
           # Weeks of watching: the program indexes them at start.
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
           "WHERE i < %d) INSERT INTO info (planname, planid, title, url, "
           "addtime, zt) SELECT 'Old' || (i %% 40), 100 + i %% 40, '旧帖 ' "
           "|| i || ' 京东 自营 好价 包邮 券后 史低 ￥' || (i %% 900), "
           "'http://old.example/p/' || i, '1/2 10:00', 0 FROM n;\n" % history)
    subprocess.run(["sqlite3", "-bail", path], input=sql.encode("gbk"),
                   check=True, timeout=30)


def last_run(path):
    """When the last rule last ran, as its kept health says."""
    try:
        with sqlite3.connect("file:%s?mode=ro" % path, uri=True,
                             timeout=10) as db:
            row = db.execute("SELECT ran_at FROM dw_rule_health WHERE "
                             "rule_id = ?", (FIRST_RULE + RULES - 1,)).fetchone()
            return row[0] if row else None
    except sqlite3.Error:
        return None


def stored_rows(path):
    with sqlite3.connect("file:%s?mode=ro" % path, uri=True,
                         timeout=10) as db:
        return db.execute("SELECT count(*) FROM info").fetchone()[0]


def quiet(pid, span=1.0, limit=60):
    """Waits until a span passes without CPU or bytes written."""
    end = time.monotonic() + limit
    before = (cpu_seconds(pid), proc_io(pid)["wchar"])
    while time.monotonic() < end:
        time.sleep(span)
        now = (cpu_seconds(pid), proc_io(pid)["wchar"])
        if now[0] - before[0] < 0.02 and now[1] == before[1]:
            return
        before = now


class Watched:
    """The program with its round started by pause and start."""

    def __init__(self, screen, program, site):
        self.screen, self.program, self.site = screen, program, site
        main = e2e.wait_for(lambda: screen.find(r"Voskel v1\.0"), 60,
                            "the main window")[0]
        self.pid = program.process.pid
        x, y, _, _ = screen.geometry(main)
        self.button = (x + 560 + 38, y + 5 + 16)
        self.started = False
        quiet(self.pid, limit=600)  # the stored posts are indexed at start

    def round(self, trace_path=None):
        ran = last_run(self.program.database)
        asked = self.site.requests["program"]
        trace = Trace(self.pid, trace_path) if trace_path else None
        before = snapshot(self.pid)
        sent = self.site.sent["program"]
        stored = stored_rows(self.program.database)
        if self.started:
            self.screen.click(*self.button)  # pause
        self.screen.click(*self.button)  # start: a round at once
        self.started = True
        e2e.wait_for(lambda: self.site.requests["program"] >= asked + RULES
                     and last_run(self.program.database) != ran, 300,
                     "the round's end")
        quiet(self.pid)
        figures = difference(before, snapshot(self.pid), self.pid)
        figures["fetched"] = self.site.sent["program"] - sent
        figures["stored"] = stored_rows(self.program.database) - stored
        if trace:
            figures.update(trace.finish(self.program.database))
        return figures


class Watcher:
    """The plain Python watcher in a process of its own."""

    def __init__(self, work, site, kind):
        python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") \
            else sys.executable
        self.process = subprocess.Popen(
            [python, os.path.abspath(__file__), "--watcher", kind,
             "--site", site.address, "--db", os.path.join(work, "plain.db")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.site = site
        if self.process.stdout.readline().strip() != "ready":
            raise e2e.Failure("the Python watcher did not start "
                              "(it needs requests and lxml)")

    def round(self):
        pid = self.process.pid
        before = snapshot(pid)
        sent = self.site.sent["watcher"]
        self.process.stdin.write("go\n")
        self.process.stdin.flush()
        self.process.stdout.readline()
        figures = difference(before, snapshot(pid), pid)
        figures["fetched"] = self.site.sent["watcher"] - sent
        return figures

    def close(self):
        self.process.stdin.close()
        self.process.wait(30)


def watcher_main(kind, site, path):
    import lxml.etree
    import lxml.html
    import requests
    session = requests.Session()
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE IF NOT EXISTS post (link TEXT PRIMARY KEY, "
               "title TEXT, seen REAL)")
    seen = {row[0] for row in db.execute("SELECT link FROM post")}
    print("ready", flush=True)
    for _ in sys.stdin:
        new = []
        for rule in range(FIRST_RULE, FIRST_RULE + RULES):
            if kind == "pages":
                reply = session.get("%s/page%d.html" % (site, rule))
                tree = lxml.html.fromstring(reply.content)
                posts = [(site + a.get("href"), a.text_content())
                         for a in tree.xpath('//ul[@class="posts"]/li/a')]
            else:
                reply = session.get("%s/feed%d.xml" % (site, rule))
                tree = lxml.etree.fromstring(reply.content)
                posts = [(item.findtext("link"), item.findtext("title"))
                         for item in tree.iter("item")]
            for link, title in reversed(posts):
                if link not in seen:
                    seen.add(link)
                    new.append((link, title, time.time()))
        with db:
            db.executemany("INSERT INTO post VALUES (?, ?, ?)", new)
        print(len(new), flush=True)


# ---- The rounds ------------------------------------------------------------

def run_kind(args, kind, work):
    site = Site()
    threading.Thread(target=site.serve_forever, daemon=True).start()
    newest = SHOWN
    site.publish(kind, newest)
    results = {"new": [], "none": [], "plain_new": [], "plain_none": [],
               "traced": {}}
    with e2e.VirtualScreen() as screen:
        program = e2e.Program(screen, args.bin, os.path.join(work, kind))
        make_database(program.database, site.address, kind, args.history)
        program.start()
        watcher = Watcher(os.path.join(work, kind), site, kind)
        try:
            watched = Watched(screen, program, site)
            watched.round()  # the first round finds every post new
            watcher.round()
            results["rss_start"] = resident_mib(watched.pid)
            for n in range(args.rounds + (1 if args.strace else 0)):
                traced = args.strace and n == args.rounds
                for what in ("new", "none"):
                    if what == "new":
                        newest += args.posts
                        site.publish(kind, newest)
                    path = os.path.join(work, "%s-%s.trace" % (kind, what))
                    ours = watched.round(path if traced else None)
                    plain = watcher.round()
                    if traced:
                        results["traced"][what] = ours
                    else:
                        results[what].append(ours)
                        results["plain_" + what].append(plain)
                    print("%s %-4s ours: %3d stored, %6.0f KB written, "
                          "%6.3f s CPU, %5.0f KB fetched, %5.1f MiB%s | "
                          "plain: %6.0f KB, %6.3f s, %6.0f KB"
                          % (kind, what, ours["stored"],
                             ours["written"] / 1024, ours["cpu"],
                             ours["fetched"] / 1024, ours["rss"],
                             "  (traced)" if traced else "",
                             plain["written"] / 1024, plain["cpu"],
                             plain["fetched"] / 1024), flush=True)
            results["rss_end"] = resident_mib(watched.pid)
        finally:
            watcher.close()
            program.stop()
            site.shutdown()
    return results


def mean(rows, key):
    return sum(r[key] for r in rows) / len(rows) if rows else 0.0


def ratio(ours, plain):
    return "%.2fx" % (ours / plain) if plain > 0 else "-"


def report(kind, r, posts):
    print("\n== %s: %d rules, %d new posts a round ==" % (kind, RULES,
                                                          RULES * posts))
    for what, label in (("new", "with new posts"), ("none", "nothing new")):
        ours, plain = r[what], r["plain_" + what]
        figures = [(key, mean(ours, key), mean(plain, key))
                   for key in ("written", "cpu", "fetched")]
        print("%-15s written %7.1f KB (plain %6.1f KB, %s)   CPU %.3f s "
              "(plain %.3f s, %s)   fetched %6.1f KB (plain %6.1f KB, %s)"
              % (label, figures[0][1] / 1024, figures[0][2] / 1024,
                 ratio(*figures[0][1:]), figures[1][1], figures[1][2],
                 ratio(*figures[1][1:]), figures[2][1] / 1024,
                 figures[2][2] / 1024, ratio(*figures[2][1:])))
        traced = r["traced"].get(what)
        if traced:
            files = traced["by_file"]
            print("%-15s traced: %d syncs, %d temporary files; written to "
                  "database %.1f KB, journal %.1f KB, log %.1f KB, elsewhere "
                  "%.1f KB" % ("", traced["syncs"], traced["temp_files"],
                               files["database"] / 1024,
                               files["journal"] / 1024, files["log"] / 1024,
                               files["other"] / 1024))
    print("memory: %.1f MiB after the first round, %.1f MiB at the end"
          % (r["rss_start"], r["rss_end"]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", help="folder of the built dealwatcher")
    parser.add_argument("--kind", choices=("pages", "feeds", "both"),
                        default="both")
    parser.add_argument("--rounds", type=int, default=3,
                        help="measured rounds of each kind (new, nothing new)")
    parser.add_argument("--posts", type=int, default=5,
                        help="new posts per page in a round with new posts")
    parser.add_argument("--history", type=int, default=20000,
                        help="posts stored before the program starts")
    parser.add_argument("--strace", type=int, default=None,
                        help="1: trace one more round of each kind")
    parser.add_argument("--watcher", help=argparse.SUPPRESS)
    parser.add_argument("--site", help=argparse.SUPPRESS)
    parser.add_argument("--db", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.watcher:
        watcher_main(args.watcher, args.site, args.db)
        return 0
    if not args.bin:
        parser.error("--bin is required")
    if args.strace is None:
        args.strace = 1 if shutil.which("strace") else 0
    kinds = ("pages", "feeds") if args.kind == "both" else (args.kind,)
    results = {}
    with tempfile.TemporaryDirectory() as work:
        try:
            for kind in kinds:
                results[kind] = run_kind(args, kind, work)
        except e2e.Failure as failure:
            print("FAILED: %s" % failure, file=sys.stderr)
            return 1
    for kind in kinds:
        report(kind, results[kind], args.posts)
    return 0


if __name__ == "__main__":
    sys.exit(main())
