# Shared by the Wine tests (sourced): a scratch directory with a Wine prefix
# of its own, COM1 on a pty that socat joins to the far end, timing, file
# comparison, and cleanup of everything started here, wineserver included,
# however the script ends.
#
# After wine_setup EXE, `wine` runs Windows programs in that prefix, and
# COM1 is $port_a; after cable, the far end is the pty $port_b, and after
# cable_to, a program on socat's other side.

work=$(mktemp -d)
socat_pid=
background_pids=
wine_started=
cleanup() {
  for pid in $background_pids $socat_pid; do kill "$pid" 2>/dev/null || true; done
  # Only this prefix's server and programs: other Wine users are untouched.
  [ -z "$wine_started" ] || WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM
fail() { echo "FAIL: $*"; exit 1; }
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }

port_a=$work/a
port_b=$work/b

# windows_triple EXE: the MinGW target EXE was built for, from the machine
# field of its PE header (0x14c is 32-bit x86).
windows_triple() {
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  case $(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ') in
    014c) echo i686-w64-mingw32 ;;
    *) echo x86_64-w64-mingw32 ;;
  esac
}

# The directories Windows searches for the program's DLLs: its own, the one
# above it (portkit.dll beside a tool built in a subdirectory) and MinGW's
# runtime, for builds that do not link it statically.
wine_dll_path() {
  dirs=$(dirname "$1")
  [ -e "$dirs/portkit.dll" ] || [ ! -e "$dirs/../portkit.dll" ] || dirs="$dirs;$(cd "$dirs/.." && pwd)"
  triple=$(windows_triple "$1")
  for runtime in "/usr/$triple/lib/libwinpthread-1.dll" /usr/lib/gcc/"$triple"/*-posix/libwinpthread-1.dll; do
    [ -e "$runtime" ] && { dirs="$dirs;$(dirname "$runtime")"; break; }
  done
  echo "$dirs"
}

# wine_setup EXE: a fresh prefix whose COM1 is $port_a. The mapping names
# the link, not the pty behind it, so every new cable is COM1 again.
wine_setup() {
  command -v wine >/dev/null || fail "wine is not installed"
  command -v socat >/dev/null || fail "socat is not installed"
  if [ "$(windows_triple "$1")" = i686-w64-mingw32 ] && [ ! -e /usr/lib/wine/wine ]; then
    echo "skipped: $1 is a 32-bit program, and Wine for 32-bit programs (wine32) is not installed"
    exit 0
  fi
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine_started=1
  wine_log=$work/wine.log
  wineboot -i >>"$wine_log" 2>&1 || fail "wineboot failed: $(tail -5 "$wine_log")"
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$port_a" /f >>"$wine_log" 2>&1 ||
    fail "cannot map COM1: $(tail -5 "$wine_log")"
  # The server reads the port mapping when it starts; one that stays up
  # afterwards spares every later program the start-up.
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p >>"$wine_log" 2>&1
  # Only now: a 32-bit DLL directory on the path stops wineboot.
  WINEPATH=$(wine_dll_path "$1")
  export WINEPATH
}

# cable: a fresh pty pair, $port_a for Wine, $port_b for the far end; the
# old one, if any, goes first, so nothing of one test reaches the next.
cable() {
  uncable
  socat -d -d pty,raw,echo=0,link="$port_a" pty,raw,echo=0,link="$port_b" 2>"$work/socat.log" &
  socat_pid=$!
  tries=0
  until [ -e "$port_a" ] && [ -e "$port_b" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || fail "socat made no pty pair: $(cat "$work/socat.log")"
    sleep 0.05
  done
}

# cable_to DIR COMMAND: COM1's far end is COMMAND itself, run in DIR on a
# socket pair rather than a pty. lrzsz flushes its terminal when it ends,
# which on a pty throws away its last acknowledgement whenever socat has
# not read it yet; a socket has nothing to flush. socat stays 5 s after the
# program ends, so the pty is not hung up (dropping unread input) before
# the Windows side has read the last bytes. COMMAND's exit status goes to
# $work/peer.status.
cable_to() {
  uncable
  rm -f "$work/peer.status"
  socat -t 5 pty,raw,echo=0,link="$port_a" \
    SYSTEM:"cd '$1' && $2; echo \$? >'$work/peer.status'" 2>"$work/socat.log" &
  socat_pid=$!
  tries=0
  until [ -e "$port_a" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || fail "socat made no pty: $(cat "$work/socat.log")"
    sleep 0.05
  done
}

# peer_status: waits for cable_to's program and gives its exit status.
peer_status() {
  wait "$socat_pid" 2>/dev/null || true
  socat_pid=
  rm -f "$port_a"
  cat "$work/peer.status" 2>/dev/null || echo "none"
}

uncable() {
  [ -n "$socat_pid" ] || return 0
  kill "$socat_pid" 2>/dev/null || true
  wait "$socat_pid" 2>/dev/null || true
  socat_pid=
  rm -f "$port_a" "$port_b"
}

# in_background COMMAND...: started now, killed at exit if still running;
# its pid is in $last_pid.
in_background() {
  "$@" &
  last_pid=$!
  background_pids="$background_pids $last_pid"
}

now() { date +%s.%N; }

# skip_without PROGRAM...: the test passes as skipped when one is missing.
skip_without() {
  for program in "$@"; do
    if ! command -v "$program" >/dev/null; then
      echo "skipped: $program is not installed (scripts/install-deps.sh installs it)"
      exit 0
    fi
  done
}

# private_display: an X server of our own (Xvfb), started before Wine so
# that Wine's windows go there; DISPLAY names it. shot saves the screen in
# $work/shot.ppm, and pixels asks screen_pixels.py about it.
private_display() {
  in_background Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$work/display" 2>"$work/xvfb.log"
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(cat "$work/display")"
}
shot() { import -window root -depth 8 "$work/shot.ppm"; }
pixels() { python3 "$(dirname "${BASH_SOURCE[0]}")/screen_pixels.py" "$work/shot.ppm" "$@"; }
# seconds_since START: wall time since START, to the hundredth.
seconds_since() { awk -v s="$1" -v e="$(now)" 'BEGIN { printf "%.2f", e - s }'; }

# first_difference A B: where two files first differ, and how many of the
# differing bytes of B are zeros, the mark of output read from reused memory.
first_difference() {
  cmp -l "$1" "$2" 2>/dev/null | awk '
    NR == 1 { first = $1 }
    { n++; if ($3 == 0) zeros++ }
    END {
      if (n == 0) printf "the bytes that came are right"
      else printf "%d bytes differ from byte %d on, %d of them zero in the copy", n, first, zeros
    }'
}

# same_file NAME EXPECTED ACTUAL: passes or says how they differ.
same_file() {
  [ -e "$3" ] || { echo "FAIL: $1: nothing arrived"; return 1; }
  if cmp -s "$2" "$3"; then
    echo "ok: $1"
    return 0
  fi
  want=$(wc -c <"$2"); got=$(wc -c <"$3")
  echo "FAIL: $1: $got of $want bytes, $(first_difference "$2" "$3")"
  return 1
}
