#!/bin/sh
# Line and branch coverage of the whole test suite, per source folder: builds with gcc's
# --coverage in BUILD (default build-coverage), runs every test and prints one table.
# Usage: sh scripts/coverage.sh [BUILD FOLDER] [JOBS]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-coverage}
jobs=${2:-$(nproc 2>/dev/null || echo 2)}
cd "$root"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DZV_BENCHMARKS=OFF \
        -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage \
        -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
fi
cmake --build "$build" -j"$jobs"
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest -j"$jobs" --output-on-failure) || echo "coverage: some tests failed; the figures count what ran" >&2
gcovr -r . --object-directory "$build" -j "$jobs" --exclude-throw-branches --exclude-unreachable-branches \
      --exclude-directories '.*/CMakeFiles/[0-9.]+/.*' \
      -e 'tests/' -e 'fuzz/' -e 'bench/' -e "$build/" --json-summary "$build/coverage.json" \
      --json-summary-pretty
python3 - "$build/coverage.json" <<'PY'
import json, sys
folders = ["app", "platform", "storage", "engine3d", "gfx2d", "game", "menu", "audio", "online", "tools"]
sums = {f: [0, 0, 0, 0] for f in folders + ["game code (all but tools)", "all"]}
for entry in json.load(open(sys.argv[1]))["files"]:
    top = entry["filename"].split("/")[0]
    if top not in folders:
        continue
    row = [entry["line_covered"], entry["line_total"], entry["branch_covered"], entry["branch_total"]]
    for key in (top, "all") + (("game code (all but tools)",) if top != "tools" else ()):
        sums[key] = [a + b for a, b in zip(sums[key], row)]
def pct(a, b):
    return "%5.1f %%" % (100.0 * a / b) if b else "    -  "
print("%-26s %8s %13s %8s %13s" % ("folder", "lines", "covered/total", "branches", "covered/total"))
for key, (lc, lt, bc, bt) in sums.items():
    print("%-26s %8s %13s %8s %13s" % (key, pct(lc, lt), "%d/%d" % (lc, lt), pct(bc, bt), "%d/%d" % (bc, bt)))
PY
