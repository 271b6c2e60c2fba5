# Shared by the tool's tmux tests (sourced after tool_test_lib.sh): a private
# tmux server and its screen, and what the far end, open on descriptor 3,
# receives.
sock="$work/tmux.sock"
tm() { tmux -S "$sock" "$@"; }
screen() { tm capture-pane -p "$@"; }

# wait_screen TEXT [COUNT]: TEXT shows on the screen (COUNT times, default
# once) within 5 s, or $screen_wait_tries twentieths of a second.
wait_screen() {
  for _ in $(seq "${screen_wait_tries:-100}"); do
    [ "$(screen | grep -cF -- "$1")" -ge "${2:-1}" ] && return 0
    sleep 0.05
  done
  fail "'$1' never showed; the screen is:
$(screen)"
}

# far_end_reads BYTES: the far end receives exactly BYTES (printf format)
# next, before $far_end_quiet seconds (0.7) pass without more.
far_end_reads() {
  timeout "${far_end_quiet:-0.7}" cat <&3 >"$work/got" || true
  printf "$1" >"$work/want"
  cmp -s "$work/got" "$work/want" || fail "the far end got '$(od -An -c "$work/got")', not '$(od -An -c "$work/want")'"
}
