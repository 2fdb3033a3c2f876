#!/usr/bin/env bash
# Stations that share one record file and one backup folder, as vorlix.exe (either bitness)
# under wine: eight runs started together on simulated cameras at one address, ten rounds.
# Each run must keep a backup of its own and append one whole line: no line cut or empty.
# Usage: stations.sh WINDOWS_VORLIX_EXE OUT_DIR
set -euo pipefail
exe=$1 out=$2
here=$(cd "$(dirname "$0")" && pwd)
wine=("$here/../../scripts/wine.sh")
rm -rf "$out"
mkdir -p "$out"
stations=8 rounds=10

# The backups go to %LOCALAPPDATA%\vorlix\backups, which wine sets inside its prefix: the runs'
# own are told by the record's lines, and removed at the end.
record=$out/record.jsonl
for round in $(seq "$rounds"); do
  pids=()
  for s in $(seq "$stations"); do
    echo '{}' >"$out/s$s.json"
    "${wine[@]}" "$exe" --bus sim --virtual-time --sim-state "$out/s$s.json" --record "$record" \
      --quiet erase-settings --yes >"$out/r$round-$s.out" 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do
    wait "$pid" || { echo "a run failed:"; cat "$out"/r"$round"-*.out; exit 1; }
  done
done

want=$((stations * rounds))
lines=$(wc -l <"$record")
whole=$(grep -c '^{.*}$' "$record" || true)
mapfile -t named < <(sed -n 's/.*"backup":"\([^"]*\)".*/\1/p' "$record" | sed 's/\\\\/\\/g' | sort -u)
[ ${#named[@]} -gt 0 ] || { echo "no backup named in $record"; exit 1; }
folder=$("${wine[@]}" winepath -u "${named[0]%\\*}" 2>/dev/null | tr -d '\r')
kept=0
for name in "${named[@]}"; do
  file=$folder/${name##*\\}
  [ -f "$file" ] && kept=$((kept + 1))
  rm -f "$file"
done
echo "lines $lines, whole $whole, backups named $((${#named[@]})), kept $kept (want $want each)"
[ "$lines" = "$want" ] && [ "$whole" = "$want" ] && [ ${#named[@]} = "$want" ] && [ "$kept" = "$want" ]
