#!/usr/bin/env bash
# One end-to-end case: runs the saver binary under its own Xvfb server and checks what a user
# would see: a picture on the screen, the close rules, the exit code and the log.
#   run_case.sh <case> <zarn-screensaver> <build dir>
set -euo pipefail
case_name=$1 saver=$2 build=$3

if [ -z "${ZARN_E2E_INNER:-}" ]; then
  export ZARN_E2E_INNER=1
  # -noreset: a bare server resets whenever its last client leaves and refuses connections
  # meanwhile; a desktop always has other clients, so keep it up as one would be.
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

work=$(mktemp -d /tmp/zarn-e2e-XXXXXX)
pid=
# Whatever happens, no saver outlives its case.
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT
cd "$work"
# The install folder is this case's own folder, so the log lands here; the data is the build's.
ln -s "$build/data" data
export ZARN_REGISTRY="$work/registry.reg"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"InstallDir"="%s"\n"Antialiasing"=dword:00000000\n' "$work" > "$ZARN_REGISTRY"
export ZARN_NO_MESSAGE_BOX=1
# The window procedure's trace lines, shown with the saver's output when a case fails.
export ZARN_DEBUG_OUTPUT=1

fail() {
  echo "FAIL: $*" >&2
  [ -f screensaver_log.txt ] && sed 's/^/  log: /' screensaver_log.txt >&2
  [ -f saver.out ] && grep -v '^Reading .obj file' saver.out | tail -20 | sed 's/^/  saver: /' >&2
  exit 1
}

# Bright pixels on the whole screen (the clock is lit; the empty screen is black).
lit_pixels() {
  /usr/bin/import -window root -depth 8 rgb:- 2>/dev/null |
    od -An -v -tu1 -w3 | awk '$1+$2+$3 > 150 {n++} END {print n+0}'
}

wait_for_picture() {
  local tries=$1
  for _ in $(seq "$tries"); do
    sleep 1
    if ! kill -0 "$pid" 2>/dev/null; then
      set +e; wait "$pid"; local code=$?; set -e
      fail "the saver exited (code $code) before showing a picture"
    fi
    if [ "$(lit_pixels)" -gt 2000 ]; then return 0; fi
  done
  fail "no picture on the screen after $tries s"
}

wait_for_exit() {
  local tries=$1
  for _ in $(seq $((tries * 10))); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; return $?; }
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  fail "the saver did not exit within $tries s"
}

case $case_name in
fullscreen_runs_and_closes)
  "$saver" /s >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  xdotool key space
  set +e; wait_for_exit 20; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after a key press"
  grep -q "^Log output for Zarn Screensaver build 090825, Beta 1" screensaver_log.txt || fail "log header missing"
  grep -q "^Loading asset library." screensaver_log.txt || fail "no 'Loading asset library.' line"
  grep -q "^Device settings: " screensaver_log.txt || fail "no device report"
  if grep -q "Couldn't find" screensaver_log.txt; then fail "an asset the scene looks up is missing"; fi
  ;;
small_mouse_drift_keeps_running)
  "$saver" -S >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  # 2 + 2 pixels from where the pointer was at start is within the threshold of 4...
  xdotool mousemove_relative -- 2 2
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "a 2+2 pixel drift closed the saver"
  # ...one more pixel is beyond it.
  xdotool mousemove_relative -- 1 0
  set +e; wait_for_exit 20; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after a mouse move"
  ;;
preview_in_foreign_window)
  root=$(xwininfo -root | awk '/Window id:/ {print $4}')
  "$saver" /p "$((root))" >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  kill "$pid"; wait "$pid" 2>/dev/null || true
  ;;
bad_command_lines)
  set +e
  "$saver" /x; code=$?
  [ "$code" -eq 255 ] || fail "/x exited with $code, expected -1"
  "$saver" /p; code=$?
  [ "$code" -eq 255 ] || fail "/p without a window exited with $code, expected -1"
  "$saver" /p 12345; code=$?
  [ "$code" -eq 255 ] || fail "/p with an invalid window exited with $code, expected -1"
  set -e
  ;;
*) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
