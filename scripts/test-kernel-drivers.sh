#!/usr/bin/env bash
# The i2c-dev backend through the Linux kernel's own drivers of the CP2112 and the MCP2221:
# boots Debian's kernel under QEMU (TCG) once per chip from a small initramfs, where
# tests/kernel/bridge_standin.cpp becomes the chip through /dev/uhid and puts the simulated
# camera behind it. The golden sessions a real bus can run go through the driver and must
# leave what they leave over --bus sim; the cases of tests/kernel/cases/ hold what a driver
# reports differently. Outputs come back over the serial console and are compared here.
#
# Usage: scripts/test-kernel-drivers.sh [BUILD_DIR]   (default build/test; needs vorlix and
#        tests/kernel/kernel_bridge built there). Prints "N passed, M failed"; exits 1 on a
#        failure, 2 when it cannot run at all.
# While working on it: VORLIX_CHIPS="cp2112" boots one chip only; VORLIX_GUEST_ARGS adds to the
# guest's command line (vorlix_only=CASE runs that case alone, vorlix_bridge_log makes the
# stand-in log every report into bridge.log); VORLIX_GUEST_TIMEOUT (seconds, default 600)
# bounds a boot; VORLIX_KEEP_GUEST=1 keeps the guest's files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
vorlix=$build/app/vorlix
bridge=$build/tests/kernel/kernel_bridge
for f in "$vorlix" "$bridge"; do
  [ -x "$f" ] || { echo "$0: $f is not built (cmake --build $build)" >&2; exit 2; }
done

# The kernel whose drivers the stand-ins answer, read from linux-source-6.1 of this same
# version. A newer package changes what the drivers ask: read their source again, then
# change these two lines.
kernel_package=linux-image-6.1.0-57-amd64
kernel_version=6.1.192-3
kernel_release=6.1.0-57-amd64

# Debian's image package runs hooks when installed (initramfs, boot loader): the harness only
# needs its files, so it fetches the exact package once and unpacks it under build/.
cache=build/kernel-cache
deb=$cache/${kernel_package}_${kernel_version}_amd64.deb
if [ ! -f "$cache/root/boot/vmlinuz-$kernel_release" ]; then
  mkdir -p "$cache"
  if [ ! -f "$deb" ]; then
    current=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ {print $2; exit}')
    current_version=$(apt-cache policy "$current" 2>/dev/null | awk '/Candidate:/ {print $2}')
    if [ "$current" != "$kernel_package" ] || [ "$current_version" != "$kernel_version" ]; then
      echo "$0: Debian's kernel is now $current $current_version; this harness is checked against $kernel_package $kernel_version: read the new drivers, then update kernel_package and kernel_version here" >&2
      exit 2
    fi
    (cd "$cache" && apt-get download -q "$kernel_package=$kernel_version" >/dev/null 2>&1) ||
      { echo "$0: cannot download $kernel_package=$kernel_version" >&2; exit 2; }
  fi
  rm -rf "$cache/root"
  dpkg-deb -x "$deb" "$cache/root"
fi
modules=$cache/root/lib/modules/$kernel_release/kernel

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlix-kernel.XXXXXX")
# VORLIX_KEEP_GUEST=1 keeps the guest's files and console logs, and names the folder.
if [ "${VORLIX_KEEP_GUEST:-0}" = 1 ]; then echo "guest files in $work" >&2; else trap 'rm -rf "$work"' EXIT; fi

# Golden sessions a real bus can run, then the cases only a driver has.
golden_cases=(tour info backup program verify save-settings program-page-fault)
kernel_cases=(no-camera bus-faults unplug)

