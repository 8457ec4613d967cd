#!/usr/bin/env bash
# One end-to-end case of the idle watcher, zarn-screensaver-watch, with the real saver: on
# Xvfb with two monitors (one of them portrait) through MIT-SCREEN-SAVER, on a headless sway
# with two outputs through org_kde_kwin_idle, beside a running XScreenSaver daemon, and its
# command line (--after, --enable, --disable); the server's own saver, output power and logind's
# lock (a stand-in on a system bus of the case's own) sending the clocks away, and monitors that
# come and go. Everything runs as a user the case makes.
#   watch_case.sh <case> <build dir> <zarn-x-probe> [<zarn-wayland-pointer>]
set -euo pipefail; [ -n "${ZARN_E2E_TRACE:-}" ] && set -x
case_name=$1 build=$2 probe=$3 pointer_probe=${4:-}
. "$(dirname "$0")/e2e_common.sh"

work=$(mktemp -d /tmp/zarn-e2e-watch-XXXXXX)
chmod 755 "$work"
user=$(e2e_host_user)
runtime=$work/runtime home=$work/home app=$work/app
mkdir -p "$runtime" "$home/.config" "$app"
cp "$build/zarn-screensaver" "$build/zarn-screensaver-watch" "$probe" "$app/"
[ -n "$pointer_probe" ] && cp "$pointer_probe" "$app/"
cp -rL "$build/data" "$app/data"
# Two clocks share two cores with the X server: a small back buffer, no shadows, no post chain.
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"InstallDir"="%s"\n"Antialiasing"=dword:00000000\n"Resolution"=dword:00000320\n"EnableShadows"=hex:00\n"EnableFilters"=hex:00\n' \
  "$app" >"$home/registry.reg"
registry_before=$(md5sum <"$home/registry.reg")
chmod 700 "$runtime"
[ "$(id -u)" -eq 0 ] && chown -R "$user" "$runtime" "$home" "$app"
cd "$home"

display= xvfb_pid= sway_pid= watcher= watcher_job=
session_env=()
processes_naming() { grep -alsE -- "$1" /proc/[0-9]*/cmdline | cut -d/ -f3 | grep -vx "$$" || true; }
cleanup() {
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null || true
  for p in $(processes_naming "$work/[a-z]"); do kill -9 "$p" 2>/dev/null || true; done
  e2e_end_x_server "$xvfb_pid" "$display"
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$home"/*.out; do
    [ -f "$f" ] && grep -v -e '^Reading .obj file' -e '^[0-9]*$' "$f" | tail -25 | sed "s|^|  $(basename "$f"): |" >&2 || true
  done
  exit 1
}

as_user() {
  local as=()
  [ "$(id -u)" -eq 0 ] && as=(runuser -u "$user" --)
  "${as[@]}" env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$home/.config" \
    ZARN_REGISTRY="$home/registry.reg" ZARN_NO_MESSAGE_BOX=1 "${session_env[@]}" "$@"
}

# An X server of the case's own with two monitors side by side, the second one portrait.
# -noreset keeps the monitors when the last client leaves; naming the first one's output
# `screen` retires the screen-wide monitor.
start_x() {
  for n in $(seq 40 99); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }; done
  Xvfb "$display" -noreset -ac -screen 0 2000x1280x24 >"$home/xvfb.out" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  DISPLAY=$display xrandr --setmonitor left 1280/339x720/191+0+0 screen >/dev/null
  DISPLAY=$display xrandr --setmonitor right 720/191x1280/339+1280+0 none >/dev/null
  [ "$(DISPLAY=$display xrandr --listmonitors | head -1)" = "Monitors: 2" ] || fail "Xvfb did not take two monitors"
  session_env=(DISPLAY="$display")
}

