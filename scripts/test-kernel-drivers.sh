#!/usr/bin/env bash
# The i2c-dev backend through the Linux kernel's own drivers of the CP2112, the MCP2221 and the
# FT260: boots Debian's kernel under QEMU (TCG) once per chip from a small initramfs, where
# tests/kernel/bridge_standin.cpp becomes the chip as a USB device on the kernel's virtual host
# controller (dummy_hcd, through configfs and FunctionFS) and puts the simulated camera behind
# it (tests/kernel/guest.sh runs the cases there). The golden sessions a real bus can run go
# through the driver and must leave what they leave over --bus sim; the cases of
# tests/kernel/cases/ hold what a driver reports differently. Each case's outputs come back
# over the serial console as soon as it ends, and are compared here.
#
# Usage: scripts/test-kernel-drivers.sh [BUILD_DIR]   (default build/test; needs vorlix and
#        tests/kernel/kernel_bridge built there). Prints "ok CHIP CASE" or "FAIL CHIP CASE"
#        for each case, the timings as figures, then "N passed, M failed"; exits 1 on a
#        failure, 2 when it cannot run at all.
# While working on it: VORLIX_CHIPS="cp2112" boots one chip only; VORLIX_GUEST_ARGS adds to the
# guest's command line (vorlix_only=CASE runs that case alone after boot, vorlix_bridge_log
# makes the stand-in log every request into bridge.log); VORLIX_BOUND_SCALE multiplies every
# bound (default 1); VORLIX_KEEP_GUEST=1 keeps the guest's files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
vorlix=$build/app/vorlix
bridge=$build/tests/kernel/kernel_bridge
for f in "$vorlix" "$bridge"; do
  [ -x "$f" ] || { echo "$0: $f is not built (cmake --build $build)" >&2; exit 2; }
done

# The cases in the order the guest runs them, each with its bound in seconds: eight to ten
# times what the MCP2221's guest (the slower) took beside the CP2112's on a shared machine
# (load 8), and never under a minute, so a machine three times slower than that still passes.
# A case that runs out fails alone, with its last lines, and the next one starts. The
# timings' bound is per timed run: a run that does not end within it is reported, and fails
# nothing. The re-plug case leaves the device on another bus number; the unplug case, the last,
# pulls it out for good.
plan=(
  "boot 240" "list 60"
  "tour 90" "info 120" "backup 90" "program 150" "verify 150" "save-settings 120"
  "program-page-fault 120"
  "no-camera 60" "bus-faults 60" "concurrent 60"
  "timings 120"
  "station-replug 300"
  "unplug 90"
)
golden_cases=(tour info backup program verify save-settings program-page-fault)
kernel_cases=(no-camera bus-faults unplug)
# The golden cases that name the bus by its stable names, as a bench does; the others by its
# node. The guest puts in the device's port path and serial number as the kernel enumerated it.
declare -A named_by=([info]=@USB@ [verify]=@SERIAL@)
scale=${VORLIX_BOUND_SCALE:-1}
# The guest's whole life: its kernel's start, then every case's bound.
overall=120
for entry in "${plan[@]}"; do
  read -r name bound <<<"$entry"
  case $name in timings) bound=$((bound * 6)) ;; esac  # six timed runs
  overall=$((overall + bound))
done
overall=$((overall * scale))

