#!/bin/sh
# The database path reaches the connection string quoted: a file whose name holds
# ";" and "=" opens, and options written into --db are part of the name, not
# options (nothing is created).
set -eu
CLI=$1 SAMPLEDB=$2 WORK=$3/paths
rm -rf "$WORK" && mkdir -p "$WORK"
odd="$WORK/kunden;Mode=ReadOnly=x.db"
"$SAMPLEDB" --rows 20 --out "$WORK/k.db" >/dev/null
cp "$WORK/k.db" "$odd"
out=$("$CLI" --db "$odd" --table Kunden --field Name --max 3)
case "$out" in *"3 Datensätze"*) ;; *) echo "odd name not opened: $out" >&2; exit 1 ;; esac
if "$CLI" --db "$WORK/neu.db;Mode=Create" --table Kunden >/dev/null 2>&1; then
  echo "a missing database opened" >&2
  exit 1
fi
if [ -e "$WORK/neu.db" ] || [ -e "$WORK/neu.db;Mode=Create" ]; then
  echo "--db with options created a file" >&2
  exit 1
fi
echo ok
