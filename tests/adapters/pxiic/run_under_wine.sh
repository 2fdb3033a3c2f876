#!/usr/bin/env bash
# Builds the pxiic backend, the stand-in adapter library and the test driver for 64-bit
# Windows with mingw-w64 and runs the driver under wine. Usage: run_under_wine.sh OUT_DIR.
# Exits 77 (CTest's "skipped") with the reason when the cross compiler or wine is missing;
# under CI=true a missing tool fails the test instead.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
out=$1

cxx=x86_64-w64-mingw32-g++
if ! command -v "$cxx" >/dev/null; then
  if [ "${CI:-}" = true ]; then
    echo "FAILED: $cxx not found (apt-get install g++-mingw-w64-x86-64); CI must run this test"
    exit 1
  fi
  echo "SKIPPED: $cxx not found (apt-get install g++-mingw-w64-x86-64)"
  exit 77
fi
"$root/scripts/wine.sh" --find >/dev/null  # exits 77, or 1 under CI, without wine

mkdir -p "$out"
flags=(-std=c++20 -O1 -Wall -Wextra -Wpedantic -Wshadow -Werror -I"$root"
       -static -static-libgcc -static-libstdc++)
"$cxx" "${flags[@]}" -shared -o "$out/PXIICDLL.dll" "$here/standin.cpp" "$here/standin.def"
"$cxx" "${flags[@]}" -shared -o "$out/pxiic_without_11.dll" "$here/standin.cpp" \
  "$here/standin_without_11.def"
"$cxx" "${flags[@]}" -o "$out/pxiic_wine_test.exe" "$here/pxiic_wine_test.cpp" \
  "$root/adapters/pxiic_adapter.cpp"
# The registration and the bus listing need the link library to run; here they only compile.
for source in pxiic_backend bus_list; do
  "$cxx" "${flags[@]}" -c -o "$out/$source.o" "$root/adapters/$source.cpp"
done

# A prefix of our own beside the build; its first start takes a while: a minute or two on a
# quiet machine, so the bound leaves room for one several times slower.
export VORLIX_WINE_PREFIX=${VORLIX_WINE_PREFIX:-$out/wineprefix}
timeout 900 "$root/scripts/wine.sh" "$out/pxiic_wine_test.exe" "Z:${out//\//\\}"
