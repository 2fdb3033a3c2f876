#!/usr/bin/env bash
# The read-back of the 64-bit exe under wine through the pxiic backend, its library a stand-in
# that answers like the simulated camera, against the Linux build's read-back of the simulated
# camera itself: the same trace and dump, byte for byte. The pauses are real on both sides.
# Usage: standin_readback.sh LINUX_VORLIX WINDOWS_VORLIX_EXE STANDIN_DLL OUT_DIR
set -euo pipefail
linux=$1 windows=$2 standin=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
"$linux" --bus sim --headless --trace - --dump - >"$out/linux.out"
"$here/../../scripts/wine.sh" "$windows" --bus "pxiic:$standin" --headless --trace - \
  --dump - >"$out/windows.out"
[ "$(wc -l <"$out/linux.out")" -gt 1000 ] || { echo "FAILED: the read-back is missing"; exit 1; }
cmp "$out/linux.out" "$out/windows.out"
echo "the read-back through $(basename "$standin") is the simulated camera's ($(wc -l <"$out/linux.out") lines)"
