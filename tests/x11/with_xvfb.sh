#!/bin/bash
# Runs a command (a test program) with DISPLAY on a private Xvfb.
set -eu
. "$(dirname "$0")/xvfb_lib.sh"
trap stop_xvfb EXIT
start_xvfb
"$@"
