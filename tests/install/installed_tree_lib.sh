# shellcheck shell=sh
# Shared by the install and package tests: what an installed portkit holds,
# and programs built against it. Sourced; $source is the source tree.
# shellcheck disable=SC2154

fail() { echo "$*" >&2; exit 1; }

# The directory holding libportkit.so under a prefix (lib, or lib/<triplet>).
installed_libdir() {
    library=$(find "$1" -name libportkit.so -print | head -n 1)
    [ -n "$library" ] || fail "no libportkit.so under $1"
    dirname "$library"
}

# The library with its soname links, the headers, the tool, portkit.pc and
# the CMake package; and neither the static archive nor anything of the tests.
check_installed_tree() {
    prefix=$1
    libdir=$(installed_libdir "$prefix")
    [ "$(readlink "$libdir/libportkit.so")" = libportkit.so.0 ] || fail "libportkit.so does not link to libportkit.so.0"
    [ "$(readlink "$libdir/libportkit.so.0")" = libportkit.so.0.1.0 ] || fail "libportkit.so.0 does not link to libportkit.so.0.1.0"
    readelf -d "$libdir/libportkit.so.0.1.0" | grep -q 'SONAME.*\[libportkit\.so\.0\]' || fail "soname is not libportkit.so.0"
    for header in "$source"/include/portkit/*.h; do
        [ -f "$prefix/include/portkit/$(basename "$header")" ] || fail "header $(basename "$header") not installed"
    done
    [ -x "$prefix/bin/portkit" ] || fail "bin/portkit not installed"
    [ -f "$libdir/pkgconfig/portkit.pc" ] || fail "portkit.pc not installed"
    for file in portkit-config.cmake portkit-config-version.cmake portkit-targets.cmake; do
        [ -f "$libdir/cmake/portkit/$file" ] || fail "cmake/portkit/$file not installed"
    done
    if [ -f "$source/doc/portkit.1" ]; then
        [ -f "$prefix/share/man/man1/portkit.1" ] || fail "man page not installed"
    fi
    if [ -f "$source/doc/bash-completion/portkit" ]; then
        [ -f "$prefix/share/bash-completion/completions/portkit" ] || fail "bash completion not installed"
    fi
    unexpected=$(find "$prefix" -name '*.a' -o -name '*test*' -o -name 'portkit_*')
    [ -z "$unexpected" ] || fail "installed but internal: $unexpected"
}

# The first C example after "## Using the library" in the README.
readme_example() {
    awk '/^## Using the library/ { section = 1 }
         section && /^```c$/ { inside = 1; next }
         inside && /^```$/ { exit }
         inside { print }' "$source/README.md"
}

# Builds the README's example with the given compiler arguments and runs it
# on a device that is not there: it must say so and fail.
check_readme_example() {
    out=$1; shift
    readme_example >"$out.c"
    [ -s "$out.c" ] || fail "no C example in the README's \"Using the library\""
    cc -std=c11 -Wall -Wextra -Werror -o "$out" "$out.c" "$@"
    if "$out" /dev/portkit-no-such-device 2>"$out.err"; then fail "the README example opened a missing device"; fi
    grep -q '/dev/portkit-no-such-device: No 8250 present' "$out.err" ||
        fail "the README example's message: $(cat "$out.err")"
}
