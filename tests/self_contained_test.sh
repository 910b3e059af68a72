#!/bin/sh
# The self-containment check: it passes on this repository, and it names each way a file can
# reach outside a checkout when they are planted in a scratch tree.
set -u
check="$(dirname "$0")/../scripts/check-self-contained.sh"
sh "$check" || exit 1

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/tests/gfx2d" "$tree/scripts" "$tree/.ci" "$tree/bench"
# The planted lines are put together here so that this file itself names nothing outside.
up=..
printf 'set(DATA "${PROJECT_SOURCE_DIR}/%s/shared/testdata")\n' "$up" > "$tree/tests/CMakeLists.txt"
printf 'const char* kData = "%s/%s/%s/vectors/a.pvr";\n' "$up" "$up" "$up" > "$tree/tests/gfx2d/a_test.cpp"
printf 'cat "$(dirname "$0")/%s/%s/notes/list.txt"\n' "$up" "$up" > "$tree/scripts/a.sh"
printf 'cp /%s/other/file .\n' work > "$tree/.ci/run"
printf 'add_executable(b b.cpp)  # stays inside: %s/bench/b.cpp\n' "$up" > "$tree/bench/CMakeLists.txt"
out=$(sh "$check" "$tree" 2>&1)
status=$?
echo "$out"
[ "$status" -eq 1 ] || { echo "self_contained_test: planted paths were not refused"; exit 1; }
for f in tests/CMakeLists.txt tests/gfx2d/a_test.cpp scripts/a.sh .ci/run; do
  echo "$out" | grep -q "^$f:" || { echo "self_contained_test: $f was not named"; exit 1; }
done
echo "$out" | grep -q "^bench/CMakeLists.txt:" && { echo "self_contained_test: an inside path was refused"; exit 1; }
echo "$out" | grep -q "4 file(s)" || { echo "self_contained_test: wrong count"; exit 1; }
exit 0
