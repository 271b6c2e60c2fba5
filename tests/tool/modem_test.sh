#!/bin/sh
# portkit modem and portkit dial against the simulated Hayes modem: replies
# printed without the echo, registers, numeric result codes, the outcomes of
# a dial, the escape before a hang-up, Ctrl-C during a dial, the dialing
# directory file, and mistakes in the command line.
set -eu
tool=$1
sim=$2
. "$(dirname "$0")/tool_test_lib.sh"

# A fresh simulated modem for each group; it runs until descriptor 3 closes.
sim_pid=
stop_sim() {
  [ -n "$sim_pid" ] || return 0
  exec 3>&-
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}
start_sim() {
  stop_sim
  rm -f "$work/sim.in" "$work/sim.out"
  mkfifo "$work/sim.in"
  "$sim" --dial-delay 100 "$@" <"$work/sim.in" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  exec 3>"$work/sim.in"
  tries=0
  until pty=$(head -n 1 "$work/sim.out") && [ -n "$pty" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || fail "the simulator gave no pty: $(cat "$work/sim.err")"
    sleep 0.05
  done
}
trap 'stop_sim; cleanup' EXIT

# run ARGS...: portkit with ARGS, its output in $out and its exit code in $rc;
# modem ARGS...: portkit modem on the simulator.
run() { out=$(timeout 20 "$tool" "$@" 2>"$work/err") && rc=0 || rc=$?; }
modem() { run modem --port "$pty" "$@"; }
expect() {
  [ "$rc" -eq "$1" ] || fail "exit $rc, not $1: $out $(cat "$work/err")"
  [ "$out" = "$2" ] || fail "printed '$out', not '$2'"
}

# Every reply line up to the result, never the echo; registers in decimal;
# numeric results end a reply as their words do; the first failure ends the run.
start_sim
modem ATI4  # three lines of identification, then OK
[ "$rc" -eq 0 ] && [ "$(printf '%s\n' "$out" | wc -l)" -eq 4 ] || fail "ATI4: exit $rc, printed: $out"
printf '%s\n' "$out" | head -n 1 | grep -q '^Hayes-compatible command set' || fail "ATI4's first line: $out"
[ "$(printf '%s\n' "$out" | tail -n 1)" = OK ] || fail "ATI4's last line: $out"
modem reset register 2 register 7=30 register 7
expect 0 "OK
43
OK
30"
modem --timeout 2000 ATV0 ATI0 ATV1
expect 0 "0
PORTKIT HAYES SIMULATOR
0
OK"
modem ATX9 ATI0
expect 1 ERROR
modem answer
expect 0 "CONNECT 9600"

# What a dial comes to; a call of ours is escaped from before ATH0. A dial
# given up on is stopped with a CR, whose NO CARRIER is left on the line, so
# each of those gets a modem of its own.
start_sim --result 5550001=BUSY --result 5550002="NO CARRIER" --result 5550003=NONE
modem dial 5550001
expect 1 BUSY
modem dial 5550002
expect 1 "NO CARRIER"
modem dial 5551234 hangup ATI0
expect 0 "CONNECT 9600
OK
OK
PORTKIT HAYES SIMULATOR
OK"
modem --dial-timeout 500 dial 5550003
expect 1 ""
grep -q 'dial 5550003: no answer from the modem within 0.5 s' "$work/err" ||
  fail "no time-out message: $(cat "$work/err")"
start_sim --result 5550003=NONE
# In the background Ctrl-C would be ignored; SIGINT goes in once portkit
# catches it (before the exec, the catching is this shell's trap's).
env --default-signal=INT "$tool" modem --port "$pty" --dial-timeout 10000 dial 5550003 >/dev/null 2>"$work/err" &
dial_pid=$!
tries=0
until [ "$(cat "/proc/$dial_pid/comm" 2>/dev/null)" = portkit ] &&
  caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$dial_pid/status" 2>/dev/null) && [ $((0x$caught & 2)) -ne 0 ]; do
  tries=$((tries + 1))
  [ "$tries" -le 100 ] || fail "portkit modem never caught SIGINT"
  sleep 0.05
done
kill -INT "$dial_pid"
wait "$dial_pid" && rc=0 || rc=$?
[ "$rc" -eq 130 ] && grep -q 'User abort (-16)' "$work/err" || fail "Ctrl-C during a dial: exit $rc, $(cat "$work/err")"

# The dialing directory: the default file, an entry replaced, names in any case.
start_sim --result 5550199=BUSY
export XDG_CONFIG_HOME="$work/config"
"$tool" dial --add Office 555-0100 && "$tool" dial --add Busy 555-0199 && "$tool" dial --add OFFICE 555-0123 ||
  fail "dial --add failed"
[ "$(cat "$work/config/portkit/DIAL.INI")" = "[Dial]
OFFICE=555-0123
Busy=555-0199" ] || fail "directory file holds: $(cat "$work/config/portkit/DIAL.INI")"
[ "$("$tool" dial --list)" = "OFFICE  555-0123
Busy    555-0199" ] || fail "list: $("$tool" dial --list)"
run dial --port "$pty" busy
expect 1 "dialing busy: 555-0199
BUSY"
run dial --port "$pty" office
expect 0 "dialing office: 555-0123
CONNECT 9600"
expect_exit 1 "$tool" dial --port "$pty" nobody
grep -q "no entry 'nobody'" "$work/err" || fail "unknown name: $(cat "$work/err")"
expect_exit 2 "$tool" dial --directory "$work/phones.ini" --list
grep -q "use $work/phones.INI" "$work/err" || fail "no better name offered: $(cat "$work/err")"
expect_exit 1 "$tool" dial --directory /proc/portkit-test.INI --add Office 1
grep -q 'cannot write /proc/portkit-test.INI' "$work/err" || fail "unwritable file: $(cat "$work/err")"
# A big directory lists in time that grows with its size, not its square:
# 100,000 entries take seconds; a list that compared every name with every
# earlier one took minutes.
awk 'BEGIN { print "[Dial]"; for (i = 0; i < 100000; i++) printf "Board%d=555-%05d\n", i, i; print "board7=dup" }' \
  >"$work/big.INI"
timeout 60 "$tool" dial --directory "$work/big.INI" --list >"$work/big.list" || fail "listing 100,000 entries took over 60 s"
[ "$(wc -l <"$work/big.list")" -eq 100000 ] && [ "$(sed -n 8p "$work/big.list" | tr -s " ")" = "Board7 dup" ] ||
  fail "the big list holds $(wc -l <"$work/big.list") lines; line 8 is '$(sed -n 8p "$work/big.list")'"
stop_sim

# Mistakes in the command line exit 2 before a port is opened.
missing=/dev/portkit-missing
expect_exit 2 "$tool" modem ATI0
expect_exit 2 "$tool" modem --port $missing
expect_exit 2 "$tool" modem --port $missing dial
expect_exit 2 "$tool" modem --port $missing register 256
expect_exit 2 "$tool" modem --port $missing register 7=x
expect_exit 2 "$tool" modem --port $missing hello
expect_exit 2 "$tool" modem --port $missing --timeout 0 ATI0
expect_exit 2 "$tool" dial --add Office
expect_exit 2 "$tool" dial --add a=b 1
expect_exit 2 "$tool" dial --list --port $missing
expect_exit 1 "$tool" modem --port $missing ATI0
echo ok
