#!/usr/bin/env bash
# Checks every relative link of the documentation: README.md, HACKING.md and docs/*.md (or the
# Markdown files given). A link's file must exist beside the page that links it, and a link to
# a heading (page.md#heading, or #heading within the page) must name a heading the page has, by
# the anchor GitHub makes of it: lower case, punctuation dropped, spaces as hyphens, a repeated
# heading numbered -1, -2. Links to other sites and links inside code are not checked.
# Prints one line per broken link, FILE:LINE: what and why, and fails when there is one.
# Usage: check_links.sh SOURCE_ROOT [FILE.md...]
set -euo pipefail
root=${1:?usage: check_links.sh SOURCE_ROOT [FILE.md...]}
shift
cd "$root"
export LC_ALL=C
if [ $# -eq 0 ]; then
  set -- README.md HACKING.md docs/*.md
fi

# The anchors of a page, one a line.
anchors() {
  awk '
    /^(```|~~~)/ { fence = !fence; next }
    fence || !/^#+ / { next }
    {
      text = $0
      sub(/^#+ +/, "", text)
      sub(/ +#* *$/, "", text)
      text = tolower(text)
      gsub(/[^a-z0-9 _\200-\377-]/, "", text)
      gsub(/ /, "-", text)
      slug = text
      if (seen[text]++) slug = text "-" (seen[text] - 1)
      print slug
    }' "$1"
}

# FILE<TAB>LINE<TAB>TARGET for each link and picture of a page, outside code.
links() {
  awk '
    /^ *(```|~~~)/ { fence = !fence; next }
    fence { next }
    {
      line = $0
      gsub(/`[^`]*`/, "", line)
      while (match(line, /\]\([^) ]+( +"[^"]*")?\)/)) {
        target = substr(line, RSTART + 2, RLENGTH - 3)
        sub(/ +".*$/, "", target)
        printf "%s\t%d\t%s\n", FILENAME, FNR, target
        line = substr(line, RSTART + RLENGTH)
      }
    }' "$@"
}

broken=0
while IFS=$'\t' read -r file line target; do
  case $target in
    http://* | https://* | mailto:*) continue ;;
  esac
  path=${target%%#*}
  anchor=
  [ "$path" = "$target" ] || anchor=${target#*#}
  if [ -z "$path" ]; then
    page=$file
  else
    page=$(dirname "$file")/$path
  fi
  problem=
  if [ ! -e "$page" ]; then
    problem="links to $target: there is no $path"
  elif [ -n "$anchor" ]; then
    if [[ $page != *.md ]]; then
      problem="links to $target: only a Markdown page has headings"
    elif ! anchors "$page" | grep -qxF -- "$anchor"; then
      problem="links to $target: $path${path:+ }has no heading whose anchor is #$anchor"
      [ -n "$path" ] || problem="links to $target: the page has no heading whose anchor is #$anchor"
    fi
  fi
  if [ -n "$problem" ]; then
    echo "$file:$line: $problem"
    broken=1
  fi
done < <(links "$@")
exit $broken
