#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Idempotent: it asks
# apt only for what is missing. Runs apt-get as root, through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev   # the window
  fonts-liberation                            # the window's dialog font (Liberation Sans)
  libgtest-dev googletest                     # unit tests
  nlohmann-json3-dev                          # the simulated camera's state file
  libcli11-dev                                # command line
  nettle-dev                                  # SHA-256 of scripts and EEPROM images in records
  clang libclang-rt-14-dev                    # libFuzzer for the input readers' fuzz targets
  xvfb xauth                                  # screenshots of the window on a machine without display
  help2man                                    # the manual page, made from --help
  dpkg-dev                                    # dpkg-shlibdeps: the .deb's Depends
  qemu-system-x86 busybox-static              # the kernel's bridge drivers, booted under QEMU
)
if [ "${VORLIX_WITH_PACKAGE_CHECKS:-1}" = 1 ]; then
  packages+=(lintian desktop-file-utils appstream man-db)  # checks of the .deb and what it installs
fi
if [ "${VORLIX_WITH_CROSS:-1}" = 1 ]; then
  # The Windows build of both bitnesses, tested under wine; the window's check on the
  # virtual display clicks with xdotool and takes its pictures with xwd and netpbm. A 32-bit
  # exe runs only under Debian's 32-bit wine: wine64 alone "starts" it in its wow64 mode,
  # which cannot load the 32-bit system libraries, and exits 0 having run nothing.
  # wixl builds the Windows installers (MSI) from packaging/vorlix.wxs.
  packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine32:i386 xdotool x11-apps netpbm
             wixl)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# A package of another architecture (wine32:i386) needs that architecture enabled before the
# package lists are read.
for p in "${missing[@]}"; do
  case $p in
    *:*) arch=${p#*:}
      [ "$arch" = "$(dpkg --print-architecture)" ] ||
        dpkg --print-foreign-architectures | grep -qx "$arch" ||
        "${as_root[@]}" dpkg --add-architecture "$arch" ;;
  esac
done
# A mirror in the middle of a sync serves some index files short: apt-get update then fails for
# those files and keeps the rest, which is enough to go on with. When the security index of one
# architecture is behind the other's, a package of both (libssl3 for wine32:i386) has no version
# common to the two; the release's own suite has one, so the install is tried again from it.
install() {
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null
}
for attempt in 1 2 3; do
  "${as_root[@]}" apt-get update -qq && break
  echo "apt-get update failed (attempt $attempt of 3); going on with the index files it has" >&2
  [ "$attempt" = 3 ] || sleep 10
done
if ! install; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || exit 1
  echo "Installing again, each package from $codename itself" >&2
  install -t "$codename"
fi
