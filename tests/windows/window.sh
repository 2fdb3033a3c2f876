#!/usr/bin/env bash
# The window of a vorlix.exe (either bitness) under wine on a virtual display: it opens with
# the template's title; a click on "Mirror (horiz)", one on "Manual Exposure" and typing into
# the shutter edit give the traffic of the same actions in the tour (and nothing more: what the
# program writes into a control never comes back as input); a box; Browse and programming the
# sample script with the progress bar moving; the About box opens from the window menu and
# Escape closes it; the bus log opens from the window menu and its Save writes the trace; then
# Escape closes the program. Pictures of the window, the box, the About box and the bus log go
# to OUT_DIR (window-windows.png, box-windows.png, about-windows.png, bus-log-windows.png), and
# one of the window after programming, its notice line telling it (outcome-windows.png).
# At a high-DPI screen's scale (DPI 144 for 150 %, 192 for 200 %) the window must be laid out
# at that scale, its first clicks must find their controls at the template's places scaled,
# and the bus log must show with its layout scaled; pictures of both (window-windows.png,
# bus-log-windows.png), and nothing more.
# Usage: window.sh WINDOWS_VORLIX_EXE LINUX_TOUR_TRACE OUT_DIR [DPI]   (under xvfb-run; DPI 96
# when not given)
#
# Every wait ends on what the window shows (a window by its title there or gone, the trace's
# lines, the window's size, a file written) within a bound of VORLIX_WINDOW_BOUND seconds
# (default 120), never after a fixed time. Windows come and go meanwhile (menus, tooltips,
# wine's own): a query that meets one that vanished (X's BadWindow) is asked again.
set -euo pipefail
exe=$1 tour=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
wine=("$here/../../scripts/wine.sh")
mkdir -p "$out"
out=$(cd "$out" && pwd)  # the save dialog takes it as a Windows path
title="Halvard K300 camera control 1.6"

bound=${VORLIX_WINDOW_BOUND:-120}
fail() {
  echo "FAILED: $*"
  exit 1
}
# xdo ARGS...: xdotool, asked again while its answer is an X error about a window that went
# away between its listing the windows and its looking at one.
xdo() {
  local err=$out/xdotool.err status
  for _ in $(seq 10); do
    status=0
    xdotool "$@" 2>"$err" || status=$?
    grep -q 'BadWindow\|BadMatch\|BadDrawable' "$err" || { cat "$err" >&2; return $status; }
  done
  cat "$err" >&2
  return $status
}
# until_true WHAT COMMAND...: waits until COMMAND succeeds, within the bound; fails the test
# with WHAT otherwise.
until_true() {
  local what=$1 deadline=$((SECONDS + bound))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "$what (waited $bound s)"
    sleep 0.2
  done
}
# The visible windows of this exact title.
titled() { xdo search --onlyvisible --name "^$1\$" 2>/dev/null; }
# The window of this exact title, once it is there.
window() {
  local id deadline=$((SECONDS + bound))
  until id=$(titled "$1" | head -1) && [ -n "$id" ]; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
  echo "$id"
}
# Whether no window of this title is shown.
gone() { [ -z "$(titled "$1")" ]; }
# has_keyboard TITLE: whether the window with the keyboard is titled TITLE. The window
# manager-less X server can leave the keyboard where it was when a dialog maps (a click still
# being handled, a window wine re-created under another id), so while it is elsewhere the
# dialog is asked to take it, as a click on its caption would.
has_keyboard() {
  local id
  [ "$(xdo getwindowfocus getwindowname 2>/dev/null)" = "$1" ] && return 0
  for id in $(titled "$1"); do xdo windowfocus "$id" 2>/dev/null || true; done
  return 1
}
# Whether the trace's last line is $1.
trace_ends_with() { [ "$(tail -1 "$trace")" = "$1" ]; }
# A picture of a window once its painting has settled (two pictures a second apart agree).
shot() {
  local previous=$2.previous
  rm -f "$previous"
  for _ in $(seq 20); do
    if ! xwd -silent -id "$1" >"$2.xwd" 2>/dev/null; then  # not shown yet: looked at again
      sleep 1
      continue
    fi
    xwdtopnm "$2.xwd" 2>/dev/null | pnmtopng >"$2"
    if cmp -s "$2" "$previous"; then break; fi
    cp "$2" "$previous"
    sleep 1
  done
  rm -f "$previous" "$2.xwd"
  [ -s "$2" ] || fail "no picture of window $1"
}

