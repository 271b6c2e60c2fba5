#!/bin/bash
# portkit through ser2net in front of a pty pair: `term` in tmux types and
# reads over RFC 2217, sees the server go away and comes back to it; `dump`
# shows what the server reports of the line; a name that is no address is
# refused, and a server that is not there is named with the system's reason.
set -eu
tool=$1
. "$(dirname "$0")/tool_test_lib.sh"
. "$(dirname "$0")/tmux_screen_lib.sh"
command -v ser2net >/dev/null || fail "ser2net is not installed (scripts/install-deps.sh)"
server_pid=
cleanup_all() {
  tm kill-server 2>/dev/null || true
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  cleanup
}
trap cleanup_all EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port=$(free_port)
url=rfc2217://127.0.0.1:$port
cable
cat >"$work/ser2net.yaml" <<YAML
connection: &board
    accepter: telnet(rfc2217),tcp,127.0.0.1,$port
    connector: serialdev,$work/a,115200n81,local,nobreak
    options:
      kickolduser: true
      mdns: false
YAML
listening() { grep -qi ":$(printf '%04X' "$port") 00000000:0000 0A " /proc/net/tcp; }
start_server() {
  ser2net -n -d -u -c "$work/ser2net.yaml" >>"$work/ser2net.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do listening && return 0; sleep 0.05; done
  fail "ser2net did not listen: $(cat "$work/ser2net.log")"
}
start_server
exec 3<>"$work/b"

tm new-session -d -x 80 -y 24 "$tool term $url -b 57600; sleep 60"
wait_screen "at 57600 8N1"
printf 'board> ' >&3
wait_screen "board>"
tm send-keys "ls" Enter
far_end_reads 'ls\r'
[ "$(stty -F "$work/a" speed)" = 57600 ] || fail "the device runs at $(stty -F "$work/a" speed), not 57600"

kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
wait_screen "has gone away"
start_server
wait_screen "at 57600 8N1" 2
printf 'back\r\n' >&3
wait_screen "back"
tm send-keys C-t q
tm kill-server

"$tool" dump --port "$url" >"$work/dump" 2>&1 || fail "dump: $(cat "$work/dump")"
grep -q "network (RFC 2217)" "$work/dump" || fail "dump: $(cat "$work/dump")"
grep -q "Server reports:  115200 baud  data size 8  parity 1  stop size 1" "$work/dump" ||
  fail "dump shows no server report: $(cat "$work/dump")"

expect_exit 1 "$tool" dump --port rfc2217://127.0.0.1
grep -q "cannot open rfc2217://127.0.0.1" "$work/err" || fail "$(cat "$work/err")"
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=
expect_exit 1 "$tool" dump --port "$url"
grep -q "cannot open $url: Connection refused" "$work/err" || fail "$(cat "$work/err")"
echo "ok: term and dump through ser2net"
