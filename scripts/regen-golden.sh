#!/usr/bin/env bash
# Rewrites the expected outputs of the golden cases (tests/golden/) from the program as it is
# built now: after an intended change, run it, read `git diff tests/golden` and commit what is
# meant. A case is a folder; new cases need only their args and inputs, this writes the rest.
# Usage: scripts/regen-golden.sh [CASE...]   (every case when none is named)
#        VORLIX_BUILD_DIR=build/x scripts/regen-golden.sh   (default build/dev, configured when new)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VORLIX_BUILD_DIR:-build/dev}

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target vorlix -j"${JOBS:-2}" >/dev/null
vorlix=$build/app/vorlix

if [ $# -eq 0 ]; then
  for args in tests/golden/*/args; do
    set -- "$@" "$(basename "$(dirname "$args")")"
  done
fi
for case in "$@"; do
  [ -f "tests/golden/$case/args" ] || {
    echo "no golden case $case (tests/golden/$case/args)" >&2
    exit 2
  }
  tests/golden/run.sh --regen "$vorlix" "tests/golden/$case"
done
git status --short -- tests/golden
