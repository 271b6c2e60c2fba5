#!/bin/sh
# A Windows DLL or program must import Windows' own DLLs only, plus any named
# after it that ship beside it: never a MinGW runtime DLL such as
# libwinpthread-1.dll, libstdc++-6.dll or libgcc_s_seh-1.dll, which a user's
# machine does not have.
# Usage: check_imports.sh FILE [ALSO-ALLOWED.dll...]
set -eu
file=$1
shift
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}  # reads 32-bit files too
imports=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$imports" ] || { echo "$file: no import table found" >&2; exit 1; }
lower() { printf '%s' "$1" | tr '[:upper:]' '[:lower:]'; }
foreign=
for dll in $imports; do
  case $(lower "$dll") in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | ws2_32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*.dll)
      continue ;;
  esac
  allowed=
  for extra in "$@"; do [ "$(lower "$dll")" = "$(lower "$extra")" ] && allowed=yes; done
  [ -n "$allowed" ] || foreign="$foreign $dll"
done
if [ -n "$foreign" ]; then
  echo "$file imports DLLs that are not part of Windows:$foreign" >&2
  exit 1
fi
echo "$file imports only" $imports
