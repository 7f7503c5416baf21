#!/usr/bin/env python3
"""Scores rule learning and repair on the saved list pages beside the
project (../shared/learn-corpus, with its answer keys and score.py), and
times each learn per MiB of page.

    python3 bench/learn_corpus.py BUILD/bin/dealwatcher BUILD/share/dealwatcher/qel6.sdb

Prints the corpus's own summary (usable / exact / repaired) and the slowest
learn in seconds per MiB. The pages are not part of the project; without
them the script says so and stops.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "learn-corpus"))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    program, template = (os.path.abspath(p) for p in sys.argv[1:])
    if not os.path.exists(os.path.join(CORPUS, "score.py")):
        print("skipped: no learning corpus at", CORPUS)
        return
    work = tempfile.mkdtemp(prefix="learn-corpus-")
    try:
        db = os.path.join(work, "fresh.sdb")
        shutil.copy(template, db)
        out = os.path.join(work, "results.json")
        subprocess.run([sys.executable, os.path.join(CORPUS, "score.py"),
                        "--program", program, "--db", db, "--work", work,
                        "--out", out], check=True, stdout=subprocess.DEVNULL)
        summary = json.load(open(out))["summary"]
        print("learn: usable %d/%d, exact %d/%d; repair: %d/%d variants" % (
            summary["usable"], summary["pages"], summary["exact"],
            summary["pages"], summary["repaired"], summary["variants"]))
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        # The program's own start, timed alone, is no part of learning.
        start = time.monotonic()
        subprocess.run([program, "--help"], env=env, capture_output=True)
        startup = time.monotonic() - start
        worst = (0.0, "")
        for page in json.load(open(os.path.join(CORPUS, "pages.json"))):
            path = os.path.join(CORPUS, page["file"])
            # Below this a page's time is mostly the process's own noise.
            if os.path.getsize(path) < 100_000:
                continue
            copy = os.path.join(work, "timed.sdb")
            shutil.copy(template, copy)
            args = [program, "--db", copy, "--learn-rule", page["base"], "--page", path]
            for example in page["examples"]:
                args += ["--example", example]
            start = time.monotonic()
            subprocess.run(args + ["--json"], env=env, capture_output=True)
            seconds = max(0.0, time.monotonic() - start - startup)
            per_mib = seconds / (os.path.getsize(path) / 2**20)
            worst = max(worst, (per_mib, page["file"]))
        print("slowest learn: %.2f s per MiB (%s; goal: at most 1)" % worst)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
