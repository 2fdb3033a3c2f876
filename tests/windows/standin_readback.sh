#!/usr/bin/env bash
# The read-back of a vorlix.exe under wine through the pxiic backend, its library a stand-in of
# the exe's bitness that answers like the simulated camera, against the Linux build's read-back
# of the simulated camera itself: the same trace and dump, byte for byte. The pauses are real on
# both sides. For the 32-bit exe these are the first real calls of the library's entries with
# the 32-bit calling convention. The same stand-in built for the other bitness is refused with
# the line that says so.
# Usage: standin_readback.sh LINUX_VORLIX WINDOWS_VORLIX_EXE STANDIN_DLL OTHER_BITNESS_DLL OUT_DIR
set -euo pipefail
linux=$1 windows=$2 standin=$3 other=$4 out=$5
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
case $(objdump -f "$windows") in
  *pei-x86-64*) bits=64 other_bits=32 ;;
  *pei-i386*) bits=32 other_bits=64 ;;
  *) echo "FAILED: $windows is no Windows program"; exit 1 ;;
esac

"$linux" --bus sim --headless --trace - --dump - >"$out/linux.out"
"$here/../../scripts/wine.sh" "$windows" --bus "pxiic:$standin" --headless --trace - \
  --dump - >"$out/windows.out"
[ "$(wc -l <"$out/linux.out")" -gt 1000 ] || { echo "FAILED: the read-back is missing"; exit 1; }
cmp "$out/linux.out" "$out/windows.out"
echo "the read-back of the $bits-bit exe through $(basename "$standin") is the simulated camera's ($(wc -l <"$out/linux.out") lines)"

"$here/../../scripts/wine.sh" "$windows" --bus "pxiic:$other" --headless --trace - \
  >"$out/other.out" 2>"$out/other.err"
grep -q "is not a $bits-bit Windows library: this vorlix is a $bits-bit program" "$out/other.err" ||
  { echo "FAILED: a library of the other bitness was not refused as such:"; cat "$out/other.err"; exit 1; }
grep -q '^W 70 01 a0 fe !22$' "$out/other.out" ||
  { echo "FAILED: with no usable library the first transfer does not report status 22"; exit 1; }
echo "the $other_bits-bit $(basename "$other") is refused for its bitness and every transfer reports 22"
