#!/bin/sh
# Fails when a test, fuzz target, benchmark, script, CI step or CMake file names a path outside the
# repository, so that a clone with nothing beside it builds and tests the same as any other.
# Usage: sh scripts/check-self-contained.sh [REPOSITORY ROOT]   (default: this script's repository)
#
# A path leaves the repository when it climbs above the root with "..": written from a CMake
# source variable, from the script's own folder ($(dirname "$0")), or as a plain relative path
# (taken from the file's folder and from the root, since scripts run from either). The notes folder
# beside a checkout and absolute paths into the workplace are named outright.
set -u
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root" || exit 2

# Files that a build, test, benchmark or CI run reads; test data (tests/data/) is bytes, not paths.
files=$({ find tests fuzz bench scripts .ci -type f ! -path 'tests/data/*' ! -path 'fuzz/regressions/*' \
            2>/dev/null; find . -name CMakeLists.txt -not -path './build*' -not -path './.git/*' \
            | sed 's|^\./||'; ls Makefile *.cmake 2>/dev/null; } | sort -u)
[ -n "$files" ] || { echo "check-self-contained: nothing to check under $root" >&2; exit 2; }

# Depth of a path below the root: how many ".." it may climb before it leaves.
depth() { echo "$1" | awk -F/ '{print NF}'; }

# Prints how far a relative path climbs above its start (0: never above).
climb() {
  echo "$1" | awk -F/ '{ d = 0; m = 0
    for (i = 1; i <= NF; i++) { if ($i == "..") d--; else if ($i != "." && $i != "") d++; if (d < m) m = d }
    print -m }'
}

checked=0
bad=0
for f in $files; do
  case "$f" in *.png|*.bin|*.pvr|*.wav|*.kvm|*.spr|*.txb) continue ;; esac
  [ -f "$f" ] || continue
  checked=$((checked + 1))
  dir=$(dirname "$f")
  fdepth=$(depth "$dir"); [ "$dir" = "." ] && fdepth=0
  # Named outright: the shared folder beside a checkout, or an absolute path into the workplace.
  grep -nE '\.\./shared|(^|[^A-Za-z0-9_.])/work/' "$f" | # check-self-contained: ignore
    grep -v 'check-self-contained: ignore' |
    while IFS= read -r line; do echo "$f:$line"; done > /tmp/zv-self-contained.$$
  # Paths with "..": the part from the last quote, space or "=" before them on.
  grep -noE '(\$\{[A-Z_]+\}|\$\(dirname "?\$0"?\)|[A-Za-z0-9_.-]*)(/?\.\./)+[^ "'"'"')]*|(\$\{[A-Z_]+\}|\$\(dirname "?\$0"?\))/\.\.' "$f" |
    while IFS=: read -r n path; do
      case "$path" in
        '${PROJECT_SOURCE_DIR}'*|'${CMAKE_SOURCE_DIR}'*) base=0 ;;
        '${CMAKE_CURRENT_SOURCE_DIR}'*|'$(dirname'*) base=$fdepth ;;
        '${'*) continue ;;  # a build folder or another variable: not the source tree
        *) base=-1 ;;
      esac
      rest=$(echo "$path" | sed -E 's/^(\$\{[A-Z_]+\}|\$\(dirname "?\$0"?\))//')
      up=$(climb "$rest")
      if [ "$base" -ge 0 ]; then
        [ "$up" -gt "$base" ] && echo "$f:$n: $path climbs out of the repository"
      elif [ "$up" -gt 0 ] && [ "$up" -gt "$fdepth" ]; then
        echo "$f:$n: $path climbs out of the repository"
      fi
    done >> /tmp/zv-self-contained.$$
  if [ -s /tmp/zv-self-contained.$$ ]; then
    cat /tmp/zv-self-contained.$$
    bad=$((bad + 1))
  fi
  rm -f /tmp/zv-self-contained.$$
done
if [ "$bad" -gt 0 ]; then
  echo "check-self-contained: $bad file(s) name a path outside the repository" >&2
  exit 1
fi
echo "check-self-contained: $checked files name no path outside the repository"
