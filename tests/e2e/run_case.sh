#!/usr/bin/env bash
# One end-to-end case: runs the saver binary under its own Xvfb server and checks what a user
# would see: a picture on the screen, the close rules, the exit code and the log.
#   run_case.sh <case> <zarn-screensaver> <build dir> [zarn-x-probe]
set -euo pipefail
case_name=$1 saver=$2 build=$3 probe=${4:-}
. "$(dirname "$0")/e2e_common.sh"

# Cases that need a server of another shape, or one they can kill, start their own.
case $case_name in
fullscreen_covers_virtual_screen|one_clock_per_monitor|x_server_gone_*|software_renderer_draws_at_most_1024_wide) own_server=1 ;;
*) own_server= ;;
esac

if [ -z "${ZARN_E2E_INNER:-}" ] && [ -z "$own_server" ]; then
  export ZARN_E2E_INNER=1
  # -noreset: a bare server resets whenever its last client leaves and refuses connections
  # meanwhile; a desktop always has other clients, so keep it up as one would be.
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

work=$(mktemp -d /tmp/zarn-e2e-XXXXXX)
pid= pid2= xvfb_pid= host_pid=
# Whatever happens, no saver (nor server, nor host window) outlives its case.
trap 'for p in $pid $pid2 $host_pid; do kill "$p" 2>/dev/null || true; done; e2e_end_x_server "$xvfb_pid" "${DISPLAY:-}"
      rm -rf "$work"' EXIT
cd "$work"

# Starts Xvfb with the given screens on a free display and exports DISPLAY.
start_own_server() {
  Xvfb -displayfd 3 -noreset -nolisten tcp "$@" 3>"$work/display" 2>"$work/xvfb.out" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start" >&2; cat "$work/xvfb.out" >&2; exit 1; }
  export DISPLAY=":$(head -1 "$work/display")"
}
if [ -n "$own_server" ]; then
  case $case_name in
  # Xvfb stacks the screens of "+xinerama" all at (0, 0), so two monitors side by side
  # cannot be had from it; a desktop of two monitors' width stands in for them.
  fullscreen_covers_virtual_screen) start_own_server -screen 0 1824x768x24 ;;
  # A landscape monitor and a portrait one beside it (set below with RandR).
  one_clock_per_monitor) start_own_server -screen 0 2000x1280x24 ;;
  software_renderer_draws_at_most_1024_wide) start_own_server -screen 0 1920x1080x24 ;;
  *) start_own_server -screen 0 1024x768x24 ;;
  esac
fi
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
  # Whether the saver still runs (its state, where it waits) or how it ended (137: SIGKILL).
  if [ -n "$pid" ] && ! ps -o pid=,stat=,wchan= -p "$pid" >&2; then set +e; wait "$pid"; echo "  saver $pid ended with $?" >&2; fi
  # Input that closes a saver moves the focus or the pointer.
  echo "  X: focus $(xdotool getwindowfocus 2>&1), pointer $(xdotool getmouselocation 2>&1)" >&2
  # Again after the logs, where a shortened report keeps it.
  echo "FAIL: $*" >&2
  exit 1
}

# Bright pixels on the whole screen, or in the part of it given as WxH+X+Y (the clock is
# lit; the empty screen is black).
lit_pixels() {
  /usr/bin/import -window root ${1:+-crop "$1"} -depth 8 rgb:- 2>/dev/null |
    od -An -v -tu1 -w3 | awk '$1+$2+$3 > 150 {n++} END {print n+0}'
}

# The box around the bright pixels in the part of the screen given as WxH+X+Y, relative to
# it: "left top right bottom", or "none".
lit_box() {
  /usr/bin/import -window root -crop "$1" -depth 8 rgb:- 2>/dev/null | od -An -v -tu1 -w3 |
    awk -v w="${1%%x*}" '$1+$2+$3 > 150 { c = (NR - 1) % w; r = int((NR - 1) / w)
      if (!n++) { l = c; t = r; rt = c; b = r }
      if (c < l) l = c; if (c > rt) rt = c; if (r < t) t = r; if (r > b) b = r }
      END { print n ? l " " t " " rt " " b : "none" }'
}

