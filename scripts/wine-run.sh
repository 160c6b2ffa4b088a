#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs a Windows program under Wine without a display:
#   wine-run.sh [--prefix DIR] program.exe [arguments...]
# The Wine prefix is DIR (default: $WINEPREFIX, else wineprefix/ next to the
# program's folder). A missing prefix is created first, once, under a lock,
# so test programs started in parallel do not race to create it. The
# program's exit status is passed on.
set -euo pipefail

prefix=${WINEPREFIX:-}
if [ "${1:-}" = "--prefix" ]; then
    # An explicit WINEPREFIX in the environment wins over the build's default.
    prefix=${WINEPREFIX:-$2}
    shift 2
fi
if [ $# -lt 1 ]; then
    echo "usage: $0 [--prefix DIR] program.exe [arguments...]" >&2
    exit 2
fi
if [ -z "$prefix" ]; then
    prefix=$(cd "$(dirname "$1")/.." && pwd)/wineprefix
fi

wine_cmd=${KMX_WINE:-wine}
if ! command -v "$wine_cmd" >/dev/null; then
    echo "wine-run: '$wine_cmd' not found; scripts/setup.sh installs wine and wine32:i386" >&2
    exit 127
fi

# Headless: no X or Wayland display, no debug channels, and no attempt to
# install Mono or Gecko into the prefix (nothing here needs .NET or HTML).
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX=$prefix
export WINEDEBUG=${KMX_WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
# A 32-bit prefix: the programs are i686 and need no WoW64 set-up.
export WINEARCH=win32

# The marker says the prefix is complete to the programs that follow.
ready=$prefix/.kmx-prefix-ready
mkdir -p "$(dirname "$prefix")"
if [ ! -f "$ready" ]; then
    (
        flock 9
        if [ ! -f "$ready" ]; then
            # Wine's own words say why it failed (such as "Exec format
            # error" where the kernel cannot run 32-bit programs). A file,
            # not a pipe: the Wine server that wineboot starts outlives it.
            boot_log=$prefix.boot.log
            if ! wineboot --init >"$boot_log" 2>&1; then
                echo "wine-run: wineboot could not create the prefix $prefix:" >&2
                tail -n 5 "$boot_log" >&2
                exit 1
            fi
            # Wine's null display driver: windows can be created, and drawn
            # into and read back through their DCs, with no X server.
            # Without it Wine finds no display and refuses every window.
            if ! "$wine_cmd" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
                    >/dev/null 2>&1; then
                echo "wine-run: could not select the null display driver in $prefix" >&2
                exit 1
            fi
            # The desktop process picked its driver at start: let this Wine
            # session end, so that the next one starts with the null driver.
            wineserver -w
            touch "$ready"
        fi
    ) 9>"$prefix.lock"
fi

exec "$wine_cmd" "$@"
