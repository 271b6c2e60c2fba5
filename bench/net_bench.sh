#!/bin/bash
# ZMODEM through ser2net over loopback: portkit's sender to rz and sz to
# portkit's receiver, over a raw TCP port and over RFC 2217, each timed
# against sz->rz joined to the same ser2net raw port by socat, in the same
# run and in turns. The device is one end of a socat pty pair in front of
# which ser2net sits; the peer at the device runs on the other end. Then
# the CPU a silent network port costs while portkit waits on it.
# usage: net_bench.sh PORTKIT [RUNS] [MEGABYTES]
set -eu
tool=$1
runs=${2:-3}
megabytes=${3:-20}
case $tool in /*) ;; *) tool=$PWD/$tool ;; esac
for program in ser2net socat sz rz python3; do
  command -v "$program" >/dev/null || { echo "net_bench: $program is needed (scripts/install-deps.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
raw_port=$(free_port)
telnet_port=$(free_port)
head -c $((megabytes * 1024 * 1024)) /dev/urandom >"$work/random.bin"

socat pty,raw,echo=0,link="$work/line" pty,raw,echo=0,link="$work/device" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/line" ] && [ -e "$work/device" ] && break; sleep 0.05; done
cat >"$work/ser2net.yaml" <<YAML
connection: &raw
    accepter: tcp,127.0.0.1,$raw_port
    connector: serialdev,$work/line,115200n81,local
    options:
      kickolduser: true
connection: &telnet
    accepter: telnet(rfc2217),tcp,127.0.0.1,$telnet_port
    connector: serialdev,$work/line,115200n81,local
    options:
      kickolduser: true
YAML
ser2net -n -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  (exec 3<>/dev/tcp/127.0.0.1/$raw_port) 2>/dev/null && (exec 3<>/dev/tcp/127.0.0.1/$telnet_port) 2>/dev/null && break
  sleep 0.05
done

now_ms() { date +%s%3N; }
# pair NAME DEVICE_SIDE NETWORK_SIDE: both started in a fresh receive
# directory, timed until both have ended; the file must arrive whole.
pair() {
  local name=$1 device_side=$2 network_side=$3
  rm -rf "$work/recv" && mkdir "$work/recv"
  sleep 1
  local started
  started=$(now_ms)
  (cd "$work/recv" && eval "$device_side" <"$work/device" >"$work/device") 2>"$work/device.log" &
  local device_pid=$!
  sleep 0.2
  (cd "$work/recv" && eval "$network_side") >"$work/network.log" 2>&1 || true
  wait "$device_pid" || true
  local took=$(($(now_ms) - started - 200))
  if ! cmp -s "$work/random.bin" "$work/recv/random.bin"; then
    echo "net_bench: $name did not deliver the file whole: $(tail -3 "$work/network.log") / device: $(tail -3 "$work/device.log") / server: $(tail -3 "$work/ser2net.log")" >&2
    exit 1
  fi
  echo "$took"
}

raw=tcp://127.0.0.1:$raw_port
telnet=rfc2217://127.0.0.1:$telnet_port
to_device="exec rz -q -y"
from_device="cd $work && exec sz -q random.bin"
# Each row: its name, the baseline row it is held against, the program at
# the device, the program on the network side. The baselines join sz and rz
# to ser2net's raw port through socat, one each way.
names=("sz->rz to the device" "sz->rz from the device" "ours->rz raw" "sz->ours raw" "ours->rz rfc2217"
  "sz->ours rfc2217")
against=(0 1 0 1 0 1)
device_sides=("$to_device" "$from_device" "$to_device" "$from_device" "$to_device" "$from_device")
network_sides=("cd $work && socat TCP:127.0.0.1:$raw_port EXEC:'sz -q random.bin'"
  "socat TCP:127.0.0.1:$raw_port EXEC:'rz -q -y'"
  "cd $work && $tool send -p $raw random.bin" "$tool receive -p $raw"
  "cd $work && $tool send -p $telnet random.bin" "$tool receive -p $telnet")
declare -A times
for _ in $(seq "$runs"); do
  for i in "${!names[@]}"; do times[$i]+=" $(pair "${names[$i]}" "${device_sides[$i]}" "${network_sides[$i]}")"; done
done
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%-24s %8s %8s   (%d MB, median of %d; a ratio above 1.0: ours is the faster)\n' "" "ms" "ratio" \
  "$megabytes" "$runs"
for i in "${!names[@]}"; do
  ms=$(echo "${times[$i]}" | median)
  base=$(echo "${times[${against[$i]}]}" | median)
  ratio=$([ "$i" -lt 2 ] && echo "-" || awk -v a="$base" -v b="$ms" 'BEGIN { printf "%.2f", a / b }')
  printf '%-24s %8s %8s\n' "${names[$i]}" "$ms" "$ratio"
done

# A silent port: portkit waiting for a sender that never starts.
hz=$(getconf CLK_TCK)
for url in "$raw" "$telnet"; do
  # ser2net lets the device go a moment after the last client has left.
  sleep 1
  "$tool" receive -p "$url" -d "$work/recv" >"$work/silent.log" 2>&1 &
  waiter=$!
  sleep 5
  ticks=$(awk '{ print $14 + $15 }' "/proc/$waiter/stat" 2>/dev/null) ||
    { echo "net_bench: the silent receiver on $url ended early: $(cat "$work/silent.log")" >&2; exit 1; }
  kill -INT "$waiter" 2>/dev/null || true
  wait "$waiter" 2>/dev/null || true
  printf 'silent %-8s %s%% of a core over 5 s\n' "${url%%:*}" \
    "$(awk -v t="$ticks" -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / hz / 5 }')"
done
