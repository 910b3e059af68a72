#!/bin/sh
# Runs a command against a private virtual X server, started and stopped here. The server reports
# its display number once it accepts clients, so nothing races its start.
set -u
dir=$(mktemp -d)
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT INT TERM
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
server=$!
i=0
while [ ! -s "$dir/display" ]; do
  i=$((i + 1))
  if [ "$i" -gt 200 ] || ! kill -0 "$server" 2>/dev/null; then
    echo "with_xvfb: the virtual X server did not start:" >&2
    cat "$dir/log" >&2
    exit 1
  fi
  sleep 0.05
done
DISPLAY=":$(cat "$dir/display")"
export DISPLAY
"$@"