# Without a window manager wine draws the frames and captions itself.
"${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null

# The screen's scale: wine gives a program the dots per inch of LogPixels, read when it starts
# (wine 8 gives them to every program, whether its manifest declares it DPI-aware or not: the
# declaration is checked in the exe, statically). Wine's frame is 3 pixels on each side at every
# scale; its caption is 18 pixels at 100 %, scaled, and a line.
dpi=${4:-96}
"${wine[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
border=3 caption=$((1 + 18 * dpi / 96))
# Pixels of a layout made for 100 %, at this scale.
scaled() { echo $(($1 * dpi / 96)); }

# The window is laid out at the screen's scale, not as at 100 % and left small: its client
# area, brought back to 100 %, is as wide as at 100 % (473 pixels), give or take the rounding of
# the font's size (5 %).
check_scale() {
  local width=$(((WIDTH - 2 * border) * 96 / dpi))
  [ "$width" -ge 450 ] && [ "$width" -le 496 ] ||
    fail "at $dpi dpi the window's client area is $((WIDTH - 2 * border)) pixels wide ($width at 100 %), not about 473 at 100 %"
  echo "at $dpi dpi the window is ${WIDTH}x$HEIGHT, dialog base units ${bx}x$by"
}
# The window menu, opened with Alt+Space and then given KEYS...: wine draws the menu as a window
# of its own, waited for before the keys go to it.
shown() { xdo search --onlyvisible --name '' 2>/dev/null | sort; }
more_shown() { [ -n "$(comm -13 <(echo "$1") <(shown))" ]; }
menu() {
  local before
  xdo windowfocus --sync "$main"
  before=$(shown)
  xdotool key alt+space
  until_true "no window menu from Alt+Space" more_shown "$before"
  xdotool key "$@"
}
# Escape in the dialog ends the program, within the bound.
escape_ends_program() {
  xdo windowfocus --sync "$main"
  xdotool key Escape
  timeout "$bound" tail --pid=$program -f /dev/null || true
  kill -0 $program 2>/dev/null && fail "Escape did not end the program (waited $bound s)"
  wait $program || fail "the program ended with status $?"
  trap - EXIT
  echo "Escape ended the program"
}
# At a high-DPI scale, after the first clicks: the bus log opens from the window menu, its
# "Save..." is where the layout scaled puts it (the save dialog opens, and Escape closes it);
# then Escape ends the program.
scaled_bus_log() {
  local log
  menu Up Return
  log=$(window "Bus log — Vorlix") || fail "no bus log from the window menu"
  until_true "the trace does not end with the bus log (L open)" trace_ends_with "L open"
  shot "$log" "$out/bus-log-windows.png"
  eval "$(xdo getwindowgeometry --shell "$log")"
  # "Save..." is the first of two buttons 80 pixels wide and 24 high at 100 %, 6 apart and
  # from the client area's bottom right corner.
  xdotool mousemove $((X + WIDTH - border - $(scaled 172) + $(scaled 40))) \
    $((Y + HEIGHT - border - $(scaled 18))) click 1
  window "Save As" >/dev/null || fail "no save dialog where the bus log's \"Save...\" is at $dpi dpi"
  xdotool key Escape
  until_true "the save dialog stayed open" gone "Save As"
  echo "the bus log opened at $dpi dpi, ${WIDTH}x$HEIGHT, its \"Save...\" where its layout puts it"
  # Closing the log (it hides) gives the keyboard back to the dialog.
  xdotool key alt+F4
  until_true "the bus log stayed open" gone "Bus log — Vorlix"
  escape_ends_program
}