# The watcher itself ($watcher), under runuser and env ($watcher_job, whose status is its own).
start_watcher() {
  as_user "$app/zarn-screensaver-watch" "$@" >"$home/watch.out" 2>&1 5>&- &
  watcher_job=$!
  for _ in $(seq 100); do
    watcher=$(processes_naming "^$app/zarn-screensaver-watch")
    [ -n "$watcher" ] && return 0
    sleep 0.05
  done
  fail "the watcher did not start"
}
end_watcher() {
  kill -TERM "$watcher"
  set +e; wait "$watcher_job"; code=$?; set -e
  [ "$code" -eq 0 ] || fail "the watcher exited with $code after SIGTERM"
  [ -z "$(processes_naming "^$app/zarn-screensaver")" ] || fail "a clock outlived the watcher"
}
# The clocks: the watcher's children running the saver.
clocks() {
  for p in $(processes_naming "^$app/zarn-screensaver"); do
    [ "$(cut -d' ' -f4 "/proc/$p/stat" 2>/dev/null)" = "$watcher" ] && grep -qa '^/s$' <(tr '\0' '\n' <"/proc/$p/cmdline") &&
      echo "$p"
  done
  return 0
}
zombies() { { ps --ppid "$watcher" -o stat= || true; } | grep '^Z' || true; }
wait_for_clocks() {
  local count=$1
  for _ in $(seq 240); do
    [ "$(clocks | wc -l)" -eq "$count" ] && return 0
    kill -0 "$watcher" 2>/dev/null || fail "the watcher ended: $(cat "$home/watch.out")"
    sleep 0.25
  done
  fail "$(clocks | wc -l) clocks after 60 s, not $count"
}
# Ends within 10 s (the figure it took is printed, not asserted); none left, no zombie.
wait_until_no_clock() {
  local start; start=$(date +%s%N)
  for _ in $(seq 100); do [ -z "$(clocks)" ] && break; sleep 0.05; done
  [ -z "$(clocks)" ] || fail "clocks still run 5 s after $1: $(clocks)"
  echo "every clock ended $(( ($(date +%s%N) - start) / 1000000 )) ms after $1"
  # The watcher reaps a clock as its exit is reported: a moment's zombie is no fault, one that stays is.
  for _ in $(seq 40); do [ -z "$(zombies)" ] && break; sleep 0.05; done
  [ -z "$(zombies)" ] || fail "a clock is left a zombie after $1"
}
# Each clock: its monitor, and nice 10.
check_clock_environment() {
  local monitors=""
  for p in $(clocks); do
    monitors+="$(tr '\0' '\n' <"/proc/$p/environ" | sed -n 's/^ZARN_MONITOR=//p') "
    [ "$(cut -d' ' -f19 "/proc/$p/stat")" = 10 ] || fail "clock $p does not run at nice 10"
    if [ "$1" = wayland ]; then
      grep -qzx SDL_VIDEODRIVER=wayland "/proc/$p/environ" || fail "clock $p is not told to use Wayland"
    fi
  done
  [ "$(echo "$monitors" | tr ' ' '\n' | sort | xargs)" = "0 1" ] || fail "clocks for monitors '$monitors', not 0 and 1"
}

# X11: lit pixels over one monitor's own area, and the saver windows' geometry.
x_lit_pixels() {
  DISPLAY=$display /usr/bin/import -window root -crop "$1" -depth 8 rgb:- 2>/dev/null |
    od -An -v -tu1 -w3 | awk '$1+$2+$3 > 150 {n++} END {print n+0}'
}
x_saver_windows() {
  for w in $(DISPLAY=$display "$app/zarn-x-probe" find WindowsScreenSaverClass "Screen Saver"); do
    DISPLAY=$display "$app/zarn-x-probe" geometry "$w"
  done | sort
}
check_x_clocks() {
  for _ in $(seq 120); do
    [ "$(x_saver_windows | wc -l)" -eq 2 ] && [ "$(x_lit_pixels 1280x720+0+0)" -gt 2000 ] &&
      [ "$(x_lit_pixels 720x1280+1280+0)" -gt 2000 ] && break
    sleep 0.5
  done
  [ "$(x_saver_windows | xargs)" = "0 0 1280 720 1280 0 720 1280" ] ||
    fail "saver windows are not one per monitor: $(x_saver_windows | xargs)"
  [ "$(x_lit_pixels 1280x720+0+0)" -gt 2000 ] && [ "$(x_lit_pixels 720x1280+1280+0)" -gt 2000 ] ||
    fail "a monitor shows no clock"
  check_clock_environment x
}
x_input() { DISPLAY=$display xdotool mousemove_relative -- 60 60; }
monitor_of() { tr '\0' '\n' <"/proc/$1/environ" | sed -n 's/^ZARN_MONITOR=//p'; }
clock_monitors() { for p in $(clocks); do monitor_of "$p"; done | sort | xargs; }
# Waits for N clocks and prints how long it took (printed, not asserted).
clocks_within() {
  local start; start=$(date +%s%N)
  wait_for_clocks "$1"
  echo "$1 clocks $(( ($(date +%s%N) - start) / 1000000 )) ms after $2"
}
# Three waits of 2 s with the screen asleep: no clock.
no_clock_while_asleep() {
  sleep 7
  [ -z "$(clocks)" ] || fail "a clock came back while $1"
  kill -0 "$watcher" 2>/dev/null || fail "the watcher ended while $1"
}
# A monitor added while the clocks show gets one, numbered as the saver numbers it (args: the
# command adding it, the index it gets).
monitor_comes() {
  local before; before=$(clocks | sort | xargs)
  "$1"
  clocks_within $(( $(echo "$before" | wc -w) + 1 )) "a monitor came"
  local added; added=$(comm -13 <(echo "$before" | tr ' ' '\n') <(clocks | sort))
  [ "$(monitor_of "$added")" = "$2" ] || fail "the new monitor's clock is for monitor $(monitor_of "$added"), not $2"
}
# A monitor removed loses its clock; the others keep theirs, and the watcher goes on (args: the
# command removing it, the index it had).
monitor_goes() {
  local gone; gone=$(for p in $(clocks); do [ "$(monitor_of "$p")" != "$2" ] || echo "$p"; done)
  local rest; rest=$(clocks | grep -vx "$gone" | sort | xargs)
  "$1"
  for _ in $(seq 100); do [ "$(clocks | sort | xargs)" = "$rest" ] && break; sleep 0.1; done
  [ "$(clocks | sort | xargs)" = "$rest" ] || fail "clocks $(clocks | xargs) after a monitor went, not $rest"
  sleep 2
  [ "$(clocks | sort | xargs)" = "$rest" ] || fail "the other clocks did not stay: $(clocks | xargs), not $rest"
  kill -0 "$watcher" 2>/dev/null || fail "the watcher ended when a monitor went"
}

