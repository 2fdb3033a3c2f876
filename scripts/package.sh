#!/usr/bin/env bash
# Builds the tool's Debian package and prints its path, ready for
#   sudo apt install ./build/package/deb/vorlix_VERSION_ARCH.deb
# VORLIX_BUILD_DIR packs an existing build instead of making build/package (the CI packs the
# build it has just tested).
set -euo pipefail
cd "$(dirname "$0")/.."
VORLIX_WITH_CROSS=0 VORLIX_WITH_PACKAGE_CHECKS=0 scripts/deps.sh

build=${VORLIX_BUILD_DIR:-build/package}
if [ -z "${VORLIX_BUILD_DIR:-}" ]; then
  # Debian's build flags with all hardening (stack protector, fortified functions, read-only
  # relocations bound at start); CMake reads no CPPFLAGS, so they join CXXFLAGS.
  eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
  CXXFLAGS="$CPPFLAGS $CXXFLAGS" \
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIX_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"${JOBS:-2}" --target vorlix vorlix_install_files >/dev/null
out=$build/deb
rm -rf "$out"
# dpkg-shlibdeps computes Depends from the binary's libraries; CPack strips the binary.
(cd "$build" && cpack -G DEB -B "$PWD/deb" >cpack.log 2>&1) ||
  { cat "$build/cpack.log" >&2; exit 1; }
ls "$out"/vorlix_*.deb
