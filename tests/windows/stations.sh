#!/usr/bin/env bash
# Stations under wine, as vorlix.exe (either bitness) runs them:
# - stations that share one record file and one backup folder: eight runs started together on
#   simulated cameras at one address, ten rounds. Each run must keep a backup of its own and
#   append whole lines only: its started line (naming the backup, before the first write) and
#   its final line, none cut or empty;
# - a bench of two simulated sockets in one station (the golden case station-bench): its
#   threads take turns on one virtual clock, so its screen must be the Linux one, byte for byte.
# Usage: stations.sh WINDOWS_VORLIX_EXE OUT_DIR
set -euo pipefail
exe=$(realpath "$1") out=$2
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
started=$(grep -c '"result":"started"' "$record" || true)
mapfile -t named < <(sed -n 's/.*"backup":"\([^"]*\)".*/\1/p' "$record" | sed 's/\\\\/\\/g' | sort -u)
[ ${#named[@]} -gt 0 ] || { echo "no backup named in $record"; exit 1; }
folder=$("${wine[@]}" winepath -u "${named[0]%\\*}" 2>/dev/null | tr -d '\r')
kept=0
for name in "${named[@]}"; do
  file=$folder/${name##*\\}
  [ -f "$file" ] && kept=$((kept + 1))
  rm -f "$file"
done
echo "lines $lines, whole $whole, started $started, backups named $((${#named[@]})), kept $kept" \
  "(want $((2 * want)) lines, $want of each other)"
[ "$lines" = $((2 * want)) ] && [ "$whole" = "$lines" ] && [ "$started" = "$want" ] &&
  [ ${#named[@]} = "$want" ] && [ "$kept" = "$want" ] || exit 1

golden=$here/../golden/station-bench
bench=$out/bench
mkdir -p "$bench/samples"
cp "$golden/A.json" "$golden/B.json" "$bench/"
cp "$here/../../samples/example.qef" "$bench/samples/"
status=0
(cd "$bench" && "${wine[@]}" "$exe" --virtual-time --no-backup --bus sim:A.json --bus sim:B.json \
  station program samples/example.qef >stdout 2>stderr) || status=$?
echo "bench: exit $status"
[ "$status" = "$(cat "$golden/expected/status")" ] &&
  diff "$golden/expected/stdout" "$bench/stdout" && diff "$golden/expected/stderr" "$bench/stderr"
