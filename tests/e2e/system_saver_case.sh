#!/usr/bin/env bash
# One mode of the program, watched on the wire for anything that holds off the system's own
# screen saver or the monitor's power-off: its X requests through xtrace (MIT-SCREEN-SAVER
# Suspend, ForceScreenSaver, which XResetScreenSaver sends, SetScreenSaver, DPMS changes) and
# its calls on a private session bus through dbus-monitor (Inhibit, SimulateUserActivity).
# SDL_VIDEO_ALLOW_SCREENSAVER=0 is in the environment throughout, as some desktops export it:
# the program must not let it turn SDL's inhibiting back on.
#   system_saver_case.sh <case> <build dir>
set -euo pipefail; [ -n "${ZARN_E2E_TRACE:-}" ] && set -x
case_name=$1 build=$2
saver=$build/zarn-screensaver hack=$build/zarn snapshot=$build/zarn-snapshot
. "$(dirname "$0")/e2e_common.sh"

if [ -z "${ZARN_E2E_INNER:-}" ]; then
  export ZARN_E2E_INNER=1
  exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d /tmp/zarn-e2e-saver-XXXXXX)
pid= xvfb_pid= xtrace_pid= monitor_pid= real= fake=
# xtrace leaves its socket behind whenever it ends: it goes with the display number claimed for it.
cleanup() {
  for p in $pid $xtrace_pid $monitor_pid; do kill "$p" 2>/dev/null || true; done
  [ -z "$xtrace_pid" ] || wait "$xtrace_pid" 2>/dev/null || true
  [ -z "$fake" ] || e2e_release_display "${fake#:}"
  e2e_end_x_server "$xvfb_pid" "$real"
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

fail() {
  echo "FAIL: $*" >&2
  [ -f program.out ] && grep -v '^Reading .obj file' program.out | tail -20 | sed 's/^/  program: /' >&2
  exit 1
}

# A server of our own without access control (local connections only), so that xtrace can
# relay to it without copying credentials.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 800x600x24 3>"$work/display" 2>"$work/xvfb.out" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
real=":$(head -1 "$work/display")"

# xtrace's display: the first free number from 70 on. The program sees only that one; the
# test's own tools (screenshots, xdotool) talk to the real server, so the log is the program's.
n=$(e2e_claim_display 70 199) || fail "no free display number for xtrace"
fake=:$n
xtrace -n -k -D "$fake" -d "$real" -o "$work/xtrace.log" >"$work/xtrace.out" 2>&1 &
xtrace_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${fake#:}" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X${fake#:}" ] || fail "xtrace did not open display $fake"

dbus-monitor --session >"$work/dbus.log" 2>&1 &
monitor_pid=$!
# The monitor is ready once it sees a call of ours; what comes after it is the program's.
for _ in $(seq 50); do
  dbus-send --session --dest=org.freedesktop.DBus / org.freedesktop.DBus.Peer.Ping 2>/dev/null || true
  grep -q 'member=Ping' "$work/dbus.log" && break
  sleep 0.1
done
grep -q 'member=Ping' "$work/dbus.log" || fail "dbus-monitor sees nothing on the session bus"

ln -s "$build/data" data
export ZARN_REGISTRY="$work/registry.reg"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"InstallDir"="%s"\n"Antialiasing"=dword:00000000\n' "$work" >"$ZARN_REGISTRY"
export ZARN_NO_MESSAGE_BOX=1 SDL_VIDEO_ALLOW_SCREENSAVER=0

on_real() { DISPLAY=$real "$@"; }
lit_pixels() {
  on_real /usr/bin/import -window root -depth 8 rgb:- 2>/dev/null |
    od -An -v -tu1 -w3 | awk '$1+$2+$3 > 150 {n++} END {print n+0}'
}
root_window() { on_real xwininfo -root | awk '/Window id:/ {print $4}'; }

start() {
  DISPLAY=$fake "$@" >program.out 2>&1 &
  pid=$!
}
wait_for_picture() {
  for _ in $(seq 120); do
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || fail "the program ended before showing a picture"
    [ "$(lit_pixels)" -gt 2000 ] && return 0
  done
  fail "no picture within 60 s"
}
wait_for_window() {
  local name=$1 window=
  for _ in $(seq 200); do
    window=$(on_real xdotool search --name "$name" 2>/dev/null | head -1) || true
    [ -n "$window" ] && { echo "$window"; return 0; }
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window \"$name\" appeared"
    sleep 0.1
  done
  fail "no window \"$name\" within 20 s"
}
wait_for_exit() {
  for _ in $(seq 200); do
    kill -0 "$pid" 2>/dev/null || { set +e; wait "$pid"; local code=$?; set -e; pid=; return $code; }
    sleep 0.1
  done
  fail "the program did not end within 20 s"
}
# A few seconds of running: what SDL sends, it sends at start and then every half minute.
keep_running() { sleep 3; kill -0 "$pid" 2>/dev/null || fail "the program ended while it should run"; }

case $case_name in
fullscreen)
  start "$saver" /s
  wait_for_picture; keep_running
  on_real xdotool key space
  wait_for_exit || fail "/s ended with $? after a key"
  ;;
preview|preview_l)
  letter=/p; [ "$case_name" = preview_l ] && letter=/l
  start "$saver" "$letter" "$(($(root_window)))"
  wait_for_picture; keep_running
  ;;
