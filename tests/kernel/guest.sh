#!/bin/bash
# The guest's first process: loads the drivers, starts the stand-in of the chip named on the
# kernel's command line (vorlix_chip=cp2112, mcp2221 or ft260), which plugs the chip into the
# virtual USB host controller, runs the cases of /cases/plan one after the other against it,
# each within its own bound, and sends what each case left over the serial console as soon as
# it ends, for the host to compare.
#
# /cases/plan: a line a case, "NAME SECONDS". On the console, per case:
#   vorlix case NAME start
#   -----BEGIN VORLIX CASE NAME-----   (base64 of a tar.gz of /out/NAME)
#   -----END VORLIX CASE NAME-----
# and last, the same block of "guest": the kernel's log and the stand-in's (bridge.log).
# /out/NAME holds "result" ("ok", "timeout: STEP" when the bound ran out during STEP, or
# "error: WHY"), "log" (what its runs said), "asked" (the requests the stand-in could not
# answer meanwhile) and the case's own outputs.
#
# Every wait ends on an event (a reply of the stand-in, a line or the end of a process) and has
# a bound: the case's time left.
/bin/busybox --install -s /bin
export PATH=/usr/bin:/bin LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu:/lib/x86_64-linux-gnu
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
ln -s /proc/self/fd /dev/fd
chip=$(sed -n 's/.*vorlix_chip=\([a-z0-9]*\).*/\1/p' /proc/cmdline)
mkdir -p /out
while read -r m; do insmod "/modules/$m.ko"; done </modules/order
mount -t configfs configfs /sys/kernel/config

# Milliseconds on the clock.
now() {
  local t=${EPOCHREALTIME/./}
  echo $((t / 1000))
}

# The stand-in, as a coprocess: its standard input and output are the control channel, open
# until this script ends. The descriptors are copied so that they outlive a stand-in that dies.
grep -q vorlix_bridge_log /proc/cmdline && export KERNEL_BRIDGE_LOG=1
coproc BRIDGE { exec kernel_bridge "$chip" 2>/out/bridge.log; }
exec {to_bridge}>&"${BRIDGE[1]}" {from_bridge}<&"${BRIDGE[0]}"
bridge_pid=${BRIDGE_PID:?}
seq=0

# The case being run: its name, its folder, its deadline and how it stands.
begin() {
  name=$1 dir=/out/$1 bound=$2 began=$(now) result=ok
  deadline=$((began + bound * 1000))
  mkdir -p "$dir"
  echo "vorlix case $name start"
}
# Seconds left of the case's bound (at least 1), or failure when it has run out.
left() {
  local ms=$((deadline - $(now)))
  [ "$ms" -gt 0 ] || return 1
  echo $(((ms + 999) / 1000))
}
ran_out() { result="timeout: $1"; }

# bridge COMMAND [ARG]: one command on the control channel, and its reply (in $answer, without
# the "ok"), within the case's time left. A reply to an earlier command given up on is skipped.
bridge() {
  [ "$result" = ok ] || return 1
  local t rseq status
  t=$(left) || { ran_out "bridge $*"; return 1; }
  seq=$((seq + 1))
  echo "$seq $*" >&"$to_bridge"
  while :; do
    if ! IFS=' ' read -r -t "$t" -u "$from_bridge" rseq status answer; then
      if kill -0 "$bridge_pid" 2>/dev/null; then ran_out "bridge $*"; else result="error: the stand-in ended: $(tail -3 /out/bridge.log)"; fi
      return 1
    fi
    [ "$rseq" = "$seq" ] && break
    t=$(left) || { ran_out "bridge $*"; return 1; }
  done
  [ "$status" = ok ] && return 0
  result="error: the stand-in answered \"$*\" with: $status $answer"
  return 1
}
# run DESCRIPTION COMMAND...: a step of the case, ended by the case's time left; its output
# goes to the case's log.
run() {
  [ "$result" = ok ] || return 1
  local what=$1 t pid timer status=0
  shift
  t=$(left) || { ran_out "$what"; return 1; }
  setsid "$@" </dev/null >>"$dir/log" 2>&1 {to_bridge}>&- {from_bridge}<&- &
  pid=$!
  # The bound: the whole process group goes when the time is up (a runner's own children too,
  # which would otherwise hold the bus into the next case).
  { sleep "$t"; kill -KILL -- "-$pid"; } 2>/dev/null &
  timer=$!
  { wait "$pid"; } 2>/dev/null || status=$?  # quietly: a killed step is told by the result
  kill "$timer" 2>/dev/null
  [ "$status" = 0 ] || left >/dev/null || { ran_out "$what"; return 1; }
  return "$status"
}
# The case's outcome on the console. The stand-in's list of what it could not answer is asked
# for even after a timeout, within a short bound of its own.
finish() {
  local outcome=$result
  echo $((($(now) - began + 500) / 1000)) >"$dir/seconds"
  result=ok deadline=$(($(now) + 10000))
  bridge asked && echo "$answer" >"$dir/asked"
  echo "$outcome" >"$dir/result"
  send "$name"
}
# send NAME: /out/NAME on the console.
send() {
  echo "-----BEGIN VORLIX CASE $1-----"
  tar -C "/out/$1" -czf - . | base64
  echo "-----END VORLIX CASE $1-----"
}

