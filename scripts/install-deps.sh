#!/usr/bin/env bash
# Installs what building and testing portkit needs on Debian, when missing;
# with the argument bench, what the benchmarks need too.
set -euo pipefail

packages=(
  cmake make g++ binutils pkg-config dpkg-dev ccache
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine wine64
  zlib1g-dev
  socat lrzsz tzdata tmux libvterm-dev ser2net
  groff-base
  ckermit gkermit minicom
  clang libclang-rt-14-dev
  libx11-dev xfonts-base xvfb xdotool x11-apps x11-utils imagemagick
)

# `install-deps.sh bench`: also the peers the benchmarks run against, which
# the tests never need.
if [ "${1:-}" = bench ]; then
  packages+=(picocom tio)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "portkit needs these packages: ${missing[*]} (run as root, or install them)" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
