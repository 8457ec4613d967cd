#!/usr/bin/env bash
# zarn-xvfb-bench end to end: the real saver under Xvfb for a few seconds must present frames,
# the figures must be there and sensible, and zarn-bench must read the JSON back.
set -euo pipefail
build=$1
json=$(mktemp /tmp/zarn-xvfb-smoke.XXXXXX.json)
trap 'rm -f "$json"' EXIT
"$build/zarn-xvfb-bench" --size 320x200 --seconds 3 --warmup 2 --json "$json"
figure() { grep -o "\"$1\": [0-9.e+-]*" "$json" | awk '{print $2}'; }
frames=$(figure xvfb_frames)
fps=$(figure xvfb_fps)
saver=$(figure xvfb_saver_cpu_seconds_per_frame)
total=$(figure xvfb_total_cpu_seconds_per_frame)
echo "frames=$frames fps=$fps saver=$saver total=$total"
# Frames were counted where the saver presents them, and the CPU it spent was seen.
awk -v f="$frames" -v r="$fps" -v s="$saver" -v t="$total" \
    'BEGIN { exit !(f >= 3 && r > 0 && s > 0 && t >= s) }' || { echo "implausible figures"; exit 1; }
"$build/zarn-bench" --compare "$json" "$json" | grep -q "xvfb_fps" || { echo "zarn-bench cannot read it"; exit 1; }
"$build/zarn-xvfb-bench" --size 12x34x5 >/dev/null 2>&1 && { echo "a bad size was accepted"; exit 1; }
echo ok