# A plain window of another program, W x H at (0, 0), driven through the probe's stdin.
start_host_window() {
  mkfifo "$work/host.in"
  "$probe" host "$1" "$2" <"$work/host.in" >"$work/host.out" &
  host_pid=$!
  exec 5>"$work/host.in"
  for _ in $(seq 50); do [ -s "$work/host.out" ] && break; sleep 0.1; done
  host_window=$(head -1 "$work/host.out")
  [ -n "$host_window" ] || fail "the host window did not appear"
}
host_command() {
  local before; before=$(grep -c '^done' "$work/host.out" || true)
  echo "$*" >&5
  for _ in $(seq 50); do [ "$(grep -c '^done' "$work/host.out" || true)" -gt "$before" ] && return 0; sleep 0.1; done
  fail "the host window did not carry out '$*'"
}

saver_window() { "$probe" find WindowsScreenSaverClass "Screen Saver"; }
# Whether a window carries an icon picture (_NET_WM_ICON: width, height, pixels).
has_icon() { xprop -id "$1" -notype 32c _NET_WM_ICON | grep -Eq '^_NET_WM_ICON = [1-9][0-9]*, [1-9][0-9]*, '; }

# The saver must end by itself within the given seconds after the X server is killed, with
# a line that says so, and not by a signal (no core).
expect_end_when_server_dies() {
  kill "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null || true; xvfb_pid=
  set +e; wait_for_exit "$1"; code=$?; set -e
  [ "$code" -lt 128 ] || fail "the saver died of signal $((code - 128)) when the server went away"
  [ "$code" -ne 0 ] || fail "the saver reported success after losing its X server"
  grep -q "connection to the X server .* was lost" saver.out || fail "no line saying the X server went away"
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
  # Ended the way a host ends it: a signal, which closes the saver as any close does.
  kill "$pid"
  set +e; wait_for_exit 5; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after SIGTERM"
  ;;
bad_command_lines)
  set +e
  "$saver" /x; code=$?
  [ "$code" -eq 255 ] || fail "/x exited with $code, expected -1"
  "$saver" /p; code=$?
  [ "$code" -eq 255 ] || fail "/p without a window exited with $code, expected -1"
  "$saver" /p 12345; code=$?
  [ "$code" -eq 255 ] || fail "/p with an invalid window exited with $code, expected -1"
  # A real window's id behind digits that overflow, or plus 2^32: neither names it.
  root=$(($(xwininfo -root | awk '/Window id:/ {print $4}')))
  timeout 20 "$saver" /p "18446744073709551616$root"; code=$?
  [ "$code" -eq 255 ] || fail "/p 18446744073709551616$root exited with $code, expected -1"
  timeout 20 "$saver" /p "$((root + 4294967296))"; code=$?
  [ "$code" -eq 255 ] || fail "/p $((root + 4294967296)) exited with $code, expected -1"
  set -e
  ;;
preview_host_gone_at_any_moment)
  # A settings program flicking through savers destroys the preview's host at any moment
  # of its start; the saver must end within a second every time: 0 once its window was
  # made, -1 only when the host was gone before it could look.
  for round in 1 2; do
    for delay in 0 25 50 75 100 150 200 250 300 350 400 450 500 550 600; do
      rm -f "$work/host.in" "$work/host.out"
      start_host_window 320 240
      "$saver" /p "$host_window" >saver.out 2>&1 &
      pid=$!
      sleep "$(awk "BEGIN {print $delay / 1000}")"
      echo destroy >&5
      ended=
      for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || { ended=1; break; }; sleep 0.05; done
      [ -n "$ended" ] || fail "round $round: the host went ${delay} ms after start and the saver still ran 1 s later"
      set +e; wait "$pid"; code=$?; set -e
      pid=
      case $code in
      0) ;;
      255) [ "$delay" -le 200 ] || fail "round $round: exit -1 with the host gone ${delay} ms after start" ;;
      *) fail "round $round: exit code $code with the host gone ${delay} ms after start" ;;
      esac
      if grep -qi 'x error\|XIO' saver.out; then fail "round $round, ${delay} ms: X errors"; fi
      [ -z "$("$probe" find WindowsScreenSaverClass Preview)" ] ||
        fail "round $round, ${delay} ms: the preview's window was left on the desktop"
      exec 5>&-
      wait "$host_pid" 2>/dev/null || true
      host_pid=
    done
  done
  ;;
