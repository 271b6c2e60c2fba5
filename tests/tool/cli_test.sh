#!/bin/bash
# The command-line conventions every portkit command shares: --version, short
# options, --, exit codes 0/1/2/130, --flow and --baud checks; and that the
# help, the man page and the bash completion describe the options the parser
# takes.
set -eu
tool=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/tool_test_lib.sh"

commands=$("$tool" --help | sed -n 's/^  \([a-z]*\) .*/\1/p')
port_commands='dump send receive modem dial bplus term'
missing=/dev/portkit-missing

# --version, before or after a command, names the project's version.
version=$(sed -n 's/^project(portkit VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
for args in --version -V "send --version" "dump -V"; do
  # shellcheck disable=SC2086  # the arguments are words
  out=$("$tool" $args)
  [ "$(printf '%s\n' "$out" | head -n 1)" = "portkit $version" ] || fail "$args: $out"
  [ "$(printf '%s\n' "$out" | wc -l)" -eq 2 ] || fail "$args: no library line: $out"
done

# Usage errors, exit 2, before any port opens. An unknown option reaching the
# parser's own message also shows the parser and the option table agree: the
# parser refuses to run when they do not.
for command in $commands; do
  expect_exit 2 "$tool" "$command" --no-such-option
  case $command in
    ports | errors | demo) grep -q 'takes no arguments' "$work/err" || fail "$command: $(cat "$work/err")" ;;
    *) grep -qx "portkit $command: unknown option --no-such-option" "$work/err" || fail "$command: $(cat "$work/err")" ;;
  esac
  expect_exit 2 "$tool" "$command" -Z
done
for command in $port_commands; do
  case $command in modem | dial) word=NAME ;; *) word= ;; esac
  # shellcheck disable=SC2086  # $word is one word or none
  expect_exit 2 "$tool" "$command" -p $missing --flow sideways $word
  grep -q 'flow is one of none, rtscts, xonxoff' "$work/err" || fail "$command --flow: $(cat "$work/err")"
  # shellcheck disable=SC2086
  expect_exit 2 "$tool" "$command" -p $missing -b fast $word
  # shellcheck disable=SC2086
  expect_exit 2 "$tool" "$command" -p $missing --baud=0 $word
  # shellcheck disable=SC2086
  expect_exit 2 "$tool" "$command" -p $missing -b -9600 $word
done
expect_exit 2 "$tool" term -p $missing --rows 30
grep -q -- '--rows and --cols go with --window' "$work/err" || fail "--rows alone: $(cat "$work/err")"
expect_exit 2 "$tool" term -p $missing --window --cols 256
grep -q -- '--cols is from 1 to 255' "$work/err" || fail "--cols 256: $(cat "$work/err")"
expect_exit 2 "$tool" dump
expect_exit 2 "$tool" dump -p $missing extra
expect_exit 2 "$tool" send -p $missing -b
grep -q -- '--baud needs a value' "$work/err" || fail "-b without a value: $(cat "$work/err")"

# Failures, exit 1.
expect_exit 1 "$tool" dump -p $missing
expect_exit 1 "$tool" send -p $missing "$0"
expect_exit 1 "$tool" receive -p $missing -P ymodem
expect_exit 1 "$tool" modem -p $missing reset
expect_exit 1 "$tool" bplus -p $missing
expect_exit 1 "$tool" term -p $missing
expect_exit 1 "$tool" dial --directory "$work/DIAL.INI" -p $missing Nobody
expect_exit 0 "$tool" dial --directory "$work/DIAL.INI" --add Office 555-9876
expect_exit 0 "$tool" dial --directory "$work/DIAL.INI" --list
expect_exit 0 "$tool" errors
expect_exit 0 "$tool" ports

# Short options move a file as the long ones do, in both forms.
mkdir "$work/src" "$work/in"
head -c 3000 /dev/urandom >"$work/src/data.bin"
cable
timeout 30 "$tool" receive -p "$work/b" -P xmodem -q -d "$work/in" copy.bin 2>"$work/receive.log" &
receiver_pid=$!
timeout 30 "$tool" send -p"$work/a" -Pxmodem -vq "$work/src/data.bin" 2>"$work/send.log" || fail "send: $(cat "$work/send.log")"
wait "$receiver_pid" || fail "receive: $(cat "$work/receive.log")"
receiver_pid=
cmp -n 3000 "$work/src/data.bin" "$work/in/copy.bin" || fail "copy.bin differs"
[ ! -s "$work/receive.log" ] || fail "--quiet receive said: $(cat "$work/receive.log")"
[ ! -s "$work/send.log" ] || fail "--quiet send said: $(cat "$work/send.log")"
kill "$socat_pid"

