#!/usr/bin/env python3
"""The page chain written plainly in Python, as the yardstick for ours.

Builds the two forum pages of bench_forum_page byte for byte, runs the same
steps on them with Python's own string and pattern tools (conversion to GBK,
the cut between the markers, tidying, the site clean-up of rule 1, the post
pattern), and prints each step's time per MiB. Given the benchmark program
(--bench build/rel/bin/bench_forum_page), it runs that too and prints how
many times faster each step of ours is.

    python3 bench/python_chain.py --bench build/rel/bin/bench_forum_page
"""

import argparse
import json
import re
import subprocess
import time

PAGE_BYTES = 1 << 20
LEFT = '<table summary="forum_2" id="threadlisttableid">'
RIGHT = "</table><!-- list end -->"
POST_PATTERN = rb"<a href=thread-(\d+)-1-1\.html class=s xst>(.*?)</th>"
TITLES = [
    "京东 电动牙刷 限时 99元",
    "淘宝 &quot;新人&quot; 纸巾 &lt;3包&gt;",
    "拼多多 洗衣液 5kg 100&#37; 有货",
    "Steam  冬季特卖 'AAA' 史低",
]
WORDS = ["限时", "优惠券", "包邮", "历史低价", "，"]
CLEAN_UP = [
    (rb"<img src=.*?/>", b""),
    (rb"<span class=tps>.*?</span>", b""),
    (rb"<span class=xw1>", b""),
    (rb"</span>]", b"]"),
    (rb"</a>", b""),
]


def post_row(i):
    tid = str(i)
    return (
        f'<tbody id="normalthread_{tid}">\r\n<tr>\r\n'
        '\t<td class="icn"><img src="static/image/common/folder_new.gif"'
        " /></td>\r\n"
        f'\t<th class="new">\r\n\t\t<a href="thread-{tid}-1-1.html" '
        f'class="s xst">{TITLES[i % 4]}</a>\r\n'
        f'\t\t<span class="tps">&nbsp;...<a href="thread-{tid}-2-1.html">'
        "2</a></span>\r\n\t</th>\r\n"
        f'\t<td class="by"><cite><a href="space-uid-{i % 9973}.html">会员'
        f"{i % 997}</a></cite></td>\r\n</tr>\r\n</tbody>\r\n"
    ).encode()


def summary(i, chars):
    s = bytearray()
    k = i
    while len(s) < chars * 3:
        s += WORDS[k % 5].encode()
        k += 1
    return bytes(s[: chars * 3])


def filler(size):
    s = bytearray()
    n = 0
    while len(s) < size:
        s += (
            f"<script type=\"text/javascript\">var nav_{n} = "
            "{'url':'forum.php?mod=guide','title':'热门'};</script>\r\n"
            '<div class="nav"><a href="#">首页</a></div>\r\n'
        ).encode()
        n += 1
    return bytes(s[:size]).ljust(size, b" ")


def summary_rows(posts, size):
    rows = bytearray()
    for i in range(posts):
        tid = str(4000000 + i)
        row = (
            f'<tbody id="normalthread_{tid}"><tr><th><img src="n.gif" />'
            f'<a href="thread-{tid}-1-1.html" class="s xst">{TITLES[i % 4]}'
            f'</a><span class="tps">&nbsp;...<a href="thread-{tid}-2-1.html">'
            f"2</a></span></th><td>会员{i % 997}</td></tr>\r\n"
            '<tr><td class="summary">'
        ).encode()
        tail = b"</td></tr></tbody>\r\n"
        left = size * (i + 1) // posts - len(rows) - len(row) - len(tail)
        chars = left * 4 // 15
        more = f'<a href="thread-{tid}-1-1.html">more</a>'.encode()
        more = more[: left - chars * 3].ljust(left - chars * 3, b" ")
        rows += row + summary(i, chars) + more + tail
    return bytes(rows)


def make_page(shape):
    if shape == 0:
        rows = b"".join(post_row(4000000 + i) for i in range(2464))
    else:
        rows = summary_rows(2000, PAGE_BYTES - 2048 - 100)
    page_list = LEFT.encode() + b"\r\n" + rows + RIGHT.encode() + b"\r\n"
    head = (PAGE_BYTES - len(page_list)) // 8 if shape == 0 else 1024
    page = filler(head) + page_list
    return page + filler(PAGE_BYTES - len(page))


# --- The chain, one function per step ---------------------------------------

def conversion(utf8):
    return utf8.decode("utf-8", "replace").encode("gbk", "replace")


def cut(gbk):
    left, right = LEFT.encode("gbk"), RIGHT.encode("gbk")
    start = gbk.find(left)
    if start < 0:
        return b""
    start += len(left)
    end = gbk.find(right, start)
    return gbk[start:end] if end >= 0 else b""


_LT = re.compile(rb"&lt;", re.I)
_GT = re.compile(rb"&gt;", re.I)


def tidy(text):
    for sought in (b"\n", b"\r", b"\t"):
        text = text.replace(sought, b"")
    text = text.replace(b"  ", b" ")
    text = _LT.sub(b"<", text)
    text = _GT.sub(b">", text)
    text = text.replace(b"&quot;", b'"').replace(b"&#37;", b"%")
    return text.replace(b'"', b"").replace(b"'", b"")


_CLEAN_UP = [(re.compile(p, re.I), r) for p, r in CLEAN_UP]


def site_clean_up(text):
    for pattern, replacement in _CLEAN_UP:
        text = pattern.sub(replacement, text)
    return text


_POST = re.compile(POST_PATTERN, re.I)


def pattern_search(text):
    return [(m.group(1), m.group(2)) for m in _POST.finditer(text)]


def best_of(function, argument, runs):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        result = function(argument)
        best = min(best, time.perf_counter() - start)
    return best * 1000, result


def python_figures(shape, runs):
    page = make_page(shape)
    assert len(page) == PAGE_BYTES
    figures = {}
    value = page
    for name, step in (("Conversion", conversion), ("Cut", cut),
                       ("Tidy", tidy), ("SiteCleanUp", site_clean_up),
                       ("PatternSearch", pattern_search)):
        figures[name], value = best_of(step, value, runs)
    posts = len(value)

    def whole(p):
        return pattern_search(site_clean_up(tidy(cut(conversion(p)))))

    figures["WholeChain"], _ = best_of(whole, page, runs)
    return figures, posts


def our_figures(bench):
    out = subprocess.run(
        [bench, "--benchmark_format=json", "--benchmark_repetitions=5",
         "--benchmark_report_aggregates_only=true"],
        check=True, capture_output=True, text=True).stdout
    figures = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name, shape = b["run_name"].replace("BM_", "").split("/")
        figures[(name, int(shape))] = b["real_time"]
    return figures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bench", help="the bench_forum_page program")
    parser.add_argument("--runs", type=int, default=10)
    args = parser.parse_args()
    ours = our_figures(args.bench) if args.bench else {}
    for shape in (0, 1):
        figures, posts = python_figures(shape, args.runs)
        print(f"page {shape}: {posts} posts, ms per MiB")
        for name, ms in figures.items():
            line = f"  {name:<14} python {ms:8.2f}"
            if (name, shape) in ours:
                mine = ours[(name, shape)]
                line += f"   ours {mine:6.2f}   {ms / mine:5.1f}x"
            print(line)


if __name__ == "__main__":
    main()
