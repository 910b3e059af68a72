#!/usr/bin/env bash
# Runs every figure of the game's benchmarks on a Release build folder and prints them as one
# table (figure, value, the reference measured beside it, value / reference). Progress goes to
# stderr, the table to stdout.
#
#   bench/run_all.sh BUILD_FOLDER      (`make bench` builds the folder and calls this)
set -u

build=$(cd "${1:?usage: bench/run_all.sh BUILD_FOLDER}" && pwd) || exit 2
source_folder=$(cd "$(dirname "$0")/.." && pwd)
launches=5   # timed launches of the game to its main menu (after one untimed)
frames=300   # measured frames of each run in the frame benchmark

scratch=$(mktemp -d /tmp/zv-bench-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
rows="$scratch/rows"
: >"$rows"
failed=0

say() { echo "bench: $*" >&2; }
# row FIGURE VALUE UNIT [REFERENCE REFERENCE_NAME]: the benchmarks' own row format.
row() { printf 'row\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "${4:-}" "${5:-}" >>"$rows"; }

for program in zorvane tools/zvtool packres.bin bench/frame_bench bench/model_bench \
               bench/pack_bench bench/skin_bench bench/texture_bench; do
  if [ ! -e "$build/$program" ]; then
    echo "bench: $build/$program is missing (build the folder first)" >&2
    exit 2
  fi
done
say "machine load (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- Start-up: the real program, headless, until its first main menu frame -----------------
say "zorvane to its main menu, $launches launches"
home="$scratch/home"
mkdir -p "$home"
launch() {
  env -u DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ZV_EXIT_AT_MENU=1 \
      XDG_DATA_HOME="$home" timeout 120 "$build/zorvane" 2>/dev/null |
    sed -n 's/^zorvane: main menu after \([0-9]*\) ms$/\1/p'
}
launch >/dev/null  # makes the player's folder and record, as any launch after the first finds
times=""
for _ in $(seq "$launches"); do
  ms=$(launch)
  if [ -z "$ms" ]; then
    say "zorvane did not report its main menu"
    failed=1
    break
  fi
  times="$times $ms"
done
if [ "$failed" = 0 ]; then
  median=$(printf '%s\n' $times | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}')
  say "  launches (ms):$times"
  row "start to main menu: zorvane headless, median of $launches" "$median" ms 1000 \
      "the loading screen's 1.0 s minimum"
  row "start to main menu: excess over the 1.0 s loading screen" $((median - 1000)) ms
fi

# ---- The game's data: asset build time and pack size ----------------------------------------
say "zvtool assets"
TIMEFORMAT='%R %U %S'
mkdir -p "$scratch/assets"
if { time "$build/tools/zvtool" assets --source "$source_folder/assets" "$scratch/assets" \
       >/dev/null 2>"$scratch/assets.log"; } 2>"$scratch/assets.time"; then
  read -r real user system <"$scratch/assets.time"
  row "asset build: zvtool assets, wall time" "$real" s \
      "$(awk -v u="$user" -v s="$system" 'BEGIN {printf "%.3f", u + s}')" \
      "CPU time of the same build, user + system"
  packed=$(stat -c %s "$scratch/assets/packres.bin")
  unpacked=$("$build/tools/zvtool" pack list "$scratch/assets/packres.bin" |
             awk 'NR > 1 && $3 ~ /^[0-9]+$/ {sum += $3} END {print sum + 0}')
  row "pack size: packres.bin" "$packed" bytes "$unpacked" "its entries unpacked"
else
  say "zvtool assets failed: $(tail -n 3 "$scratch/assets.log")"
  failed=1
fi

# ---- The benchmark programs, each printing its own rows ---------------------------------------
run_bench() {
  say "$*"
  if ! env -u DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$build/bench/$1" --table \
         "${@:2}" >"$scratch/out" 2>"$scratch/err"; then
    say "$1 failed: $(tail -n 3 "$scratch/err")"
    failed=1
  fi
  grep "^row	" "$scratch/out" >>"$rows"
}
run_bench frame_bench "$frames"
run_bench pack_bench
run_bench texture_bench
run_bench model_bench
run_bench skin_bench
say "machine load (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- The table --------------------------------------------------------------------------------
awk -F '\t' '
  function cell(v, u) { return u == "" ? v : v " " u }
  {
    n++
    figure[n] = $2
    value[n] = cell($3, $4)
    if ($5 != "") {
      reference[n] = cell($5, $4) " (" $6 ")"
      ratio[n] = $5 > 0 ? sprintf("%.3g", $3 / $5) : "-"
    } else {
      reference[n] = "-"
      ratio[n] = "-"
    }
    if (length(figure[n]) > wf) wf = length(figure[n])
    if (length(value[n]) > wv) wv = length(value[n])
    if (length(reference[n]) > wr) wr = length(reference[n])
    if (length(ratio[n]) > wq) wq = length(ratio[n])
  }
  function dashes(k,    d) { d = ""; while (k-- > 0) d = d "-"; return d }
  END {
    if (wf < 6) wf = 6
    if (wv < 5) wv = 5
    if (wr < 9) wr = 9
    if (wq < 5) wq = 5
    format = "| %-" wf "s | %" wv "s | %-" wr "s | %" wq "s |\n"
    printf format, "figure", "value", "reference", "ratio"
    print "|" dashes(wf + 2) "|" dashes(wv + 1) ":|" dashes(wr + 2) "|" dashes(wq + 1) ":|"
    for (i = 1; i <= n; i++) printf format, figure[i], value[i], reference[i], ratio[i]
  }' "$rows"

exit "$failed"
