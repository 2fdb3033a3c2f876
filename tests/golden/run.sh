#!/usr/bin/env bash
# One golden case: runs the built vorlix as the case's folder says and compares everything the
# run shows or leaves behind with the folder's expected/ files.
#
# Usage: run.sh VORLIX CASE_DIR           compare; the first difference as a unified diff
#        run.sh --regen VORLIX CASE_DIR   rewrite CASE_DIR/expected from this run
#
# A case folder holds:
#   args       the command line after "vorlix", one argument a line (an empty line is an empty
#              argument)
#   expected/  status (the exit status), stdout and stderr (each left out when empty), and every
#              file the run created or changed in its work folder, under the same path
#   any other file: an input, copied into the work folder before the run
# The run starts in a fresh work folder that holds a copy of samples/ and the case's inputs, with
# HOME and XDG_DATA_HOME inside it: nothing reaches the real user's folders, and a backup is an
# output like any other file. The locale is C, so that the system's error texts are English.
# A file the run leaves exactly as it was is no output: an input that must stay untouched (the
# state file of a refused run) is simply absent from expected/, and an unexpected file (a trace
# of a run that should have sent nothing, a backup made despite --no-backup) is a difference.
#
# Normalised in the outputs, and nothing else:
#   - the work folder's absolute path (it differs on every run) becomes {work};
#   - the time in a backup's file name (YYYYMMDD-HHMMSS, the name's start), in the names under
#     data/vorlix/backups/ and in such a path in stdout, becomes {time};
#   - in a QEF file the run wrote, the time of its "date:" comment line becomes {date}.
set -euo pipefail

regen=0
if [ "${1:-}" = --regen ]; then
  regen=1
  shift
fi
[ $# -eq 2 ] || {
  echo "usage: $0 [--regen] VORLIX CASE_DIR" >&2
  exit 2
}
vorlix=$(realpath "$1")
case_dir=$(realpath "$2")
source_dir=$(realpath "$(dirname "$0")/../..")
name=$(basename "$case_dir")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vorlix-golden-$name.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
work=$scratch/work inputs=$scratch/inputs actual=$scratch/actual
mkdir -p "$work" "$actual"
cp -R "$source_dir/samples" "$work/samples"
for input in "$case_dir"/* "$case_dir"/.[!.]*; do
  [ -e "$input" ] || continue
  case $(basename "$input") in args | expected) continue ;; esac
  cp -R "$input" "$work/"
done
cp -R "$work" "$inputs"

mapfile -t args <"$case_dir/args"
status=0
(
  cd "$work"
  export HOME=$work/home XDG_DATA_HOME=$work/data LC_ALL=C
  unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
  exec "$vorlix" "${args[@]}" </dev/null >"$scratch/stdout" 2>"$scratch/stderr"
) || status=$?

# What the run showed and left: its exit status, its non-empty standard streams, and every file
# of the work folder that is new or changed.
echo "$status" >"$actual/status"
for stream in stdout stderr; do
  [ -s "$scratch/$stream" ] && cp "$scratch/$stream" "$actual/$stream"
done
(cd "$work" && find . -type f -printf '%P\n') | while IFS= read -r file; do
  if ! cmp -s "$work/$file" "$inputs/$file" 2>/dev/null; then
    mkdir -p "$actual/$(dirname "$file")"
    cp "$work/$file" "$actual/$file"
  fi
done

# The normalisations listed at the top.
time_pattern='[0-9]{8}-[0-9]{6}'
for backup in "$actual"/data/vorlix/backups/*; do
  [ -f "$backup" ] || continue
  normalised=$(basename "$backup" | sed -E "s/^$time_pattern/{time}/")
  [ "$normalised" = "$(basename "$backup")" ] || mv "$backup" "$(dirname "$backup")/$normalised"
done
find "$actual" -type f -name '*.qef' -exec \
  perl -pi -e 's|(?<=^// date: )\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ(?=\r?$)|{date}|' {} +
find "$actual" -type f -exec env WORK="$work" perl -pi -e 's/\Q$ENV{WORK}\E/{work}/g' {} +
if [ -f "$actual/stdout" ]; then
  perl -pi -e "s|(?<={work}/data/vorlix/backups/)$time_pattern|{time}|g" "$actual/stdout"
fi

if [ $regen = 1 ]; then
  rm -rf "$case_dir/expected"
  cp -R "$actual" "$case_dir/expected"
  exit 0
fi

# The exit status first, then the standard streams, then the files: the first difference is
# shown whole, the others by name.
list_files() { (cd "$1" && find . -type f -printf '%P\n' 2>/dev/null) || true; }
mapfile -t files < <({
  list_files "$case_dir/expected"
  list_files "$actual"
} | sort -u | awk '$0=="status"{print 0, $0; next} $0=="stdout"{print 1, $0; next}
                    $0=="stderr"{print 2, $0; next} {print 3, $0}' | sort -k1,1n -k2 |
  cut -d' ' -f2-)
first=1 others=()
for file in "${files[@]}"; do
  expected_file=$case_dir/expected/$file actual_file=$actual/$file
  [ -f "$expected_file" ] || expected_file=/dev/null
  [ -f "$actual_file" ] || actual_file=/dev/null
  cmp -s "$expected_file" "$actual_file" && continue
  if [ $first = 1 ]; then
    echo "golden case $name: $file differs (expected, then this run):"
    diff -u --label "expected/$file" --label "actual/$file" "$expected_file" "$actual_file" || true
    first=0
  else
    others+=("$file")
  fi
done
[ $first = 1 ] && exit 0
[ ${#others[@]} -eq 0 ] || echo "also different: ${others[*]}"
echo "(after an intended change: scripts/regen-golden.sh $name, then review git diff)"
exit 1
