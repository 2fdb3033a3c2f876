#!/usr/bin/env bash
# A vorlix.exe (either bitness) under wine against the Linux build: each run below must give
# the same bytes on standard output and in every file it writes.
# Usage: golden.sh LINUX_VORLIX WINDOWS_VORLIX_EXE OUT_DIR   (from the source folder)
set -euo pipefail
linux=$1 windows=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
wine=("$here/../../scripts/wine.sh")
mkdir -p "$out"

# Backups are made nowhere: every run that could write the EEPROM says --no-backup, and the
# data folder is a scratch one all the same.
export XDG_DATA_HOME=$out/data-home

# name | arguments ({out} is the run's own folder); standard output is compared too.
runs=(
  "tour|--bus sim --virtual-time --no-backup --headless --actions samples/tour.actions --trace - --dump -"
  "program|--bus sim --virtual-time --no-backup --headless --actions samples/program.actions --trace - --dump -"
  "files|--bus sim --virtual-time --no-backup --headless --actions samples/tour.actions --trace {out}/trace --dump {out}/dump"
  "state-new|--bus sim --virtual-time --no-backup --headless --actions samples/program.actions --sim-state {out}/state.json --trace -"
  "state-again|--bus sim --virtual-time --no-backup --headless --actions samples/tour.actions --sim-state {out}/state.json --trace -"
  "info|--bus sim --virtual-time --no-backup info"
  "verify|--bus sim --virtual-time --no-backup verify samples/example.qef --trace -"
  "station|--bus sim --virtual-time --no-backup --sim-state {out}/station.json station program samples/example.qef"
  "bad-option|--bus sim --no-such-option"
  "version|--version"
)

# The station's scripted bench (modules that come and go, Ctrl-C at the end) starts alike on
# both sides.
for side in linux windows; do
  mkdir -p "$out/$side"
  cp "$here/../golden/station/state.json" "$out/$side/station.json"
done

failed=0
for run in "${runs[@]}"; do
  name=${run%%|*} args=${run#*|}
  for side in linux windows; do
    dir=$out/$side
    mkdir -p "$dir"
    # shellcheck disable=SC2086  # the arguments are words
    set -- ${args//\{out\}/$dir}
    status=0
    if [ $side = linux ]; then
      "$linux" "$@" >"$dir/$name.stdout" 2>"$dir/$name.stderr" || status=$?
    else
      "${wine[@]}" "$windows" "$@" >"$dir/$name.stdout" 2>"$dir/$name.stderr" || status=$?
    fi
    echo "$status" >"$dir/$name.status"
  done
  # Everything the run left, standard output, error and exit status included.
  if diff -r "$out/linux" "$out/windows" >"$out/$name.diff"; then
    echo "same: $name"
  else
    echo "DIFFERENT: $name (see $out/$name.diff)"
    failed=1
  fi
done
exit $failed
