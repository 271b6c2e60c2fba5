#!/usr/bin/env bash
# Runs a Windows build's tests (ctest) under Wine, in a fresh Wine prefix of
# the build's own: BUILD/wineprefix, the prefix its tests were configured with.
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD-DIRECTORY [CTEST-ARGUMENTS...]}" && pwd)
shift

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
# No Mono or Gecko: the tests need neither, and asking for them would stall.
export WINEDLLOVERRIDES="mscoree,mshtml="
# A server left by an interrupted run would keep the old prefix's files.
if [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
rm -rf "$WINEPREFIX"
# A test gone wrong stops at 4 GiB instead of taking the machine's memory.
ulimit -v 4194304
started=$SECONDS
wineboot -i >/dev/null 2>&1
# Windows made by the tests (the terminal window's) need no X display: Wine's
# display-less driver keeps them, with their messages, timers and fonts.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
wineserver -w
# One server and one set of Wine's own services for the whole run, instead of
# a start and stop per test. Started with no pipes open: Wine's services
# inherit the output of the program that starts them, and a test whose pipe
# stayed open would never end. Should the kill below be missed, the server
# still leaves ten minutes after the last test.
wineserver -p600 </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1
echo "Wine prefix ready in $((SECONDS - started)) s: $WINEPREFIX"
ctest --test-dir "$build" --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@"
