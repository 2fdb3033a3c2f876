#!/usr/bin/env bash
# Builds the Windows installer of one bitness from the folder of the download, with wixl
# (Debian's package wixl) and packaging/vorlix.wxs:
#   build-msi.sh win64|win32 VERSION PAYLOAD_DIR ICON OUT.msi
# VERSION is the program's (x.y.z); scripts/build-windows.sh gives the one of the root
# CMakeLists.txt, and the Windows stage of the tests a higher one to test an upgrade with.
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: build-msi.sh win64|win32 VERSION PAYLOAD_DIR ICON OUT.msi" >&2; exit 2; }
build=$1 version=$2 payload=$3 icon=$4 out=$5
case $build in
  win64) arch=x64 ;;
  win32) arch=x86 ;;
  *) echo "build-msi.sh: unknown build $build (win64 or win32)" >&2; exit 2 ;;
esac
[[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] ||
  { echo "build-msi.sh: version \"$version\" is not x.y.z" >&2; exit 2; }
# The first version after this one: the same version's other builds are those below it.
next=${BASH_REMATCH[1]}.${BASH_REMATCH[2]}.$((BASH_REMATCH[3] + 1))
wxs=$(cd "$(dirname "$0")/../packaging" && pwd)/vorlix.wxs
# wixl warns of the WiX attributes it does not know on standard error; a failure is its status.
wixl --arch "$arch" -D Version="$version" -D NextVersion="$next" -D Arch="$arch" \
  -D Payload="$payload" -D Icon="$icon" -o "$out" "$wxs"
