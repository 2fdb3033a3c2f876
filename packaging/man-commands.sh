#!/usr/bin/env bash
# Writes the manual page's COMMANDS section (an include file for help2man) from the program's own
# help: every command that `vorlix --help` lists, and every command a station runs, with its
# synopsis, its summary, its arguments and options as `vorlix COMMAND --help` gives them, and its
# examples from the examples file. So the page lists what the program has, and a command added to
# the table gets its page entry by itself; only its example is written by hand. Fails, naming the
# command, when a command has no example or an example names no command.
#
# Usage: man-commands.sh VORLIX EXAMPLES OUTPUT
set -euo pipefail
[ $# -eq 3 ] || {
  echo "usage: $0 VORLIX EXAMPLES OUTPUT" >&2
  exit 2
}
vorlix=$1 examples=$2 output=$3

# The names under the "Subcommands:" heading of a help text, one a line.
subcommands() {
  awk '/^Subcommands:/ { on = 1; next } on && /^$/ { exit } on && /^  [a-z]/ { print $1 }'
}

# roff for one command, from its help text on standard input: the synopsis as a subsection
# heading, the summary (or the one given), then each argument and option as a tagged paragraph.
# Options after the command's name are written [--flag] or [--option VALUE]; the arguments are
# the usage line's.
entry() {  # entry "COMMAND WORDS" [SUMMARY]
  awk -v name="$1" -v given="${2:-}" '
    function roff(text) {
      gsub(/\\/, "\\e", text)
      gsub(/-/, "\\-", text)
      return text
    }
    NR == 1 { summary = (given != "") ? given : $0; next }
    /^Usage: / {
      usage = $0
      sub(/^Usage: [^ ]+ /, "", usage)
      sub("^" name " ?", "", usage)
      sub(/^\[OPTIONS\] ?/, "", usage)
      sub(/ ?SUBCOMMAND$/, "", usage)
      next
    }
    /^Positionals:/ || /^Options:/ { block = $1; next }
    /^$/ { if (block == "Options:") done = 1; block = ""; next }
    done { next }
    block != "" && /^  [^ ]/ {
      line = substr($0, 3)
      split(line, parts, /   +/)
      tag = parts[1]
      desc = (length(parts) > 1) ? parts[2] : ""
      if (desc == "" && (getline next_line) > 0) {
        desc = next_line
        sub(/^ +/, "", desc)
      }
      if (tag ~ /^-h,--help/) next
      sub(/ REQUIRED$/, "", tag)
      sub(/ Needs:.*$/, "", tag)
      sub(/ \.\.\.$/, "", tag)
      n++
      tags[n] = tag
      descs[n] = desc
      if (block == "Options:") {
        split(tag, words, " ")
        options = options " [\\fB" roff(words[1]) "\\fR" (words[2] != "" ? " \\fI" roff(words[2]) "\\fR" : "") "]"
      }
    }
    END {
      printf ".SS \"%s\"\n", roff(name)
      printf ".B vorlix %s\\fR%s%s\n", roff(name), options, (usage != "" ? " \\fI" roff(usage) "\\fR" : "")
      printf ".PP\n%s.\n", roff(toupper(substr(summary, 1, 1)) substr(summary, 2))
      for (i = 1; i <= n; i++) {
        split(tags[i], words, " ")
        if (words[1] ~ /^-/)
          printf ".TP\n.B %s%s\n%s\n", roff(words[1]), (words[2] != "" ? " \\fI" roff(words[2]) "\\fR" : ""), roff(descs[i])
        else
          printf ".TP\n.I %s\n%s\n", roff(tags[i]), roff(descs[i])
      }
    }'
}

# roff for the examples of one command: what each shows, then its command lines as they stand.
examples_of() {  # examples_of "COMMAND WORDS"
  awk -v name="$1" '
    function roff(text) {
      gsub(/\\/, "\\e", text)
      gsub(/-/, "\\-", text)
      if (text ~ /^[.\047]/) text = "\\&" text
      return text
    }
    function end_lines() {
      if (open) printf ".RE\n.fi\n"
      open = 0
    }
    /^#/ || /^$/ { end_lines(); mine = 0; next }
    /^[^ ]/ {
      end_lines()
      colon = index($0, ": ")
      mine = (substr($0, 1, colon - 1) == name)
      if (mine) printf ".PP\nExample: %s:\n", roff(substr($0, colon + 2))
      next
    }
    mine {
      line = $0
      sub(/^ +/, "", line)
      if (!open) printf ".PP\n.nf\n.RS\n"
      open = 1
      print roff(line)
    }
    END { end_lines() }' "$examples"
}

commands=()
while read -r command; do
  commands+=("$command")
  if [ "$command" = station ]; then
    while read -r unit; do commands+=("station $unit"); done < <("$vorlix" station --help | subcommands)
  fi
done < <("$vorlix" --help | subcommands)

# Every command has an example, and every example is of a command.
missing=()
for command in "${commands[@]}"; do
  [ "$command" = station ] && continue  # its entries are those of the commands it runs
  grep -q "^$command: " "$examples" || missing+=("$command")
done
[ ${#missing[@]} -eq 0 ] || {
  echo "$examples: no example of ${missing[*]}: add one for the manual page" >&2
  exit 1
}
while IFS= read -r named; do
  found=0
  for command in "${commands[@]}"; do [ "$command" = "$named" ] && found=1; done
  [ $found = 1 ] || {
    echo "$examples: \"$named\" is no command of vorlix --help" >&2
    exit 1
  }
done < <(sed -n 's/^\([a-z][a-z -]*\): .*/\1/p' "$examples" | sort -u)

{
  echo "[COMMANDS]"
  echo "A command runs without a window: it finds the camera with the address search (or takes"
  echo "the one"
  echo ".B \\-\\-address"
  echo "names), does one thing and ends with the exit status below. Global options go before or"
  echo "after the command's name. Numbers are hexadecimal, as the window shows them."
  for command in "${commands[@]}"; do
    # The station's own entry is its two forms, each below with what it runs.
    [ "$command" = station ] && continue
    read -ra words <<<"$command"
    summary=""
    if [ "${words[0]}" = station ]; then
      summary="$("$vorlix" station --help | head -n 1); on each module: $("$vorlix" "${words[1]}" --help | head -n 1)"
    fi
    "$vorlix" "${words[@]}" --help | entry "$command" "$summary"
    examples_of "$command"
  done
} >"$output.tmp"
mv "$output.tmp" "$output"
