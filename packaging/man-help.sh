#!/bin/sh
# What help2man reads for the manual page: the --help and --version of the program that VORLIX
# names, as they stand, except that the help's "Exit status:" paragraph is marked as a section
# of its own (help2man's *Section* line), so that the page has its EXIT STATUS section rather
# than a subsection of the options.
set -eu
: "${VORLIX:?VORLIX names the program}"
if [ "${1:-}" = --help ]; then
  "$VORLIX" --help | sed 's/^Exit status:$/*Exit Status*/'
else
  exec "$VORLIX" "$@"
fi
