#!/usr/bin/env bash
# Every test: install, build under AddressSanitizer and UndefinedBehaviorSanitizer,
# run the suite, build and check the Debian package, run each fuzzer briefly;
# then build portkit.dll and portkit.exe for 64-bit and 32-bit Windows with
# MinGW-w64, check what they import, export and install, and run the Windows
# unit tests and tool test under Wine.
#
# The Linux suite spends most of its time waiting on ptys and peers, so the
# package and the Windows builds are compiled beside it, and the fuzzers run
# beside the Wine tests, at a lower priority.
# Ends with a table of each stage's time.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/stages.sh

stage install scripts/install-deps.sh
stage "build linux (sanitizers)" quietly scripts/build.sh sanitize
jobs=$(nproc 2>/dev/null || echo 2)

beside "build package, windows" nice -n 10 bash -c \
  'scripts/package.sh >/dev/null && scripts/build.sh mingw && scripts/build.sh mingw32'
stage "test linux" ctest --test-dir build/sanitize --output-on-failure -j "$jobs" --timeout 300
wait_beside

# The Debian package from a Release build under /usr, unpacked and used.
stage "test package" within 600 tests/install/deb_test.sh "$(ls build/package/portkit_*.deb)"
windows_checks() {
  for build in build/mingw build/mingw32; do
    tests/check_imports.sh "$build/portkit.dll"
    tests/check_imports.sh "$build/portkit.exe" portkit.dll
    tests/check_dll_exports.sh "$build/portkit.dll" tests/exported_symbols.txt tests/exported_symbols_dsterm.txt \
      tests/exported_symbols_textwin.txt
    tests/install/check_windows_install.sh "$build"
  done
}
stage "check windows files" windows_checks
# The fuzzers take a core while the Wine tests mostly wait on their lines.
beside fuzz within 600 nice -n 10 scripts/fuzz.sh 10
stage "test windows (wine)" scripts/wine_ctest.sh build/mingw --timeout 600
# The Windows driver and tool under Wine on ptys, against lrzsz and the Linux tool.
stage "wine serial" within 600 tests/wine/serial_test.sh build/mingw/portkit.exe
stage "wine transfers" within 600 tests/wine/transfer_test.sh build/mingw/portkit.exe build/sanitize/tools/portkit
# portkit.exe through ser2net: RFC 2217 and raw TCP over Winsock, against lrzsz.
stage "wine network" within 600 tests/wine/net_test.sh build/mingw/portkit.exe
# portkit.exe term in tmux: pass-through, and the ANSI emulator on Wine's console.
stage "wine term" within 600 tests/wine/term_test.sh build/mingw/portkit.exe
# portkit.exe term --window: the terminal window under Wine on Xvfb, checked by its pixels.
stage "wine term window" within 600 tests/wine/term_window_test.sh build/mingw/portkit.exe
# The text windows' MDI frame under Wine on Xvfb, through the example program.
stage "wine text windows" within 600 tests/wine/textwin_test.sh build/mingw/textwin_demo.exe
wait_beside
cat build/logs/fuzz.log
echo "MinGW-w64 builds: build/mingw/portkit.dll (64-bit), build/mingw32/portkit.dll (32-bit)"
stage_table
