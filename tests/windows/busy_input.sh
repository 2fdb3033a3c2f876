#!/usr/bin/env bash
# Input made during long work is dropped, in a real window on a virtual display: three clicks
# on "Mirror (horiz)" and the space bar on "Ld EEpr file" while it programs samples/example.qef
# with real pauses on the simulated camera are never carried out, neither during the run nor
# after it, while one click after the run is.
#
# The clicks land in the middle of the run by construction, not by timing. The trace comes on
# the program's standard output through a pipe shrunk to one page (4096 bytes), and this script
# stops reading it at the run's first page write until the clicks are made: by then the program
# can have written at most one page of trace more (about 55 of the 64 page writes) and still has
# the 1024 reads of the verification ahead, each with its 2 ms pause. Every wait is for an event
# (a window by its name, a line of the trace, the program's exit), bounded only to tell a hang.
#
# Usage: busy_input.sh wine VORLIX_EXE OUT_DIR   the Win32 window under wine
#        busy_input.sh qt VORLIX OUT_DIR         the Qt window (no window manager)
# under xvfb-run. OUT_DIR gets the trace (busy.trace) and the program's standard error.
set -euo pipefail
host=$1 program=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
samples=$(cd "$here/../../samples" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
trace=$out/busy.trace resume=$out/resume
rm -f "$trace" "$resume"
: >"$trace"
mkfifo "$resume"
title="Halvard K300 camera control 1.6"
first_page="W 70 24 a0 00"  # the header of the run's first page write
mirror="W 70 00 a4 fe"      # Mirror's shadow write, once per click carried out

# Fails with the reason, leaving a picture of the screen as it was (failed.png).
fail() {
  xwd -root -silent 2>/dev/null | xwdtopnm 2>/dev/null | pnmtopng >"$out/failed.png" 2>/dev/null || true
  echo "FAILED: $*"
  exit 1
}

case $host in
  wine)
    run=("$here/../../scripts/wine.sh" "$program")
    # Without a window manager wine draws the frames and captions itself.
    "${run[0]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
    ;;
  qt) run=("$program") ;;
  *) fail "no host $host (wine or qt)" ;;
esac

# Copies the trace into $trace line by line and holds at the first page write until a line
# comes on $resume; at the end of the trace it leaves $out/read. bash reads a pipe a byte at a
# time, so nothing past the held line is taken.
reader() {
  perl -e 'fcntl(STDIN, 1031, 4096) or die "cannot shrink the trace pipe: $!\n"'  # F_SETPIPE_SZ
  local line held=
  while IFS= read -r line; do
    line=${line%$'\r'}
    printf '%s\n' "$line" >>"$trace"
    if [ -z "$held" ] && [ "$line" = "$first_page" ]; then
      held=1
      read -r _ <"$resume"
    fi
  done
  : >"$out/read"
}
rm -f "$out/read"
# Real pauses: the run takes seconds, and the window repaints during them.
"${run[@]}" --bus sim --no-backup --trace - 2>"$out/stderr" > >(reader) &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT

# The number of the first line after line $1 of the trace that is exactly $2, once there is one
# (within $3 seconds, by default 120).
await() {
  local deadline=$((SECONDS + ${3:-120})) n
  while :; do
    n=$(awk -v after="$1" -v want="$2" 'NR > after && $0 == want { print NR; exit }' "$trace")
    [ -z "$n" ] || break
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
  echo "$n"
}
# The visible window of this exact title.
window() { timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" | head -1; }

main=$(window "$title") || fail "no window titled \"$title\""
[ -n "$main" ] || fail "no window titled \"$title\""
eval "$(xdotool getwindowgeometry --shell "$main")"
# Where a control of the template lies on the screen: dialog units to pixels as each window
# maps them, from the size of the window (315 by 278 units and one notice line).
ux=0 uy=0
for c in $(seq 3 40); do
  case $host in
    qt)
      [ $(((315 * c + 2) / 4)) -eq "$WIDTH" ] && ux=$c
      [ $(((278 * c + 4) / 8 + c + c / 2 + 2)) -eq "$HEIGHT" ] && uy=$c
      ;;
    wine)  # a frame of 3 pixels a side and a caption of 19
      [ $(((WIDTH - 6) * 4 / 315)) -eq "$c" ] && ux=$c
      [ $((25 + 278 * c / 8 + c + c / 2 + 2)) -eq "$HEIGHT" ] && uy=$c
      ;;
  esac
