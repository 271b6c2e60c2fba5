#!/usr/bin/env bash
# The main job: install, build, and show portkit at work.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release >/dev/null
build/release/tools/portkit errors
