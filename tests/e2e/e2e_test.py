#!/usr/bin/env python3
"""End-to-end checks of the real program under a virtual X server.

Each case copies the built program into a fresh folder (with or without a
database beside it), starts it from another working directory, watches its
windows with xdotool and xprop, drives it with the keyboard and mouse, and
saves screenshots of what it showed into the artefacts folder.

Usage: e2e_test.py CASE --bin DIR --source DIR --artifacts DIR
"""

import argparse
import contextlib
import os
import random
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

SCREEN_W, SCREEN_H = 1280, 1024
START_LIMIT = 60  # seconds; a sanitizer build starts slowly on a busy machine


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, limit, what):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise Failure("timed out waiting for " + what)


class VirtualScreen:
    """An Xvfb server of its own. The display number is drawn at random from
    a high range rather than left to Xvfb, whose own choice races with other
    servers starting or ending at the same moment. With framed=True a window
    manager runs on it too, so windows get frames as on a desktop."""

    def __init__(self, framed=False):
        self.framed = framed
        self.window_manager = None

    def __enter__(self):
        for _ in range(10):
            number = random.randint(200, 999)
            if os.path.exists("/tmp/.X%d-lock" % number):
                continue
            self.process = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0",
                 "%dx%dx24" % (SCREEN_W, SCREEN_H), "-nolisten", "tcp",
                 # Without it the server resets whenever its last client
                 # leaves and refuses connections meanwhile.
                 "-noreset"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.env = dict(os.environ, DISPLAY=":%d" % number,
                            LANG="C.UTF-8", LC_ALL="C.UTF-8",
                            QT_QPA_PLATFORM="xcb")
            self.env.pop("QT_QPA_PLATFORMTHEME", None)
            if self.answers():
                if self.framed:
                    self.start_window_manager()
                return self
            self.process.kill()
            self.process.wait(10)
        raise Failure("no virtual X server could be started")

    def answers(self):
        """True once our server (not another one that took the same number
        first) accepts connections."""
        lock = "/tmp/.X%s-lock" % self.env["DISPLAY"][1:]
        end = time.monotonic() + 15
        while time.monotonic() < end and self.process.poll() is None:
            probe = subprocess.run(["xdpyinfo"], env=self.env,
                                   capture_output=True, timeout=30)
            if probe.returncode == 0:
                try:
                    with open(lock) as f:
                        owner = int(f.read().strip())
                except (OSError, ValueError):
                    return False
                return owner == self.process.pid and self.process.poll() is None
            time.sleep(0.1)
        return False

    def start_window_manager(self):
        self.window_manager = subprocess.Popen(
            ["openbox"], env=self.env, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        wait_for(lambda: "window id" in self.run(
            "xprop", "-root", "_NET_SUPPORTING_WM_CHECK").stdout,
            30, "the window manager")

    def __exit__(self, *exc):
        if self.window_manager:
            self.window_manager.terminate()
            self.window_manager.wait(10)
        self.process.terminate()
        self.process.wait(10)

    def run(self, *args):
        return subprocess.run(list(args), env=self.env, capture_output=True,
                              text=True, timeout=30)

    def visible_windows(self):
        """Mapped windows with a name, as {id: name}."""
        found = self.run("xdotool", "search", "--onlyvisible", "--name", ".")
        windows = {}
        for line in found.stdout.split():
            name = self.run("xdotool", "getwindowname", line).stdout.strip()
            if name:
                windows[line] = name
        return windows

    def find(self, pattern):
        """Ids of mapped windows whose whole name matches the pattern."""
        return [i for i, n in self.visible_windows().items()
                if re.fullmatch(pattern, n)]

    def geometry(self, window):
        """The client area's place on the screen and its size. (xdotool's
        own answer counts the frame's offset twice under a window manager.)"""
        out = self.run("xwininfo", "-id", window).stdout
        keys = ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                "Height")
        values = dict(line.strip().split(":", 1) for line in out.splitlines()
                      if ":" in line)
        return tuple(int(values[k]) for k in keys)

    def outer_geometry(self, window):
        """Position and size with the window manager's frame included."""
        x, y, w, h = self.geometry(window)
        out = self.run("xprop", "-id", window, "_NET_FRAME_EXTENTS").stdout
        numbers = [int(n) for n in re.findall(r"\d+", out.split("=")[-1])]
        left, right, top, bottom = numbers if len(numbers) == 4 else (0,) * 4
        return x - left, y - top, w + left + right, h + top + bottom

    def wm_state(self, window):
        return self.run("xprop", "-id", window, "_NET_WM_STATE").stdout

    def key(self, window, key):
        self.run("xdotool", "windowfocus", "--sync", window)
        self.run("xdotool", "key", "--clearmodifiers", key)

    def click(self, x, y):
        self.run("xdotool", "mousemove", "--sync", str(x), str(y))
        self.run("xdotool", "click", "1")

    def screenshot(self, path, window="root"):
        self.run("import", "-window", window, path)
        check(os.path.exists(path), "no screenshot at " + path)


