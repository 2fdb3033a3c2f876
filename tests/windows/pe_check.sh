#!/usr/bin/env bash
# Static checks of a cross-built vorlix.exe, for the build that cannot be run here:
# pe_check.sh EXE pei-i386|pei-x86-64
# - the image format of its bitness, a GUI program;
# - it imports only Windows' own libraries, and the adapter's library not at all: PXIICDLL.dll
#   is loaded at run time (LoadLibraryA) and its seven entries bound by number
#   (GetProcAddress);
# - its resources: icon 128, the version block, string 101, the manifest asking "asInvoker"
#   and the common controls 6, and declaring it DPI-aware (per-monitor v2, and per-monitor in
#   the older declaration).
set -euo pipefail
exe=$1 format=$2
headers=$(objdump -p "$exe")
fail() {
  echo "FAILED: $exe: $*"
  exit 1
}
grep -q "file format $format\$" <<<"$headers" || fail "not a $format image"
grep -q "(Windows GUI)" <<<"$headers" || fail "not a GUI program"

windows_own="advapi32 bcrypt comctl32 comdlg32 gdi32 kernel32 msvcrt user32 winmm"
while read -r dll; do
  name=$(tr 'A-Z' 'a-z' <<<"${dll%.dll}")
  grep -qw "$name" <<<"$windows_own" || fail "imports $dll, which Windows does not have"
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | sed 's/\.[dD][lL][lL]$/.dll/')
for call in LoadLibraryA GetProcAddress; do
  grep -qw "$call" <<<"$headers" || fail "does not import $call"
done
grep -qi "pxiicdll" <<<"$headers" && fail "links the adapter's library at load time"
narrow=$(strings -a "$exe")
grep -q "PXIICDLL" <<<"$narrow" || fail "does not name the adapter's library"

wide=$(strings -a -el "$exe")
for text in "Vorlix MFC Application" "1, 6, 0, 0" "Vorlix.EXE" "Vorlix Application" \
            "040904b0" "&About Vorlix rev1.6"; do
  grep -qF "$text" <<<"$wide" || fail "no \"$text\" among its resources"
done
for text in 'level="asInvoker"' 'uiAccess="false"' 'Microsoft.Windows.Common-Controls' \
            '>true/pm</dpiAware>' '>PerMonitorV2, PerMonitor</dpiAwareness>'; do
  grep -qF "$text" <<<"$narrow" || fail "its manifest lacks $text"
done
echo "$exe: $format, imports $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
