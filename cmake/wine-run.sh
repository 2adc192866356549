#!/usr/bin/env bash
# Runs a Windows executable under Wine, quietly, in the project's own prefix unless the
# caller chose one. The first run in a new prefix takes several seconds to create it.
set -euo pipefail
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/tessarix/wine-prefix}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$(dirname "$WINEPREFIX")"
exec /usr/lib/wine/wine64 "$@"
