#!/bin/sh
# Makes the seed folders of the fuzz targets from the game's real data: the pack built beside the
# game, its entries sorted by kind, the WAV files, a saved record, plus the committed regression
# inputs of each target (fuzz/regressions/<target>/).
#
# usage: fuzz/seed.sh BUILD_DIR SEED_DIR
#   BUILD_DIR  a build folder holding tools/zvtool, packres.bin and the WAV files
#   SEED_DIR   made afresh: one folder per target
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SEED_DIR" >&2
    exit 2
fi
build=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
zvtool=$build/tools/zvtool
pack=$build/packres.bin
for f in "$zvtool" "$pack"; do
    [ -e "$f" ] || { echo "$0: $f is missing (build zvtool and zv_game_data first)" >&2; exit 1; }
done

rm -rf "$out"
entries=$out/.entries
mkdir -p "$entries"
"$zvtool" pack extract "$pack" -C "$entries"

targets="pack_fuzz kv_text_fuzz info_fuzz model_fuzz png_fuzz pvr_fuzz atc_fuzz sprite_fuzz \
text_fuzz wav_fuzz more_games_fuzz"
for t in $targets; do mkdir -p "$out/$t"; done

# Copies every entry whose name matches the pattern into a target's seeds.
sort_entries() {
    target=$1
    pattern=$2
    for f in "$entries"/$pattern; do
        [ -f "$f" ] && cp "$f" "$out/$target/"
    done
    return 0
}

# The pack whole, and small packs of a few entries (stored and compressed), which the fuzzer
# mutates much faster than the whole.
cp "$pack" "$out/pack_fuzz/packres.bin"
"$zvtool" pack create "$out/pack_fuzz/texts.bin" "$entries/menu00.bin" "$entries/kvmoregames.txt" \
    "$entries/hud.spr" >/dev/null
"$zvtool" pack create "$out/pack_fuzz/sprite.bin" "$entries/mgcomponents.spr" >/dev/null
"$zvtool" pack create "$out/pack_fuzz/menu.bin" "$entries/menu00.txb" "$entries/fsmall.spr" \
    >/dev/null

sort_entries model_fuzz '*.kvm'
sort_entries png_fuzz '*.png'
sort_entries pvr_fuzz '*.pvr'
sort_entries atc_fuzz '*.atc'
sort_entries sprite_fuzz '*.spr'
sort_entries text_fuzz '*.txb'
sort_entries more_games_fuzz 'kvmoregames.txt'
for w in "$build"/*.wav; do
    [ -f "$w" ] && cp "$w" "$out/wav_fuzz/"
done

# The key-value scan takes a key-length byte, the key, then the text: the more-games list asked
# for the keys the screen reads.
for key in mg_numgames mg_text_title_en mg_game0_icon mg_game1_description_en mg_game2_screen1; do
    len=$(printf '%s' "$key" | wc -c)
    {
        printf "\\$(printf '%03o' "$len")"
        printf '%s' "$key"
        cat "$entries/kvmoregames.txt"
    } >"$out/kv_text_fuzz/$key"
done

# ATC files as the converter writes them (the game data ships none): a 20-byte header of
# little-endian words (unused, width, height, flags, data offset), then the level chain.
atc() {
    name=$1; header=$2; bytes=$3
    { printf "$header"; head -c "$bytes" /dev/zero | tr '\0' '\125'; } >"$out/atc_fuzz/$name"
}
atc rgb_8x8_mips.atc '\0\0\0\0\10\0\0\0\10\0\0\0\0\0\0\0\24\0\0\0' 56
atc alpha_4x4_mips.atc '\0\0\0\0\4\0\0\0\4\0\0\0\2\0\0\0\24\0\0\0' 48
atc rgb_16x4.atc '\0\0\0\0\20\0\0\0\4\0\0\0\0\0\0\0\24\0\0\0' 32

# Small PVR files cut from a real one: its header with 16 x 16 sides, with alpha (decoded in
# software) and without (uploaded compressed where PVRTC is available), and its first 256 bytes
# of data (the whole 4 bpp chain of five levels).
small_pvr() {
    name=$1; alpha=$2
    src=$entries/crash.pvr
    {
        head -c 4 "$src"
        printf '\20\0\0\0\20\0\0\0\4\0\0\0'
        dd if="$src" bs=1 skip=16 count=24 2>/dev/null
        printf "$alpha"
        dd if="$src" bs=1 skip=44 count=8 2>/dev/null
        dd if="$src" bs=1 skip=52 count=256 2>/dev/null
    } >"$out/pvr_fuzz/$name"
    cp "$out/pvr_fuzz/$name" "$out/atc_fuzz/$name"
}
small_pvr small_alpha.pvr '\1\0\0\0'
small_pvr small_opaque.pvr '\0\0\0\0'

# A saved record as the game writes it: the game played headless through the harness (a
# distance run tilted into the trees), once per build folder; the committed records below stand
# in when the harness was not built.
record=$build/fuzz/info
harness=$build/tools/zorvane-harness
if [ ! -f "$record" ] && [ -x "$harness" ]; then
    game=$out/.game
    mkdir -p "$game"
    cp "$pack" "$build"/*.wav "$game/"
    printf 'at 420 tap 100 100\nat 425 tilt 25\nat 1500 quit\n' >"$game/script.txt"
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$harness" --data "$game" "$game/script.txt" \
        >"$game/harness.log" 2>&1 || true
    if [ -f "$game/info" ]; then
        mkdir -p "$(dirname "$record")"
        cp "$game/info" "$record"
    else
        echo "$0: the game wrote no record (see $game/harness.log)" >&2
    fi
fi
if [ -f "$record" ]; then cp "$record" "$out/info_fuzz/info"; fi

# The committed regression inputs are seeds too (hand-made skinned models and records among them).
for t in $targets; do
    if [ -d "$here/regressions/$t" ]; then
        for f in "$here/regressions/$t"/*; do
            [ -f "$f" ] && cp "$f" "$out/$t/"
        done
    fi
done
rm -rf "$entries" "$out/.game"

for t in $targets; do
    printf '%-16s %4d seeds\n' "$t" "$(find "$out/$t" -type f | wc -l)"
done