# The kernel Debian has now: the image package linux-image-amd64 depends on, fetched once
# into build/kernel-cache/PACKAGE_VERSION and unpacked (installing it would run the boot
# loader's and initramfs' hooks). Its release and module paths are read from the package.
# With no package lists or no archive at hand, the newest kernel already in the cache runs.
cache=build/kernel-cache
mkdir -p "$cache"
debian_kernel() {
  package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')
  version=$(apt-cache policy "$package" 2>/dev/null | awk '/Candidate:/ {print $2}')
  [ -n "$package" ] && [ -n "$version" ] && [ "$version" != "(none)" ]
}
fetch() {
  local dir=$cache/${package}_$version deb
  [ -d "$dir/root/boot" ] && return 0
  rm -rf "$dir" && mkdir -p "$dir"
  (cd "$dir" && apt-get download -q "$package=$version") >"$cache/download.log" 2>&1 || return 1
  deb=$(ls "$dir"/*.deb)
  dpkg-deb -x "$deb" "$dir/root" && rm "$deb"
}
# Package lists never read, or read before the mirror moved on: read again, once.
update_lists() { apt-get update -q >/dev/null 2>&1 && debian_kernel; }
kernel=
if debian_kernel || update_lists; then
  if fetch || { update_lists && fetch; }; then
    kernel=$cache/${package}_$version
    find "$cache" -mindepth 1 -maxdepth 1 -type d ! -path "$kernel" -exec rm -rf {} +
  else
    echo "$0: cannot download $package=$version: $(tail -1 "$cache/download.log")" >&2
  fi
fi
if [ -z "$kernel" ]; then
  kernel=$(find "$cache" -mindepth 1 -maxdepth 1 -type d -name 'linux-image-*' | sort -V | tail -1)
  [ -n "$kernel" ] || { echo "$0: no kernel package from Debian and none in $cache" >&2; exit 2; }
  echo "$0: running the cached ${kernel##*/}" >&2
fi
vmlinuz=$(find "$kernel/root/boot" -name 'vmlinuz-*' | head -1)
release=${vmlinuz##*/vmlinuz-}
modules=$(find "$kernel/root" -type d -path "*/modules/$release/kernel" | head -1)
[ -n "$modules" ] || { echo "$0: ${kernel##*/} has no modules folder for $release" >&2; exit 2; }
echo "kernel ${kernel##*/} ($release)"

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlix-kernel.XXXXXX")
# VORLIX_KEEP_GUEST=1 keeps the guest's files and console logs, and names the folder.
if [ "${VORLIX_KEEP_GUEST:-0}" = 1 ]; then echo "guest files in $work" >&2; else trap 'rm -rf "$work"' EXIT; fi

# The initramfs: busybox, the drivers with the modules they depend on, the programs with the
# libraries they load, the runner with the tools it uses, and the cases with --bus sim
# replaced by the driver's bus.
root=$work/root
mkdir -p "$root"/{bin,dev,proc,sys,tmp,modules,cases,src/tests/golden,usr/bin}
cp /bin/busybox "$root/bin/"
# unpack_module NAME: the module's file, uncompressed, as /modules/NAME.ko.
unpack_module() {
  local file
  file=$(find "$modules" -regex ".*/${1//[-_]/[-_]}\.ko\(\.xz\|\.zst\)?" | head -1)
  [ -n "$file" ] || { echo "$0: ${kernel##*/} has no module $1" >&2; exit 2; }
  case $file in
    *.xz) xz -dc "$file" ;;
    *.zst) zstd -qdc "$file" ;;
    *) cat "$file" ;;
  esac >"$root/modules/$1.ko"
}
# add_module NAME: the module after those it depends on, as its own modinfo says;
# /modules/order lists them in the order the guest loads them at boot.
add_module() {
  local dep
  grep -qx "$1" "$root/modules/order" 2>/dev/null && return
  unpack_module "$1"
  for dep in $(tr '\0' '\n' <"$root/modules/$1.ko" | sed -n 's/^depends=//p' | tr , ' '); do
    add_module "$dep"
  done
  echo "$1" >>"$root/modules/order"
}
# The virtual host controller with its gadget side, configfs and FunctionFS for the chip's
# device, usbhid and the three drivers. i2c-stub is loaded by a case, not at boot: the other
# bus that takes a re-plugged adapter's number.
for m in dummy_hcd libcomposite usb_f_fs usbhid hid-cp2112 hid-mcp2221 hid-ft260 i2c-dev; do
  add_module "$m"
