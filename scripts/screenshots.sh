#!/bin/sh
# Remakes the README pictures: plays every script in docs/screenshots/ with the harness, each in
# a fresh install folder holding links to the build's game data, so every run starts the same.
# Usage: sh scripts/screenshots.sh [BUILD FOLDER]   (default: build)
set -e
build=$(cd "${1:-build}" && pwd)
pictures=$(cd "$(dirname "$0")/../docs/screenshots" && pwd)
harness="$build/tools/zorvane-harness"
if [ ! -x "$harness" ] || [ ! -f "$build/packres.bin" ]; then
  echo "screenshots: $build has no zorvane-harness or packres.bin; build it first" >&2
  exit 1
fi
for script in "$pictures"/*.txt; do
  name=$(basename "$script" .txt)
  data="$build/screenshots/$name"
  rm -rf "$data"
  mkdir -p "$data"
  for file in "$build"/packres.bin "$build"/*.wav; do ln -s "$file" "$data/"; done
  echo "screenshots: $name.txt"
  if ! (cd "$pictures" && "$harness" --data "$data" --frames 1 "$script") >"$data.log" 2>&1; then
    cat "$data.log" >&2
    exit 1
  fi
done
ls -l "$pictures"/*.png
