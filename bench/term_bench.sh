#!/bin/bash
# portkit term against picocom and tio: the time from the far end starting
# to write 5 MB into a socat pty pair until the stream's last line is on the
# screen of a 100x30 tmux pane. Two streams: plain text, and text whose
# every few words change colour. portkit runs passing bytes through and with
# its own ANSI emulator. Each figure is the median of RUNS runs (default 3).
# usage: term_bench.sh PORTKIT [RUNS]
set -eu
tool=$1
runs=${2:-3}
case $tool in /*) ;; *) tool=$PWD/$tool ;; esac
for program in tmux socat picocom tio python3; do
  command -v "$program" >/dev/null || { echo "term_bench: $program is needed (scripts/install-deps.sh bench)" >&2; exit 1; }
done
work=$(mktemp -d)
socat_pid=
sock="$work/tmux.0"
tm() { tmux -S "$sock" "$@"; }
cleanup() {
  tm kill-server 2>/dev/null || true
  [ -z "$socat_pid" ] || kill "$socat_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM
size=$((5 * 1024 * 1024))

# The two streams, lines ending CR LF as a far end's do, the last line a
# marker that shows when everything before it has been drawn.
python3 - "$work" "$size" <<'PY'
import random, sys
work, size = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
words = "the quick brown fox jumps over a lazy dog serial line modem baud parity".split()
def write(name, line):
    out, total = [], 0
    while total < size:
        text = line()
        out.append(text)
        total += len(text)
    out.append("END-OF-STREAM\r\n")
    with open(f"{work}/{name}", "w", newline="") as f:
        f.write("".join(out))
def plain():
    return " ".join(rng.choice(words) for _ in range(12))[:98] + "\r\n"
def colour():
    parts = []
    for _ in range(10):
        parts.append(f"\x1b[{rng.choice((0, 1, 4))};{rng.randint(30, 37)};{rng.randint(40, 47)}m{rng.choice(words)}")
    return " ".join(parts) + "\x1b[0m\r\n"
write("text.txt", plain)
write("colour.txt", colour)
PY

now_ms() { date +%s%3N; }

# run_once READY COMMAND...: the far end's stream into a fresh pty pair with
# COMMAND on its near end in a fresh 100x30 tmux pane, once READY is on the
# screen; prints the milliseconds until END-OF-STREAM shows.
run_once() {
  stream=$1 ready=$2
  shift 2
  tm kill-server 2>/dev/null || true
  sock="$work/tmux.$RANDOM"
  rm -f "$work/a" "$work/b"
  socat pty,raw,echo=0,link="$work/a" pty,raw,echo=0,link="$work/b" 2>/dev/null &
  socat_pid=$!
  for _ in $(seq 100); do [ -e "$work/a" ] && [ -e "$work/b" ] && break; sleep 0.05; done
  exec 3<>"$work/b"
  tm new-session -d -x 100 -y 30 "$* $work/a"
  for _ in $(seq 200); do tm capture-pane -p | grep -qF -- "$ready" && break; sleep 0.05; done
  tm capture-pane -p | grep -qF -- "$ready" || { echo "term_bench: '$*' never became ready" >&2; exit 1; }
  started=$(now_ms)
  cat "$work/$stream" >&3 &
  writer=$!
  until tm capture-pane -p | grep -qF END-OF-STREAM; do
    [ $(($(now_ms) - started)) -lt 120000 ] || { echo "term_bench: '$*' never showed the end" >&2; exit 1; }
    sleep 0.01
  done
  echo $(($(now_ms) - started))
  wait "$writer" 2>/dev/null || true
  exec 3<&-
  tm kill-server 2>/dev/null || true
  kill "$socat_pid" 2>/dev/null || true
  wait "$socat_pid" 2>/dev/null || true
  socat_pid=
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

names=(picocom tio portkit "portkit --ansi")
readies=("Terminal ready" Connected "for help" "for help")
commands=("picocom -b 115200" "tio -b 115200" "$tool term --no-reconnect -b 115200"
  "$tool term --no-reconnect --ansi -b 115200")
# The programs take turns run by run, so a machine that slows down or
# speeds up meanwhile weighs on each alike.
declare -A times result
for _ in $(seq "$runs"); do
  for i in "${!names[@]}"; do
    for stream in text colour; do
      times[$i,$stream]+=" $(run_once "$stream.txt" "${readies[$i]}" "${commands[$i]}")"
    done
  done
done
printf '%-22s %12s %12s   (ms to the last line; median of %d)\n' "" "text" "colour" "$runs"
for i in "${!names[@]}"; do
  name=${names[$i]}
  for stream in text colour; do result[$name,$stream]=$(echo "${times[$i,$stream]}" | median); done
  printf '%-22s %12s %12s\n' "$name" "${result[$name,text]}" "${result[$name,colour]}"
done
# Above 1.0 portkit is the faster.
for name in portkit "portkit --ansi"; do
  for peer in picocom tio; do
    printf '%-22s text %5s  colour %5s\n' "$peer / $name" \
      "$(awk -v a="${result[$peer,text]}" -v b="${result[$name,text]}" 'BEGIN { printf "%.2f", a / b }')" \
      "$(awk -v a="${result[$peer,colour]}" -v b="${result[$name,colour]}" 'BEGIN { printf "%.2f", a / b }')"
  done
done