trace=$out/window.trace
# Real pauses: the programming below must take long enough to watch the window paint.
"${wine[@]}" "$exe" --bus sim --no-backup --trace "$trace" >"$out/window.stdout" 2>&1 &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT

main=$(window "$title") || fail "no window titled \"$title\""
[ -n "$main" ] || fail "no window titled \"$title\""
shot "$main" "$out/window-windows.png"

# The dialog font's base units follow from the window's size: the client area is 315 units
# wide, and 278 units (rounded to a pixel) plus one line of notice (1.5 lines + 2 pixels) high.
eval "$(xdo getwindowgeometry --shell "$main")"
bx=$(((WIDTH - 2 * border) * 4 / 315))
by=0
for candidate in $(seq 8 80); do
  [ $((2 * border + caption + (278 * candidate + 4) / 8 + candidate + candidate / 2 + 2)) -eq "$HEIGHT" ] &&
    by=$candidate
done
[ "$by" -gt 0 ] || fail "window of ${WIDTH}x$HEIGHT: no dialog base unit fits"
height=$HEIGHT
check_scale

# at X Y W H XDOTOOL...: moves the mouse into the control at X, Y (W x H dialog units), a few
# pixels in from its left edge (a check box's box, an edit's text), and does the rest there.
at() {
  local x=$1 y=$2 w=$3 h=$4
  shift 4
  xdotool mousemove $((X + border + x * bx / 4 + (w * bx / 4 < 16 ? w * bx / 8 : 8))) \
    $((Y + border + caption + (2 * y + h) * by / 16))
  xdotool "$@"
}
# expect ACTION WHAT: the traffic since the last expect is what the tour's ACTION gave, once
# as many lines have come.
seen=$(wc -l <"$trace")
lines_since_seen() { [ $(($(wc -l <"$trace") - seen)) -ge "$1" ]; }
expect() {
  local want got
  want=$(awk -v head="# $1" '$0 == head { on = 1; next } /^# / { on = 0 } on' "$tour")
  [ -n "$want" ] || fail "the tour has no traffic for \"$1\""
  until_true "$2 gave $(($(wc -l <"$trace") - seen)) lines of traffic, not the tour's $(wc -l <<<"$want")" \
    lines_since_seen "$(wc -l <<<"$want")"
  got=$(tail -n +$((seen + 1)) "$trace")
  seen=$(wc -l <"$trace")
  [ "$got" = "$want" ] || fail "$2 gave other traffic than the tour's \"$1\":
$got"
  echo "$2 gave the traffic of the tour's \"$1\" ($(wc -l <<<"$got") lines)"
}

at 17 89 51 12 click 1  # "Mirror (horiz)"
expect "click 1014" "a click on \"Mirror (horiz)\""
# The read-back after "Manual Exposure" writes the shutter edit: that is no typing.
at 16 15 74 13 click 1
expect "click 1000" "a click on \"Manual Exposure\""
# Typed over the selected text: one change a key, each sent.
at 119 33 16 13 click --repeat 2 1
xdotool type --delay 200 120
expect "type 1003 120" "typing 120 into the shutter edit"
[ "$dpi" = 96 ] || { scaled_bus_log; exit 0; }

# A box: "Ld EEpr file" before any file was chosen.
at 153 87 40 13 click 1
box=$(window "Vorlix") || fail "no box titled \"Vorlix\""
shot "$box" "$out/box-windows.png"
[ "$(tail -1 "$trace")" = "B Please enter file name!" ] || fail "the box is not in the trace"
xdotool key Return
until_true "Enter left the box open" gone Vorlix
seen=$(wc -l <"$trace")
echo "the box \"Please enter file name!\" titled \"Vorlix\" opened and Enter closed it"

