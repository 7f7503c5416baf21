#!/usr/bin/env bash
# Offline demo: starts a local bargain site on the loopback interface (two
# feeds, UTF-8 and GBK, that gain a post every 30 seconds) and runs the
# program on a database whose rules watch it. Press "开始" in the window;
# close the window to end the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DDW_BUILD_TESTS=OFF -DDW_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target dealwatcher

# The program looks for its database beside itself, so the demo gets a copy
# of the program in a folder of its own.
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
cp "$build/bin/dealwatcher" "$demo/"

python3 scripts/demo/demo_site.py --port-file "$demo/port" >/dev/null &
site=$!
trap 'kill "$site" 2>/dev/null || true; wait "$site" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$demo/port" ] && break
  kill -0 "$site" 2>/dev/null || { echo "demo site did not start" >&2; exit 1; }
  sleep 0.1
done
address="http://127.0.0.1:$(cat "$demo/port")"

sed "s|@SITE@|$address|g" scripts/demo/demo_rows.sql |
  cat data/schema.sql - | iconv -f UTF-8 -t GBK | sqlite3 -bail "$demo/qel6.sdb"

echo "Demo site: $address/deals.xml and $address/gbk.xml"
echo "Press 开始 in the window to start watching; close it to end the demo."
"$demo/dealwatcher"
