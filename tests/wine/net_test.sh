#!/bin/sh
# The Windows tool under Wine reaching a port behind ser2net: ZMODEM to rz
# over RFC 2217 and from sz over raw TCP, through Winsock, each file compared
# byte for byte. lrzsz sits on the far side of the pty ser2net serves.
#
# usage: net_test.sh WINDOWS_EXE
set -eu
[ $# -eq 1 ] || { echo "usage: $0 WINDOWS_EXE" >&2; exit 2; }
. "$(dirname "$0")/wine_lib.sh"
exe=$(absolute "$1")
limit=${PORTKIT_WINE_TRANSFER_LIMIT:-180}
command -v ser2net >/dev/null || fail "ser2net is not installed"
wine_setup "$exe"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
raw_port=$(free_port)
telnet_port=$(free_port)
cat >"$work/ser2net.yaml" <<YAML
connection: &raw
    accepter: tcp,127.0.0.1,$raw_port
    connector: serialdev,$port_a,115200n81,local,nobreak
    options:
      kickolduser: true
      mdns: false
connection: &telnet
    accepter: telnet(rfc2217),tcp,127.0.0.1,$telnet_port
    connector: serialdev,$port_a,115200n81,local,nobreak
    options:
      kickolduser: true
      mdns: false
YAML
in_background ser2net -n -d -u -c "$work/ser2net.yaml" >"$work/ser2net.log" 2>&1
tries=0
until grep -qi ":$(printf '%04X' "$raw_port") .* 0A " /proc/net/tcp && grep -qi ":$(printf '%04X' "$telnet_port") .* 0A " /proc/net/tcp; do
  tries=$((tries + 1))
  [ "$tries" -le 100 ] || fail "ser2net did not listen: $(cat "$work/ser2net.log")"
  sleep 0.05
done

src=$work/src
mkdir "$src"
head -c 307200 /dev/urandom >"$src/big.bin"
failures=0
# through NAME URL DEST COMMAND-AT-THE-DEVICE WINDOWS-ARGS...
through() {
  name=$1 dest=$2 device=$3
  shift 3
  mkdir -p "$dest"
  cable_to "$dest" "$device"
  start=$(now)
  mine=0; timeout "$limit" wine "$exe" "$@" 2>"$work/windows.log" || mine=$?
  theirs=$(peer_status)
  took=$(seconds_since "$start")
  if [ "$mine" != 0 ] || [ "$theirs" != 0 ]; then
    echo "FAIL: $name: windows exited $mine, lrzsz $theirs after $took s"
    tail -n 3 "$work/windows.log" "$work/socat.log" | sed 's/^/    /'
    failures=$((failures + 1))
  elif verdict=$(same_file "$name" "$src/big.bin" "$dest/big.bin"); then
    echo "ok: $name: $(wc -c <"$src/big.bin") bytes in $took s"
  else
    echo "$verdict"
    failures=$((failures + 1))
  fi
}

through "zmodem windows -> rz over rfc2217" "$work/in-rz" "timeout $limit rz -q -y" \
  send --port "rfc2217://127.0.0.1:$telnet_port" "$src/big.bin"
mkdir -p "$work/in-windows"
cd "$work/in-windows"
through "zmodem sz -> windows over raw tcp" "$work/in-windows" "cd '$src' && timeout $limit sz -q big.bin" \
  receive --port "tcp://127.0.0.1:$raw_port" --dir .
[ "$failures" -eq 0 ] || exit 1