signals_end_the_saver)
  # Full screen and preview, each signal a host or a terminal sends: the saver closes as
  # it does on any close request, within a second, with 0 and its log finished.
  start_host_window 320 240
  for mode in /s /p; do
    for signal in TERM INT HUP; do
      rm -f screensaver_log.txt
      if [ "$mode" = /p ]; then "$saver" /p "$host_window" >saver.out 2>&1 & else "$saver" /s >saver.out 2>&1 & fi
      pid=$!
      wait_for_picture 60
      kill -s "$signal" "$pid"
      ended=
      for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || { ended=1; break; }; sleep 0.05; done
      [ -n "$ended" ] || fail "$mode still ran 1 s after SIG$signal"
      set +e; wait "$pid"; code=$?; set -e
      pid=
      [ "$code" -eq 0 ] || fail "$mode ended with $code after SIG$signal"
      grep -q "destroy called" saver.out || fail "$mode did not close its window after SIG$signal"
    done
  done
  ;;
hack_own_window_shows_the_icon)
  # The hack tried from a terminal opens a window of its own, which shows the saver's icon.
  "$build/zarn" >saver.out 2>&1 &
  pid=$!
  window=
  for _ in $(seq 100); do
    window=$(xdotool search --name '^Zarn Screensaver$' 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "the hack's window did not appear"
  # The window is found by its name, which reaches the server just before the icon does.
  for _ in $(seq 20); do has_icon "$window" && break; sleep 0.1; done
  has_icon "$window" || fail "the hack's window has no icon"
  kill "$pid"
  set +e; wait_for_exit 5; code=$?; set -e
  [ "$code" -eq 0 ] || fail "the hack ended with $code after SIGTERM"
  ;;
paused_and_resumed)
  # Hosts stop a saver while their unlock dialog is up and continue it later. Afterwards
  # it draws on at once, the jump in time is taken in one capped step without complaint,
  # and the log does not fill.
  "$saver" /s >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  for pause in 10 120; do
    /usr/bin/import -window root -depth 8 before.rgb 2>/dev/null
    kill -STOP "$pid"
    sleep "$pause"
    kill -CONT "$pid"
    # Its next frame comes when the machine gives it the processor again, which on a busy one
    # may take a while: wait for a new picture, not for a set time. Asked to close (a closing
    # saver shows its last frame a while), ended (a zombie is ended too) or unchanged, it fails.
    for _ in $(seq 60); do
      sleep 0.5
      grep -q "WM_CLOSE called" saver.out && fail "the saver was asked to close after a pause of $pause s"
      e2e_process_gone "$pid" && fail "the saver ended after a pause of $pause s"
      /usr/bin/import -window root -depth 8 after.rgb 2>/dev/null
      cmp -s before.rgb after.rgb || break
    done
    cmp -s before.rgb after.rgb && fail "the picture did not change in 30 s after a pause of $pause s"
    [ "$(lit_pixels)" -gt 2000 ] || fail "no picture after a pause of $pause s"
  done
  if grep -q "Warning" screensaver_log.txt; then fail "warnings in the log after the pauses"; fi
  [ "$(stat -c %s screensaver_log.txt)" -lt 65536 ] || fail "the log grew to $(stat -c %s screensaver_log.txt) bytes"
  xdotool key space
  set +e; wait_for_exit 20; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after a key press"
  ;;
one_fullscreen_saver_at_a_time)
  "$saver" /s >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  first=$(saver_window)
  [ -n "$first" ] || fail "the saver's window does not carry its class and title"
  # Another program's window covers the saver (no window manager here moves the focus).
  start_host_window 1024 768
  sleep 1
  [ "$(lit_pixels)" -lt 100 ] || fail "the covering window does not cover the saver"
  set +e; timeout 30 "$saver" /s >second.out 2>&1; code=$?; set -e
  [ "$code" -eq 0 ] || fail "the second /s exited with $code"
  [ "$(saver_window | wc -l)" -eq 1 ] || fail "more than one saver window: $(saver_window | tr '\n' ' ')"
  kill -0 "$pid" 2>/dev/null || fail "the first saver ended"
  sleep 1
  [ "$(lit_pixels)" -gt 2000 ] || fail "the first saver was not raised"
  [ "$("$probe" focus)" = "$first" ] || fail "the first saver does not have the focus"
  ;;
fullscreen_covers_virtual_screen)
  "$saver" /s >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  window=$(saver_window)
  [ "$("$probe" geometry "$window")" = "0 0 1824 768" ] || fail "window at $("$probe" geometry "$window")"
  states=$("$probe" state "$window")
  grep -qx _NET_WM_STATE_ABOVE <<<"$states" || fail "not kept above: $states"
  grep -qx _NET_WM_STATE_FULLSCREEN <<<"$states" || fail "not marked full screen: $states"
  # The class's icon 100, which window lists show.
  has_icon "$window" || fail "the saver window has no icon"
  [ "$(lit_pixels 800x768+1024+0)" -gt 200 ] || fail "the picture does not reach across the screen"
  xdotool key space
  set +e; wait_for_exit 20; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after a key press"
  ;;
