#!/usr/bin/env bash
# One golden case: runs the built vorlix as the case's folder says and compares everything the
# run shows or leaves behind with the folder's expected/ files.
#
# Usage: run.sh VORLIX CASE_DIR           compare; the first difference as a unified diff
#        run.sh --regen VORLIX CASE_DIR   rewrite CASE_DIR/expected from these runs
#
# A case folder holds:
#   args       the runs: one command line after "vorlix" a line, its arguments separated by
#              spaces (none holds a space); lines that are empty or start with # are comments
#   expected/  status (the exit status of each run, a line each), stdout and stderr (the runs'
#              one after the other, each file left out when empty), and every file the runs
#              created or changed in the work folder, under the same path
#   check      optional: a bash script run in the work folder after the runs, for what a file
#              comparison cannot say (two traces that must end alike); it fails the case with its
#              reason on standard error, and whatever it leaves in the folder is output too
#   any other file: an input, copied into the work folder before the first run (a symbolic link
#              is copied as the file it names: shared inputs live in states/)
# The runs share a fresh work folder that holds a copy of samples/ and the case's inputs, with
# HOME and XDG_DATA_HOME inside it: nothing reaches the real user's folders, and a backup is an
# output like any other file. The locale is C, so that the system's error texts are English.
# A file the runs leave exactly as it was is no output: an input that must stay untouched (the
# state file of a refused run, the camera after a verify) is simply absent from expected/, and an
# unexpected file (a trace of a run that should have sent nothing, a backup made despite
# --no-backup) is a difference.
#
# Normalised in the outputs, and nothing else:
#   - the work folder's absolute path (it differs on every run) becomes {work};
#   - the time in a backup's file name (YYYYMMDD-HHMMSS, the name's start), in the names under
#     data/vorlix/backups/ and in such a path in stdout or stderr, becomes {time};
#   - in a QEF file a run wrote, the time of its "date:" comment line becomes {date}.
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
# Each process costs: the runner starts as few as it can (a case is a handful of them).
here=${0%/*}
[ "$here" != "$0" ] || here=.
mapfile -t paths < <(realpath "$1" "$2" "$here/../..")
vorlix=${paths[0]:-} case_dir=${paths[1]:-} source_dir=${paths[2]:-}
if [ ! -x "$vorlix" ] || [ ! -f "$case_dir/args" ]; then
  echo "$0: no program at $1, or no case at $2 (a folder with args)" >&2
  exit 2
fi
name=${case_dir##*/}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vorlix-golden-$name.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
work=$scratch/work inputs=$scratch/inputs actual=$scratch/actual
mkdir "$inputs" "$actual"
shopt -s nullglob dotglob
case_inputs=()
for input in "$case_dir"/*; do
  case ${input##*/} in args | expected | check) ;; *) case_inputs+=("$input") ;; esac
done
cp -RL "$source_dir/samples" "${case_inputs[@]}" "$inputs/"
cp -R "$inputs" "$work"

: >"$actual/status"
while IFS= read -r line || [ -n "$line" ]; do
  case $line in '' | '#'*) continue ;; esac
  read -ra args <<<"$line"
  status=0
  (
    cd "$work"
    export HOME=$work/home XDG_DATA_HOME=$work/data LC_ALL=C
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    exec "$vorlix" "${args[@]}" </dev/null >>"$actual/stdout" 2>>"$actual/stderr"
  ) || status=$?
  echo "$status" >>"$actual/status"
done <"$case_dir/args"
if [ -f "$case_dir/check" ] && ! (cd "$work" && LC_ALL=C bash "$case_dir/check"); then
  echo "golden case $name: its check failed"
  exit 1
fi

# What the runs showed and left: their exit statuses, their non-empty standard streams, and
# every file of the work folder that is new or changed (a new folder whole).
empty=()
for stream in stdout stderr; do
  [ -s "$actual/$stream" ] || empty+=("$actual/$stream")
done
[ ${#empty[@]} -eq 0 ] || rm "${empty[@]}"
while IFS= read -r line; do
  case $line in
    "Only in $work"*)
      folder=${line#Only in "$work"} folder=${folder%%: *} file=${line#*: }
      mkdir -p "$actual$folder"
      cp -R "$work$folder/$file" "$actual$folder/"
      ;;
    "Files $inputs/"*" differ")
      file=${line#Files "$inputs"/} file=${file%% and "$work"/*}
      [[ $file != */* ]] || mkdir -p "$actual/${file%/*}"
      cp "$work/$file" "$actual/$file"
      ;;
  esac
done < <(diff -rq "$inputs" "$work" || true)

# The normalisations listed at the top, in one pass; and a folder that holds no file goes (git
# has no place for it: the files say everything).
for backup in "$actual"/data/vorlix/backups/*; do
  file=${backup##*/}
  [[ $file =~ ^[0-9]{8}-[0-9]{6}(.*)$ ]] && mv "$backup" "${backup%/*}/{time}${BASH_REMATCH[1]}"
done
export WORK=$work STDOUT=$actual/stdout STDERR=$actual/stderr
# shellcheck disable=SC2016  # perl's variables, not the shell's
find "$actual" -mindepth 1 -type d -empty -delete -o -type f -exec perl -pi -e '
  s/\Q$ENV{WORK}\E/{work}/g;
  s|(?<=^// date: )\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ(?=\r?$)|{date}| if $ARGV =~ /\.qef$/;
  s|(?<=\{work\}/data/vorlix/backups/)\d{8}-\d{6}|{time}|g if $ARGV eq $ENV{STDOUT} || $ARGV eq $ENV{STDERR};
  ' {} +

if [ $regen = 1 ]; then
  rm -rf "$case_dir/expected"
  cp -R "$actual" "$case_dir/expected"
  exit 0
fi
diff -rq "$case_dir/expected" "$actual" >/dev/null 2>&1 && exit 0

# The exit status first, then the standard streams, then the files: the first difference is
# shown whole, the others by name.
files=(status stdout stderr)
while IFS= read -r file; do
  case $file in status | stdout | stderr) ;; *) files+=("$file") ;; esac
done < <({
  (cd "$case_dir/expected" && find . -type f -printf '%P\n') 2>/dev/null || true
  (cd "$actual" && find . -type f -printf '%P\n')
} | sort -u)
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
[ ${#others[@]} -eq 0 ] || echo "also different: ${others[*]}"
echo "(after an intended change: scripts/regen-golden.sh $name, then review git diff)"
exit 1
