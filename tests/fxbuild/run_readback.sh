#!/bin/sh
# Runs the effect read-back check under Wine on a private Xvfb, in a Wine prefix of its own
# made in a temporary folder (Wine's first start of a prefix takes about 20 s).
#   run_readback.sh <wine64> <zarn-effect-readback.exe> <effects-folder>
set -eu
work=$(mktemp -d)
# The wineserver beside the loader: Debian's wine64 puts neither on PATH.
wineserver=$(dirname "$1")/wineserver
command -v "$wineserver" >/dev/null || wineserver=wineserver
trap 'WINEPREFIX=$work/prefix "$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
# The prefix is made whole before the program starts (a program started by the first run of
# a fresh prefix may not find its DLLs yet), and on the same display: Wine's desktop keeps the
# display its first process found.
xvfb-run -a -s "-screen 0 640x480x24" sh -c '"$1" wineboot -i && "$1" "$2" "Z:$3"' sh "$1" "$2" "$3"