done
unpack_module i2c-stub
with_libs() {
  local f
  for f in "$@"; do
    cp -L --parents "$f" "$root"
    ldd "$f" | awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}' |
      while read -r lib; do [ -e "$root$lib" ] || cp -L --parents "$lib" "$root"; done
  done
}
with_libs /bin/bash /usr/bin/perl /usr/bin/find /usr/bin/diff /usr/bin/cmp
cp "$vorlix" "$bridge" "$root/usr/bin/"
with_libs "$root/usr/bin/vorlix" "$root/usr/bin/kernel_bridge"
cp tests/golden/run.sh "$root/src/tests/golden/"
cp -R samples "$root/src/"
cp tests/kernel/guest.sh "$root/init"
chmod +x "$root/init"

# A case for the guest: its inputs and args, over the driver's bus.
add_case() {
  local from=$1 name=$2 input
  mkdir -p "$root/cases/$name"
  for input in "$from"/*; do
    case ${input##*/} in expected*) ;; *) cp -L "$input" "$root/cases/$name/" ;; esac
  done
  sed -E -i "s/ --virtual-time//; s/ --sim-state [^ ]+//; s|--bus sim|--bus i2c:${named_by[$name]:-@BUS@}|" "$root/cases/$name/args"
}
for c in "${golden_cases[@]}"; do add_case "tests/golden/$c" "$c"; done
for c in "${kernel_cases[@]}"; do add_case "tests/kernel/cases/$c" "$c"; done
cp -R tests/kernel/cases/station-replug "$root/cases/"
cp tests/golden/states/default.json "$root/cases/concurrent-state.json"
for entry in "${plan[@]}"; do
  read -r name bound <<<"$entry"
  echo "$name $((bound * scale))"
