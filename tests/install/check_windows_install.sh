#!/bin/sh
# cmake --install of a MinGW build puts the DLL and the tool in bin, the
# import library, portkit.pc and the CMake package in lib, and the headers
# in include; and not the static archive.
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp" >/dev/null
missing=
for file in bin/portkit.dll bin/portkit.exe lib/libportkit.dll.a include/portkit/portkit.h \
            include/portkit/serial.h lib/pkgconfig/portkit.pc lib/cmake/portkit/portkit-config.cmake \
            lib/cmake/portkit/portkit-config-version.cmake lib/cmake/portkit/portkit-targets.cmake; do
    [ -f "$tmp/$file" ] || missing="$missing $file"
done
[ -z "$missing" ] || { echo "$build: not installed:$missing" >&2; exit 1; }
if find "$tmp" -name 'libportkit_static*' | grep -q .; then echo "$build: static archive installed" >&2; exit 1; fi
echo "$build: installs $(find "$tmp" -type f | wc -l) files"
