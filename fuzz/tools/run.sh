#!/bin/sh
# Runs harnesses one after the other on a copy of their seed corpus, so that the
# corpus in the tree stays small. Crashers land in $WORK/<harness>/crash-*.
#   fuzz/tools/run.sh build-fuzz 120 criteria keys
set -eu
BUILD=$1
SECONDS_EACH=$2
shift 2
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WORK=${WORK:-/tmp/vmbgrid-fuzz}
for h in "$@"; do
  mkdir -p "$WORK/$h/corpus"
  cp -n "$ROOT/fuzz/corpus/$h/"* "$WORK/$h/corpus/" 2>/dev/null || true
  echo "== $h"
  (cd "$WORK/$h" && "$BUILD/fuzz/fuzz_$h" -max_total_time="$SECONDS_EACH" -max_len=4096 \
      -timeout=10 -artifact_prefix="$WORK/$h/" corpus > log.txt 2>&1) || echo "   found something: $WORK/$h"
  tail -n 2 "$WORK/$h/log.txt"
done
