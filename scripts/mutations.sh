#!/bin/sh
# A mutation sample: small faults a developer could make in the game's code, each kept as a patch
# under scripts/mutations/. Each is applied in turn, the build is remade, the whole suite runs and
# the fault is reverted; a fault is caught when some test fails. Prints one line per fault and the
# score. The suite runs quick tests first and the slow whole-game ones only when nothing failed.
# Usage: sh scripts/mutations.sh [BUILD FOLDER] [JOBS] [PATCH ...]
#   BUILD defaults to build-mutations; no PATCH means every scripts/mutations/*.patch.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-mutations}
jobs=${2:-$(nproc 2>/dev/null || echo 2)}
[ $# -gt 2 ] && shift 2 || set --
cd "$root" || exit 2
case "$build" in /*) ;; *) build="$root/$build" ;; esac

if [ $# -eq 0 ]; then set -- scripts/mutations/*.patch; fi
# Whole-game tests that take many seconds each: run last, and only for faults nothing else caught.
slow='BadAssets|Soak|Journey|SaveDurability|^install$'

if [ -n "$(git status --porcelain --untracked-files=no -- app platform storage engine3d gfx2d game menu audio online tools)" ]; then
  echo "mutations: the source folders have uncommitted changes; commit or stash them first" >&2
  exit 2
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_BENCHMARKS=OFF >/dev/null || exit 2
fi
echo "mutations: building the unchanged tree in $build"
cmake --build "$build" -j"$jobs" >"$build/mutations-build.log" 2>&1 || {
  tail -n 30 "$build/mutations-build.log"; exit 2; }

applied=""
revert() { [ -n "$applied" ] && git apply -R "$applied" && applied=""; }
trap 'revert; exit 130' INT TERM

# Runs ctest with the given selection; prints the first failing test's name, if any.
first_failure() {
  (cd "$build" && ctest -j"$jobs" --stop-on-failure --timeout 900 "$@") >"$build/mutations-ctest.log" 2>&1
  grep -m1 -E '\*\*\*(Failed|Timeout|Exception)|\(Failed\)|\(Timeout\)|\(SEGFAULT\)|\(Subprocess aborted\)' \
       "$build/mutations-ctest.log" | sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+).*/\1/'
}

total=0
caught=0
missed=""
printf '%-46s %-10s %s\n' "fault" "result" "first failing test"
for patch in "$@"; do
  name=$(basename "$patch" .patch)
  total=$((total + 1))
  if ! git apply "$patch" 2>/dev/null; then
    printf '%-46s %-10s %s\n' "$name" "no-apply" "(the patch no longer applies: remake it)"
    missed="$missed $name"
    continue
  fi
  applied="$patch"
  if ! cmake --build "$build" -j"$jobs" >"$build/mutations-build.log" 2>&1; then
    printf '%-46s %-10s %s\n' "$name" "no-build" "(the fault does not compile: remake it)"
    missed="$missed $name"
    revert
    continue
  fi
  failed=$(first_failure -E "$slow")
  [ -z "$failed" ] && failed=$(first_failure -R "$slow")
  if [ -n "$failed" ]; then
    caught=$((caught + 1))
    printf '%-46s %-10s %s\n' "$name" "caught" "$failed"
  else
    printf '%-46s %-10s %s\n' "$name" "MISSED" ""
    missed="$missed $name"
  fi
  revert
done
cmake --build "$build" -j"$jobs" >/dev/null 2>&1
echo "mutations: $caught of $total faults caught"
[ -n "$missed" ] && echo "mutations: not caught:$missed"
exit 0
