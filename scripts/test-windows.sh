#!/usr/bin/env bash
# The Windows stage of the tests (scripts/test.sh runs it after the Linux suite):
# cross-builds both vorlix.exe, runs the 64-bit test programs under wine, compares whole runs of
# the 64-bit exe under wine with the Linux build's (LINUX_BUILD, default build/test), reads the
# camera back through the pxiic backend and a stand-in adapter library that answers like the
# simulated camera, drives the window under wine on a virtual display, and checks both exe
# statically. The 32-bit exe is only checked statically unless a 32-bit wine can start it.
#
# Missing tools skip the stage with the reason; under CI=true they fail it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
linux=$(cd "${1:-build/test}" && pwd)
out=$root/build/windows-checks
# No run of this stage makes a backup in the user's data folder.
export XDG_DATA_HOME=$out/data-home

missing=()
for tool in x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix xvfb-run xdotool xwd xwdtopnm; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
scripts/wine.sh --find >/dev/null 2>&1 || missing+=(wine)
if [ ${#missing[@]} -gt 0 ]; then
  if [ "${CI:-}" = true ]; then
    echo "FAILED: the Windows stage needs ${missing[*]} (scripts/deps.sh installs them)"
    exit 1
  fi
  echo "SKIPPED: the Windows stage needs ${missing[*]} (scripts/deps.sh installs them)"
  exit 0
fi

# The whole stage runs on one virtual display: wine's session (its services and desktop) starts
# once, with the display the window check needs.
if [ -z "${VORLIX_WINDOWS_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env VORLIX_WINDOWS_DISPLAY=1 "$0" "$@"
fi

rm -rf "$out"
mkdir -p "$out"

# One wine prefix and one wineserver for every run of the stage.
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
server=$(dirname "$(scripts/wine.sh --find)")/wineserver
[ -x "$server" ] || server=$(command -v wineserver)
WINEDEBUG=-all "$server" -p
trap 'WINEPREFIX="$WINEPREFIX" "$server" -k 2>/dev/null || true' EXIT
# Wine's own services start with the first program of a session and outlive it, holding on to
# that program's output: started here, with nowhere to write, they never keep a test's output
# open (ctest would wait for it to close).
timeout 300 scripts/wine.sh wineboot -u </dev/null >/dev/null 2>&1

failures=()
stage() {
  local name=$1
  shift
  local started=$SECONDS
  if "$@" >"$out/$name.log" 2>&1; then
    echo "ok    $name ($((SECONDS - started)) s)"
  else
    echo "FAIL  $name ($((SECONDS - started)) s); its log:"
    sed 's/^/    /' "$out/$name.log" | tail -40
    failures+=("$name")
  fi
}

stage build-win64 env VORLIX_WINDOWS_TESTS=1 scripts/build-windows.sh win64
stage build-win32 scripts/build-windows.sh win32
stage suites-win64 bash -c "cd build/win64 && ctest --output-on-failure -j${JOBS:-2}"
stage golden-win64 tests/windows/golden.sh "$linux/app/vorlix" build/win64/app/vorlix.exe \
  "$out/golden"
stage standin-readback-win64 tests/windows/standin_readback.sh "$linux/app/vorlix" \
  build/win64/app/vorlix.exe build/win64/tests/adapters/standin_camera.dll \
  build/win32/tests/adapters/standin_camera.dll "$out/standin"
stage window-win64 tests/windows/window.sh build/win64/app/vorlix.exe "$out/golden/linux/tour.stdout" "$out/window"
stage static-win64 tests/windows/pe_check.sh build/win64/app/vorlix.exe pei-x86-64
stage static-win32 tests/windows/pe_check.sh build/win32/app/vorlix.exe pei-i386

# 32-bit programs need a 32-bit wine (wine32 and a kernel that runs 32-bit code).
if scripts/wine.sh build/win32/app/vorlix.exe --version >"$out/win32-start.log" 2>&1; then
  stage golden-win32 tests/windows/golden.sh "$linux/app/vorlix" build/win32/app/vorlix.exe \
    "$out/golden32"
else
  echo "skip  32-bit runs: this machine's wine cannot start a 32-bit program ($(head -1 "$out/win32-start.log"))"
fi

[ ${#failures[@]} -eq 0 ] || { echo "Windows stage failed: ${failures[*]}"; exit 1; }
echo "Windows stage passed"
