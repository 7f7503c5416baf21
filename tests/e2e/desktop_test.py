#!/usr/bin/env python3
"""Desktop cases beside those of e2e_test.py, run the same way. install: the
installed program, run as nobody with an empty home, makes the user's
database from the installed default and stores a round's posts there.
second_start: a second start raises the first one's window and ends.
tray: the icon in a real tray, closing to it, its badge and its menu.
maximised: the main window maximised by the window manager."""

import os
import re
import subprocess
import time
import sys

import e2e_test
from e2e_test import (RULES_SQL, START_LIMIT, UTF8_POSTS, GBK_POSTS, check,
                      feed_site, make_database, normal_start, stored_titles,
                      wait_for)

NOBODY = 65534
INSTALLED = """bin/dealwatcher share/dealwatcher/qel6.sdb
share/man/man1/dealwatcher.1.gz share/applications/dealwatcher.desktop
share/doc/dealwatcher/copyright
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
    check_package(os.path.dirname(args.bin), work)
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


def check_package(build, work):
    """The Debian package made from the build has no lintian error."""
    made = subprocess.run(["cpack", "-G", "DEB", "-B", work + "/package"],
                          cwd=build, capture_output=True, text=True,
                          timeout=180)
    check(made.returncode == 0, made.stdout + made.stderr)
    debs = [f for f in os.listdir(work + "/package") if f.endswith(".deb")]
    check(len(debs) == 1, "packages: %r" % debs)
    lint = subprocess.run(["lintian", "--fail-on", "error",
                           work + "/package/" + debs[0]],
                          capture_output=True, text=True, timeout=180)
    check(lint.returncode == 0, lint.stdout + lint.stderr)


def pixels(screen, x, y, w, h):
    """The colours of the screen's area, as (r, g, b) tuples."""
    out = screen.run("import", "-window", "root", "-crop",
                     "%dx%d+%d+%d" % (w, h, x, y), "txt:-").stdout
    return [tuple(int(v) for v in m.groups())
            for m in re.finditer(r"srgba?\((\d+),(\d+),(\d+)", out)]


def red_pixels(screen, x, y, w, h):
    return sum(r > 180 and g < 90 and b < 90
               for r, g, b in pixels(screen, x, y, w, h))


def docked_icon(screen, panel):
    """The tray's area once the program's icon is docked and drawn there.
    The program's window can show before its icon docks; the panel then
    grows and the icon is drawn, each in its own time on a busy machine. So
    the area is read until two reads in a row agree on the place and the
    picture, and nothing is counted or clicked in a place still changing."""
    reads = []

    def settled():
        x, y, w, h = screen.geometry(panel)
        look = pixels(screen, x, y, w, h) if w >= 16 and h >= 16 else []
        reads.append(((x, y, w, h), look))
        drawn = len(set(look)) > 2  # more than the panel's background
        return (drawn and len(reads) > 1 and reads[-2] == reads[-1]
                and (x, y, w, h))
    return wait_for(settled, 60, "the program's icon docked in the tray")


def start_with(screen, program, args, site, setting, loud_first_run=False):
    """Starts on the feed site's database with one setting of ours on; with
    `loud_first_run` the rules' first runs remind like any other."""
    make_database(args.source, program.database, site)
    sql = ("create table dw_setting(key text primary key, value text"
           " not null); insert into dw_setting values('%s','1');" % setting)
    if loud_first_run:
        sql += "insert into dw_setting values('quiet_first_run','0');"
    subprocess.run(["sqlite3", program.database, sql], check=True, timeout=30)
    program.start()
    return main_window(screen)


def collected(program, what):
    expected = sorted(t for _, t in UTF8_POSTS + GBK_POSTS)
    wait_for(lambda: stored_titles(program.database) == expected, 60, what)


def shown_windows(screen):
    return set(screen.run("xdotool", "search", "--onlyvisible", "--class",
                          "dealwatcher").stdout.split())


