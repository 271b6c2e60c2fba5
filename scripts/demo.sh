#!/usr/bin/env bash
# The main job: install, build, and show portkit at work: every file-transfer
# protocol, sender and receiver running against each other over a pty pair.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release >/dev/null
portkit=build/release/tools/portkit
echo "== serial devices on this machine"
"$portkit" ports
echo
echo "== file transfers, every protocol"
"$portkit" demo