# -- lets a file be named like an option; --flow applies on the way.
cp "$work/src/data.bin" "$work/src/--resume"
(cd "$work/src" && pair -P ymodem -d "$work/in" --flow rtscts -- -P ymodem --flow xonxoff -- --resume)
cmp "$work/src/--resume" "$work/in/--resume" || fail "--resume did not arrive as a file"

# dump shows the flow control --flow set, as the system has it.
cable
out=$("$tool" dump -p "$work/a" --flow xonxoff -b 9600)
printf '%s\n' "$out" | grep -qx 'Line (as the system has it):' || fail "no system section: $out"
printf '%s\n' "$out" | grep -q 'Speed:  9600 in, 9600 out' || fail "speed: $out"
printf '%s\n' "$out" | grep -q 'RTS/CTS off  XON/XOFF on sending, on receiving' || fail "flow: $out"
out=$("$tool" dump -p "$work/a" --flow rtscts)
printf '%s\n' "$out" | grep -q 'RTS/CTS on  XON/XOFF off sending, off receiving' || fail "flow: $out"
kill "$socat_pid"

# Ctrl-C to a receive waiting for its sender ends it with 130. Its first
# bytes on the line say it is waiting, with Ctrl-C caught.
cable
env --default-signal=INT "$tool" receive -p "$work/b" -d "$work/in" 2>"$work/receive.log" &
receiver_pid=$!
timeout 10 head -c 1 "$work/a" >/dev/null || fail "the receiver sent nothing: $(cat "$work/receive.log")"
kill -INT "$receiver_pid"
wait "$receiver_pid" && rc=0 || rc=$?
receiver_pid=
[ "$rc" -eq 130 ] || fail "receive after SIGINT exited $rc: $(cat "$work/receive.log")"
grep -q '^portkit receive: .*(-[0-9]*)$' "$work/receive.log" || fail "no clean abort: $(cat "$work/receive.log")"
kill "$socat_pid"

# Help: each option of the table with what it does, each protocol by name.
protocols=$("$tool" send -p $missing -P none "$0" 2>&1 | sed -n 's/.*: one of //p' | tr -d ,)
[ -n "$protocols" ] || fail "no protocol list"
for command in send receive; do
  help=$("$tool" "$command" --help)
  for protocol in $protocols; do
    printf '%s\n' "$help" | grep -qw -- "$protocol" || fail "$command --help lacks $protocol"
  done
done
"$tool" send --help | grep -q '^  -b, --baud RATE  *line speed in bits per second (default 115200)' ||
  fail "send --help: no --baud line"

# The long and short options each command's --help lists, one per line.
help_options() {
  "$tool" "$1" --help | sed -n 's/^  \(-[A-Za-z], \|    \)\(--[a-z-]*\).*/\1\2/p' | tr -d , | tr ' ' '\n' | grep .
}

# The man page renders cleanly and names every command and long option.
if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z "$source_dir/doc/portkit.1" 2>&1)
  [ -z "$warnings" ] || fail "man page warnings: $warnings"
  man_text=$(groff -man -Tascii -P-cbou -rLL=200n "$source_dir/doc/portkit.1" 2>/dev/null)
  for command in $commands; do
    printf '%s\n' "$man_text" | grep -qw -- "$command" || fail "man page lacks the command $command"
    for option in $(help_options "$command" 2>/dev/null | grep -- '^--' || true); do
      printf '%s\n' "$man_text" | grep -q -- "$option\\b" || fail "man page lacks $command $option"
    done
  done
  for protocol in $protocols; do
    printf '%s\n' "$man_text" | grep -qw -- "$protocol" || fail "man page lacks $protocol"
  done
fi

# The completion loads, and offers each command's options, protocol names,
# flow kinds and directories where they belong.
completion=$source_dir/doc/bash-completion/portkit
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _portkit; printf "%s\n" "${COMPREPLY[@]}"' \
    sh "$completion" portkit "$@"
}
bash -c "source '$completion'; complete -p portkit" | grep -q -- '-F _portkit portkit' || fail "completion not loaded"
[ "$(complete_words send --proto)" = --protocol ] || fail "--proto: $(complete_words send --proto)"
[ "$(complete_words sen)" = send ] || fail "sen: $(complete_words sen)"
[ "$(complete_words send -P kerm)" = kermit ] || fail "-P kerm: $(complete_words send -P kerm)"
[ "$(complete_words dump --flow rts)" = rtscts ] || fail "--flow rts: $(complete_words dump --flow rts)"
(cd "$work" && [ "$(complete_words receive --dir i)" = in ]) || fail "--dir: not the directory alone"
(cd "$work/src" && [ "$(complete_words send -- --re)" = --resume ]) || fail "after --: not the file"
for command in $commands; do
  offered=$(complete_words "$command" -)
  for option in $(help_options "$command" 2>/dev/null || true); do
    printf '%s\n' "$offered" | grep -qx -- "$option" || fail "completion of $command lacks $option"
  done
done
echo ok
