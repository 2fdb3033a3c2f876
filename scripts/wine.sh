#!/usr/bin/env bash
# Runs a Windows program under wine: wine.sh PROGRAM.exe [ARGS...]. Used by the tests as the
# cross build's emulator.
#
# Debian's wine64 package puts its loader in wine's own folder (/usr/lib/wine/wine64), not on
# PATH; the wine package adds /usr/bin/wine. Either will do. A 32-bit program runs only with
# Debian's wine32:i386 beside it (the loader hands it over to /usr/lib/wine/wine); without it,
# wine64 takes it into a mode that cannot load Windows' 32-bit libraries and exits 0 having run
# nothing, so whether a 32-bit program ran is told by what it printed, never by the status. The prefix is WINEPREFIX, or one
# beside the build (VORLIX_WINE_PREFIX) created on first use; a running wineserver (started
# once with "wineserver -p" by scripts/test.sh) spares every run the start-up.
#
# Without wine it exits 77, CTest's "skipped", with the reason; under CI=true a missing wine
# is a failure (exit 1), since a test that cannot run there has not passed.
set -euo pipefail

find_wine() {
  local candidate
  for candidate in "$(command -v wine64 || true)" /usr/lib/wine/wine64 "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      echo "$candidate"
      return 0
    fi
  done
  return 1
}

# missing WHAT HOW: the skip (or, in CI, the failure) for a tool that is not installed.
missing() {
  if [ "${CI:-}" = true ]; then
    echo "FAILED: $1 not found ($2); CI must run this test" >&2
    exit 1
  fi
  echo "SKIPPED: $1 not found ($2)"
  exit 77
}

if [ "${1:-}" = --find ]; then
  find_wine || missing wine "apt-get install wine64"
  exit 0
fi

wine=$(find_wine) || missing wine "apt-get install wine64"
export WINEPREFIX=${WINEPREFIX:-${VORLIX_WINE_PREFIX:-$PWD/wineprefix}}
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
exec "$wine" "$@"
