#!/usr/bin/env bash
# The link check itself, on a scratch tree: the links that resolve pass, and a missing file, a
# missing heading in another page and in the page itself are each told on their own line with
# the page and line, and fail the check. Links inside code and to other sites are left alone.
# Usage: refusals_test.sh CHECK_LINKS
set -euo pipefail
check=${1:?usage: refusals_test.sh CHECK_LINKS}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/docs"
cat >"$scratch/README.md" <<'PAGE'
# The tool

See [the page](docs/page.md#its-options-and-files) and [the start](#the-tool), the
![picture](docs/window.png), [the folder](docs/) and [a site](https://example.org/none).
`[code](nowhere.md)` is code.

```
[a fence](nowhere.md)
```
PAGE
cat >"$scratch/docs/page.md" <<'PAGE'
# Page

## Its options, and `files`

Back to [the front](../README.md#the-tool).
PAGE
: >"$scratch/docs/window.png"

fail() { echo "refusals_test: $*" >&2; exit 1; }
out=$(bash "$check" "$scratch" README.md docs/page.md) || fail "a tree whose links resolve was refused: $out"

cat >>"$scratch/docs/page.md" <<'PAGE'
A [missing file](gone.md), a [missing heading](../README.md#no-such-heading) and
[one of its own](#nor-this).
PAGE
status=0
out=$(bash "$check" "$scratch" README.md docs/page.md) || status=$?
[ "$status" -eq 1 ] || fail "broken links passed (status $status): $out"
expected='docs/page.md:6: links to gone.md: there is no gone.md
docs/page.md:6: links to ../README.md#no-such-heading: ../README.md has no heading whose anchor is #no-such-heading
docs/page.md:7: links to #nor-this: the page has no heading whose anchor is #nor-this'
[ "$out" = "$expected" ] || fail "$(printf 'told\n%s\ninstead of\n%s' "$out" "$expected")"
echo "refusals_test: the resolving links pass, each broken one is told by its page and line"
