#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it on the user's own
# database (~/.local/share/dealwatcher/qel6.sdb, made from the delivered
# default on the first start). A rebuild never touches that file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDW_BUILD_TESTS=OFF -DDW_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target dealwatcher default_database

# Earlier builds kept the database beside the program, where it would still
# be used (as a portable one). Its posts and rules move to the user's folder
# once; if that folder already has a database, the old file is only renamed.
old="$build/bin/qel6.sdb"
if [ -f "$old" ]; then
  data="${XDG_DATA_HOME:-$HOME/.local/share}/dealwatcher"
  mkdir -p "$data"
  if [ -e "$data/qel6.sdb" ]; then
    mv "$old" "$old.old"
    echo "Kept the database of an earlier build as $old.old"
  else
    mv "$old" "$data/qel6.sdb"
    echo "Moved the database of an earlier build to $data/qel6.sdb"
  fi
fi
exec "$build/bin/dealwatcher" "$@"