class Program:
    """The program copied into its own folder, started from another one.
    The database beside it makes it portable; its per-user data and runtime
    folders are the test's own, never the user's."""

    def __init__(self, screen, bin_dir, work):
        self.screen = screen
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(screen.env, XDG_DATA_HOME=os.path.join(work, "data"),
                        XDG_RUNTIME_DIR=runtime)
        self.app_dir = os.path.join(work, "app")
        self.cwd = os.path.join(work, "elsewhere")
        os.makedirs(self.app_dir)
        os.makedirs(self.cwd)
        self.exe = os.path.join(self.app_dir, "dealwatcher")
        shutil.copy2(os.path.join(bin_dir, "dealwatcher"), self.exe)
        self.database = os.path.join(self.app_dir, "qel6.sdb")
        self.log = os.path.join(work, "program.log")
        self.process = None
        self.launcher = []  # a command the program is started through

    def start(self):
        self.log_file = open(self.log, "w")
        self.process = subprocess.Popen(self.launcher + [self.exe], cwd=self.cwd,
                                        env=self.env,
                                        stdout=self.log_file,
                                        stderr=subprocess.STDOUT)

    def wait_exit(self, limit):
        try:
            code = self.process.wait(limit)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end within %d s" % limit)
        self.log_file.close()
        return code

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(10)
        if self.process:
            self.log_file.close()

    def output(self):
        with open(self.log, errors="replace") as f:
            return f.read()


def start_failure_case(screen, program, caption, artifacts, name):
    """Starts the program and expects one message box, then a clean end."""
    program.start()
    boxes = wait_for(lambda: screen.find(re.escape(caption)), START_LIMIT,
                     "the message box " + caption)
    check(len(boxes) == 1, "%d message boxes" % len(boxes))
    time.sleep(1)  # anything else that were to come would show by now
    shown = screen.visible_windows()
    check(list(shown.values()) == [caption],
          "windows shown besides the message box: %r" % shown)
    screen.screenshot(os.path.join(artifacts, name + "-message.png"))
    screen.key(boxes[0], "Return")
    code = program.wait_exit(30)
    check(code == 0, "exit code %d" % code)
    check("ERROR" not in program.output(), program.output())


def case_no_database(screen, program, args):
    start_failure_case(screen, program, "启动失败", args.artifacts,
                       "no-database")


def case_unopenable_database(screen, program, args):
    os.mkdir(program.database)  # passes the existence test, cannot open
    start_failure_case(screen, program, "信息：", args.artifacts,
                       "unopenable-database")


