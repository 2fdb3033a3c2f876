#!/usr/bin/env bash
# Cross-builds vorlix.exe for Windows with mingw-w64, statically linked:
#   build/win64/app/vorlix.exe  (x86_64)      build/win32/app/vorlix.exe  (i686)
# and the downloads: build/vorlix-VERSION-win64.zip and -win32.zip (the exe, README-windows.txt
# and the samples, for use without installing), and the installers of the same files,
# build/vorlix-VERSION-win64.msi and -win32.msi (scripts/build-msi.sh).
# Usage: scripts/build-windows.sh [win64] [win32]   (both when none is named)
# Beside each exe: the stand-in adapter libraries of the tests (build/winNN/tests/adapters/).
# VORLIX_WINDOWS_TESTS=1 also builds the test programs of the platform-independent layers,
# which ctest in build/win64 (or build/win32) runs under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-2}
builds=("$@")
version=$(sed -n 's/^project(vorlix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ ${#builds[@]} -gt 0 ] || builds=(win64 win32)

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# The resource script and the icon come from res/, written by a tool of the build machine.
cmake -S . -B build/win-tools -DCMAKE_BUILD_TYPE=Release -DVORLIX_QT=OFF -DVORLIX_TESTS=OFF \
  "${launcher[@]}" >/dev/null
cmake --build build/win-tools --target vorlix_windows_resources -j"$jobs" >/dev/null
mkdir -p build/win-res
build/win-tools/res/vorlix_windows_resources "$root/build/win-res" "$root/win32/vorlix.manifest"

for build in "${builds[@]}"; do
  case $build in
    win64) toolchain=cmake/mingw-x86_64.cmake ;;
    win32) toolchain=cmake/mingw-i686.cmake ;;
    *) echo "build-windows.sh: unknown build $build (win64 or win32)" >&2; exit 2 ;;
  esac
  cmake --no-warn-unused-cli -S . -B "build/$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DVORLIX_QT=OFF -DVORLIX_TESTS=ON \
    -DVORLIX_WERROR="${VORLIX_WERROR:-ON}" -DVORLIX_WINDOWS_RESOURCES="$root/build/win-res" \
    "${launcher[@]}" >/dev/null
  if [ "${VORLIX_WINDOWS_TESTS:-0}" = 1 ]; then
    cmake --build "build/$build" -j"$jobs"
  else
    cmake --build "build/$build" -j"$jobs" --target vorlix standin_recorder standin_camera
  fi
  echo "built build/$build/app/vorlix.exe"

  # The download: one folder in a zip, its text files with Windows' line ends.
  name=vorlix-$version-$build
  rm -rf "build/$name" "build/$name.zip"
  mkdir -p "build/$name/samples"
  cp "build/$build/app/vorlix.exe" "build/$name/"
  sed 's/$/\r/' win32/README-windows.txt >"build/$name/README-windows.txt"
  sed 's/$/\r/' samples/tour.actions >"build/$name/samples/tour.actions"
  sed 's/$/\r/' samples/program.actions >"build/$name/samples/program.actions"
  cp samples/example.qef "build/$name/samples/"
  (cd build && cmake -E tar cf "$name.zip" --format=zip "$name")
  echo "packed build/$name.zip"
  scripts/build-msi.sh "$build" "$version" "build/$name" build/win-res/vorlix.ico "build/$name.msi"
  echo "packed build/$name.msi"
done