# A headless sway with two outputs, HEADLESS-1 (1024x768) and HEADLESS-2 (600x800) right of it.
start_sway() {
  cat >"$home/sway.config" <<'CONFIG'
xwayland disable
output HEADLESS-1 resolution 1024x768 position 0 0
CONFIG
  [ "$(id -u)" -eq 0 ] && chown "$user" "$home/sway.config"
  as_user env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$home/sway.config" >"$home/sway.out" 2>&1 &
  sway_pid=$!
  session_env=(WAYLAND_DISPLAY=wayland-1)
  for _ in $(seq 100); do ls "$runtime"/sway-ipc.*.sock >/dev/null 2>&1 && break; sleep 0.1; done
  session_env+=(SWAYSOCK="$(ls "$runtime"/sway-ipc.*.sock 2>/dev/null | head -1)")
  for _ in $(seq 100); do as_user swaymsg -t get_version >/dev/null 2>&1 && break; sleep 0.1; done
  as_user swaymsg -t get_version >/dev/null 2>&1 || fail "sway did not start"
  as_user swaymsg create_output >/dev/null
  as_user swaymsg output HEADLESS-2 resolution 600x800 position 1024 0 >/dev/null
}

# A session bus that can start other desktops' screen savers and display configuration, each
# leaving a mark when started, and a system bus of the case's own whose logind is a stand-in:
# one session, c7, with logind's LockedHint, SetLockedHint, Lock and Unlock.
start_buses() {
  mkdir -p "$home/services"
  for name in org.cinnamon.ScreenSaver org.freedesktop.ScreenSaver org.cinnamon.Muffin.DisplayConfig; do
    printf '[D-BUS Service]\nName=%s\nExec=/bin/sh -c "touch %s/started-%s"\n' "$name" "$home" "$name" \
      >"$home/services/$name.service"
  done
  cat >"$home/session-bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$runtime/bus</listen>
  <servicedir>$home/services</servicedir>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
CONF
  cat >"$home/logind.js" <<'JS'
const {Gio, GLib} = imports.gi;
const path = '/org/freedesktop/login1/session/c7';
let lockedHint = false;
const session = Gio.DBusExportedObject.wrapJSObject(`<node><interface name="org.freedesktop.login1.Session">
  <property name="LockedHint" type="b" access="read"/>
  <method name="SetLockedHint"><arg type="b" direction="in"/></method>
  <method name="Lock"/><method name="Unlock"/><signal name="Lock"/><signal name="Unlock"/>
</interface></node>`, {
  get LockedHint() { return lockedHint; },
  SetLockedHint(hint) { lockedHint = hint; session.emit_property_changed('LockedHint', new GLib.Variant('b', hint)); },
  Lock() { session.emit_signal('Lock', null); },
  Unlock() { session.emit_signal('Unlock', null); },
});
session.export(Gio.DBus.system, path);
const manager = Gio.DBusExportedObject.wrapJSObject(`<node><interface name="org.freedesktop.login1.Manager">
  <method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
  <method name="GetSessionByPID"><arg type="u" direction="in"/><arg type="o" direction="out"/></method>
</interface></node>`, {
  GetSession(id) { if (id !== 'c7') throw new Error(`no session ${id}`); return path; },
  GetSessionByPID() { return path; },
});
manager.export(Gio.DBus.system, '/org/freedesktop/login1');
Gio.DBus.system.own_name('org.freedesktop.login1', Gio.BusNameOwnerFlags.NONE, null, null);
new GLib.MainLoop(null, false).run();
JS
  chmod -R a+rX "$home/services" "$home/session-bus.conf" "$home/logind.js"
  as_user dbus-daemon --config-file="$home/session-bus.conf" --fork >/dev/null
  as_user dbus-daemon --session --address="unix:path=$runtime/system_bus" --fork >/dev/null
  session_env+=(DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$runtime/system_bus"
                XDG_SESSION_ID=c7)
  as_user gjs "$home/logind.js" >"$home/logind.out" 2>&1 &
  for _ in $(seq 50); do as_user gdbus introspect --system -d org.freedesktop.login1 -o / >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "the stand-in logind did not start"
}
session_call() { as_user gdbus call --system -d org.freedesktop.login1 -o /org/freedesktop/login1/session/c7 \
                   -m "org.freedesktop.login1.Session.$1" "${@:2}" >/dev/null; }

