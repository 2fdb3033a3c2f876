#!/usr/bin/env bash
# Builds the script reader's fuzz target with clang's libFuzzer (and AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time from the seed corpus in
# tests/eeprom/corpus/. Fails when the target crashes; the crashing input is left in
# build/fuzz/. FUZZ_SECONDS sets the time (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/fuzz
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}
mkdir -p "$out/corpus"
"$cxx" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I. eeprom/script_reader.cpp io/input_file.cpp io/printable.cpp tests/eeprom/fuzz_reader.cpp \
  -o "$out/fuzz_reader"
cp tests/eeprom/corpus/* "$out/corpus/"
# New inputs go to build/fuzz/corpus; the seeds in the source tree stay as they are.
"$out/fuzz_reader" -max_total_time="${FUZZ_SECONDS:-20}" -max_len=16384 \
  -artifact_prefix="$out/" -print_final_stats=1 "$out/corpus" 2>"$out/fuzz.log" ||
  { tail -n 40 "$out/fuzz.log"; exit 1; }
grep -E '^(Done|stat::number_of_executed_units)' "$out/fuzz.log" || true
