#!/bin/bash
# The guest's first process: loads the drivers, becomes the chip named on the kernel's command
# line (vorlix_chip=cp2112 or mcp2221), runs every case of /cases against it and sends what the
# runs left over the serial console, for the host to compare.
/bin/busybox --install -s /bin
export PATH=/usr/bin:/bin LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu:/lib/x86_64-linux-gnu
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
ln -s /proc/self/fd /dev/fd
chip=$(sed -n 's/.*vorlix_chip=\([a-z0-9]*\).*/\1/p' /proc/cmdline)
out=/out
mkdir -p $out
uname -r >$out/kernel-release
for m in hid uhid hid-cp2112 hid-mcp2221 i2c-dev; do insmod /modules/$m.ko; done

# Milliseconds on the clock.
now() {
  local t=${EPOCHREALTIME/./}
  echo $((t / 1000))
}

mkfifo /tmp/control /tmp/reply
grep -q vorlix_bridge_log /proc/cmdline && export KERNEL_BRIDGE_LOG=1
kernel_bridge "$chip" /tmp/control /tmp/reply 2>$out/bridge.log &
read -r _ </tmp/reply  # "ready": the device exists
bridge() {
  echo "$*" >/tmp/control
  read -r answer </tmp/reply
  [ "$answer" = ok ] || echo "bridge: $*: $answer" >>$out/errors
}
# The bus the driver registered, by its name in sysfs, once the driver's probe has returned:
# until then the HID core drops the chip's answers. Both drivers add their GPIO lines last;
# the MCP2221's probe asks four times for a line's direction and waits out each lost answer.
bus=
waited=$(now)
for i in $(seq 1 800); do
  for name in /sys/class/i2c-dev/i2c-*/name; do
    [ -f "$name" ] || continue
    n=${name%/name}
    bus=/dev/${n##*/}
  done
  gpio=$(ls -d /sys/bus/hid/devices/*/gpiochip* 2>/dev/null || true)
  [ -n "$bus" ] && [ -e "$bus" ] && [ -n "$gpio" ] && break
  sleep 0.05
done
sleep 0.2
echo "$bus" >$out/bus
echo "bus $bus after $(($(now) - waited)) ms, $i checks" >>$out/times
vorlix --bus list >$out/list 2>&1

# One case: the golden runner writes what the runs showed and left as the case's expected/,
# and the camera's final state joins it (only when it changed).
# With a second argument N, the bridge is pulled out at the N-th transaction.
run_case() {
  case_dir=/cases/$1
  sed -i "s|@BUS@|$bus|g" "$case_dir/args"
  bridge load "$case_dir/state.json"
  [ -z "${2:-}" ] || bridge unplug-at "$2"
  start=$(now)
  bash /src/tests/golden/run.sh --regen /usr/bin/vorlix "$case_dir" >$out/$1.log 2>&1
  end=$(now)
  bridge save "$case_dir/expected/state.json"
  cp -R "$case_dir/expected" "$out/$1"
  echo "$1 $((end - start))" >>$out/times
}

# What each operation costs: pauses alone are the sim's; here the bridge answers at once, then
# in 1 ms USB frames.
timed() {
  label=$1
  shift
  start=$(now)
  (cd /tmp/t && vorlix --bus i2c:$bus "$@" >/dev/null 2>&1)
  end=$(now)
  echo "$label $((end - start))" >>$out/timings
}

[ -z "$(sed -n 's/.*vorlix_only=\([a-z0-9-]*\).*/\1/p' /proc/cmdline)" ] ||
  sed -n 's/.*vorlix_only=\([a-z0-9-]*\).*/\1/p' /proc/cmdline >/cases/order
for c in $(cat /cases/order); do
  echo "guest: $c" >/dev/console
  case $c in
    timings)
      mkdir -p /tmp/t && cp -R /src/samples /tmp/t/
      for frame in 0 1000; do
        bridge frame $frame
        bridge load /tmp/t/none.json
        timed "info-$frame" info
        timed "program-$frame" --no-backup program --all-pages samples/example.qef
        timed "verify-$frame" verify samples/example.qef
      done
      bridge frame 0
      ;;
    concurrent)
      bridge load /cases/concurrent-state.json
      mkdir -p /tmp/c1 /tmp/c2
      (cd /tmp/c1 && timeout 60 vorlix --bus i2c:$bus info >out 2>&1; echo $? >status) &
      first=$!
      (cd /tmp/c2 && timeout 60 vorlix --bus i2c:$bus info >out 2>&1; echo $? >status) &
      wait $first $!
      mkdir -p $out/concurrent
      cp /tmp/c1/status $out/concurrent/status1
      cp /tmp/c2/status $out/concurrent/status2
      cp /tmp/c1/out $out/concurrent/out1
      cp /tmp/c2/out $out/concurrent/out2
      ;;
    unplug*)
      at=$(cat /cases/$c/unplug-at)
      rm /cases/$c/unplug-at
      run_case "$c" "$at"
      ;;
    *) run_case "$c" ;;
  esac
done
dmesg >$out/dmesg
echo "-----BEGIN VORLIX OUTPUT-----"
tar -C $out -czf - . | base64
echo "-----END VORLIX OUTPUT-----"
poweroff -f
