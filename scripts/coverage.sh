#!/usr/bin/env bash
# Line, function and branch coverage of the whole test suite, overall and per folder,
# and the size of the tests against the code.
#   scripts/coverage.sh [build-dir]        (default build-coverage)
# Builds with --coverage (Debug), runs every test through CTest, then reports with
# gcovr (installed from the distribution when missing). Counted is the product code:
# everything except tests/, bench/, fuzz/, tools/ and examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! command -v gcovr >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends gcovr >/dev/null
fi
build=${1:-build-coverage}
jobs=$(nproc)

# No compiler launcher: ccache with a base_dir compiles with relative paths, which
# gcovr cannot resolve, and it then leaves whole folders out without failing.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVMBGRID_BUILD_BENCH=OFF \
  -DCMAKE_CXX_COMPILER_LAUNCHER= -DCMAKE_C_COMPILER_LAUNCHER= \
  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage \
  -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" -j"$jobs"
find "$build" -name '*.gcda' -delete
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" -j"$jobs" --output-on-failure
# CMake's own compiler probe was built with the flags too; it is no source of ours.
find "$build/CMakeFiles" -path '*CompilerId*' -name '*.gcd[ao]' -delete

gcovr --root . --object-directory "$build" -j "$jobs" \
  --exclude '(.*/)?tests/' --exclude '(.*/)?bench/' --exclude '(.*/)?fuzz/' \
  --exclude '(.*/)?tools/' --exclude '(.*/)?examples/' --exclude "(.*/)?$(basename "$build")/" \
  --json-summary "$build/coverage.json" --json-summary-pretty >/dev/null

python3 - "$build/coverage.json" <<'PY'
import json, sys
from collections import defaultdict
data = json.load(open(sys.argv[1]))
keys = ("line", "function", "branch")
folders = defaultdict(lambda: {k: [0, 0] for k in keys})
total = {k: [0, 0] for k in keys}
for f in data["files"]:
    parts = f["filename"].split("/")
    folder = "/".join(parts[:2]) if parts[0] == "adapters" else parts[0]
    for k in keys:
        c, t = f[k + "_covered"], f[k + "_total"]
        folders[folder][k][0] += c; folders[folder][k][1] += t
        total[k][0] += c; total[k][1] += t
def pct(c, t): return f"{100.0 * c / t:5.1f} %" if t else "    - "
print(f"{'folder':22} {'lines':>9} {'functions':>10} {'branches':>9}")
for name in sorted(folders):
    v = folders[name]
    print(f"{name:22} {pct(*v['line']):>9} {pct(*v['function']):>10} {pct(*v['branch']):>9}")
print(f"{'overall':22} {pct(*total['line']):>9} {pct(*total['function']):>10} {pct(*total['branch']):>9}")
PY

# Non-blank lines that are not only a // comment, in tests/ against all other sources.
count() { grep -hv -e '^[[:space:]]*$' -e '^[[:space:]]*//' "$@" | wc -l; }
mapfile -t test_files < <(git ls-files 'tests/*.cpp' 'tests/*.h')
mapfile -t code_files < <(git ls-files '*.cpp' '*.h' | grep -v '^tests/')
t=$(count "${test_files[@]}")
c=$(count "${code_files[@]}")
echo "tests: $t lines, code: $c lines, ratio $(awk -v t="$t" -v c="$c" 'BEGIN { printf "%.2f", t / c }')"
