#!/usr/bin/env bash
# Checks the Debian package the way a maintainer would before uploading it:
#   scripts/check-package.sh DEB BUILD_DIR
# lintian without errors or warnings, the desktop entry and metainfo validated, every installed
# file in the package, the manual page rendered without warnings, and the binary unpacked into a
# scratch root answering --version and --help like the build's binary and playing the sample
# tour with the same trace. A missing tool is a failure, never a skip.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "$1")
build=$(realpath "$2")
scratch=$(mktemp -d)
export XDG_DATA_HOME=$scratch/data-home  # no backup ever lands in the user's folder
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }
for tool in lintian desktop-file-validate appstreamcli man dpkg-deb; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done

app_id=$(sed -n 's/^set(VORLIX_APP_ID "\(.*\)")$/\1/p' CMakeLists.txt)
version=$(dpkg-deb -f "$deb" Version)
[ -n "$app_id" ] || fail "no application id in CMakeLists.txt"

echo "== lintian"
lintian --fail-on error,warning --display-info --tag-display-limit 0 "$deb" ||
  fail "lintian reports errors or warnings"

echo "== contents"
dpkg-deb -c "$deb" >"$scratch/contents"
for f in usr/bin/vorlix \
         "usr/share/applications/$app_id.desktop" \
         "usr/share/metainfo/$app_id.metainfo.xml" \
         usr/share/man/man1/vorlix.1.gz \
         usr/share/doc/vorlix/copyright usr/share/doc/vorlix/changelog.gz \
         usr/share/doc/vorlix/samples/tour.actions; do
  grep -q " \./$f\$" "$scratch/contents" || fail "$f is not in the package"
done
for size in 16 32 48 64 128; do
  f=usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
  grep -q " \./$f\$" "$scratch/contents" || fail "$f is not in the package"
done
echo "$(grep -c -v '/$' "$scratch/contents") files, all expected ones present"

root=$scratch/root
dpkg -x "$deb" "$root"

echo "== desktop entry and metainfo"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
# --no-net: the screenshot's address is not fetched.
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"

echo "== manual page"
warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/vorlix.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page renders with warnings:"$'\n'"$warnings"

echo "== installed binary"
installed=$root/usr/bin/vorlix
built=$build/app/vorlix
[ "$("$installed" --version)" = "$("$built" --version)" ] || fail "--version differs"
case "$("$installed" --version)" in
  "vorlix $version"*) ;;
  *) fail "--version does not name the package's version $version" ;;
esac
cmp -s <("$installed" --help) <("$built" --help) || fail "--help differs from the build's"
tour=(--headless --bus sim --virtual-time --no-backup --trace - --dump -)
"$built" "${tour[@]}" --actions samples/tour.actions >"$scratch/built.trace"
"$installed" "${tour[@]}" --actions "$root/usr/share/doc/vorlix/samples/tour.actions" \
  >"$scratch/installed.trace"
[ -s "$scratch/built.trace" ] || fail "the tour gave no trace"
diff -u "$scratch/built.trace" "$scratch/installed.trace" || fail "the tour's trace differs"
echo "tour: $(wc -l <"$scratch/built.trace") lines of trace and dump, identical"
