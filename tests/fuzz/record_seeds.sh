#!/usr/bin/env bash
# Records the seed corpora of the receiver fuzzers: real sessions of lrzsz's
# senders and of C-Kermit, joined by socat to lrzsz's or G-Kermit's
# receiver, with the sender's side of the line kept. Each seed is the
# harness's option byte followed by that recording. Needs socat, lrzsz,
# ckermit and gkermit; the INI and Telnet seeds are made by hand and left
# alone.
set -euo pipefail
corpus=$(cd "$(dirname "$0")" && pwd)/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Files with fixed contents and times, so a recording only changes when a
# peer does.
mkdir -p files/sub
printf 'hello from portkit\nsecond line\r\n' >files/small.txt
write() { python3 -c "import sys; sys.stdout.buffer.write($1)"; }
write 'bytes(range(256)) * 3 + bytes(range(255, -1, -1)) * 3' >files/all-bytes.bin
write 'b"".join(b"line %04d of a longer text\n" % i for i in range(60))' >files/sub/long.txt
write 'b"\0" * 300 + b"x" * 40 + b"\xff" * 200' >files/runs.bin
: >files/empty.txt
touch -d '2024-03-01 12:00:00 UTC' files/*.* files/sub/*
# Receivers run in a fresh directory with a "sub" in it, for names with a path.
printf '#!/bin/sh\nmkdir -p "$1/sub" && cd "$1" && shift && exec "$@"\n' >in-dir
# C-Kermit sends from a command file, in remote mode on the pty socat gives
# it, with the packets our receiver asks for: type 1 checks, no long packets.
printf '#!/bin/sh\ncd %s && exec kermit -Y -q -C "take $1"\n' "$work" >ckermit-send
chmod +x in-dir ckermit-send
ckermit_script() {
    printf 'set quiet on\nset transfer display none\nset block-check 1\nset send packet-length 94\nset window 1\n'
    printf 'set file names literal\n'
    printf '%s\n' "$@" exit
}

# record NAME OPTION-BYTE-OCTAL "SENDER" "RECEIVER" [SENDER-ADDRESS-OPTIONS [SKIP-TO-FIRST-SOH]]
record() {
    local out="$corpus/$1" option=$2 sender=$3 receiver=$4 sender_options=${5:-} skip_to_soh=${6:-0}
    rm -rf received
    # The receiver may leave before the sender's last bytes: socat then
    # reports a broken pipe, which does not matter here.
    timeout 60 socat -r line.bin EXEC:"$sender"$sender_options EXEC:"$work/in-dir $work/received $receiver" \
        2>/dev/null || true
    if [ "$skip_to_soh" = 1 ]; then
        write 'b"\1" + open("line.bin", "rb").read().split(b"\1", 1)[1]' >packets.bin
    else
        mv line.bin packets.bin
    fi
    [ -s packets.bin ] || { echo "nothing recorded for $1" >&2; exit 1; }
    mkdir -p "$(dirname "$out")"
    { printf "\\$option"; cat packets.bin; } >"$out"
    rm -f line.bin packets.bin
    echo "$out: $(stat -c %s "$out") bytes"
}

# record_ckermit NAME OPTION-BYTE-OCTAL COMMAND...: C-Kermit runs the commands,
# G-Kermit receives; C-Kermit's banner before the first packet is left out.
record_ckermit() {
    local name=$1 option=$2
    shift 2
    ckermit_script "$@" >"$work/send.ksc"
    record "$name" "$option" "$work/ckermit-send $work/send.ksc" "gkermit -X -q -P -r" \
        ",pty,raw,echo=0,setsid,ctty" 1
}

record xmodem_receive/crc16-small 000 "sx -q files/small.txt" "rx -q -c small.txt"
record xmodem_receive/checksum-all-bytes 001 "sx -q files/all-bytes.bin" "rx -q all-bytes.bin"
record xmodem_receive/1k-all-bytes 002 "sx -q -k files/all-bytes.bin" "rx -q -c all-bytes.bin"
record xmodem_receive/1k-g-all-bytes 003 "sx -q -k files/all-bytes.bin" "rx -q -c all-bytes.bin"

record ymodem_receive/two-files 000 "sb -q files/small.txt files/all-bytes.bin" "rb -q"
record ymodem_receive/1k-with-path 001 "sb -q -k -f files/sub/long.txt" "rb -q"
record ymodem_receive/empty-file 000 "sb -q files/empty.txt" "rb -q"
record ymodem_receive/g-one-file 002 "sb -q files/small.txt" "rb -q"

record zmodem_receive/two-files 000 "sz -q files/small.txt files/all-bytes.bin" "rz -q"
record zmodem_receive/escaped-with-path 001 "sz -q -e -f files/sub/long.txt" "rz -q"
record zmodem_receive/empty-file 000 "sz -q files/empty.txt" "rz -q"
record zmodem_receive/windowed-resume 002 "sz -q -w 256 files/all-bytes.bin" "rz -q"

record_ckermit kermit_receive/binary-files 000 'set file type binary' \
    'msend files/small.txt files/all-bytes.bin files/runs.bin'
record_ckermit kermit_receive/text-with-path 004 'set file type text' 'set send pathnames relative' \
    'cd files' 'send sub/long.txt'
record_ckermit kermit_receive/eighth-bit-prefix 001 'set parity space' 'set file type binary' 'send files/all-bytes.bin'
record_ckermit kermit_receive/empty-file 002 'send files/empty.txt'
