# Shared by the X11 tests (sourced): a private Xvfb for the test, gone when
# the test ends. start_xvfb exits with 77 (skipped) when Xvfb is missing;
# its arguments go to Xvfb.
xvfb_pid=
start_xvfb() {
  if ! command -v Xvfb >/dev/null; then
    echo "SKIP: Xvfb is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
  xvfb_dir=$(mktemp -d)
  Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp "$@" 4>"$xvfb_dir/display" 2>"$xvfb_dir/log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$xvfb_dir/display" ] && break; sleep 0.05; done
  if [ ! -s "$xvfb_dir/display" ]; then
    echo "FAIL: Xvfb did not start: $(cat "$xvfb_dir/log")"
    exit 1
  fi
  DISPLAY=:$(cat "$xvfb_dir/display")
  export DISPLAY
  rm -rf "$xvfb_dir"
}
stop_xvfb() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