RULES_SQL = """\
BEGIN;
INSERT INTO rule (id, isdo, rank, isgbk, type, name, url, cookie, reg,
                  "before", "after", tindex, idindex, pinurl, lastid)
VALUES
 (7, '1', 20, '0', 0, 'Alpha', '{site}/feed.xml', '',
  '<item>.*?<title>(.*?)</title>.*?<link>[^<]*?/t/(\\d+)[^<]*</link>',
  '<channel>', '</channel>', 1, 2, '{site}/t/[2]', 0),
 (8, '1', 10, '1', 8, '国标站', '{site}/gbk.xml', '',
  '<item>.*?<title>(.*?)</title>.*?<link>[^<]*?/g/(\\d+)[^<]*</link>',
  '<channel>', '</channel>', 1, 2, '{site}/g/[2]', 0);
INSERT INTO con (keywd, pl_shop, pl_kuai, pl_man, tx_tc, tx_sy, tx_wx,
                 tx_onlygz, tx_wxkey)
VALUES ('优惠', 0, 0, 0, '1', '1', '0', '0', '');
COMMIT;
"""

FEED_ITEM = "<item><title>{title}</title><link>{site}/{kind}/{id}</link></item>"
UTF8_POSTS = [(101, "Tea kettle 半价"), (102, "优惠 coffee beans"),
              (103, "Desk lamp")]
GBK_POSTS = [(201, "国标页面的帖子"), (202, "第二个帖子 优惠")]


def write_feed(path, site, kind, posts, encoding):
    items = "".join(FEED_ITEM.format(title=t, site=site, kind=kind, id=i)
                    for i, t in posts)
    text = "<rss><channel>%s</channel></rss>\n" % items
    with open(path, "wb") as f:
        f.write(text.encode(encoding))


def start_test_site(source, docroot, work):
    """Runs the nginx fixture site on docroot; returns (process, http port)."""
    ports = os.path.join(work, "ports")
    process = subprocess.Popen(
        [sys.executable, os.path.join(source, "tests/fixtures/testsite.py"),
         "--docroot", docroot, "--ports-file", ports],
        stdout=subprocess.DEVNULL)
    wait_for(lambda: os.path.exists(ports) or process.poll() is not None,
             60, "the test site")
    check(process.poll() is None, "the test site did not start")
    with open(ports) as f:
        values = dict(line.strip().split("=", 1) for line in f if "=" in line)
    return process, int(values["http_port"])


@contextlib.contextmanager
def feed_site(source, work):
    """The nginx fixture site serving the UTF-8 and the GBK feed; yields its
    address and stops it afterwards."""
    docroot = os.path.join(work, "site")
    os.makedirs(docroot, exist_ok=True)
    process, port = start_test_site(source, docroot, work)
    try:
        site = "http://127.0.0.1:%d" % port
        write_feed(os.path.join(docroot, "feed.xml"), site, "t", UTF8_POSTS,
                   "utf-8")
        write_feed(os.path.join(docroot, "gbk.xml"), site, "g", GBK_POSTS,
                   "gbk")
        yield site
    finally:
        process.terminate()
        process.wait(30)


def make_database(source, path, site):
    schema = open(os.path.join(source, "data/schema.sql"), encoding="utf-8")
    sql = schema.read() + RULES_SQL.format(site=site)
    subprocess.run(["sqlite3", "-bail", path], input=sql.encode("gbk"),
                   check=True, timeout=30)


def stored_titles(path):
    # The program may be writing: wait for its lock rather than fail.
    out = subprocess.run(["sqlite3", "-cmd", ".timeout 10000", path,
                          "select title from info"],
                         capture_output=True, timeout=30, check=True)
    return sorted(out.stdout.decode("gbk").split("\n")[:-1])


def case_normal_start(screen, program, args):
    with feed_site(args.source, os.path.dirname(program.app_dir)) as site:
        make_database(args.source, program.database, site)
        normal_start(screen, program, args)


