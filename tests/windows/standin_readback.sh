#!/usr/bin/env bash
# The read-back of the 64-bit exe under wine through the pxiic backend, its library a stand-in
# that answers like the simulated camera, against the Linux build's read-back of the simulated
# camera itself: the same trace and dump, byte for byte. The pauses are real on both sides.
# The same stand-in built for the other bitness is refused with the line that says so.
# Usage: standin_readback.sh LINUX_VORLIX WINDOWS_VORLIX_EXE STANDIN_DLL OTHER_BITNESS_DLL OUT_DIR
set -euo pipefail
linux=$1 windows=$2 standin=$3 other=$4 out=$5
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
"$linux" --bus sim --headless --trace - --dump - >"$out/linux.out"
"$here/../../scripts/wine.sh" "$windows" --bus "pxiic:$standin" --headless --trace - \
  --dump - >"$out/windows.out"
[ "$(wc -l <"$out/linux.out")" -gt 1000 ] || { echo "FAILED: the read-back is missing"; exit 1; }
cmp "$out/linux.out" "$out/windows.out"
echo "the read-back through $(basename "$standin") is the simulated camera's ($(wc -l <"$out/linux.out") lines)"

"$here/../../scripts/wine.sh" "$windows" --bus "pxiic:$other" --headless --trace - \
  >"$out/other.out" 2>"$out/other.err"
grep -q "is not a 64-bit Windows library: this vorlix is a 64-bit program" "$out/other.err" ||
  { echo "FAILED: a library of the other bitness was not refused as such:"; cat "$out/other.err"; exit 1; }
grep -q '^W 70 01 a0 fe !22$' "$out/other.out" ||
  { echo "FAILED: with no usable library the first transfer does not report status 22"; exit 1; }
echo "the 32-bit $(basename "$other") is refused for its bitness and every transfer reports 22"