done >"$root/cases/plan"
(cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initrd"

# One guest per chip, side by side; each case's outputs into $work/CHIP/CASE.
boot() {
  local chip=$1 status=0
  timeout "$overall" qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nographic -no-reboot \
    -kernel "$vmlinuz" -initrd "$work/initrd" \
    -append "console=ttyS0 quiet loglevel=1 panic=-1 vorlix_chip=$chip ${VORLIX_GUEST_ARGS:-}" \
    >"$work/$chip.console" 2>&1 || status=$?
  [ "$status" != 124 ] || echo "the guest ran out of its overall bound of $overall s" >>"$work/$chip.console"
  tr -d '\r' <"$work/$chip.console" >"$work/$chip.lines"
  sed -n 's/^-----BEGIN VORLIX CASE \(.*\)-----$/\1/p' "$work/$chip.lines" | while read -r name; do
    mkdir -p "$work/$chip/$name"
    sed -n "/^-----BEGIN VORLIX CASE $name-----\$/,/^-----END VORLIX CASE $name-----\$/p" "$work/$chip.lines" |
      sed '1d;$d' | base64 -d 2>/dev/null | tar -C "$work/$chip/$name" -xzf - 2>/dev/null || true
  done
}
read -ra chips <<<"${VORLIX_CHIPS:-cp2112 mcp2221 ft260}"
started=$SECONDS
for chip in "${chips[@]}"; do boot "$chip" & done
wait

passed=0 failed=0
pass() {
  passed=$((passed + 1))
  echo "ok $chip $1"
}
fail() {
  failed=$((failed + 1))
  echo "FAIL $chip $1"
  [ -z "${2:-}" ] || printf '%s\n' "$2" | head -40 | sed 's/^/  /'
  # What the driver asked that the stand-in could not answer: the likely cause on a new kernel.
  local asked
  asked=$(cat "$work/$chip/$1/asked" 2>/dev/null || true)
  [ -z "$asked" ] || [ "$asked" = - ] ||
    echo "  the driver asked what the stand-in does not answer: $asked"
}
# How the guest ran the case: "ok", or the failure with its last lines; a case with no outcome
# was not reached, or the guest stopped during it.
only=$(sed -n 's/.*vorlix_only=\([a-z0-9-]*\).*/\1/p' <<<"${VORLIX_GUEST_ARGS:-}")
ran() {
  local name=$1 dir=$work/$chip/$1 result
  [ -z "$only" ] || [ "$name" = boot ] || [ "$name" = "$only" ] || return 1  # left out on purpose
  if [ ! -f "$dir/result" ]; then
    if grep -qx "vorlix case $name start" "$work/$chip.lines"; then
      fail "$name" "the guest stopped during the case; its console's last lines:
$(grep -v '^[A-Za-z0-9+/=]*$' "$work/$chip.lines" | tail -8)"
    else
      fail "$name" "not run: the guest stopped before it; its console's last lines:
$(grep -v '^[A-Za-z0-9+/=]*$' "$work/$chip.lines" | tail -8)"
    fi
    return 1
  fi
  result=$(cat "$dir/result")
  [ "$result" = ok ] && return 0
  case $result in timeout:*) result="ran out of its bound of $(awk -v n="$name" '$1 == n {print $2}' "$root/cases/plan") s in ${result#timeout: }" ;; esac
  if [ -s "$dir/log" ]; then
    fail "$name" "$result; its last lines:
$(tail -12 "$dir/log")"
  else
    fail "$name" "$result"
  fi
  return 1
}
# The outputs of a case against the expected files: the driver's own where it has them.
compare() {
  local name=$1 expected=$2 got=$work/$chip/$1/expected
  ran "$name" || return 0
  # A QEF file names the bus it was read from: the only line that differs by design.
  find "$got" -name '*.qef' -exec sed -i 's|^// bus: i2c:/dev/i2c-[0-9]*\(\r\?\)$|// bus: sim\1|' {} +
  if diff -ru "$expected" "$got" >"$work/diff" 2>&1; then
    pass "$name"
  else
    fail "$name" "$(cat "$work/diff")"
  fi
}
# shift_record DIR BUS: what is wrong with the re-plugged shift's outcome, nothing when it is
# right. The device came back under another node, and the bus list shows the stable name under
# that one; unit 1 (before the re-plug) and unit 2 (after it) each have one final record line
# (a unit's "started" line is not one), verified, under the bus as it was given and the node
# the device had then; Ctrl-C ended the shift with status 0.
shift_record() {
  local why
  why=$(shift_faults "$@")
  [ -z "$why" ] || { printf '%s\n%s\n' "$why" "the record:"; cat "$1/records.jsonl" 2>/dev/null; }
}
shift_faults() {
  local dir=$1 bus=$2 unit line before after node
  before=$(cat "$dir/bus-before" 2>/dev/null)
  after=$(cat "$dir/bus" 2>/dev/null) || { echo "the device did not come back"; return; }
  [ "$after" != "$before" ] || echo "the device came back as $after, the node it had"
  grep -A1 "i2c:$after " "$dir/list" | tail -1 | grep -qF "$bus " ||
    printf 'the list after the re-plug does not show %s under %s:\n%s\n' "$bus" "$after" "$(cat "$dir/list")"
  for unit in 1 2; do
    line=$(grep -v '"result":"started"' "$dir/records.jsonl" 2>/dev/null | grep "\"unit\":$unit[,}]" || true)
    if [ "$(grep -c . <<<"$line")" != 1 ]; then
      echo "unit $unit: $(grep -c . <<<"$line") final record lines"
      continue
    fi
    node=$before
    [ "$unit" = 1 ] || node=$after
    for field in result:verified "bus:$bus" "resolved:$node"; do
      grep -qF "\"${field%%:*}\":\"${field#*:}\"" <<<"$line" ||
        echo "unit $unit: $(grep -o "\"${field%%:*}\":[^,}]*" <<<"$line"), not ${field#*:}"
    done
  done
  [ "$(cat "$dir/status" 2>/dev/null)" = 0 ] || echo "Ctrl-C ended the shift with status $(cat "$dir/status" 2>/dev/null || echo "none"), not 0"
}
for chip in "${chips[@]}"; do
  out=$work/$chip
  if ran boot; then
    got=$(cat "$out/boot/kernel-release")
    driver=$(cat "$out/boot/driver")
    if [ "$got" != "$release" ]; then
      fail boot "the guest ran kernel \"$got\", not $release"
    elif [ "$driver" != "$chip" ]; then
      fail boot "the stand-in was bound to the driver \"$driver\", not $chip: that driver's probe failed"
    else
      pass boot
    fi
  fi
  # The bus list names the bus as the kernel does (the list may add columns after the name),
  # and on the line under it the stable names that select it: the USB port and serial number
  # the kernel enumerated the device with.
  case $chip in
    cp2112) bus_name="CP2112 SMBus Bridge on hidraw0" ;;
    mcp2221) bus_name="MCP2221 usb-i2c bridge" ;;
    ft260) bus_name="FT260 usb-i2c bridge on hidraw0" ;;
  esac
  if ran list; then
    names="i2c:usb=$(cat "$out/boot/port")  i2c:serial=$(cat "$out/boot/serial")  "
    if grep -A1 "i2c:$(cat "$out/boot/bus") .*$bus_name" "$out/list/list" | tail -1 | grep -qF "$names"; then
      pass list
    else
      fail list "$(cat "$out/list/list")"
    fi
  fi
  for c in "${golden_cases[@]}"; do compare "$c" "tests/golden/$c/expected"; done
  # A kernel case's expected/ is what --bus sim shows; expected-CHIP/ holds the files that
  # driver changes. @BUS@ in them is the bus node the case ran on.
  for c in "${kernel_cases[@]}"; do
    expected=$work/expected-$chip-$c
    [ -d "tests/kernel/cases/$c/expected" ] || { fail "$c" "no expected/"; continue; }
    cp -R "tests/kernel/cases/$c/expected" "$expected"
    [ ! -d "tests/kernel/cases/$c/expected-$chip" ] || cp -R "tests/kernel/cases/$c/expected-$chip/." "$expected/"
    [ ! -f "$out/$c/bus" ] || { grep -rl @BUS@ "$expected" || true; } | xargs -r sed -i "s|@BUS@|$(cat "$out/$c/bus")|g"
    compare "$c" "$expected"
  done
  # Two programs on the same bus at once: both end; one has the bus, and the other is refused
  # with the line that says the bus is in use, or ran after it.
  if ran concurrent; then
    ok=1 ran_both=0
    for s in 1 2; do
      case $(cat "$out/concurrent/status$s" 2>/dev/null || echo none) in
        0) ran_both=$((ran_both + 1)) ;;
        2) grep -q "is in use by another vorlix run" "$out/concurrent/out$s" || ok=0 ;;
        *) ok=0 ;;
      esac
    done
    if [ $ok = 1 ] && [ $ran_both -ge 1 ]; then pass concurrent; else fail concurrent "$(cat "$out"/concurrent/{status,out}* 2>/dev/null)"; fi
  fi
  if ran station-replug; then
    why=$(shift_record "$out/station-replug" "i2c:usb=$(cat "$out/boot/port")")
    if [ -z "$why" ]; then pass station-replug; else fail station-replug "$why"; fi
  fi
  # Figures, never a verdict: milliseconds per run, or that a run did not end in its bound.
  if [ -f "$out/timings/timings" ]; then
    sed "s/^/timing $chip /" "$out/timings/timings"
  else
    echo "timing $chip: none ($(cat "$out/timings/result" 2>/dev/null || echo "not run"))"
  fi
  # Each case's seconds against its bound: how much room the bounds leave.
  for entry in "${plan[@]}"; do
    read -r name bound <<<"$entry"
    printf '%s %s/%s  ' "$name" "$(cat "$out/$name/seconds" 2>/dev/null || echo -)" "$((bound * scale))"
  done | sed "s/^/seconds $chip (case used\/bound): /; s/ *\$/\n/"
done
echo "guests ran $((SECONDS - started)) s (overall bound $overall s each)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
