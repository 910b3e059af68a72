#!/bin/sh
# Runs fuzz targets one after the other, each from its seeds and the corpus it grew before, and
# prints what each did. A target that crashes, leaks or hangs leaves its input under
# FUZZ_BUILD/findings/<target>/ and makes the whole campaign fail (after the other targets ran).
#
# usage: fuzz/campaign.sh FUZZ_BUILD RUNS SECONDS TARGET...
#   RUNS     executions per target (0: no cap on executions)
#   SECONDS  time per target (0: no cap on time); whichever cap comes first ends the target
set -u

if [ $# -lt 4 ]; then
    echo "usage: $0 FUZZ_BUILD RUNS SECONDS TARGET..." >&2
    exit 2
fi
build=$1
runs=$2
seconds=$3
shift 3
[ "$runs" -gt 0 ] || runs=-1  # libFuzzer's "no limit"

seeds=$build/seeds
table=$build/campaign.txt
failed=0
rows=""

for target in "$@"; do
    exe=$build/fuzz/$target
    if [ ! -x "$exe" ]; then
        echo "$0: no fuzz target $exe" >&2
        exit 2
    fi
    corpus=$build/corpus/$target
    findings=$build/findings/$target
    log=$build/logs/$target.log
    mkdir -p "$corpus" "$findings" "$build/logs" "$seeds/$target"
    stamp=$build/logs/$target.start
    touch "$stamp"
    # Inputs are cut to a size that keeps every execution quick; the seeds above it are read
    # cut too, which still leaves their headers and directories to mutate.
    case $target in
        pack_fuzz | more_games_fuzz) max_len=16384 ;;
        model_fuzz) max_len=131072 ;;
        wav_fuzz | png_fuzz) max_len=65536 ;;
        *) max_len=4096 ;;
    esac
    echo "== $target: runs $runs, seconds $seconds, max_len $max_len (log $log)"
    start=$(date +%s)
    nice -n 19 "$exe" -runs="$runs" -max_total_time="$seconds" -timeout=20 \
        -max_len="$max_len" -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$seeds/$target" >"$log" 2>&1
    status=$?
    elapsed=$(( $(date +%s) - start ))
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    [ -n "$executions" ] || executions="?"
    files=$(find "$corpus" -type f | wc -l)
    kib=$(( $(du -sk "$corpus" | cut -f1) ))
    found=$(find "$findings" -type f -newer "$stamp" | wc -l)  # this run's alone
    if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
        failed=1
        verdict="$found in $findings/"
        tail -n 40 "$log"
    else
        verdict="none"
    fi
    rows="$rows$(printf '%-16s %12s %8s %8s %8s  %s' "$target" "$executions" "$elapsed" \
        "$files" "${kib}K" "$verdict")
"
done

{
    printf '%-16s %12s %8s %8s %8s  %s\n' target executions seconds corpus size findings
    printf '%s' "$rows"
} | tee -a "$table"
exit $failed