one_clock_per_monitor)
  # What a watcher starts to show the clock everywhere: one saver per RandR monitor, each
  # kept to its own monitor; the output's own monitor gives way to the first one set on it.
  xrandr --setmonitor left 1280/338x720/190+0+0 screen >/dev/null
  xrandr --setmonitor portrait 720/190x1280/338+1280+0 none >/dev/null
  [ "$(xrandr --listmonitors | head -1)" = "Monitors: 2" ] || fail "RandR: $(xrandr --listmonitors)"
  for bad in 2 x; do
    set +e; ZARN_MONITOR=$bad timeout 20 "$saver" /s >bad.out 2>&1; code=$?; set -e
    [ "$code" -eq 1 ] || fail "ZARN_MONITOR=$bad exited with $code"
    [ "$(grep -c 'names no monitor' bad.out)" -eq 1 ] || fail "ZARN_MONITOR=$bad said: $(cat bad.out)"
    [ -z "$(saver_window)" ] || fail "ZARN_MONITOR=$bad made a window"
  done
  xdotool mousemove 1600 900  # resting on the portrait monitor
  ZARN_MONITOR=0 "$saver" /s >saver.out 2>&1 &
  pid=$!
  ZARN_MONITOR=1 "$saver" /s >saver2.out 2>&1 &
  pid2=$!
  for _ in $(seq 60); do
    [ "$(lit_pixels 1280x720+0+0)" -gt 2000 ] && [ "$(lit_pixels 720x1280+1280+0)" -gt 2000 ] && break
    sleep 1
  done
  geometries=$(for w in $(saver_window); do "$probe" geometry "$w"; done | sort)
  [ "$geometries" = "$(printf '0 0 1280 720\n1280 0 720 1280')" ] || fail "windows at: $geometries"
  for w in $(saver_window); do
    grep -qx _NET_WM_STATE_FULLSCREEN <<<"$("$probe" state "$w")" || fail "window $w not marked full screen"
  done
  # A second saver for a monitor that has one steps aside.
  set +e; ZARN_MONITOR=1 timeout 30 "$saver" /s >second.out 2>&1; code=$?; set -e
  [ "$code" -eq 0 ] || fail "a second saver for monitor 1 exited with $code"
  [ "$(saver_window | wc -l)" -eq 2 ] || fail "saver windows: $(saver_window | tr '\n' ' ')"
  # Each mapped and took the focus from the other: neither may take that for the user leaving.
  sleep 3
  kill -0 "$pid" 2>/dev/null && kill -0 "$pid2" 2>/dev/null || fail "a saver ended without input"
  # The whole clock on each, nothing of it cut at the sides (below the floor of 8 pixels).
  for area in 1280x720+0+0 720x1280+1280+0; do
    read -r left top right bottom < <(lit_box "$area")
    width=${area%%x*} height=${area#*x}; height=${height%%+*}
    [ "$left" != none ] && [ "$left" -ge 8 ] && [ "$right" -lt $((width - 8)) ] &&
      [ "$top" -ge 8 ] && [ "$bottom" -lt $((height - 8)) ] ||
      fail "the clock on $area reaches $left $top $right $bottom"
  done
  # A key reaches the saver the second start raised and ends it alone; the pointer moving
  # over to the other monitor ends that one.
  xdotool key space
  for _ in $(seq 50); do kill -0 "$pid2" 2>/dev/null || break; sleep 0.1; done
  set +e; wait "$pid2"; code=$?; set -e
  pid2=
  [ "$code" -eq 0 ] || fail "the portrait monitor's saver ended with $code after a key press"
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "a key for one monitor's saver ended the other"
  xdotool mousemove 640 360
  set +e; wait_for_exit 20; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after a pointer move"
  if grep -qi 'x error' saver.out saver2.out; then fail "X errors"; fi
  ;;
preview_follows_its_host)
  start_host_window 640 480
  "$saver" /p "$host_window" >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  read -r child width height < <("$probe" children "$host_window")
  [ "$width x $height" = "640 x 480" ] || fail "the preview is $width x $height in a 640 x 480 host"
  [ "$(lit_pixels 400x480+640+0)" -eq 0 ] || fail "the preview draws outside its host"
  host_command resize 1000 700
  sleep 2
  read -r child width height < <("$probe" children "$host_window")
  [ "$width x $height" = "1000 x 700" ] || fail "after the host's resize the preview is $width x $height"
  [ "$(lit_pixels 360x700+640+0)" -gt 500 ] || fail "the picture did not grow with its host"
  # Input never closes a preview; F1 in it is the host's help key.
  xdotool windowfocus "$child" key space F1 mousemove_relative -- 40 40 click 1
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "input closed the preview"
  grep -q '^key F1' "$work/host.out" || fail "F1 in the preview did not reach its host"
  host_command destroy
  set +e; wait_for_exit 5; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after the host window was destroyed"
  if grep -qi 'x error\|XIO' saver.out; then fail "X errors when the host went away"; fi
  ;;
