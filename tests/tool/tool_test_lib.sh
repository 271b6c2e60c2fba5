# Shared by the tool's shell tests (sourced, with the tool's path in $tool):
# a scratch directory, pty pairs made by socat, and exit-code checks.
case $tool in /*) ;; *) tool=$PWD/$tool ;; esac  # the tests change directory
work=$(mktemp -d)
socat_pid=
receiver_pid=
cleanup() {
  for pid in $receiver_pid $socat_pid; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM
fail() { echo "FAIL: $*"; exit 1; }

# A fresh cable for each transfer, so nothing of one reaches the next.
cable() {
  rm -f "$work/a" "$work/b"
  socat -d -d pty,raw,echo=0,link="$work/a" pty,raw,echo=0,link="$work/b" 2>"$work/socat.log" &
  socat_pid=$!
  tries=0
  until [ -e "$work/a" ] && [ -e "$work/b" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || fail "socat made no pty pair: $(cat "$work/socat.log")"
    sleep 0.05
  done
}

# pair RECEIVE-ARGS -- SEND-ARGS: portkit receive and portkit send on the two
# ends of a fresh cable; both must succeed. Their stderr is kept in
# $work/receive.log and $work/send.log.
pair() {
  receive_args=
  while [ "$1" != -- ]; do receive_args="$receive_args $1"; shift; done
  shift
  cable
  # shellcheck disable=SC2086  # the receive arguments hold no blanks
  timeout 30 "$tool" receive --port "$work/b" $receive_args 2>"$work/receive.log" &
  receiver_pid=$!
  timeout 30 "$tool" send --port "$work/a" "$@" 2>"$work/send.log" || fail "send $*: $(cat "$work/send.log")"
  wait "$receiver_pid" || fail "receive$receive_args: $(cat "$work/receive.log")"
  receiver_pid=
  kill "$socat_pid"
  wait "$socat_pid" 2>/dev/null || true
  socat_pid=
}

# expect_exit CODE COMMAND...: the command fails with exactly that code.
expect_exit() {
  want=$1; shift
  "$@" >/dev/null 2>"$work/err" && got=0 || got=$?
  [ "$got" -eq "$want" ] || fail "'$*' exited $got, not $want: $(cat "$work/err")"
}
