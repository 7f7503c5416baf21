#!/usr/bin/env python3
"""The real program on a desktop, as nobody (when run as root) with an empty
home. install: the installed program makes the user's database from the
installed default and stores posts from the test site there. second_start:
a second start raises the first one's window and ends; a killed program's
lock is taken over. Usage: desktop_test.py CASE BUILD SOURCE ARTIFACTS"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

from e2e_test import (GBK_POSTS, RULES_SQL, START_LIMIT, UTF8_POSTS, Failure,
                      VirtualScreen, check, start_test_site, stored_titles,
                      wait_for, write_feed)

NOBODY = 65534
STARTED = []  # every program process, killed at the end if still running


class User:
    def __init__(self, screen, work):
        self.screen, self.root = screen, os.geteuid() == 0
        self.home, runtime = work + "/home", work + "/runtime"
        for folder in (self.home, runtime):
            os.makedirs(folder, mode=0o700)
            self.own(folder)
        os.chmod(work, 0o755)
        self.env = dict(screen.env, HOME=self.home, XDG_RUNTIME_DIR=runtime)
        self.env.pop("XDG_DATA_HOME", None)
        self.log = work + "/program.log"

    def own(self, path):
        if self.root:
            os.chown(path, NOBODY, NOBODY)

    def command(self, *args):
        drop = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY,
                "--clear-groups", "--"]
        return (drop if self.root else []) + list(args)

    def start(self, exe):
        with open(self.log, "a") as out:
            STARTED.append(subprocess.Popen(self.command(exe), env=self.env,
                                            stdout=out, stderr=out))
        return STARTED[-1]

    def output(self):
        return open(self.log, errors="replace").read()

    def main_window(self):
        return wait_for(lambda: self.screen.find(r"Voskel v1\.0"),
                        START_LIMIT, "the main window")[0]

    def close(self, process, window):
        self.screen.key(window, "Escape")
        check(process.wait(60) == 0, "the program did not end cleanly")


def case_install(screen, build, source, work):
    prefix = work + "/prefix"
    subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                   check=True, capture_output=True, timeout=120)
    for path in ("applications/dealwatcher.desktop",
                 "metainfo/io.github.dealwatcher.metainfo.xml",
                 "icons/hicolor/scalable/apps/dealwatcher.svg",
                 "icons/hicolor/48x48/apps/dealwatcher.png",
                 "icons/hicolor/128x128/apps/dealwatcher.png"):
        check(os.path.isfile(prefix + "/share/" + path), path)
    user = User(screen, work)
    database = user.home + "/.local/share/dealwatcher/qel6.sdb"
    process = user.start(prefix + "/bin/dealwatcher")
    main = user.main_window()
    with open(database, "rb") as mine, \
            open(prefix + "/share/dealwatcher/qel6.sdb", "rb") as default:
        check(mine.read() == default.read(), "not a copy of the default")
    check("created " + database in user.output(), user.output())
    for name, value in (("WM_CLASS", '"dealwatcher", "dealwatcher"'),
                        ("_NET_WM_ICON", "_NET_WM_ICON(CARDINAL)")):
        check(value in screen.run("xprop", "-id", main, name).stdout, name)
    user.close(process, main)

    os.makedirs(work + "/site")
    site_process, port = start_test_site(source, work + "/site", work)
    try:
        site = "http://127.0.0.1:%d" % port
        write_feed(work + "/site/feed.xml", site, "t", UTF8_POSTS, "utf-8")
        write_feed(work + "/site/gbk.xml", site, "g", GBK_POSTS, "gbk")
        sql = "DELETE FROM rule; DELETE FROM con;" + RULES_SQL.format(site=site)
        subprocess.run(user.command("sqlite3", "-bail", database),
                       input=sql.encode("gbk"), check=True, timeout=30)
        process = user.start(prefix + "/bin/dealwatcher")
        main = user.main_window()
        x, y, _, _ = screen.geometry(main)
        screen.click(x + 560 + 38, y + 5 + 16)  # the start/pause button
        expected = sorted(t for _, t in UTF8_POSTS + GBK_POSTS)
        wait_for(lambda: stored_titles(database) == expected, 60,
                 "the posts in the user's database")
        user.close(process, main)
    finally:
        site_process.terminate()
        site_process.wait(30)


def case_second_start(screen, build, source, work):
    user = User(screen, work)
    app = work + "/app"  # a portable copy: the database beside the program
    os.makedirs(app)
    user.own(app)
    exe = shutil.copy2(build + "/bin/dealwatcher", app)
    shutil.copy2(build + "/bin/testdata/qel6-test.sdb", app + "/qel6.sdb")
    user.own(app + "/qel6.sdb")
    first = user.start(exe)
    main = user.main_window()
    screen.run("xdotool", "windowminimize", "--sync", main)
    wait_for(lambda: not screen.find(r"Voskel v1\.0"), 10, "the minimising")
    began = time.monotonic()
    check(user.start(exe).wait(30) == 0, user.output())
    print("the second start ended after %.2f s" % (time.monotonic() - began))
    check("brought to the front" in user.output(), user.output())
    check(user.main_window() == main, "another main window")
    check("HIDDEN" not in screen.wm_state(main), screen.wm_state(main))
    check(first.poll() is None, "the first program ended")
    first.kill()
    first.wait(10)
    process = user.start(exe)
    user.close(process, user.main_window())
    check("took over the lock" in user.output(), user.output())


def main(case, build, source, artifacts):
    work = tempfile.mkdtemp(prefix="dw-desktop-")
    try:
        with VirtualScreen(framed=True) as screen:
            try:
                globals()["case_" + case](screen, build, source, work)
            finally:
                os.makedirs(artifacts, exist_ok=True)
                screen.screenshot("%s/desktop-%s.png" % (artifacts, case))
                for process in STARTED:
                    if process.poll() is None:
                        process.kill()
                        process.wait(10)
    except (Failure, subprocess.SubprocessError) as failure:
        print("FAILED %s: %s" % (case, failure))
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
