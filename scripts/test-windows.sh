#!/usr/bin/env bash
# The Windows stage of the tests (scripts/test.sh runs it after the Linux suite): cross-builds
# vorlix.exe of both bitnesses with the test programs, and then for each bitness, under wine:
# the test programs of the platform-independent layers; whole runs of the exe against the
# Linux build's (LINUX_BUILD, default build/test); stations sharing a record file and a backup
# folder; a read-back through the pxiic backend and a
# stand-in adapter library of the exe's bitness that answers like the simulated camera, and
# the stand-in of the other bitness refused; the window on a virtual display, also at 150 % and
# 200 % scale, and its dropping of what is clicked while it programs; the installer, installed,
# upgraded and removed silently. Both exe are also checked statically.
#
# Missing tools skip the stage with the reason; under CI=true they fail it. Each exe must
# first print its version line under wine: a wine that cannot start the 32-bit one (wine64
# without Debian's wine32) skips the 32-bit runs with the reason, and fails the stage under
# CI=true; the 64-bit exe not starting fails it always.
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
  # No key repeat: on a loaded machine a key's release can come later than the repeat's
  # delay, and the typed text would have a letter twice.
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -r" env VORLIX_WINDOWS_DISPLAY=1 "$0" "$@"
fi

rm -rf "$out"
mkdir -p "$out"

# One wine prefix and one wineserver for every run of the stage.
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
mkdir -p "$WINEPREFIX"
server=$(dirname "$(scripts/wine.sh --find)")/wineserver
[ -x "$server" ] || server=$(command -v wineserver)
WINEDEBUG=-all "$server" -p
trap 'WINEPREFIX="$WINEPREFIX" "$server" -k 2>/dev/null || true' EXIT
# Wine's own services start with the first program of a session and outlive it, holding on to
# that program's output: started here, with nowhere to write, they never keep a test's output
# open (ctest would wait for it to close).
# Bounded for a machine several times slower than a quiet one: a prefix made from nothing takes a
# minute or two there.
timeout 900 scripts/wine.sh wineboot -u </dev/null >/dev/null 2>&1 ||
  { echo "FAILED: wine's session did not start (wineboot -u, status $?)"; exit 1; }

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
stage build-win32 env VORLIX_WINDOWS_TESTS=1 scripts/build-windows.sh win32
stage static-win64 tests/windows/pe_check.sh build/win64/app/vorlix.exe pei-x86-64
stage static-win32 tests/windows/pe_check.sh build/win32/app/vorlix.exe pei-i386

# Whether wine runs the exe of that bitness: it must print the Linux build's version line. Its
# exit status says nothing: wine64 without wine32 "starts" a 32-bit exe in a mode that cannot
# load Windows' 32-bit libraries, and it exits 0 having run nothing. On failure, why.
version=$("$linux/app/vorlix" --version)
starts() {
  local exe=build/win$1/app/vorlix.exe status=0 printed
  started=$SECONDS
  scripts/wine.sh "$exe" --version >"$out/start-win$1.out" 2>"$out/start-win$1.err" || status=$?
  printed=$(cat "$out/start-win$1.out")
  [ "$printed" = "$version" ] && return 0
  [ -n "$printed" ] && printed="\"$(head -1 <<<"$printed")\"" || printed=nothing
  why="$exe under wine printed $printed (exit status $status), not \"$version\""
  [ -s "$out/start-win$1.err" ] && why+="; wine said: $(head -1 "$out/start-win$1.err")"
  return 1
}

# Input made while the window works is dropped: clicks during a programming run with real
# pauses are never carried out (tests/windows/busy_input.sh).
busy_input() {
  stage "busy-input-win$1" tests/windows/busy_input.sh wine "build/win$1/app/vorlix.exe" \
    "$out/busy-input-win$1"
}

# The runs of one bitness under wine.
runs() {
  local bits=$1 other=64
  [ "$bits" = 64 ] && other=32
  local exe=build/win$bits/app/vorlix.exe adapters=build/win$bits/tests/adapters
  stage "suites-win$bits" bash -c "cd build/win$bits && ctest --output-on-failure -j${JOBS:-2}"
  stage "golden-win$bits" tests/windows/golden.sh "$linux/app/vorlix" "$exe" "$out/golden-win$bits"
  stage "stations-win$bits" tests/windows/stations.sh "$exe" "$out/stations-win$bits"
  stage "standin-readback-win$bits" tests/windows/standin_readback.sh "$linux/app/vorlix" "$exe" \
    "$adapters/standin_camera.dll" "build/win$other/tests/adapters/standin_camera.dll" \
    "$out/standin-win$bits"
  stage "window-win$bits" tests/windows/window.sh "$exe" "$out/golden-win$bits/linux/tour.stdout" \
    "$out/window-win$bits"
  busy_input "$bits"
  installer_and_scales "$bits"
}

# The installer of one bitness (installed, upgraded and removed silently), and the window at
# the scales of high-DPI screens: 150 % and 200 % (wine's LogPixels, set by window.sh), put back
# to 100 % for what follows.
project_version=$(sed -n 's/^project(vorlix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
installer_and_scales() {
  local bits=$1 dpi
  stage "msi-win$bits" tests/windows/msi.sh "win$bits" "$project_version" \
    "$out/golden-win$bits/linux" "$out/msi-win$bits"
  for dpi in 144 192; do
    stage "window-win$bits-${dpi}dpi" tests/windows/window.sh "build/win$bits/app/vorlix.exe" \
      "$out/golden-win$bits/linux/tour.stdout" "$out/window-win$bits-${dpi}dpi" "$dpi"
  done
  scripts/wine.sh reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f \
    >/dev/null
}

if starts 64; then
  echo "ok    start-win64 ($((SECONDS - started)) s): $version"
  runs 64
else
  echo "FAIL  start-win64: $why"
  failures+=(start-win64)
fi

if starts 32; then
  echo "ok    start-win32 ($((SECONDS - started)) s): $version"
  runs 32
elif [ "${CI:-}" = true ]; then
  echo "FAIL  start-win32: $why (Debian's wine32:i386 runs 32-bit programs; scripts/deps.sh installs it)"
  failures+=(start-win32)
else
  echo "skip  the 32-bit runs: $why (Debian's wine32:i386 runs 32-bit programs; scripts/deps.sh installs it)"
fi

[ ${#failures[@]} -eq 0 ] || { echo "Windows stage failed: ${failures[*]}"; exit 1; }
echo "Windows stage passed"