case $case_name in
x11_clock_on_every_monitor)
  start_x
  start_watcher --after 3s
  wait_for_clocks 2
  grep -q 'MIT-SCREEN-SAVER' "$home/watch.out" || fail "the watcher did not name MIT-SCREEN-SAVER"
  check_x_clocks
  x_input
  wait_until_no_clock "pointer movement"
  # Another wait, and they are back.
  wait_for_clocks 2
  check_x_clocks
  # SIGTERM ends the watcher with its clocks.
  end_watcher
  ;;
x11_killed_clock_and_held_off_and_server_gone)
  start_x
  # A client that suspends the server's screen saver (a video player) keeps the clock away...
  mkfifo "$home/suspend.in"
  as_user "$app/zarn-x-probe" suspend <"$home/suspend.in" >"$home/suspend.out" 2>&1 &
  exec 5>"$home/suspend.in"
  for _ in $(seq 50); do grep -q suspended "$home/suspend.out" && break; sleep 0.1; done
  start_watcher --after 2s
  sleep 6
  [ -z "$(clocks)" ] || fail "the clock showed while a client suspended the screen saver"
  # ...until it lets go.
  exec 5>&-
  wait_for_clocks 2
  # A clock killed outright: the other ends too, and the watcher waits for the next idle period.
  read -r first _ < <(clocks | xargs)
  kill -KILL "$first"
  wait_until_no_clock "SIGKILL of one clock"
  sleep 3
  [ -z "$(clocks)" ] || fail "the clock came back without a new idle period"
  kill -0 "$watcher" 2>/dev/null || fail "the watcher ended with its clock"
  x_input
  wait_for_clocks 2
  # The X server going away ends the watcher cleanly, and its clocks.
  kill "$xvfb_pid"; xvfb_pid=
  set +e; wait "$watcher_job"; code=$?; set -e
  [ "$code" -eq 0 ] || fail "the watcher exited with $code when the X server went away"
  for _ in $(seq 50); do [ -z "$(processes_naming "^$app/zarn-screensaver")" ] && break; sleep 0.1; done
  [ -z "$(processes_naming "^$app/zarn-screensaver")" ] || fail "a clock outlived the X server"
  ;;
