#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it on the default
# database that the build places beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDW_BUILD_TESTS=OFF -DDW_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target dealwatcher default_database
exec "$build/bin/dealwatcher"
