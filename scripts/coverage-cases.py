#!/usr/bin/env python3
"""Which product lines each test case reaches, and which lines only that case reaches.

    scripts/coverage.sh build-coverage            # once: the --coverage build
    scripts/coverage-cases.py build-coverage /tmp/cases [REGEX]

Runs every case of every CTest test alone (gtest cases one by one, other tests whole),
each with its own GCOV_PREFIX, reads the lines it reached with gcov and writes
OUT/unique.txt: per case the product lines no other case reaches, its body lines in
tests/, and its file. A case with 0 there can go without losing a covered line; before
removing one, check that a kept test asserts what it asserts. Parametrised instances
count as one case. REGEX limits the run to the CTest tests it matches. The PostgreSQL
server of the CTest fixture is started and stopped around the run. Takes about 20
minutes on two cores.
"""
import collections
import glob
import json
import os
import re
import subprocess
import sys

if len(sys.argv) < 3:
    sys.exit(__doc__)
build, out = os.path.realpath(sys.argv[1]), sys.argv[2]
only = re.compile(sys.argv[3]) if len(sys.argv) > 3 else None
root = os.path.realpath(os.path.join(os.path.dirname(__file__), ".."))
os.makedirs(out, exist_ok=True)
info = json.loads(subprocess.check_output(["ctest", "--test-dir", build, "--show-only=json-v1"]))
tests = {t["name"]: t for t in info["tests"]}


def props(t):
    return {p["name"]: p["value"] for p in t.get("properties", [])}


def fixture(name):
    t = tests.get(name)
    if t:
        subprocess.run(t["command"], cwd=props(t).get("WORKING_DIRECTORY", build))


def cases_of(t, env, cwd):
    cmd = t["command"]
    if not cmd[0].startswith(build):
        return [None]
    listing = subprocess.run(cmd + ["--gtest_list_tests"], env=env, cwd=cwd,
                             capture_output=True, text=True, timeout=60)
    if listing.returncode != 0:
        return [None]
    cases, suite = [], None
    for line in listing.stdout.splitlines():
        if not line.strip() or line.startswith("Running"):
            continue
        if not line.startswith(" "):
            suite = line.split()[0]
        else:
            cases.append(suite + line.split()[0])
    return cases


def run_all():
    runs = {}
    fixture("postgres_server_start")
    try:
        for name, t in tests.items():
            if name.startswith("postgres_server_") or (only and not only.search(name)):
                continue
            p = props(t)
            env = dict(os.environ)
            env.update(kv.split("=", 1) for kv in p.get("ENVIRONMENT", []))
            cwd = p.get("WORKING_DIRECTORY", build)
            for case in cases_of(t, env, cwd):
                key = f"{name}::{case}" if case else name
                prefix = f"{out}/run{len(runs)}"
                env2 = dict(env, GCOV_PREFIX=prefix, GCOV_PREFIX_STRIP="0")
                cmd = t["command"] + ([f"--gtest_filter={case}"] if case else [])
                r = subprocess.run(cmd, env=env2, cwd=cwd, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=900,
                                   start_new_session=True)
                runs[key] = prefix
                print(key, "failed" if r.returncode else "", flush=True)
    finally:
        fixture("postgres_server_stop")
    return runs


def product(path, cwd):
    p = os.path.realpath(os.path.join(cwd, path))
    if not p.startswith(root + "/"):
        return None
    rel = p[len(root) + 1:]
    skip = ("tests/", "bench/", "fuzz/", "tools/", "examples/", os.path.relpath(build, root))
    return None if rel.startswith(skip) else rel


def lines_reached(prefix):
    gcdas = [g for g in glob.glob(f"{prefix}/**/*.gcda", recursive=True)
             if "/tests/" not in g[len(prefix):]]
    for g in gcdas:
        link, gcno = g[:-5] + ".gcno", g[len(prefix):-5] + ".gcno"
        if not os.path.exists(link) and os.path.exists(gcno):
            os.symlink(gcno, link)
    reached = set()
    for i in range(0, len(gcdas), 200):
        r = subprocess.run(["gcov", "--json-format", "--stdout"] + gcdas[i:i + 200],
                           cwd=build, capture_output=True, text=True)
        for line in r.stdout.splitlines():
            if not line.startswith("{"):
                continue
            doc = json.loads(line)
            for f in doc.get("files", []):
                rel = product(f["file"], doc.get("current_working_directory", build))
                if rel:
                    reached.update((rel, l["line_number"]) for l in f["lines"] if l["count"] > 0)
    return reached


def body_lines():
    size, where = {}, {}
    for f in glob.glob(f"{root}/tests/**/*.cpp", recursive=True):
        src = open(f, errors="replace").read().splitlines()
        starts = [(i, m) for i, l in enumerate(src)
                  for m in [re.match(r"^TEST(?:_F|_P)?\(\s*(\w+),\s*(\w+)", l)] if m]
        for k, (i, m) in enumerate(starts):
            end = starts[k + 1][0] if k + 1 < len(starts) else len(src)
            name = f"{m.group(1)}.{m.group(2)}"
            size[name] = sum(1 for l in src[i:end] if l.strip() and not l.strip().startswith("//"))
            where[name] = os.path.relpath(f, root)
    return size, where


def logical(key):
    case = key.split("::", 1)[1] if "::" in key else key
    return re.sub(r"/\w+$", "", re.sub(r"^\w+/", "", case))


runs = run_all()
reached = collections.defaultdict(set)
for key, prefix in runs.items():
    reached[logical(key)] |= lines_reached(prefix)
count = collections.Counter(x for s in reached.values() for x in s)
if not count:
    # Nothing reached at all means gcov read nothing, not that every case is spare.
    sys.exit("No product line reached: are the gcov data there (a --coverage build)?")
size, where = body_lines()
rows = sorted((sum(1 for x in s if count[x] == 1), size.get(c, 0), c) for c, s in reached.items())
with open(f"{out}/unique.txt", "w") as fh:
    for uniq, n, c in rows:
        fh.write(f"{uniq:5d} {n:4d} {c} {where.get(c, '')}\n")
print(f"{len(rows)} cases, {len(count)} product lines reached; {out}/unique.txt")
