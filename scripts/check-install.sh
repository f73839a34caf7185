#!/usr/bin/env bash
# Installs a built tree into a temporary prefix, builds examples/minimal-host
# against the installed package (a CMake project of its own) and runs it offscreen
# on a small sample database.
# Usage: scripts/check-install.sh BUILD-DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
# Private headers stay out of the package.
for private in adapters/sqlite/internal.h adapters/postgres/internal.h data/recordset_impl.h data/row_store.h; do
  if [ -e "$work/prefix/include/vmbgrid/$private" ]; then
    echo "installiert, obwohl privat: $private" >&2
    exit 1
  fi
done
cmake -S examples/minimal-host -B "$work/host" -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/host" -j"$(nproc)" >/dev/null
"$build/tools/sampledb/vmbgrid-sampledb" --rows 200 --out "$work/kunden.db" >/dev/null
QT_QPA_PLATFORM=offscreen "$work/host/minimal-host" "$work/kunden.db" Kunden Name Ort --once
