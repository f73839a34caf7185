#!/usr/bin/env bash
# The full crash-safety run: 1000 kills of the saver at random moments and two
# savers writing the same layout 500 rounds each at once (the normal test run does
# 200 kills and 60 rounds). Builds what it needs in the given build folder.
# Usage: scripts/kill-test.sh [build-dir] [kills] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVMBGRID_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target reliability_tests vmbgrid_crash_saver
cd "$build/tests/reliability"
VMBGRID_KILLS=${2:-1000} VMBGRID_CONCURRENT_ROUNDS=${3:-500} ./reliability_tests \
  --gtest_filter='KillTest.*'
