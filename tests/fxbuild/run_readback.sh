#!/bin/sh
# Runs the effect read-back check under Wine on a private Xvfb, in a Wine prefix of its own
# made in a temporary folder (Wine's first start of a prefix takes about 20 s).
#   run_readback.sh <wine64> <zarn-effect-readback.exe> <effects-folder>
set -eu
wine=$1 exe=$2 effects=$3
work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
xvfb-run -a -s "-screen 0 640x480x24" "$wine" "$exe" "Z:$effects"
