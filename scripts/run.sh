#!/usr/bin/env bash
# Sets everything up, builds, creates the sample database when it is missing and
# starts the browser on it. Without a display the browser renders offscreen and
# writes a screenshot; without Qt the command-line host prints the first rows.
# Extra arguments go to the program (e.g. --search Name=Mei*).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVMBGRID_BUILD_BENCH=OFF >/dev/null
targets=(vmbgrid-cli vmbgrid-sampledb)
# The browser target exists only when Qt was found at configure time.
[ -d "$build/apps/browser/CMakeFiles/vmbgrid-browser.dir" ] && targets+=(vmbgrid-browser)
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

db=examples/kunden.db
mkdir -p examples
[ -f "$db" ] || "$build/tools/sampledb/vmbgrid-sampledb" --rows 10000 --out "$db"

browser="$build/apps/browser/vmbgrid-browser"
if [ -x "$browser" ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$browser" --db "$db" "$@"
  fi
  mkdir -p out
  rc=0
  QT_QPA_PLATFORM=offscreen "$browser" --db "$db" --screenshot out/browser.png "$@" >/dev/null || rc=$?
  if [ -f out/browser.png ]; then
    echo "Kein Bildschirm gefunden: Bildschirmfoto unter $(pwd)/out/browser.png"
  fi
  exit "$rc"
else
  exec "$build/apps/cli/vmbgrid" --db "$db" --table Kunden --max 20 --key Nr "$@"
fi