# The node of the bus the driver registered for the device on USB port $port ("/dev/i2c-N"),
# or failure when there is none: found down from the USB device in sysfs, the other way round
# from vorlix's own walk up from the bus.
i2c_node() {
  local entry
  for entry in /sys/bus/usb/devices/"$port"/*/*/i2c-*/i2c-dev/i2c-*; do
    [ -e "/dev/${entry##*/}" ] && echo "/dev/${entry##*/}" && return 0
  done
  return 1
}

# boot: the driver has bound to the stand-in (its probe has returned: until then the HID core
# drops the chip's answers) and registered its bus, whose node is there; the device's USB port
# and serial number, as the kernel enumerated them.
case_boot() {
  uname -r >"$dir/kernel-release"
  bridge bound || return
  echo "$answer" >"$dir/driver"
  local driver=$answer
  bridge usb || return
  read -r port serial <<<"$answer"
  echo "$port" >"$dir/port"
  echo "$serial" >"$dir/serial"
  bus=$(i2c_node) || { result="error: the driver $driver registered no I2C bus"; return; }
  echo "$bus" >"$dir/bus"
}

# The bus list names the bus as the kernel does.
case_list() { run "vorlix --bus list" vorlix --bus list && cp "$dir/log" "$dir/list"; }

# A golden or kernel case: the golden runner writes what the runs showed and left as the case's
# expected/, and the camera's final state joins it (only when it changed). A case with an
# unplug-at file pulls the bridge out at that transaction.
case_runs() {
  local case_dir=/cases/$name
  sed -i "s|@BUS@|$bus|g; s|@USB@|usb=$port|g; s|@SERIAL@|serial=$serial|g" "$case_dir/args"
  bridge load "$case_dir/state.json" || return
  if [ -f "$case_dir/unplug-at" ]; then
    bridge unplug-at "$(cat "$case_dir/unplug-at")" || return
    rm "$case_dir/unplug-at"
  fi
  if ! run "the golden runner" bash /src/tests/golden/run.sh --regen /usr/bin/vorlix "$case_dir"; then
    # Where the runs had got to: the last lines of what they wrote so far.
    local f
    for f in /tmp/vorlix-golden-"$name".*/work/trace* /tmp/vorlix-golden-"$name".*/actual/std*; do
      [ -s "$f" ] && printf '%s\n' "${f##*/}:" "$(tail -4 "$f")" >>"$dir/log"
    done
    return
  fi
  bridge save "$case_dir/expected/state.json" || return
  cp -R "$case_dir/expected" "$dir/expected"
  echo "$bus" >"$dir/bus"
}

# Two programs on the same bus at once; each one's status and output.
case_concurrent() {
  bridge load /cases/concurrent-state.json || return
  local s
  # shellcheck disable=SC2016  # the inner shell's variables
  run "two runs of info at once" bash -c '
    for s in 1 2; do
      mkdir -p /tmp/c$s
      (cd /tmp/c$s && vorlix --bus "i2c:$0" info >out 2>&1; echo $? >status) &
    done
    wait' "$bus" || return
  for s in 1 2; do
    cp "/tmp/c$s/status" "$dir/status$s"
    cp "/tmp/c$s/out" "$dir/out$s"
  done
}