# The initramfs: busybox, the drivers, the programs with the libraries they load, the runner
# with the tools it uses, and the cases with --bus sim replaced by the driver's bus.
root=$work/root
mkdir -p "$root"/{bin,dev,proc,sys,tmp,modules,cases,src/tests/golden,usr/bin}
cp /bin/busybox "$root/bin/"
for m in hid/hid hid/uhid hid/hid-cp2112 hid/hid-mcp2221; do cp "$modules/drivers/$m.ko" "$root/modules/"; done
cp "$modules/drivers/i2c/i2c-dev.ko" "$root/modules/"
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
  sed -E -i 's/ --virtual-time//; s/ --sim-state [^ ]+//; s|--bus sim|--bus i2c:@BUS@|' "$root/cases/$name/args"
}
for c in "${golden_cases[@]}"; do add_case "tests/golden/$c" "$c"; done
for c in "${kernel_cases[@]}"; do add_case "tests/kernel/cases/$c" "$c"; done
cp tests/golden/states/default.json "$root/cases/concurrent-state.json"
printf '%s\n' "${golden_cases[@]}" no-camera bus-faults concurrent timings unplug >"$root/cases/order"
(cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initrd"

boot() {
  timeout "${VORLIX_GUEST_TIMEOUT:-600}" qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nographic -no-reboot \
    -kernel "$cache/root/boot/vmlinuz-$kernel_release" -initrd "$work/initrd" \
    -append "console=ttyS0 quiet loglevel=1 panic=-1 vorlix_chip=$1 ${VORLIX_GUEST_ARGS:-}" >"$work/$1.console" 2>&1 || true
  mkdir -p "$work/$1"
  sed -n '/^-----BEGIN VORLIX OUTPUT-----/,/^-----END VORLIX OUTPUT-----/p' "$work/$1.console" |
    tr -d '\r' | sed '1d;$d' | base64 -d 2>/dev/null | tar -C "$work/$1" -xzf - 2>/dev/null || true
}
read -ra chips <<<"${VORLIX_CHIPS:-cp2112 mcp2221}"
for chip in "${chips[@]}"; do boot "$chip" & done
wait

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() {
  failed=$((failed + 1))
  echo "FAIL $chip $1"
  [ -z "${2:-}" ] || printf '%s\n' "$2" | head -40 | sed 's/^/  /'
}
# The outputs of a case against the expected files: the driver's own where it has them.
compare() {
  local name=$1 expected=$2 got=$out/$1
  if [ ! -d "$got" ]; then
    fail "$name" "no outputs: $(tail -5 "$out/$name.log" 2>/dev/null)"
    return
  fi
  # A QEF file names the bus it was read from: the only line that differs by design.
  find "$got" -name '*.qef' -exec sed -i 's|^// bus: i2c:/dev/i2c-[0-9]*\(\r\?\)$|// bus: sim\1|' {} +
  if diff -ru "$expected" "$got" >"$work/diff" 2>&1; then
    pass
  else
    fail "$name" "$(cat "$work/diff")"
  fi
}
for chip in "${chips[@]}"; do
  out=$work/$chip
  release=$(cat "$out/kernel-release" 2>/dev/null || true)
  if [ "$release" != "$kernel_release" ]; then
    fail boot "the guest ran kernel \"$release\", not $kernel_release: $(tail -5 "$work/$chip.console")"
    continue
  fi
  for c in "${golden_cases[@]}"; do compare "$c" "tests/golden/$c/expected"; done
  # A kernel case's expected/ is what --bus sim shows; expected-CHIP/ holds the files that
  # driver changes.
  for c in "${kernel_cases[@]}"; do
    expected=$work/expected-$chip-$c
    [ -d "tests/kernel/cases/$c/expected" ] || { fail "$c" "no expected/"; continue; }
    cp -R "tests/kernel/cases/$c/expected" "$expected"
    [ ! -d "tests/kernel/cases/$c/expected-$chip" ] || cp -R "tests/kernel/cases/$c/expected-$chip/." "$expected/"
    compare "$c" "$expected"
  done
  # The bus list names the bus as the kernel does (the list may add columns after the name).
  case $chip in cp2112) name="CP2112 SMBus Bridge on hidraw0" ;; mcp2221) name="MCP2221 usb-i2c bridge" ;; esac
  if grep -q "i2c:$(cat "$out/bus") .*$name" "$out/list" 2>/dev/null; then pass; else fail list "$(cat "$out/list" 2>/dev/null)"; fi
  # Two programs on the same bus at once: both end (no timeout's 124); one has the bus, and
  # the other is refused with the line that says the bus is in use, or ran after it.
  ok=1 ran=0
  for s in 1 2; do
    status=$(cat "$out/concurrent/status$s" 2>/dev/null || echo none)
    case $status in
      0) ran=$((ran + 1)) ;;
      2) grep -q "is in use by another vorlix run" "$out/concurrent/out$s" || ok=0 ;;
      *) ok=0 ;;
    esac
  done
  if [ $ok = 1 ] && [ $ran -ge 1 ]; then pass; else fail concurrent "$(cat "$out"/concurrent/* 2>/dev/null)"; fi
  [ ! -s "$out/errors" ] || fail bridge "$(cat "$out/errors")"
  [ -f "$out/timings" ] && sed "s/^/timing $chip /" "$out/timings"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