def normal_start(screen, program, args):
    art = args.artifacts
    program.start()
    main = wait_for(lambda: screen.find(r"Voskel v1\.0"), START_LIMIT,
                    "the main window")[0]
    x, y, w, h = screen.geometry(main)
    check((w, h) == (660, 600), "main window %dx%d" % (w, h))
    check((x, y) == ((SCREEN_W - 1000) // 2, (SCREEN_H - 600) // 2),
          "main window at %d,%d" % (x, y))
    check(not screen.find("提醒窗口.*|消息提醒"), "reminder shown at start")
    time.sleep(1)
    check(stored_titles(program.database) == [], "stored before the start")
    screen.screenshot(os.path.join(art, "main-idle.png"), main)

    # The start/pause button: 560, 5, 77 by 32 in the client area.
    screen.click(x + 560 + 38, y + 5 + 16)
    counting = "提醒窗口\u3000\u3000\u3000(\\d+) 秒后关闭"
    reminder = wait_for(lambda: screen.find(counting), 60,
                        "a counting reminder window")[0]
    rx, ry, rw, rh = screen.geometry(reminder)
    check((rw, rh) == (449, 191), "reminder %dx%d" % (rw, rh))
    # No task bar on this screen: clear of the right edge by 62, at the bottom.
    check((rx, ry) == (SCREEN_W - 449 - 62, SCREEN_H - 191),
          "reminder at %d,%d" % (rx, ry))
    state = screen.wm_state(reminder)
    check("_NET_WM_STATE_SKIP_TASKBAR" in state, "task-bar entry: " + state)
    check("_NET_WM_STATE_ABOVE" in state, "not above: " + state)
    expected = sorted(t for _, t in UTF8_POSTS + GBK_POSTS)
    wait_for(lambda: stored_titles(program.database) == expected, 60,
             "the posts in info")
    time.sleep(0.5)  # the last rows reach the lists
    screen.screenshot(os.path.join(art, "main-collecting.png"), main)
    screen.screenshot(os.path.join(art, "reminder-counting.png"), reminder)
    screen.screenshot(os.path.join(art, "screen-collecting.png"))

    # The mouse anywhere on the reminder holds it.
    screen.run("xdotool", "mousemove", "--sync", str(rx + rw - 10),
               str(ry + rh - 10))
    wait_for(lambda: screen.find("消息提醒"), 10, "the held title")
    screen.screenshot(os.path.join(art, "reminder-held.png"), reminder)
    screen.run("xdotool", "mousemove", "--sync", "5", "5")
    screen.key(reminder, "Escape")
    wait_for(lambda: not screen.find("消息提醒"), 10, "the reminder to hide")
    check(program.process.poll() is None, "the program ended with the reminder")

    screen.key(main, "Escape")
    code = program.wait_exit(60)
    check(code == 0, "exit code %d" % code)
    check("ERROR" not in program.output(), program.output())
    check(stored_titles(program.database) == expected, "rows changed at exit")


def case_rules_window(screen, program, args):
    """The 规则 button opens the rules window, which shows each rule's health
    after a round; a rule's editor tests the rule against the local site
    while collection runs; both tabs and the editor are photographed."""
    with feed_site(args.source, os.path.dirname(program.app_dir)) as site:
        make_database(args.source, program.database, site)
        # A third rule whose page is gone.
        subprocess.run(["sqlite3", program.database,
                        "insert into rule(id,isdo,rank,isgbk,type,name,url,"
                        "reg,tindex,idindex,pinurl) values(9,'1',5,'0',0,"
                        "'Gone','%s/gone.xml','<i>(\\d+)</i>',1,1,"
                        "'%s/[1]')" % (site, site)], check=True, timeout=30)
        rules_window(screen, program, args.artifacts)


def rules_window(screen, program, art):
    program.start()
    main = wait_for(lambda: screen.find(r"Voskel v1\.0"), START_LIMIT,
                    "the main window")[0]
    x, y, _, _ = screen.geometry(main)
    screen.click(x + 560 + 38, y + 5 + 16)  # start: one round gives health
    expected = sorted(t for _, t in UTF8_POSTS + GBK_POSTS)
    wait_for(lambda: stored_titles(program.database) == expected, 60,
             "the posts in info")
    time.sleep(2)  # the last rule's health reaches the window
    # The rules button: 476, 5, 77 by 32 in the client area.
    screen.click(x + 476 + 38, y + 5 + 16)
    rules = wait_for(lambda: screen.find("规则管理"), 30,
                     "the rules window")[0]
    time.sleep(0.5)
    screen.screenshot(os.path.join(art, "rules-table.png"), rules)

    # Enter edits the first rule (the highest rank: Alpha); F5 tests it.
    screen.key(rules, "Return")
    editor = wait_for(lambda: screen.find("编辑规则"), 30, "the editor")[0]
    screen.key(editor, "F5")
    time.sleep(3)  # the test fetches from the local site
    screen.screenshot(os.path.join(art, "rules-editor-tested.png"), editor)
    check(stored_titles(program.database) == expected, "the test stored posts")
    screen.key(editor, "Escape")
    wait_for(lambda: not screen.find("编辑规则"), 10, "the editor to close")

    screen.key(rules, "ctrl+Tab")
    time.sleep(0.5)
    screen.screenshot(os.path.join(art, "rules-keywords.png"), rules)
    screen.key(main, "Escape")
    code = program.wait_exit(60)
    check(code == 0, "exit code %d" % code)
    check("ERROR" not in program.output(), program.output())


def case_demo(screen, program, args):
    """The offline demo's site and rules give posts from both feeds. Runs
    under a window manager: both windows keep their outer sizes with the
    frame included, and only the main window has a task-bar button."""
    work = os.path.dirname(program.app_dir)
    port_file = os.path.join(work, "demo-port")
    site_process = subprocess.Popen(
        [sys.executable, os.path.join(args.source, "scripts/demo/demo_site.py"),
         "--port-file", port_file], stdout=subprocess.DEVNULL)
    try:
        wait_for(lambda: os.path.exists(port_file), 30, "the demo site")
        site = "http://127.0.0.1:%s" % open(port_file).read().strip()
        schema = open(os.path.join(args.source, "data/schema.sql"),
                      encoding="utf-8").read()
        rows = open(os.path.join(args.source, "scripts/demo/demo_rows.sql"),
                    encoding="utf-8").read().replace("@SITE@", site)
        subprocess.run(["sqlite3", "-bail", program.database],
                       input=(schema + rows).encode("gbk"), check=True,
                       timeout=30)
        program.start()
        main = wait_for(lambda: screen.find(r"Voskel v1\.0"), START_LIMIT,
                        "the main window")[0]
        left, top = (SCREEN_W - 1000) // 2, (SCREEN_H - 600) // 2
        wait_for(lambda: screen.outer_geometry(main) == (left, top, 660, 600),
                 10, "the main window's frame at %d,%d, 660x600" % (left, top))
        check("SKIP_TASKBAR" not in screen.wm_state(main),
              "the main window has no task-bar button")
        x, y, _, _ = screen.geometry(main)
        # A quick click on the background does not leave the window
        # following the mouse.
        screen.click(x + 300, y + 558)  # between the post list and status bar
        screen.run("xdotool", "mousemove", "--sync", str(x + 300),
                   str(y + 200))
        time.sleep(0.5)
        check(screen.outer_geometry(main) == (left, top, 660, 600),
              "the main window moved after a click: %r"
              % (screen.outer_geometry(main),))
        screen.click(x + 560 + 38, y + 5 + 16)
        screen.run("xdotool", "mousemove", "5", "5")
        wait_for(lambda: len(stored_titles(program.database)) == 6, 60,
                 "three posts from each demo feed")
        reminder = wait_for(lambda: screen.find("提醒窗口.*"), 10,
                            "the reminder window")[0]
        # Resting on the bottom edge, wholly on the screen.
        placed = (SCREEN_W - 449 - 62, SCREEN_H - 191, 449, 191)
        wait_for(lambda: screen.outer_geometry(reminder) == placed, 10,
                 "the reminder's frame at %r" % (placed,))
        check("SKIP_TASKBAR" in screen.wm_state(reminder),
              "the reminder window has a task-bar button")
        screen.screenshot(os.path.join(args.artifacts, "demo-framed.png"))
        screen.key(main, "Escape")
        check(program.wait_exit(60) == 0, "the program did not end cleanly")
    finally:
        site_process.terminate()
        site_process.wait(30)


def ended_while_held(screen, program, args, end, expected_code):
    """Posts found while another program holds the database are written to
    the log however the program is ended, short of kill -9."""
    with feed_site(args.source, os.path.dirname(program.app_dir)) as site:
        make_database(args.source, program.database, site)
        program.start()
        main = wait_for(lambda: screen.find(r"Voskel v1\.0"), START_LIMIT,
                        "the main window")[0]
        holder = sqlite3.connect(program.database, isolation_level=None)
        holder.execute("BEGIN EXCLUSIVE")
        x, y, _, _ = screen.geometry(main)
        screen.click(x + 560 + 38, y + 5 + 16)
        log = os.path.join(program.app_dir, "qel6.log")

        def log_lines(marker):
            if not os.path.exists(log):
                return []
            with open(log, encoding="utf-8") as f:
                return [line for line in f if marker in line]
        wait_for(lambda: len(log_lines("store_failed")) == 2, 60,
                 "both rule runs refused")
        end(screen, program)
        code = program.wait_exit(60)
        holder.rollback()
        holder.close()
        check(code == expected_code, "exit code %d" % code)
        check(len(log_lines("\tnot stored\t")) == 5,
              "posts logged: %r" % log_lines("\tnot stored\t"))
        check(stored_titles(program.database) == [], "stored while held")


def signalled(number):
    return lambda screen, program: program.process.send_signal(number)


def display_lost(screen, program):
    screen.process.kill()


ENDS = {"sigterm": (signalled(signal.SIGTERM), 128 + signal.SIGTERM),
        "sigint": (signalled(signal.SIGINT), 128 + signal.SIGINT),
        "sighup": (signalled(signal.SIGHUP), 128 + signal.SIGHUP),
        "display_lost": (display_lost, 1)}


FRAMED = {"demo", "rules_window"}  # cases run under a window manager
CASES = {
    "demo": case_demo,
    "normal_start": case_normal_start,
    "rules_window": case_rules_window,
    "no_database": case_no_database,
    "unopenable_database": case_unopenable_database,
}
for _name, (_end, _code) in ENDS.items():
    CASES["held_" + _name] = (
        lambda end, code: lambda screen, program, args: ended_while_held(
            screen, program, args, end, code))(_end, _code)


# The leak checker's own tracer now and then crashes as a program ends
# cleanly, a known fault of the sanitizer runtime that says nothing of the
# program; a run that ended so is tried once more.
TRACER_CRASH = ("Tracer caught signal",
                "LeakSanitizer has encountered a fatal error")


def run_case(args):
    """Runs the case in a folder of its own: None when it passed, else why
    it failed and what the program printed."""
    work = tempfile.mkdtemp(prefix="dw-e2e-")
    program = None
    try:
        with VirtualScreen(framed=args.case in FRAMED) as screen:
            program = Program(screen, args.bin, work)
            try:
                CASES[args.case](screen, program, args)
            finally:
                program.stop()
    except Failure as failure:
        logged = program and os.path.exists(program.log)
        return str(failure), program.output() if logged else ""
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--bin", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)
    failed = run_case(args)
    if failed and all(sign in failed[1] for sign in TRACER_CRASH):
        print("the leak checker's tracer crashed; %s runs again" % args.case)
        failed = run_case(args)
    if failed:
        print("FAILED %s: %s" % (args.case, failed[0]))
        print(failed[1])
        return 1
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
