#!/bin/sh
# The fuzzing campaign: every harness for RUNS executions, at the lowest priority,
# in the background; the shell is free at once. Each harness starts from its seed
# corpus and keeps what it learns in $WORK/<harness>/corpus; crashers land in
# $WORK/<harness>/crash-* (add them to fuzz/corpus/<harness>/ once fixed).
#   fuzz/tools/campaign.sh build-fuzz 10000000 [JOBS] [harness ...]
# JOBS harnesses run at once (default 1). MAX_SECONDS caps each harness (default:
# no cap). $WORK/summary.txt gets one line per harness when it ends:
#   <harness> runs=<executions> cov=<edges> ft=<features> corpus=<inputs> crashes=<n> seconds=<s>
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
RUNS=$2
JOBS=${3:-1}
[ $# -ge 3 ] && shift 3 || shift $#
HARNESSES=${*:-"criteria layout_file settings connection_string recordset_texts typed_values keys"}
WORK=${WORK:-/tmp/vmbgrid-fuzz}
MAX_SECONDS=${MAX_SECONDS:-0}
# The layout-file harness writes and flushes files on every input: on a memory file
# system that costs no disk time.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then TMPDIR=/dev/shm; fi
export ROOT BUILD RUNS WORK MAX_SECONDS TMPDIR

if [ "${VMBGRID_CAMPAIGN_CHILD:-}" != 1 ]; then
  mkdir -p "$WORK"
  VMBGRID_CAMPAIGN_CHILD=1 nohup nice -n 19 "$0" "$BUILD" "$RUNS" "$JOBS" $HARNESSES \
    > "$WORK/campaign.log" 2>&1 &
  echo "Kampagne läuft im Hintergrund (Prozess $!); Ergebnis: $WORK/summary.txt"
  exit 0
fi

one() {
  h=$1
  dir="$WORK/$h"
  mkdir -p "$dir/corpus"
  cp -n "$ROOT/fuzz/corpus/$h/"* "$dir/corpus/" 2>/dev/null || true
  start=$(date +%s)
  (cd "$dir" && "$BUILD/fuzz/fuzz_$h" -runs="$RUNS" -max_total_time="$MAX_SECONDS" \
      -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$dir/" corpus > log.txt 2>&1) || true
  seconds=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log.txt" | tail -n 1)
  last=$(grep -E '^#[0-9]+' "$dir/log.txt" | tail -n 1)
  cov=$(echo "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  ft=$(echo "$last" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
  corpus=$(ls "$dir/corpus" | wc -l)
  crashes=$(ls "$dir" | grep -cE '^(crash|leak|timeout|oom)-' || true)
  echo "$h runs=${runs:-0} cov=${cov:-?} ft=${ft:-?} corpus=$corpus crashes=$crashes seconds=$seconds" \
    >> "$WORK/summary.txt"
}
# JOBS at a time: a group starts together and the next one when it is done.
n=0
for h in $HARNESSES; do
  one "$h" &
  n=$((n + 1))
  if [ "$n" -ge "$JOBS" ]; then
    wait
    n=0
  fi
done
wait
echo "fertig" >> "$WORK/summary.txt"