xscreensaver_already_runs)
  start_x
  e2e_write_xscreensaver_config "$home/.xscreensaver" "GL: zarn --root"
  [ "$(id -u)" -eq 0 ] && chown "$user" "$home/.xscreensaver"
  as_user xscreensaver --no-splash >"$home/xscreensaver.out" 2>&1 &
  for _ in $(seq 50); do as_user xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.1; done
  as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the XScreenSaver daemon did not start"
  set +e; as_user timeout 20 "$app/zarn-screensaver-watch" --after 1s >"$home/watch.out" 2>&1; code=$?; set -e
  [ "$code" -eq 0 ] || fail "the watcher exited with $code beside XScreenSaver"
  [ "$(wc -l <"$home/watch.out")" -eq 1 ] && grep -q XScreenSaver "$home/watch.out" ||
    fail "the watcher did not say in one line that XScreenSaver runs: $(cat "$home/watch.out")"
  as_user xscreensaver-command -exit >/dev/null 2>&1 || true
  ;;
x11_server_saver_and_monitors_come_and_go)
  start_x
  start_watcher --after 2s
  wait_for_clocks 2
  head -2 "$home/watch.out" | grep -q 'MIT-SCREEN-SAVER (the server.s own saver).*RandR' ||
    fail "the watcher's first lines do not name what it listens to: $(head -2 "$home/watch.out")"
  # The server's own saver: every clock ends, and stays away until input and a new wait.
  as_user xset s activate
  wait_until_no_clock "xset s activate"
  grep -q "the screen is asleep (the X server's screen saver)" "$home/watch.out" || fail "the watcher did not hear of the server's saver"
  no_clock_while_asleep "the server's saver is on"
  as_user xset s reset
  x_input
  clocks_within 2 "xset s reset and input"
  # The server's saver turned on while the watcher waits for the answer to a question of its own
  # (its 200 ms look at the idle time): the server, stopped, takes both requests at once, and
  # the event reaches Xlib's queue during the answer, with nothing left on the socket to wake
  # the watcher.
  mkfifo "$home/saver.in"
  as_user "$app/zarn-x-probe" saver <"$home/saver.in" >"$home/saver-probe.out" 2>&1 &
  exec 6>"$home/saver.in"
  for _ in $(seq 50); do grep -q ready "$home/saver-probe.out" && break; sleep 0.1; done
  kill -STOP "$xvfb_pid"
  echo on >&6
  sleep 0.5
  kill -CONT "$xvfb_pid"
  wait_until_no_clock "the server's saver came on during a query"
  echo off >&6
  exec 6>&-
  x_input
  clocks_within 2 "the server's saver off and input"
  add_x() { DISPLAY=$display xrandr --setmonitor below 640/170x480/127+0+720 none >/dev/null; }
  # (Not the first: its output's own monitor would come back in its place.)
  remove_x() { DISPLAY=$display xrandr --delmonitor right >/dev/null; }
  monitor_comes add_x 2
  monitor_goes remove_x 1
  # A monitor back while its old clock still ends (held stopped, as a clock slow to end is):
  # the new one starts once the old is gone, one clock on it, and the show goes on.
  # (The clock below was started as monitor 2; with the right one gone it is 1 now.)
  old=$(for p in $(clocks); do [ "$(monitor_of "$p")" = 0 ] || echo "$p"; done)
  kill -STOP "$old"
  DISPLAY=$display xrandr --delmonitor below >/dev/null
  # Back as soon as the watcher has asked the old clock to end (a SIGTERM pending on it); the
  # watcher ends it outright 2 s later, after it has seen the monitor again (within 1 s).
  sigterm_pending() { [ $(( 0x$(sed -n 's/^ShdPnd:\t*//p' "/proc/$old/status") & 0x4000 )) -ne 0 ]; }
  for _ in $(seq 60); do sigterm_pending && break; sleep 0.05; done
  sigterm_pending || fail "the watcher did not end the clock of a monitor that went"
  add_x
  start=$(date +%s%N) gone=
  for _ in $(seq 100); do
    [ "$(clocks | wc -l)" -le 2 ] || fail "$(clocks | wc -l) clocks while the old one on the returning monitor ends"
    [ -z "$gone" ] && ! kill -0 "$old" 2>/dev/null && gone=$(date +%s%N)
    [ -n "$gone" ] && [ "$(clock_monitors)" = "0 1" ] && break
    sleep 0.05
  done
  now=$(date +%s%N)
  echo "the returning monitor's clock $(( (now - start) / 1000000 )) ms after it came back, $(( (now - ${gone:-$now}) / 1000000 )) ms after its old clock was gone"
  sleep 3
  [ "$(clock_monitors)" = "0 1" ] || fail "not one clock on each monitor after one came back while its clock ended: $(clock_monitors)"
  end_watcher
  ;;
