#!/usr/bin/env bash
# The main job: install, build, and show portkit at work.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release >/dev/null
portkit=build/release/tools/portkit
echo "== serial devices on this machine"
"$portkit" ports
echo
echo "== a simulated port opened at 57600 7E1"
"$portkit" dump --port sim:demo:a --baud 57600 --parity E --data 7
echo
echo "== status codes"
"$portkit" errors
