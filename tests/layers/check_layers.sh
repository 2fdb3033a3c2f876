#!/usr/bin/env bash
# Checks every #include of the product's folders against the layer table of DESIGN.md ("Layers,
# and who may call whom"): a quoted include names its folder first ("link/trace.h"), and that
# folder must be the includer's own, io/, or one the table lets the includer use. Qt headers
# belong to qt/ and app/ only, <windows.h> to win32/, the Windows adapter (adapters/pxiic*) and
# io/'s SHA-256 on Windows (io/sha256_bcrypt.cpp: Windows' own hash, below every layer).
# Prints one line per include that breaks the table, FILE:LINE: what and why, and fails when
# there is one.
# Usage: check_layers.sh SOURCE_ROOT
set -euo pipefail
root=${1:?usage: check_layers.sh SOURCE_ROOT}
cd "$root"

# Whom each folder may include besides itself and io/. app/ sits on top: it may use every
# layer below it.
declare -A may_use=(
  [app]="qt win32 panel camera adapters sim frame res eeprom link"
  [panel]="camera frame res eeprom link"
  [camera]="eeprom link"
  [eeprom]="link"
  [qt]="frame res"
  [win32]="frame res"
  [res]="frame"
  [sim]="link"
  [adapters]="link"
  [link]=""
  [frame]=""
  [io]=""
  [packaging]=""
)

folders=(app camera eeprom link frame panel qt win32 sim adapters res io packaging)
broken=0
for folder in "${folders[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r -d '' file; do
    # LINE KIND TARGET for each include: KIND is q for "...", a for <...>.
    while read -r line kind target; do
      problem=""
      if [ "$kind" = q ]; then
        used=${target%%/*}
        if [ "$used" = "$target" ]; then
          problem="includes \"$target\" without its folder"
        elif [ "$used" != "$folder" ] && [ "$used" != io ] &&
             [[ " ${may_use[$folder]} " != *" $used "* ]]; then
          if [ -z "${may_use[$used]+known}" ]; then
            problem="includes \"$target\": $used/ is no layer of the product"
          elif [ -z "${may_use[$folder]}" ]; then
            problem="includes \"$target\": $folder may use only io"
          else
            problem="includes \"$target\": $folder may use only ${may_use[$folder]// /, } and io"
          fi
        fi
      elif [[ $target =~ ^Q[A-Za-z]*(/|$) ]] && [ "$folder" != qt ] && [ "$folder" != app ]; then
        problem="includes <$target>: only qt and app use Qt"
      elif [ "${target,,}" = windows.h ] && [ "$folder" != win32 ] &&
           [[ $file != adapters/pxiic* ]] && [ "$file" != io/sha256_bcrypt.cpp ]; then
        problem="includes <$target>: only win32, the Windows adapter and the Windows hash use it"
      fi
      if [ -n "$problem" ]; then
        echo "$file:$line: $problem"
        broken=1
      fi
    done < <(awk '
      match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]*"/) {
        t = $0; sub(/^[^"]*"/, "", t); sub(/".*/, "", t); print FNR, "q", t; next }
      match($0, /^[ \t]*#[ \t]*include[ \t]*<[^>]*>/) {
        t = $0; sub(/^[^<]*</, "", t); sub(/>.*/, "", t); print FNR, "a", t }' "$file")
  done < <(find "$folder" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' \
             -o -name '*.cpp' \) -print0 | sort -z)
done
exit $broken
