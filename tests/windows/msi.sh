#!/usr/bin/env bash
# The installer of one bitness under wine, installed as IT installs it, silently:
# - msiexec /i ... /qn puts the exe, README-windows.txt and the samples in Program Files\Vorlix
#   (Program Files (x86) for the 32-bit one in a 64-bit wine prefix), the very files of the
#   download; the installed exe answers --version and plays the installed samples\tour.actions
#   with the Linux build's trace and dump; the Start menu has "Vorlix", and Add/Remove Programs
#   one entry "Vorlix" of this version, with its icon;
# - an installer of a higher version, built here from the same files, replaces it: one entry
#   left, of the new version, and the exe still runs;
# - msiexec /x ... /qn leaves no vorlix.exe under Program Files, no folder, no Start menu entry
#   and no entry.
# Every step waits for msiexec or the exe to end; nothing waits on time.
# Usage: msi.sh win64|win32 VERSION LINUX_GOLDEN_DIR OUT_DIR   (from the source folder, with
# WINEPREFIX set; LINUX_GOLDEN_DIR is where golden.sh left the Linux build's runs)
set -euo pipefail
build=$1 version=$2 golden=$3 out=$4
wine=(scripts/wine.sh)
rm -rf "$out"
mkdir -p "$out"
# The Start menu entry is a Windows shortcut only: wine's menu builder would also put one in the
# Linux desktop's menu of whoever runs the tests.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

name=vorlix-$version-$build
msi=build/$name.msi payload=build/$name
[ -f "$msi" ] || { echo "FAILED: no $msi (scripts/build-windows.sh makes it)"; exit 1; }
case $build in
  win64) folder="Program Files" view=64 ;;
  win32) folder="Program Files (x86)" view=32 ;;
esac
drive=$WINEPREFIX/drive_c
installed="C:\\$folder\\Vorlix"

fail() {
  echo "FAILED: $*"
  exit 1
}
# msiexec ARGS...: its status, told when it is not 0.
msiexec() {
  local status=0
  "${wine[@]}" msiexec "$@" </dev/null >>"$out/msiexec.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "msiexec $* ended with status $status"
}
# The Add/Remove Programs entries named Vorlix in both registry views, as "VIEW {CODE} VERSION"
# lines.
entries() {
  local v
  for v in 64 32; do
    "${wine[@]}" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s \
      /reg:$v 2>/dev/null | tr -d '\r' | awk -v view=$v '
        /^HKEY_/ { if (named) print view, code, shown; n = split($0, p, "\\"); code = p[n]
                   named = 0; shown = "" }
        $1 == "DisplayName" && $3 == "Vorlix" { named = 1 }
        $1 == "DisplayVersion" { shown = $3 }
        END { if (named) print view, code, shown }'
  done
}
# The one entry there must be: of this bitness's view and of version VERSION.
expect_entry() {
  local list
  list=$(entries)
  [ "$(wc -l <<<"$list")" -eq 1 ] && [ "${list%% *}" = "$view" ] &&
    [ "${list##* }" = "$1" ] || fail "Add/Remove Programs should have one Vorlix $1 (${view}-bit), has:
${list:-none}"
  echo "Add/Remove Programs: Vorlix $1, ${view}-bit ($(cut -d' ' -f2 <<<"$list"))"
}
# The installed exe with arguments, its standard output into FILE.
run_installed() {
  local file=$1
  shift
  "${wine[@]}" "$installed\\vorlix.exe" "$@" >"$file" 2>"$file.err" ||
    fail "the installed exe ended with status $? for $*: $(head -3 "$file.err")"
}
shortcut() { find "$drive" -path "*/Start Menu/Programs/Vorlix.lnk" 2>/dev/null; }

# What an earlier run of this stage may have left in the shared prefix goes first.
while read -r _ code _; do
  [ -n "$code" ] && msiexec /x "$code" /qn
done < <(entries)

msiexec /i "$msi" /qn
for file in vorlix.exe README-windows.txt samples/tour.actions samples/program.actions \
            samples/example.qef; do
  cmp -s "$payload/$file" "$drive/$folder/Vorlix/$file" ||
    fail "$folder/Vorlix/$file is not the download's $file"
done
echo "msiexec /i $msi /qn installed the download's files in $installed"
run_installed "$out/version.stdout" --version
cmp -s "$out/version.stdout" "$golden/version.stdout" ||
  fail "the installed exe's --version is \"$(cat "$out/version.stdout")\""
run_installed "$out/tour.stdout" --bus sim --virtual-time --no-backup --headless \
  --actions "$installed\\samples\\tour.actions" --trace - --dump -
cmp -s "$out/tour.stdout" "$golden/tour.stdout" ||
  fail "the installed exe's tour differs from Linux's: $(diff "$out/tour.stdout" "$golden/tour.stdout" | head -5)"
echo "the installed exe answered --version and played the installed tour as on Linux ($(wc -l <"$out/tour.stdout") lines)"
[ -n "$(shortcut)" ] || fail "no Vorlix.lnk in the Start menu"
echo "the Start menu has $(shortcut | sed "s|^$drive/|C:/|")"
expect_entry "$version"
icon=$("${wine[@]}" reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null |
  tr -d '\r' | sed -n 's/^ *ProductIcon *REG_SZ *//p' | grep -i 'vorlix\.ico$' | head -1)
[ -n "$icon" ] && [ -s "$("${wine[@]}" winepath -u "$icon" 2>/dev/null | tr -d '\r')" ] ||
  fail "the product's icon is not registered or missing (\"$icon\")"
echo "its icon: $icon"

# The next version replaces this one. Its MSI holds the same files: the version is the
# installer's.
IFS=. read -r major minor patch <<<"$version"
newer=$major.$minor.$((patch + 1))
scripts/build-msi.sh "$build" "$newer" "$payload" build/win-res/vorlix.ico "$out/newer.msi" \
  2>>"$out/wixl.log"
msiexec /i "$out/newer.msi" /qn
expect_entry "$newer"
run_installed "$out/newer-version.stdout" --version
cmp -s "$out/newer-version.stdout" "$golden/version.stdout" || fail "after the upgrade the exe does not run"
echo "the installer of $newer replaced $version"

msiexec /x "$out/newer.msi" /qn
left=$(find "$drive"/Program\ Files* -iname vorlix.exe 2>/dev/null)
[ -z "$left" ] || fail "msiexec /x left $left"
[ ! -e "$drive/$folder/Vorlix" ] || fail "msiexec /x left $folder/Vorlix"
[ -z "$(shortcut)" ] || fail "msiexec /x left $(shortcut)"
[ -z "$(entries)" ] || fail "msiexec /x left the entry $(entries)"
echo "msiexec /x /qn left no vorlix.exe under Program Files, no Start menu entry and no entry"
