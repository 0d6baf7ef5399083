#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing), then builds.
# Usage: scripts/setup.sh [build-dir] [extra cmake args...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shift || true

packages=(
  build-essential cmake pkg-config
  zlib1g-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  firebird3.0-server-core firebird3.0-utils libfbclient2 firebird-dev
  libcli11-dev
  libssl-dev openssl
  clang libclang-rt-14-dev
  procps iproute2
  dpkg-dev file      # the packages' Depends, derived from the programs' libraries
  lintian            # the package test checks both packages with it
  locales            # EUC-KR locales: the shown-texts test and the end-to-end benchmark's run in the shops' character set
  libfltk1.3-dev libxfixes-dev libfontconfig1-dev fonts-nanum
  xvfb x11-utils xdotool
  openbox            # the window test under a window manager
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Line tables (-g1) are enough for a backtrace; full debug information at -O2 costs a third of the
# build's time, and the packages are stripped anyway.
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
