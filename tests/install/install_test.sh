#!/bin/sh
# cmake --install into a fresh prefix: the tree holds what it should, the
# tool runs from it, and programs build and run against it through
# pkg-config and through find_package(portkit), the README's example too.
# Arguments: the build tree, then the compiler flags its library needs in
# programs linked with it (the sanitizers of a sanitized build).
set -eu
build=$1
shift
flags="$*"
source=$(cd "$(dirname "$0")/../.." && pwd)
. "$source/tests/install/installed_tree_lib.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
check_installed_tree "$prefix"
libdir=$(installed_libdir "$prefix")
export LD_LIBRARY_PATH="$libdir"
grep -qx "prefix=$prefix" "$libdir/pkgconfig/portkit.pc" || fail "portkit.pc does not name the prefix installed to"
"$prefix/bin/portkit" errors | grep -q ' -10  Time out' || fail "the installed tool does not run"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# The flags and pkg-config's output are lists of words.
# shellcheck disable=SC2046,SC2086
cc $flags -o "$tmp/probe" "$source/tests/install/probe.c" $(pkg-config --cflags --libs portkit)
[ "$("$tmp/probe")" = ok ] || fail "the pkg-config program failed"

cmake -S "$source/tests/install/consumer" -B "$tmp/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$tmp/consumer" >/dev/null
[ "$("$tmp/consumer/portkit_consumer")" = ok ] || fail "the find_package program failed"

# shellcheck disable=SC2046,SC2086
check_readme_example "$tmp/readme" $flags $(pkg-config --cflags --libs portkit)
echo ok
