#!/usr/bin/env bash
# Builds the fuzz targets of the program's three input readers with clang's libFuzzer (and
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each for a bounded time from its
# seed corpus: the QEF script reader (tests/eeprom/corpus/), the simulator's state file
# (tests/sim/corpus/) and the headless action script (tests/frame/corpus/). Fails when a
# target crashes; the crashing input is left in build/fuzz/. FUZZ_SECONDS sets the time of each
# target (default 8, about 25 s for the three).
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/fuzz
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}
io="io/hex.cpp io/input_file.cpp io/output_file.cpp io/printable.cpp"
# res/ takes its version block from the project's version, as the CMake build passes it.
IFS=. read -r major minor patch < <(sed -n 's/^project(vorlix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
version="-DVORLIX_VERSION_MAJOR=$major -DVORLIX_VERSION_MINOR=$minor -DVORLIX_VERSION_PATCH=$patch"

# name, seed corpus, sources
targets=(
  "fuzz_reader tests/eeprom/corpus eeprom/script_reader.cpp tests/eeprom/fuzz_reader.cpp"
  "fuzz_state tests/sim/corpus sim/sim_state.cpp tests/sim/fuzz_state.cpp"
  "fuzz_actions tests/frame/corpus frame/action_script.cpp res/templates.cpp tests/frame/fuzz_actions.cpp"
)
for target in "${targets[@]}"; do
  read -r name seeds sources <<<"$target"
  mkdir -p "$out/$name.corpus"
  # shellcheck disable=SC2086  # the source lists are meant to split
  "$cxx" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    $version -I. $sources $io -o "$out/$name"
  cp "$seeds"/* "$out/$name.corpus/"
  # New inputs go to build/fuzz/NAME.corpus; the seeds in the source tree stay as they are.
  "$out/$name" -max_total_time="${FUZZ_SECONDS:-8}" -max_len=16384 -timeout=10 \
    -artifact_prefix="$out/$name-" -print_final_stats=1 "$out/$name.corpus" 2>"$out/$name.log" ||
    { tail -n 40 "$out/$name.log"; exit 1; }
  echo "$name: $(grep -E '^stat::number_of_executed_units' "$out/$name.log" || echo done)"
done
