#!/usr/bin/env python3
"""End-to-end checks of the real program under a virtual X server.

Each case copies the built program into a fresh folder (with or without a
database beside it), starts it from another working directory, watches its
windows with xdotool and xprop, drives it with the keyboard and mouse, and
saves screenshots of what it showed into the artefacts folder.

Usage: e2e_test.py CASE --bin DIR --source DIR --artifacts DIR
"""

import argparse
import os
import re
import shutil
import signal
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
    """An Xvfb server on a display number it picks itself."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (SCREEN_W, SCREEN_H), "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        check(number, "Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number, LANG="C.UTF-8",
                        LC_ALL="C.UTF-8", QT_QPA_PLATFORM="xcb")
        self.env.pop("QT_QPA_PLATFORMTHEME", None)
        return self

    def __exit__(self, *exc):
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
        out = self.run("xdotool", "getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.stdout.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

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
    """The program copied into its own folder, started from another one."""

    def __init__(self, screen, bin_dir, work):
        self.screen = screen
        self.app_dir = os.path.join(work, "app")
        self.cwd = os.path.join(work, "elsewhere")
        os.makedirs(self.app_dir)
        os.makedirs(self.cwd)
        self.exe = os.path.join(self.app_dir, "dealwatcher")
        shutil.copy2(os.path.join(bin_dir, "dealwatcher"), self.exe)
        self.database = os.path.join(self.app_dir, "qel6.sdb")
        self.log = os.path.join(work, "program.log")
        self.process = None

    def start(self):
        self.log_file = open(self.log, "w")
        self.process = subprocess.Popen([self.exe], cwd=self.cwd,
                                        env=self.screen.env,
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


CASES = {
    "no_database": case_no_database,
    "unopenable_database": case_unopenable_database,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--bin", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)
    work = tempfile.mkdtemp(prefix="dw-e2e-")
    program = None
    try:
        with VirtualScreen() as screen:
            program = Program(screen, args.bin, work)
            try:
                CASES[args.case](screen, program, args)
            finally:
                program.stop()
    except Failure as failure:
        print("FAILED %s: %s" % (args.case, failure))
        if program and os.path.exists(program.log):
            print(program.output())
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
