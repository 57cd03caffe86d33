#!/usr/bin/env bash
# Installs what Quillmont needs to build, test and run. Safe to run again:
# apt is called only when a package is missing, the Lua source only fetched once.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="${QUILLMONT_DEPS_CACHE:-${HOME:-/root}/.cache/quillmont-deps}"

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev ccache
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-svg-dev
  qt6-webengine-dev qt6-webchannel-dev
  libgl-dev libgl1-mesa-dri libglx-mesa0 libepoxy-dev libglu1-mesa-dev
  lib3ds-dev libjpeg62-turbo-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libespeak-ng-dev espeak-ng-data
  fonts-liberation fonts-dejavu-core
  libxcb1-dev
  xvfb xauth xdotool imagemagick x11-utils
)

# Optional: only the benchmarks use them (Assimp as the reference 3DS importer,
# QScintilla as the reference source editor).
# QUILLMONT_SKIP_BENCH_DEPS=1 leaves them out.
bench_packages=(libassimp-dev libqscintilla2-qt6-dev)
if [ "${QUILLMONT_SKIP_BENCH_DEPS:-0}" != 1 ]; then
  packages+=("${bench_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-deps: installing ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Lua 5.3 from Debian's source package, built by CMake with our own configuration.
lua_dir="$cache/lua5.3"
if [ ! -f "$lua_dir/src/lapi.c" ]; then
  # A source entry derived from the machine's own Debian entry (same mirror and suites).
  src_list=/etc/apt/sources.list.d/quillmont-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    tmp=$(mktemp)
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      awk 'BEGIN{RS="";ORS="\n\n"} /Types:[ \t]*deb/ && !/security/ {sub(/Types:[ \t]*deb/,"Types: deb-src"); print}' \
        /etc/apt/sources.list.d/debian.sources > "$tmp"
    elif [ -f /etc/apt/sources.list ]; then
      grep -E '^deb ' /etc/apt/sources.list | grep -v security | sed 's/^deb /deb-src /' > "$tmp"
      src_list=/etc/apt/sources.list.d/quillmont-src.list
    fi
    if [ ! -s "$tmp" ]; then
      echo "setup-deps: no Debian source entry could be derived" >&2; exit 1
    fi
    $SUDO install -m 644 "$tmp" "$src_list"
    rm -f "$tmp"
    $SUDO apt-get update -q
  fi
  work="$cache/lua-fetch"
  rm -rf "$work"; mkdir -p "$work"
  (cd "$work" && apt-get source -q lua5.3 >/dev/null)
  srcdir=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'lua5.3*' | head -n1)
  if [ -z "$srcdir" ] || [ ! -f "$srcdir/src/lapi.c" ]; then
    echo "setup-deps: lua5.3 source package did not unpack" >&2; exit 1
  fi
  rm -rf "$lua_dir"; mkdir -p "$(dirname "$lua_dir")"
  mv "$srcdir" "$lua_dir"
  rm -rf "$work"
fi
echo "setup-deps: ok (lua source in $lua_dir)"
