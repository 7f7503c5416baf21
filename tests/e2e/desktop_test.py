#!/usr/bin/env python3
"""Desktop cases beside those of e2e_test.py, run the same way. install: the
installed program, run as nobody with an empty home, makes the user's
database from the installed default and stores a round's posts there.
second_start: a second start raises the first one's window and ends."""

import os
import subprocess
import sys

import e2e_test
from e2e_test import (RULES_SQL, START_LIMIT, check, feed_site, normal_start,
                      wait_for)

NOBODY = 65534
INSTALLED = """bin/dealwatcher share/dealwatcher/qel6.sdb
share/man/man1/dealwatcher.1 share/applications/dealwatcher.desktop
share/metainfo/io.github.dealwatcher.metainfo.xml
share/icons/hicolor/scalable/apps/dealwatcher.svg
share/icons/hicolor/48x48/apps/dealwatcher.png
share/icons/hicolor/128x128/apps/dealwatcher.png""".split()


def main_window(screen):
    return wait_for(lambda: screen.find(r"Voskel v1\.0"), START_LIMIT,
                    "the main window")[0]


def case_install(screen, program, args):
    work = os.path.dirname(program.app_dir)
    prefix, home = work + "/prefix", work + "/home"
    subprocess.run(["cmake", "--install", os.path.dirname(args.bin),
                    "--prefix", prefix], check=True, capture_output=True)
    missing = [p for p in INSTALLED if not os.path.isfile(prefix + "/" + p)]
    check(not missing, "not installed: %r" % missing)
    os.makedirs(home, mode=0o700)
    if os.geteuid() == 0:
        for folder in (home, program.env["XDG_RUNTIME_DIR"]):
            os.chown(folder, NOBODY, NOBODY)
        os.chmod(work, 0o755)
        program.launcher = ["setpriv", "--reuid=%d" % NOBODY,
                            "--regid=%d" % NOBODY, "--clear-groups", "--"]
    program.exe = prefix + "/bin/dealwatcher"
    program.env["HOME"] = home
    del program.env["XDG_DATA_HOME"]
    program.database = home + "/.local/share/dealwatcher/qel6.sdb"
    program.start()
    main = main_window(screen)
    with open(program.database, "rb") as mine, \
            open(prefix + "/share/dealwatcher/qel6.sdb", "rb") as default:
        check(mine.read() == default.read(), "not a copy of the default")
    check("created " + program.database in program.output(), program.output())
    for name, value in (("WM_CLASS", '"dealwatcher", "dealwatcher"'),
                        ("_NET_WM_ICON", "_NET_WM_ICON(CARDINAL)")):
        check(value in screen.run("xprop", "-id", main, name).stdout, name)
    screen.key(main, "Escape")
    check(program.wait_exit(60) == 0, "the first start did not end cleanly")

    with feed_site(args.source, work) as site:
        sql = "DELETE FROM rule;DELETE FROM con;" + RULES_SQL.format(site=site)
        sqlite = ["sqlite3", "-bail", program.database]
        subprocess.run(program.launcher + sqlite, input=sql.encode("gbk"),
                       check=True, timeout=30)
        normal_start(screen, program, args)  # a round into the user's file


def case_second_start(screen, program, args):
    with open(os.path.join(args.bin, "testdata/qel6-test.sdb"), "rb") as f, \
            open(program.database, "wb") as copy:
        copy.write(f.read())
    program.start()
    main = main_window(screen)
    screen.run("xdotool", "windowminimize", "--sync", main)
    wait_for(lambda: not screen.find(r"Voskel v1\.0"), 10, "the minimising")
    second = subprocess.run([program.exe], env=program.env, timeout=30,
                            capture_output=True, text=True)
    check(second.returncode == 0, second.stdout + second.stderr)
    check("brought to the front" in second.stderr, second.stderr)
    check(main_window(screen) == main, "not the first window in front")
    check("HIDDEN" not in screen.wm_state(main), screen.wm_state(main))
    check(program.process.poll() is None, "the first program ended")


if __name__ == "__main__":
    e2e_test.CASES.update(install=case_install, second_start=case_second_start)
    e2e_test.FRAMED.add("second_start")  # minimising needs a window manager
    sys.exit(e2e_test.main())