# station-replug: a shift through the adapter's stable name, on a socket whose modules the
# guest changes as a person does, each step on an event: a blank module goes in; once its unit
# is recorded it comes out; once the station has searched the empty socket twice (it waits for
# the next module), the adapter is pulled out; while it is out, another bus (the kernel's
# i2c-stub) takes the number it had, so it comes back under another (the cases after this one
# run on that); then the next module goes in, and once its unit is recorded, Ctrl-C ends the
# shift. What the host judges: the record, the exit status, and the bus list after the re-plug.
case_station_replug() {
  local station timer
  # The device back in its port, should a case before this one have pulled it out.
  bridge plug || return
  bus=$(i2c_node) || { result="error: the device has no I2C bus"; return; }
  echo "$bus" >"$dir/bus-before"
  bridge load "/cases/$name/empty.json" || return
  mkdir -p /tmp/shift && rm -f /tmp/shift/screen && mkfifo /tmp/shift/screen
  # The station in its own session, its screen through the FIFO; the bound ends its whole group.
  (cd /tmp/shift && HOME=/tmp/shift exec setsid vorlix station program /src/samples/example.qef \
    --bus "i2c:usb=$port" --record "$dir/records.jsonl" --trace "$dir/trace" \
    </dev/null >screen 2>&1 {to_bridge}>&- {from_bridge}<&-) &
  station=$!
  { sleep "$(left || echo 1)"; kill -KILL -- "-$station"; } 2>/dev/null &
  timer=$!
  exec {screen}</tmp/shift/screen
  shift_events "$station"
  kill -KILL -- "-$station" 2>/dev/null
  kill "$timer" 2>/dev/null
  exec {screen}<&-
  # A failed shift's trace is kept by its last lines only.
  [ "$result" = ok ] && rm -f "$dir/trace"
  [ ! -f "$dir/trace" ] || { tail -20 "$dir/trace" >"$dir/trace-end" && rm "$dir/trace"; }
}
# The events of the shift, in order; the first that fails ends it. The station's screen waits in
# its FIFO while the guest waits on the stand-in (a shift's few lines are far from filling it).
shift_events() {
  local station=$1 status=0
  bridge socket "/cases/$name/blank.json" || return
  screen_until recorded 1 || return
  bridge socket "/cases/$name/empty.json" || return
  bridge swept 2 || return
  replug || return
  bridge socket "/cases/$name/blank.json" || return
  screen_until recorded 2 || return
  kill -INT "$station"
  screen_until ended || return
  { wait "$station"; } 2>/dev/null || status=$?
  echo "$status" >"$dir/status"
}
# The adapter out, its number taken by another bus, and back: the stable names under its new
# node in the bus list.
replug() {
  bridge unplug || return
  insmod /modules/i2c-stub.ko chip_addr=0x50 || { result="error: i2c-stub refused"; return 1; }
  bridge plug || return
  bus=$(i2c_node) || { result="error: the re-plugged device has no I2C bus"; return 1; }
  echo "$bus" >"$dir/bus"
  vorlix --bus list >"$dir/list" 2>&1
}
# screen_until CONDITION [ARG]: reads the station's screen line by line into the case's log
# until CONDITION holds (tried before each line), within the case's time left. "ended": the
# screen has ended (the station is gone).
screen_until() {
  local t line
  until [ "$1" != ended ] && "$@"; do
    t=$(left) || { ran_out "waiting until $*"; return 1; }
    if IFS= read -r -t "$t" -u "$screen" line; then
      printf '%s\n' "$line" >>"$dir/log"
    elif [ $? -gt 128 ]; then
      ran_out "waiting until $*"
      return 1
    elif [ "$1" = ended ]; then
      return 0
    else
      result="error: the station ended before $*"
      return 1
    fi
  done
}
# recorded N: the record holds N final lines (a unit's "started" line is not one).
recorded() {
  local final
  final=$(grep -vc '"result":"started"' "$dir/records.jsonl" 2>/dev/null)
  [ "${final:-0}" -ge "$1" ]
}

# What each operation costs, as figures: the bridge answering at once, then in 1 ms USB frames.
# Each run has the case's bound to itself; one that does not end within it is reported as such,
# and the case passes all the same.
case_timings() {
  mkdir -p /tmp/t && cp -R /src/samples /tmp/t/
  local frame label start
  cd /tmp/t || return
  for frame in 0 1000; do
    { bridge frame $frame && bridge load /tmp/t/none.json; } || break
    for label in info program verify; do
      case $label in
        info) set -- info ;;
        program) set -- --no-backup program --all-pages samples/example.qef ;;
        verify) set -- verify samples/example.qef ;;
      esac
      start=$(now) deadline=$((start + bound * 1000))
      if run "$label-$frame" vorlix --bus "i2c:$bus" "$@"; then
        echo "$label-$frame $(($(now) - start))" >>"$dir/timings"
      elif [ "$result" = ok ]; then
        echo "$label-$frame failed: $(tail -1 "$dir/log")" >>"$dir/timings"
      else
        echo "$label-$frame did not end within $bound s" >>"$dir/timings"
        result=ok
      fi
    done
  done
  cd / || return
  deadline=$(($(now) + bound * 1000))
  bridge frame 0
}

only=$(sed -n 's/.*vorlix_only=\([a-z0-9-]*\).*/\1/p' /proc/cmdline)
bus=
while read -r -u 9 what seconds; do
  [ -z "$only" ] || [ "$what" = boot ] || [ "$what" = "$only" ] || continue
  begin "$what" "$seconds"
  if [ "$what" != boot ] && [ -z "$bus" ]; then
    result="error: no bus (the boot case failed)"
  else
    case $what in
      boot | list | concurrent | timings) "case_$what" ;;
      station-replug) case_station_replug ;;
      *) case_runs ;;
    esac
  fi
  finish
done 9</cases/plan
# The kernel's log and the stand-in's, for whoever keeps the guest's files.
mkdir -p /out/guest
dmesg >/out/guest/dmesg
cp /out/bridge.log /out/guest/
send guest
poweroff -f