# Browse: the common open-file dialog takes the path of the sample script.
samples=$(cd "$here/../../samples" && pwd)
at 276 86 32 13 click 1
window Open >/dev/null || fail "no open-file dialog from Browse"
# Typed once the dialog has the keyboard; Enter takes the path and closes it.
until_true "the open-file dialog never had the keyboard" has_keyboard Open
xdotool type --delay 20 "Z:${samples//\//\\}\\example.qef"
xdotool key Return
until_true "the open-file dialog stayed open" gone Open
# "Ld EEpr file" programs it, some seconds of work: meanwhile the window keeps painting, and
# the progress bar is seen at several places.
boxes=$(grep -c "^B " "$trace")
at 153 87 40 13 click 1
bar="$((border + 198 * bx / 4)) $((border + caption + 103 * by / 8)) $((103 * bx / 4)) $((7 * by / 8))"
# Pictures of the bar, a few a second, until the programming has ended: the notice then tells
# it on a second line, and the window grows by that line.
grown() {
  eval "$(xdo getwindowgeometry --shell "$main")"
  [ "$HEIGHT" -gt "$height" ]
}
deadline=$((SECONDS + bound))
: >"$out/progress.sums"
until grown; do
  [ $SECONDS -lt $deadline ] || fail "programming did not end (waited $bound s)"
  # shellcheck disable=SC2086  # the four numbers of the bar's place
  xwd -silent -id "$main" 2>/dev/null | xwdtopnm 2>/dev/null | pnmcut $bar 2>/dev/null | md5sum >>"$out/progress.sums"
  sleep 0.3
done
places=$(sort -u "$out/progress.sums" | wc -l)
[ "$places" -ge 3 ] || fail "the progress bar did not move while programming ($places pictures)"
seen=$(wc -l <"$trace")
[ "$(grep -c "^B " "$trace")" = "$boxes" ] || fail "programming the sample script said:
$(grep "^B " "$trace" | tail -n +$((boxes + 1)))"
echo "Browse took the sample script and programming it moved the progress bar ($places places)"
# Told on a second line of the notice, without a box: the window grew by that line.
eval "$(xdo getwindowgeometry --shell "$main")"
[ "$HEIGHT" -eq $((height + by)) ] || fail "the window is ${HEIGHT} high after programming, not $((height + by))"
shot "$main" "$out/outcome-windows.png"
echo "the notice line told the programming's success"

# The window menu ends with "About Vorlix rev1.6" and "Bus log...".
menu Up Up Return
about=$(window "About Vorlix") || fail "no About box from the window menu"
shot "$about" "$out/about-windows.png"
xdotool key Escape
until_true "Escape left the About box open" gone "About Vorlix"
until_true "the trace does not end with the About box (D 100)" trace_ends_with "D 100"
echo "the About box opened from the window menu and Escape closed it"

# The bus log opens beside the window from the menu's last entry; Save writes what it shows,
# the trace of the whole run so far.
menu Up Return
log=$(window "Bus log — Vorlix") || fail "no bus log from the window menu"
until_true "the trace does not end with the bus log (L open)" trace_ends_with "L open"
shot "$log" "$out/bus-log-windows.png"
main_x=$X main_y=$Y
eval "$(xdo getwindowgeometry --shell "$log")"
rm -f "$out/bus-log.trace"
xdotool mousemove $((X + WIDTH - 135)) $((Y + HEIGHT - 21)) click 1  # "Save..."
window "Save As" >/dev/null || fail "no save dialog from the bus log's Save..."
until_true "the save dialog never had the keyboard" has_keyboard "Save As"
xdotool type --delay 20 "Z:${out//\//\\}\\bus-log.trace"
xdotool key Return
until_true "the save dialog stayed open" gone "Save As"
saved() { cmp -s "$out/bus-log.trace" "$trace"; }
saved || until_true "the saved bus log is not the trace: $(diff "$out/bus-log.trace" "$trace" 2>&1 | head -5)" saved
echo "the bus log opened beside the window and Save wrote the trace ($(wc -l <"$trace") lines)"
# The log keeps the keyboard: a click on the dialog's caption gives it back.
xdotool mousemove $((main_x + 60)) $((main_y + 8)) click 1

escape_ends_program