dialog)
  start "$saver" /c
  dialog=$(wait_for_window "^Zarn Clock Screensaver Settings\$")
  keep_running
  on_real xdotool windowfocus --sync "$dialog" key Escape
  wait_for_exit || fail "/c ended with $? after Escape"
  ;;
hack_own_window)
  start "$hack"
  window=$(wait_for_window "^Zarn Screensaver\$")
  wait_for_picture; keep_running
  on_real xdotool windowclose "$window"
  wait_for_exit || fail "the hack ended with $? after its window was closed"
  ;;
hack_window_id)
  start "$hack" --window-id "$(root_window)"
  wait_for_picture; keep_running
  ;;
hack_root)
  XSCREENSAVER_WINDOW=$(root_window) start "$hack" --root
  wait_for_picture; keep_running
  ;;
snapshot)
  start "$snapshot" --time 2026-12-08T10:09:30 --size 160x120 --output "$work/clock.png"
  wait_for_exit || fail "zarn-snapshot ended with $?"
  [ -s "$work/clock.png" ] || fail "zarn-snapshot wrote no picture"
  ;;
*) fail "unknown case $case_name" ;;
esac
if [ -n "$pid" ]; then kill "$pid"; wait "$pid" 2>/dev/null || true; pid=; fi
sleep 0.5

# The X side: what the program asked of the server.
forbidden_x=$(grep -E 'MIT-SCREEN-SAVER-Request\([0-9]+,[0-9]+\): Suspend|: (ForceScreenSaver|SetScreenSaver) |DPMS-Request\([0-9]+,[0-9]+\): (Disable|SetTimeouts|ForceLevel)' \
              "$work/xtrace.log" || true)
[ -z "$forbidden_x" ] || fail "X requests that hold off the system's saver:
$forbidden_x"
# Proof that the trace saw the program at all (the snapshot tool draws off-screen and may
# never open the display; then an empty trace is the right answer).
if [ "$case_name" != snapshot ]; then
  grep -q ': CreateWindow ' "$work/xtrace.log" || fail "xtrace saw no window being made: is the trace empty?"
fi

# The bus side: every call after the monitor's own Ping.
calls=$(sed -n '/member=Ping/,$p' "$work/dbus.log" | grep -E '^method call' || true)
forbidden_bus=$(grep -E 'member=(Inhibit|SimulateUserActivity)$' <<<"$calls" || true)
[ -z "$forbidden_bus" ] || fail "session-bus calls that hold off the system's saver:
$forbidden_bus"
echo "X requests: $(grep -c ':<:' "$work/xtrace.log" || true); session-bus calls: $(grep -c . <<<"$calls" || true)"
echo "PASS: $case_name"
