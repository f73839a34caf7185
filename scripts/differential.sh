#!/usr/bin/env bash
# The long differential run: the criteria grammar against SQLite, a throwaway
# PostgreSQL server and the in-memory filter, over many seeds (the normal test run
# checks one seed with 3000 pairs). Builds what it needs in the given build folder;
# stops at the first seed that finds a disagreement and prints it.
# Usage: scripts/differential.sh [build-dir] [seeds] [pairs-per-seed] [first-seed]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seeds=${2:-40}
pairs=${3:-5000}
first=${4:-1}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVMBGRID_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vmbgrid_differential_tests
server=$(mktemp -d /tmp/vmbgrid-diff-XXXXXX)
trap 'bash scripts/pg-test-server.sh stop "$server" >/dev/null 2>&1' EXIT
bash scripts/pg-test-server.sh start "$server"
test=$(find "$build/tests/postgres" -name vmbgrid_differential_tests -type f | head -n 1)
start=$(date +%s)
log="$server/run.log"
for ((seed = first; seed < first + seeds; seed++)); do
  if ! VMBGRID_PG_TEST_DIR=$server VMBGRID_DIFF_SEED=$seed VMBGRID_DIFF_PAIRS=$pairs "$test" \
      >"$log" 2>&1; then
    cat "$log"
    echo "seed $seed found a disagreement" >&2
    exit 1
  fi
  grep "PAIRS" "$log"
done
echo "$seeds seeds x $pairs pairs, no disagreement, $(( $(date +%s) - start )) s"
