#!/usr/bin/env bash
# Measures how close the long operations come to the camera's own pauses, on the simulated
# camera with real pauses (the bus itself costs nothing there, so everything above the sum of
# the pauses is the tool's own cost):
#
#   - in process, each operation from its start to its end (read-back, Push2White capture,
#     program + verify, Save), in the headless host, in the window, and in the window with its
#     bus log open beside it (window-log; a tree without the log has no such row): the sum of
#     its pauses, the wall time, their ratio, and the CPU time as a share of the wall time
#     (what spinning costs); with virtual time, the CPU time per bus transaction;
#   - the whole headless process: the start-up read-back alone, and with program + verify;
#     and the bare start of the program (--version, no pauses): what loading it costs;
#   - the window under Xvfb: time to the first painted window (VORLIX_SCREENSHOT) with real
#     pauses, less the same with virtual time (the toolkit's own start), against the pauses.
#
# Not a test: the figures depend on the machine and on what else runs on it. Every figure is
# the median of BENCH_RUNS runs (default 5), each in a fresh process.
#
#   scripts/bench.sh                      this tree
#   BENCH_BASE=<git rev> scripts/bench.sh this tree and <rev> (same benchmark), run alternately,
#                                         so that both see the same load
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${BENCH_RUNS:-5}
jobs=${JOBS:-2}

if [ -z "${BENCH_IN_XVFB:-}" ]; then
  VORLIX_WITH_CROSS=0 scripts/deps.sh
  launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  build() {  # build SOURCE_DIR BUILD_DIR
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIX_TESTS=ON "${launcher[@]}" \
      >/dev/null
    cmake --build "$2" -j"$jobs" --target vorlix operations_benchmark >/dev/null
  }
  build . build/bench
  if [ -n "${BENCH_BASE:-}" ]; then
    # The older tree, measured with this tree's benchmark.
    rm -rf build/bench-base/src && mkdir -p build/bench-base/src
    git archive "$BENCH_BASE" | tar -x -C build/bench-base/src
    rm -rf build/bench-base/src/tests/perf && cp -r tests/perf build/bench-base/src/tests/perf
    grep -q 'perf' build/bench-base/src/tests/CMakeLists.txt ||
      echo 'add_subdirectory(perf)' >>build/bench-base/src/tests/CMakeLists.txt
    build build/bench-base/src build/bench-base
  fi
  exec env BENCH_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

variants=(this)
dirs=(build/bench)
if [ -n "${BENCH_BASE:-}" ]; then
  variants+=(base)
  dirs+=(build/bench-base)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The operations are measured as they always were: without the backup before the first EEPROM
# write (a tree that has none does not know the option), and never into the user's folder.
export XDG_DATA_HOME=$work/data-home
no_backup() {
  if "$1" --help 2>/dev/null | grep -q -- '--no-backup'; then echo --no-backup; fi
}
data=$work/data
: >"$data"

