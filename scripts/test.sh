#!/usr/bin/env bash
# Every test: install, build under AddressSanitizer and UndefinedBehaviorSanitizer,
# run the suite, build and check the Debian package, run each fuzzer briefly;
# then build portkit.dll and portkit.exe for 64-bit and 32-bit Windows with
# MinGW-w64, check what they import, export and install, and run the Windows
# unit tests and tool test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh sanitize >/dev/null
ctest --test-dir build/sanitize --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
# The Debian package from a Release build under /usr, unpacked and used.
tests/install/deb_test.sh "$(scripts/package.sh)"
scripts/fuzz.sh 10
scripts/build.sh mingw >/dev/null
scripts/build.sh mingw32 >/dev/null
for build in build/mingw build/mingw32; do
  tests/check_imports.sh "$build/portkit.dll"
  tests/check_imports.sh "$build/portkit.exe" portkit.dll
  tests/check_dll_exports.sh "$build/portkit.dll" tests/exported_symbols.txt tests/exported_symbols_dsterm.txt \
    tests/exported_symbols_textwin.txt
  tests/install/check_windows_install.sh "$build"
done
scripts/wine_ctest.sh build/mingw
# The Windows driver and tool under Wine on ptys, against lrzsz and the Linux tool.
tests/wine/serial_test.sh build/mingw/portkit.exe
tests/wine/transfer_test.sh build/mingw/portkit.exe build/sanitize/tools/portkit
# portkit.exe term in tmux: pass-through, and the ANSI emulator on Wine's console.
tests/wine/term_test.sh build/mingw/portkit.exe
# portkit.exe term --window: the terminal window under Wine on Xvfb, checked by its pixels.
tests/wine/term_window_test.sh build/mingw/portkit.exe
# The text windows' MDI frame under Wine on Xvfb, through the example program.
tests/wine/textwin_test.sh build/mingw/textwin_demo.exe
echo "MinGW-w64 builds: build/mingw/portkit.dll (64-bit), build/mingw32/portkit.dll (32-bit)"