sway_output_comes)
  start_sway
  start_watcher --after 2s
  wait_for_clocks 2
  head -2 "$home/watch.out" | grep -q 'zwlr_output_power_management_v1' ||
    fail "the watcher's first lines do not name the output power protocol: $(head -2 "$home/watch.out")"
  # (Headless sway 1.7 can neither power an output off nor disable one, "Failed to commit output",
  # and has no unplug: a monitor that goes is tested on X11, output power in the unit table.)
  add_sway() { as_user swaymsg create_output >/dev/null; }
  monitor_comes add_sway 2
  end_watcher
  ;;
command_line)
  for bad in soon 5x -1 25h ""; do
    set +e; as_user "$app/zarn-screensaver-watch" --after "$bad" >"$home/bad.out" 2>&1; code=$?; set -e
    [ "$code" -eq 1 ] || fail "--after '$bad' exited with $code"
    [ "$(wc -l <"$home/bad.out")" -eq 1 ] && grep -q "bad wait '$bad'" "$home/bad.out" ||
      fail "--after '$bad' did not say so in one line: $(cat "$home/bad.out")"
  done
  start_x
  entry=$home/.config/autostart/zarn-screensaver-watch.desktop
  as_user "$app/zarn-screensaver-watch" --enable --after 10m >"$home/enable.out" 2>&1 || fail "--enable failed"
  [ -f "$entry" ] || fail "--enable wrote no autostart entry"
  grep -qx "Exec=\"$app/zarn-screensaver-watch\" --after 10m" "$entry" || fail "the entry's Exec: $(grep Exec "$entry")"
  desktop-file-validate "$entry" || fail "the autostart entry is not a valid desktop entry"
  running=$(processes_naming "^$app/zarn-screensaver-watch")
  [ "$(echo "$running" | wc -w)" -eq 1 ] || fail "--enable left $(echo "$running" | wc -w) watchers running"
  # Twice: the same one entry, the same one watcher.
  before=$(stat -c '%Y %i' "$entry"; md5sum <"$entry")
  sleep 1.1
  as_user "$app/zarn-screensaver-watch" --enable --after 10m >"$home/enable2.out" 2>&1 || fail "a second --enable failed"
  [ "$(stat -c '%Y %i' "$entry"; md5sum <"$entry")" = "$before" ] || fail "a second --enable changed the entry"
  [ "$(ls "$home/.config/autostart" | wc -l)" -eq 1 ] || fail "more than one entry: $(ls "$home/.config/autostart")"
  [ "$(processes_naming "^$app/zarn-screensaver-watch")" = "$running" ] || fail "a second --enable changed the watchers"
  # --disable removes it and ends the watcher; a second one is harmless.
  as_user "$app/zarn-screensaver-watch" --disable >"$home/disable.out" 2>&1 || fail "--disable failed"
  [ ! -e "$entry" ] || fail "--disable left the entry"
  [ -z "$(processes_naming "^$app/zarn-screensaver-watch")" ] || fail "--disable left the watcher running"
  as_user "$app/zarn-screensaver-watch" --disable >"$home/disable2.out" 2>&1 || fail "a second --disable failed"
  ;;