def choose_from_menu(screen, x, y, keys, screenshot=None):
    """Right-clicks at x, y, waits for the program's menu to be mapped and
    picks an entry with the keys. On a busy machine a key sent too early
    reaches no menu, so a click that opened nothing, or keys that left the
    menu open, are tried once more."""
    before = shown_windows(screen)
    screen.run("xdotool", "mousemove", "--sync", str(x), str(y))
    for attempt in range(2):
        if not shown_windows(screen) - before:
            screen.run("xdotool", "click", "3")
        menu = wait_for(lambda: shown_windows(screen) - before, 10,
                        "the tray's menu")
        time.sleep(0.3)  # the menu takes keys once its grab is in place
        if screenshot:
            screen.screenshot(screenshot)
        screen.run("xdotool", "key", *keys)
        try:
            return wait_for(lambda: not menu & shown_windows(screen), 10,
                            "the menu to close")
        except e2e_test.Failure:
            if attempt:
                raise


def case_tray(screen, program, args):
    """With a real XEmbed tray (trayer) and close_to_tray: closing hides the
    main window into the tray, the menu's 开始 starts collecting, the icon's
    badge counts what was announced meanwhile, a click brings the window
    back, the menu's 退出 ends the program."""
    tray = subprocess.Popen(
        ["trayer", "--edge", "top", "--align", "right", "--widthtype",
         "request", "--height", "32", "--SetDockType", "false"],
        env=screen.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        panel = wait_for(lambda: screen.run(
            "xdotool", "search", "--name", "^panel$").stdout.split(), 30,
            "the tray's window")[0]
        with feed_site(args.source, os.path.dirname(program.app_dir)) as site:
            main = start_with(screen, program, args, site, "close_to_tray",
                              loud_first_run=True)
            x, y, w, h = docked_icon(screen, panel)
            screen.key(main, "Escape")
            wait_for(lambda: not screen.find(r"Voskel v1\.0"), 10,
                     "the main window to hide")
            check(program.process.poll() is None, "closing ended the program")
            plain = red_pixels(screen, x, y, w, h)  # the icon's own red
            # 开始 comes first in the menu.
            choose_from_menu(screen, x + w // 2, y + h // 2,
                             ["Down", "Return"])
            collected(program, "the posts collected from the tray's 开始")
        wait_for(lambda: red_pixels(screen, x, y, w, h) > plain + 30, 10,
                 "the badge on the icon")
        screen.screenshot(os.path.join(args.artifacts, "tray-badge.png"))
        screen.click(x + w // 2, y + h // 2)
        main_window(screen)  # back from the tray
        choose_from_menu(screen, x + w // 2, y + h // 2, ["Up", "Return"],
                         os.path.join(args.artifacts, "tray-menu.png"))  # 退出
        check(program.wait_exit(60) == 0, "the menu's 退出 did not end it")
    finally:
        tray.terminate()
        tray.wait(10)


def case_maximised(screen, program, args):
    """With start_on_launch the program collects without a click. Maximised
    (a double-click on the title bar), the main window's post list reaches
    near its bottom right corner."""
    with feed_site(args.source, os.path.dirname(program.app_dir)) as site:
        main = start_with(screen, program, args, site, "start_on_launch")
        collected(program, "the posts collected without a click")
        x, y, w, h = screen.geometry(main)
        screen.run("xdotool", "mousemove", "--sync", str(x + w // 2),
                   str(y - 8))
        screen.run("xdotool", "click", "--repeat", "2", "--delay", "80", "1")
        wait_for(lambda: screen.geometry(main)[2] > 1100, 10,
                 "the window to be maximised")
        time.sleep(1)
        x, y, w, h = screen.geometry(main)
        screen.screenshot(os.path.join(args.artifacts, "main-maximised.png"))
        corner = pixels(screen, x + w - 30, y + h - 80, 1, 1)
        check(corner == [(251, 245, 213)], "no post list there: %r" % corner)
        screen.key(main, "Escape")
        check(program.wait_exit(60) == 0, "the program did not end cleanly")


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
    e2e_test.CASES.update(install=case_install, second_start=case_second_start,
                          tray=case_tray, maximised=case_maximised)
    # Minimising and maximising need a window manager.
    e2e_test.FRAMED.update({"second_start", "maximised"})
    sys.exit(e2e_test.main())
