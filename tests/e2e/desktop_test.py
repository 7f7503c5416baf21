#!/usr/bin/env python3
"""Desktop checks of the real program under a virtual X server.

install:      `cmake --install` into a fresh prefix; the installed program,
              run as a user other than root with an empty home, makes its
              database from the installed default and stores a round's posts
              from the test site there.
second_start: a second start on the same database raises the first one's
              window and ends; a first one killed outright leaves a lock the
              next start takes over.

Usage: desktop_test.py CASE --build DIR --source DIR --artifacts DIR
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

from e2e_test import (GBK_POSTS, START_LIMIT, UTF8_POSTS, Failure, RULES_SQL,
                      VirtualScreen, check, start_test_site, stored_titles,
                      wait_for, write_feed)

NOBODY = 65534
MAIN_TITLE = r"Voskel v1\.0"
STARTED = []  # every program process, ended at the end if still running


class User:
    """Runs commands as the user the program runs as: nobody when the tests
    run as root, else the tester."""

    def __init__(self, work):
        self.root = os.geteuid() == 0
        self.home = os.path.join(work, "home")
        self.runtime = os.path.join(work, "runtime")
        for folder in (self.home, self.runtime):
            os.makedirs(folder, mode=0o700)
            if self.root:
                os.chown(folder, NOBODY, NOBODY)
        os.chmod(work, 0o755)

    def command(self, args):
        if not self.root:
            return list(args)
        return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY,
                "--clear-groups", "--"] + list(args)

    def env(self, screen):
        env = dict(screen.env, HOME=self.home, XDG_RUNTIME_DIR=self.runtime)
        for name in ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"):
            env.pop(name, None)
        return env


def run_program(screen, user, exe, log):
    with open(log, "a") as out:
        STARTED.append(subprocess.Popen(
            user.command([exe]), env=user.env(screen), cwd="/", stdout=out,
            stderr=subprocess.STDOUT))
    return STARTED[-1]


def read(path):
    with open(path, errors="replace") as f:
        return f.read()


def end_program(screen, process, window):
    screen.key(window, "Escape")
    check(process.wait(60) == 0, "the program did not end cleanly")


def case_install(screen, args, work):
    prefix = os.path.join(work, "prefix")
    subprocess.run(["cmake", "--install", args.build, "--prefix", prefix],
                   check=True, capture_output=True, timeout=120)
    share = os.path.join(prefix, "share")
    for path in ("applications/dealwatcher.desktop",
                 "metainfo/io.github.dealwatcher.metainfo.xml",
                 "icons/hicolor/scalable/apps/dealwatcher.svg",
                 "icons/hicolor/48x48/apps/dealwatcher.png",
                 "icons/hicolor/128x128/apps/dealwatcher.png"):
        check(os.path.isfile(os.path.join(share, path)), "not installed: " + path)
    template = os.path.join(share, "dealwatcher/qel6.sdb")
    exe = os.path.join(prefix, "bin/dealwatcher")
    user = User(work)
    database = os.path.join(user.home, ".local/share/dealwatcher/qel6.sdb")
    log = os.path.join(work, "program.log")

    process = run_program(screen, user, exe, log)
    main = wait_for(lambda: screen.find(MAIN_TITLE), START_LIMIT,
                    "the main window")[0]
    digest = lambda p: hashlib.sha256(open(p, "rb").read()).hexdigest()
    check(digest(database) == digest(template),
          "the user's database is not the installed default")
    check(os.stat(database).st_uid == (NOBODY if user.root else os.getuid()),
          "the user's database belongs to someone else")
    check("created " + database in read(log), read(log))
    wm_class = screen.run("xprop", "-id", main, "WM_CLASS").stdout
    check('"dealwatcher", "dealwatcher"' in wm_class, wm_class)
    check("_NET_WM_ICON(CARDINAL)" in
          screen.run("xprop", "-id", main, "_NET_WM_ICON").stdout,
          "no window icon")
    end_program(screen, process, main)

    # Rules that read the test site, then one round into the user's file.
    docroot = os.path.join(work, "site")
    os.makedirs(docroot)
    site_process, port = start_test_site(args.source, docroot, work)
    try:
        site = "http://127.0.0.1:%d" % port
        write_feed(os.path.join(docroot, "feed.xml"), site, "t", UTF8_POSTS,
                   "utf-8")
        write_feed(os.path.join(docroot, "gbk.xml"), site, "g", GBK_POSTS,
                   "gbk")
        sql = "DELETE FROM rule; DELETE FROM con;" + RULES_SQL.format(site=site)
        subprocess.run(user.command(["sqlite3", "-bail", database]),
                       input=sql.encode("gbk"), check=True, timeout=30)
        process = run_program(screen, user, exe, log)
        main = wait_for(lambda: screen.find(MAIN_TITLE), START_LIMIT,
                        "the main window")[0]
        x, y, _, _ = screen.geometry(main)
        screen.click(x + 560 + 38, y + 5 + 16)
        expected = sorted(t for _, t in UTF8_POSTS + GBK_POSTS)
        wait_for(lambda: stored_titles(database) == expected, 60,
                 "the posts in the user's database")
        screen.screenshot(os.path.join(args.artifacts, "installed.png"))
        end_program(screen, process, main)
    finally:
        site_process.terminate()
        site_process.wait(30)


def case_second_start(screen, args, work):
    app = os.path.join(work, "app")
    os.makedirs(app)
    exe = os.path.join(app, "dealwatcher")
    shutil.copy2(os.path.join(args.build, "bin/dealwatcher"), exe)
    shutil.copy2(os.path.join(args.build, "bin/testdata/qel6-test.sdb"),
                 os.path.join(app, "qel6.sdb"))
    user = User(work)
    if user.root:
        os.chown(app, NOBODY, NOBODY)
        os.chown(os.path.join(app, "qel6.sdb"), NOBODY, NOBODY)
    first_log = os.path.join(work, "first.log")
    first = run_program(screen, user, exe, first_log)
    main = wait_for(lambda: screen.find(MAIN_TITLE), START_LIMIT,
                    "the main window")[0]
    screen.run("xdotool", "windowminimize", "--sync", main)
    wait_for(lambda: not screen.find(MAIN_TITLE), 10, "the window to go")

    second_log = os.path.join(work, "second.log")
    began = time.monotonic()
    second = run_program(screen, user, exe, second_log)
    code = second.wait(30)
    took = time.monotonic() - began
    check(code == 0, "the second start ended with %d: %s"
          % (code, read(second_log)))
    check("brought to the front" in read(second_log), read(second_log))
    print("the second start ended after %.2f s" % took)
    wait_for(lambda: screen.find(MAIN_TITLE) == [main], 10,
             "the first window back in front")
    check("HIDDEN" not in screen.wm_state(main), screen.wm_state(main))
    check(first.poll() is None, "the first instance ended")
    screen.screenshot(os.path.join(args.artifacts, "raised.png"))

    # Killed outright: the lock it leaves does not keep the next one out.
    first.kill()
    first.wait(10)
    check(os.path.exists(os.path.join(app, "qel6.sdb.lock")), "no lock left")
    third = run_program(screen, user, exe, first_log)
    main = wait_for(lambda: screen.find(MAIN_TITLE), START_LIMIT,
                    "the main window after a kill")[0]
    check("took over the lock" in read(first_log), read(first_log))
    end_program(screen, third, main)


CASES = {"install": case_install, "second_start": case_second_start}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--build", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)
    work = tempfile.mkdtemp(prefix="dw-desktop-")
    try:
        with VirtualScreen(framed=args.case == "second_start") as screen:
            try:
                CASES[args.case](screen, args, work)
            finally:
                for process in STARTED:
                    if process.poll() is None:
                        process.kill()
                        process.wait(10)
    except (Failure, subprocess.SubprocessError) as failure:
        print("FAILED %s: %s" % (args.case, failure))
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