sway_two_outputs)
  start_sway
  # "output fullscreen_mode inhibit_idle WxH" of each saver window.
  saver_windows() {
    as_user swaymsg -t get_tree | awk '
      /"type": "output"/ { want_output = 1 }
      want_output && /"name":/ { output = $2; gsub(/[",]/, "", output); want_output = 0 }
      /"rect": \{/ { in_rect = 1 }
      in_rect && /"width":/ { width = $2 + 0 }
      in_rect && /"height":/ { height = $2 + 0; in_rect = 0 }
      /"name": "Screen Saver",?$/ { saver = 1 }
      saver && /"fullscreen_mode":/ { mode = $2 + 0 }
      saver && /"inhibit_idle":/ { inhibit = $2; gsub(/,/, "", inhibit); print output, mode, inhibit, width "x" height; saver = 0 }' | sort
  }
  lit_pixels() {
    as_user grim -o "$1" - 2>/dev/null | convert png:- -depth 8 rgb:- | od -An -v -tu1 -w3 |
      awk '$1+$2+$3 > 300 {n++} END {print n+0}'
  }
  check_sway_clocks() {
    for _ in $(seq 120); do
      [ "$(saver_windows | wc -l)" -eq 2 ] && [ "$(lit_pixels HEADLESS-1)" -gt 2000 ] &&
        [ "$(lit_pixels HEADLESS-2)" -gt 2000 ] && break
      sleep 0.5
    done
    [ "$(saver_windows | xargs)" = "HEADLESS-1 1 false 1024x768 HEADLESS-2 1 false 600x800" ] ||
      fail "the saver windows are not full screen, one per output, holding nothing off: $(saver_windows | xargs)"
    [ "$(lit_pixels HEADLESS-1)" -gt 2000 ] && [ "$(lit_pixels HEADLESS-2)" -gt 2000 ] || fail "an output shows no clock"
    check_clock_environment wayland
  }
  start_watcher --after 3s
  wait_for_clocks 2
  grep -q 'org_kde_kwin_idle' "$home/watch.out" || fail "the watcher did not name org_kde_kwin_idle"
  check_sway_clocks
  as_user wtype -s 1500 -k space
  wait_until_no_clock "a key"
  wait_for_clocks 2
  check_sway_clocks
  # A window that inhibits idleness keeps the clock away. The saver window that the pointer
  # ends is replaced by the settings dialog, which is focused and told to inhibit.
  mkfifo "$home/pointer.in"
  as_user "$app/zarn-wayland-pointer" <"$home/pointer.in" >"$home/pointer.out" 2>&1 &
  exec 5>"$home/pointer.in"
  for _ in $(seq 50); do grep -q '^ready' "$home/pointer.out" && break; sleep 0.1; done
  echo click >&5
  wait_until_no_clock "a click"
  as_user env GDK_BACKEND=wayland "$app/zarn-screensaver" /c >"$home/dialog.out" 2>&1 &
  dialog=$!
  for _ in $(seq 100); do as_user swaymsg -t get_tree | grep -q '"name": "Zarn' && break; sleep 0.1; done
  as_user swaymsg inhibit_idle open >/dev/null || fail "sway did not take inhibit_idle"
  sleep 6
  [ -z "$(clocks)" ] || fail "the clock showed while a window inhibits idleness"
  # The dialog itself, not the runuser above it.
  for p in $(processes_naming "^$app/zarn-screensaver"); do
    [ "$(tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null)" = "$app/zarn-screensaver /c " ] && kill "$p" 2>/dev/null || true
  done
  wait "$dialog" || true
  wait_for_clocks 2
  end_watcher
  ;;
x11_logind_lock_and_other_desktops_left_unstarted)
  # logind's lock, as swaylock or light-locker set it: every clock ends, and none comes back
  # until the session is unlocked, with input and a new wait. Its Lock signal does the same.
  # Nothing the watcher asks starts another desktop's service.
  start_x
  start_buses
  start_watcher --after 2s
  wait_for_clocks 2
  head -2 "$home/watch.out" | grep -qF 'org.freedesktop.login1 (/org/freedesktop/login1/session/c7: LockedHint, Lock)' ||
    fail "the watcher's first lines do not name logind's session: $(head -2 "$home/watch.out")"
  session_call SetLockedHint true
  wait_until_no_clock "LockedHint true"
  grep -q "the screen is asleep (org.freedesktop.login1" "$home/watch.out" || fail "the watcher did not hear of the lock"
  no_clock_while_asleep "the session is locked"
  session_call SetLockedHint false
  x_input
  clocks_within 2 "LockedHint false and input"
  session_call Lock
  wait_until_no_clock "logind's Lock"
  session_call Unlock
  x_input
  clocks_within 2 "logind's Unlock and input"
  end_watcher
  started=$(cd "$home" && ls started-* 2>/dev/null || true)
  [ -z "$started" ] || fail "the watcher started another desktop's service: $started"
  # (The bus does start them when asked: their absence means the watcher never asked.)
  as_user gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.StartServiceByName org.cinnamon.ScreenSaver 0 >/dev/null 2>&1 || true
  for _ in $(seq 50); do [ -e "$home/started-org.cinnamon.ScreenSaver" ] && break; sleep 0.1; done
  [ -e "$home/started-org.cinnamon.ScreenSaver" ] || fail "the case's session bus starts no service"
  ;;
*) fail "unknown case $case_name" ;;
esac
[ "$(md5sum <"$home/registry.reg")" = "$registry_before" ] || fail "the settings file was written"
echo "PASS: $case_name"