done
if [ "$ux" = 0 ] || [ "$uy" = 0 ]; then
  fail "window of ${WIDTH}x$HEIGHT: no dialog base units fit"
fi
left=$X top=$Y
[ "$host" = wine ] && left=$((X + 3)) top=$((Y + 22))
# at X Y W H: the middle of the control at X, Y (W x H units) on the screen.
at() { echo $((left + (2 * $1 + $3) * ux / 8)) $((top + (2 * $2 + $4) * uy / 16)); }
# shellcheck disable=SC2046  # the two numbers of a place
click() { xdotool mousemove $(at "$@") click 1; }

# A click can be lost before a window takes it (one just shown, a popup of the file dialog just
# closing): Browse, "Ld EEpr file" and the search below are clicked again until what they do
# shows, which is harmless here (a second Browse is refused while the first one's dialog is open,
# a second "Ld EEpr file" comes during long work, a second search finds the camera again).
opened() { timeout 15 xdotool search --sync --onlyvisible --name "^Open\$" | head -1; }
open=
for _ in $(seq 8); do
  click 276 86 32 13  # "Browse"
  open=$(opened) && [ -n "$open" ] && break
done
[ -n "$open" ] || fail "no open-file dialog from Browse"
xdotool windowfocus --sync "$open"
case $host in
  wine) xdotool type --delay 20 "Z:${samples//\//\\}\\example.qef" ;;
  qt) xdotool type --delay 20 "$samples/example.qef" ;;
esac
xdotool key Return
deadline=$((SECONDS + 60))
while xdotool search --onlyvisible --name "^Open\$" >/dev/null; do
  [ $SECONDS -lt $deadline ] || fail "the open-file dialog stayed open"
  sleep 0.2
done
# Browse has stored the path before the next click is handled.
start=
for _ in $(seq 8); do
  click 153 87 40 13  # "Ld EEpr file"
  start=$(await 0 "$first_page" 15) && break
done
[ -n "$start" ] || fail "programming wrote no page"
# While the run is held: three clicks on Mirror, and the space bar on "Ld EEpr file", which has
# the focus since it was clicked. The pointer query after them (on the same connection) returns
# once the display has handled them, and so sent them to the program.
# shellcheck disable=SC2046  # the two numbers of a place
xdotool mousemove $(at 17 89 51 12) click --repeat 3 --delay 500 1 \
  windowfocus --sync "$main" key space getmouselocation >/dev/null
echo go >"$resume"
echo "three clicks on \"Mirror (horiz)\" and the space bar during the run"

ended=$(await "$start" "W 70 01 a7 ff") || fail "the run did not read back the last byte"
ended=$(await "$ended" "R 71 1 : ff") || fail "the run did not read back the last byte"
# Search I2C address (no long work) until its probe shows: then the program has returned from
# the run and takes input again (a click that came while the run still ended went nowhere).
searched=
for _ in $(seq 10); do
  click 61 239 72 13  # "Search I2C address"
  if searched=$(await "$ended" "W 70 01 a0 fe" 15); then break; fi
done
[ -n "$searched" ] || fail "the window took no input after the run"
click 17 89 51 12  # one click on Mirror now
await "$searched" "$mirror" >/dev/null || fail "a click on Mirror after the run did nothing"

# Escape ends the program (asked for again should a key be lost).
running() { kill -0 $program 2>/dev/null || [ ! -e "$out/read" ]; }
for _ in $(seq 4); do
  xdotool windowfocus --sync "$main" key Escape 2>/dev/null || true
  deadline=$((SECONDS + 15))
  while running && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  running || break
done
running && fail "Escape did not end the program"
trap - EXIT
wait $program || fail "the program ended with status $?"

boxes=$(grep -c '^B ' "$trace" || true)
[ "$boxes" = 0 ] || fail "the run said: $(grep '^B ' "$trace")"
mirrors=$(tail -n +"$start" "$trace" | grep -cxF "$mirror" || true)
[ "$mirrors" = 1 ] || fail "Mirror was carried out $mirrors times from the run on, not once"
runs=$(grep -cxF "$first_page" "$trace" || true)
[ "$runs" = 1 ] || fail "the space bar during the run programmed again ($runs runs)"
echo "the clicks and the key during the run went nowhere; the click after it was carried out once"
