#!/usr/bin/env bash
# Builds the tool and opens its window on the built-in simulated camera. The camera's state
# (EEPROM and registers) is kept in sim-camera.json beside the build, so it survives a
# restart like a real module. Extra arguments go to vorlix.
set -euo pipefail
cd "$(dirname "$0")/.."
VORLIX_WITH_CROSS=0 VORLIX_WITH_PACKAGE_CHECKS=0 scripts/deps.sh
cmake -S . -B build/run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIX_TESTS=OFF >/dev/null
cmake --build build/run -j"${JOBS:-2}" --target vorlix
exec build/run/app/vorlix --bus sim --sim-state build/run/sim-camera.json "$@"
