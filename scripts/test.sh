#!/usr/bin/env bash
# Builds and runs every test: the normal build, its Debian package checked and run, the
# kernel's USB-to-I2C bridge drivers under QEMU (scripts/test-kernel-drivers.sh), the
# Windows build under wine (scripts/test-windows.sh), a bounded fuzz run of the three input
# readers, then the whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
# Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=${JOBS:-2}
werror=${VORLIX_WERROR:-ON}

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIX_WERROR="$werror" >/dev/null
cmake --build build/test -j"$jobs"
# Every wine run of the tests shares one prefix: creating one takes a minute or two.
export WINEPREFIX=$PWD/build/wineprefix
(cd build/test && ctest --output-on-failure -j"$jobs")
# The same build through the kernel's CP2112 and MCP2221 drivers, in a QEMU guest.
scripts/test-kernel-drivers.sh build/test

# The Debian package of that same build, checked and run from a scratch root.
deb=$(VORLIX_BUILD_DIR=build/test scripts/package.sh)
scripts/check-package.sh "$deb" build/test

scripts/test-windows.sh build/test

scripts/fuzz.sh

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVORLIX_SANITIZE=ON -DVORLIX_WERROR="$werror" >/dev/null
cmake --build build/asan -j"$jobs"
# The wine test builds its own Windows binaries and gains nothing from the sanitizers.
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j"$jobs" -E adapters_pxiic_under_wine)

