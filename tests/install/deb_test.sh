#!/bin/sh
# The Debian package, unpacked into a scratch root: it holds what an install
# does, declares its dependencies and shared library, its tool runs, and the
# README's example builds against it.
set -eu
package=$1
source=$(cd "$(dirname "$0")/../.." && pwd)
. "$source/tests/install/installed_tree_lib.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root=$tmp/root

[ "$(dpkg-deb -f "$package" Package)" = portkit ] || fail "package name is not portkit"
dpkg-deb -f "$package" Depends | grep -q 'libc6' || fail "no dependency on libc6: $(dpkg-deb -f "$package" Depends)"
dpkg-deb -e "$package" "$tmp/control"
grep -q '^libportkit 0 portkit' "$tmp/control/shlibs" || fail "no shlibs entry for libportkit.so.0"
dpkg-deb -x "$package" "$root"
check_installed_tree "$root/usr"
libdir=$(installed_libdir "$root/usr")
export LD_LIBRARY_PATH="$libdir"
"$root/usr/bin/portkit" errors | grep -q ' -10  Time out' || fail "the packaged tool does not run"

# The package's portkit.pc names /usr; here the files are under $root/usr.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046 # pkg-config's output is a list of words
check_readme_example "$tmp/readme" $(pkg-config --define-variable=prefix="$root/usr" --cflags --libs portkit)
echo ok
