#!/bin/sh
# Installs the Debian packages the game, its tools and its tests need, when any is missing.
set -e
packages="cmake make g++ pkg-config libsdl1.2-dev libgles-dev libegl-dev libegl-mesa0 libgl1-mesa-dri zlib1g-dev googletest libgtest-dev libpng-dev libx11-dev xvfb xauth libfreetype-dev fonts-dejavu-core desktop-file-utils appstream"
# Callers may ask for more (the fuzz build adds clang and its libFuzzer runtime).
packages="$packages ${ZV_EXTRA_PACKAGES:-}"
missing=""
for p in $packages; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in
    *"install ok installed"*) ;;
    *) missing="$missing $p" ;;
  esac
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends $missing