ac_power_change_closes)
  mkdir -p sys/class/power_supply/AC sys/class/power_supply/BAT0
  echo Mains >sys/class/power_supply/AC/type
  echo 1 >sys/class/power_supply/AC/online
  echo Battery >sys/class/power_supply/BAT0/type
  ZARN_SYSFS_ROOT="$work/sys" "$saver" /s >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  echo 1 >sys/class/power_supply/AC/online  # written again, but steady
  sleep 3
  kill -0 "$pid" 2>/dev/null || fail "a steady AC status closed the saver"
  echo 0 >sys/class/power_supply/AC/online  # unplugged
  set +e; wait_for_exit 10; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after the AC adapter went offline"
  ;;
software_renderer_draws_at_most_1024_wide)
  # Mesa's software rasteriser on a 1920 x 1080 screen: the lighter clock is drawn 1024 x 576
  # and stretched over the whole screen, and the log says so.
  LIBGL_ALWAYS_SOFTWARE=1 "$saver" /s >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  # Stretched, not drawn into a corner: the clock reaches past the 1024 x 576 corner.
  right=$(lit_pixels 896x1080+1024+0) below=$(lit_pixels 1920x504+0+576)
  xdotool key space
  set +e; wait_for_exit 20; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after a key press"
  if ! grep -Eq '^Device name: .*(llvmpipe|softpipe|Software Rasterizer|swrast)' screensaver_log.txt; then
    echo "SKIP: OpenGL here is not Mesa's software rasteriser" >&2
    exit 77
  fi
  grep -q '^  Back Buffer Width:          1920        1024$' screensaver_log.txt ||
    fail "the back buffer is not 1024 wide"
  grep -q '^  Back Buffer Height:         1080         576$' screensaver_log.txt ||
    fail "the back buffer is not 576 high"
  grep -q '^Software renderer, lighter picture: drawn at most 1024 wide, ' screensaver_log.txt ||
    fail "the log does not name the lighter picture"
  [ "$right" -gt 2000 ] || fail "nothing drawn right of x = 1024"
  [ "$below" -gt 2000 ] || fail "nothing drawn below y = 576"
  ;;
x_server_gone_fullscreen)
  "$saver" /s >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  expect_end_when_server_dies 3
  ;;
x_server_gone_preview)
  start_host_window 320 240
  "$saver" /p "$host_window" >saver.out 2>&1 &
  pid=$!
  wait_for_picture 60
  expect_end_when_server_dies 3
  ;;
device_failure_shows_one_box)
  # An OpenGL older than the device needs: the device cannot be made. Its message is a modal
  # box whose loop keeps handing the saver its paints; they must not try the device again (a
  # box inside the box, without end). The saver stays black, and input ends it, box and all.
  error_boxes() { xdotool search --name '^ERROR$' 2>/dev/null | wc -l; }
  env -u ZARN_NO_MESSAGE_BOX MESA_GL_VERSION_OVERRIDE=3.0 "$saver" /s >saver.out 2>&1 &
  pid=$!
  for _ in $(seq 100); do [ "$(error_boxes)" -gt 0 ] && break; sleep 0.2; done
  [ "$(error_boxes)" -gt 0 ] || fail "no message box for the device that could not be made"
  sleep 4
  [ "$(error_boxes)" -eq 1 ] || fail "$(error_boxes) message boxes, not 1"
  kill -0 "$pid" 2>/dev/null || fail "the saver ended while its message box was up"
  # Away from the box in the middle of the screen, over the saver.
  xdotool mousemove 20 20
  set +e; wait_for_exit 10; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after a mouse move"
  [ "$(error_boxes)" -eq 0 ] || fail "the message box outlived the saver"
  grep -q "^Loading asset library." screensaver_log.txt || fail "no log of the start"
  ;;
*) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