# Whole processes are timed with ${EPOCHREALTIME//[.,]/} (microseconds), read without
# starting a process (date, awk, even a $(...) subshell): under load a fork costs tens of
# milliseconds, which would count as the program's own start.
ms_between() { awk "BEGIN{print ($2 - $1) / 1000}"; }  # ms_between T0_US T1_US
pauses_of() { awk '/^P /{s += $2} END{print s + 0}' "$1"; }
median() { sort -g | awk '{a[NR] = $1} END{if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

qef=$work/program.qef
for n in $(seq 0 1023); do
  printf '%02x' $(((n * 7 + 3) & 255))
  [ $((n % 16)) = 15 ] && echo || printf ' '
done >"$qef"
printf 'file %s\nclick 1032\nclick 1061\n' "$qef" >"$work/program.actions"

# One whole process: wall time against the pauses in its trace.
process() {  # process VARIANT NAME BINARY ARGS...
  local variant=$1 name=$2 t0 t1 p
  shift 2
  t0=${EPOCHREALTIME//[.,]/}
  "$@" --trace "$work/trace" >/dev/null
  t1=${EPOCHREALTIME//[.,]/}
  p=$(pauses_of "$work/trace")
  wall=$(ms_between "$t0" "$t1")
  echo "$variant process $name pauses_ms=$p wall_ms=$wall ratio=$(awk "BEGIN{printf \"%.4f\", $wall / $p}")" >>"$data"
}

# Start to end of a window that paints itself once and closes.
window_ms() {  # window_ms BINARY ARGS...
  local t0 t1
  rm -f "$work/shot.png"
  t0=${EPOCHREALTIME//[.,]/}
  VORLIX_SCREENSHOT=$work/shot.png "$@" --trace "$work/trace" >/dev/null 2>&1
  t1=${EPOCHREALTIME//[.,]/}
  [ -s "$work/shot.png" ] || { echo "no window picture" >&2; exit 1; }
  ms_between "$t0" "$t1"
}

for r in $(seq 1 "$runs"); do
  for i in "${!variants[@]}"; do
    v=${variants[$i]}
    d=${dirs[$i]}
    bench=$d/tests/perf/operations_benchmark
    vorlix=$d/app/vorlix
    nb=$(no_backup "$vorlix")
    "$bench" --runs 1 | sed "s/^/$v /" >>"$data"
    "$bench" --pauses | sed "s/^/$v /" >>"$data"
    "$bench" --runs 3 --virtual-time | sed "s/^/$v virtual-/" >>"$data"
    "$bench" --window --runs 1 2>/dev/null | sed "s/^/$v /" >>"$data"
    "$bench" --window --bus-log --runs 1 2>/dev/null | sed "s/^/$v /" >>"$data" || true
    "$bench" --window --runs 3 --virtual-time 2>/dev/null | sed "s/^/$v virtual-/" >>"$data"
    "$bench" --window --bus-log --runs 3 --virtual-time 2>/dev/null | sed "s/^/$v virtual-/" >>"$data" || true
    t0=${EPOCHREALTIME//[.,]/}
    "$vorlix" --version >/dev/null
    t1=${EPOCHREALTIME//[.,]/}
    echo "$v process version wall_ms=$(ms_between "$t0" "$t1")" >>"$data"
    # shellcheck disable=SC2086  # $nb is no word or one
    process "$v" startup "$vorlix" $nb --headless --bus sim
    # shellcheck disable=SC2086
    process "$v" program "$vorlix" $nb --headless --bus sim --actions "$work/program.actions"
    # shellcheck disable=SC2086
    toolkit=$(window_ms "$vorlix" $nb --bus sim --virtual-time)
    # shellcheck disable=SC2086
    wall=$(window_ms "$vorlix" $nb --bus sim)
    p=$(pauses_of "$work/trace")
    echo "$v xvfb first-paint pauses_ms=$p wall_ms=$wall toolkit_ms=$toolkit ratio=$(awk "BEGIN{printf \"%.4f\", ($wall - $toolkit) / $p}")" >>"$data"
  done
  echo "run $r of $runs done" >&2
done

field() {  # field VARIANT HOST OPERATION KEY: the median over the runs
  grep "^$1 $2 $3 " "$data" | tr ' ' '\n' | sed -n "s/^$4=//p" | median
}

range() {  # range VARIANT HOST OPERATION KEY: the least and the greatest over the runs
  grep "^$1 $2 $3 " "$data" | tr ' ' '\n' | sed -n "s/^$4=//p" | sort -g | sed -n '1p;$p' |
    paste -sd- -
}

echo "Machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Medians of $runs runs. Ratio: wall time / sum of pauses (process start included for whole"
echo "processes; for the window: (time to first paint - the same with virtual time) / pauses)."
echo "CPU %: process CPU time / wall time with real pauses. CPU/tx: with virtual time."
echo "Ratio range: the least and the greatest ratio over the runs (how noisy the machine was)."
for v in "${variants[@]}"; do
  echo
  echo "== $v"
  printf '%-10s %-12s %10s %10s %8s %10s %7s  %s\n' host operation pauses_ms wall_ms ratio \
    cpu_us/tx cpu_% 'ratio range'
  for host in headless window window-log; do
    for op in startup readback push2white program save; do
      printf '%-10s %-12s %10s %10s %8s %10s %7s  %s\n' "$host" "$op" \
        "$(field "$v" "$host" "$op" pauses_ms)" "$(field "$v" "$host" "$op" wall_ms)" \
        "$(field "$v" "$host" "$op" ratio)" "$(field "$v" "virtual-$host" "$op" cpu_us_per_transaction)" \
        "$(field "$v" "$host" "$op" cpu_percent)" "$(range "$v" "$host" "$op" ratio)"
    done
  done
  printf '%-10s %-12s %10s %10s %8s %10s %7s  %s   late median %s us, p99 %s us, max %s us\n' \
    pacer pauses "$(field "$v" pacer pauses pauses_ms)" "$(field "$v" pacer pauses wall_ms)" \
    "$(field "$v" pacer pauses ratio)" "" "" "$(range "$v" pacer pauses ratio)" \
    "$(field "$v" pacer pauses late_median_us)" "$(field "$v" pacer pauses late_p99_us)" \
    "$(field "$v" pacer pauses late_max_us)"
  printf '%-10s %-12s %10s %10s\n' process version 0 "$(field "$v" process version wall_ms)"
  for op in startup program; do
    printf '%-10s %-12s %10s %10s %8s %10s %7s  %s\n' process "$op" \
      "$(field "$v" process "$op" pauses_ms)" "$(field "$v" process "$op" wall_ms)" \
      "$(field "$v" process "$op" ratio)" "" "" "$(range "$v" process "$op" ratio)"
  done
  printf '%-10s %-12s %10s %10s %8s %10s %7s  %s   toolkit start %s ms\n' xvfb first-paint \
    "$(field "$v" xvfb first-paint pauses_ms)" "$(field "$v" xvfb first-paint wall_ms)" \
    "$(field "$v" xvfb first-paint ratio)" "" "" "$(range "$v" xvfb first-paint ratio)" \
    "$(field "$v" xvfb first-paint toolkit_ms)"
done
if [ -n "${BENCH_KEEP:-}" ]; then cp "$data" "$BENCH_KEEP"; fi
