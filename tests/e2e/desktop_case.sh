#!/usr/bin/env bash
# One end-to-end case on a real desktop, headless: GNOME Shell (Wayland, two virtual
# monitors), KDE's KWin (Wayland, two virtual outputs) or Cinnamon's Muffin (X11 on Xvfb with
# two RandR monitors). Each runs as a user this case makes, on its own session bus
# (dbus-run-session) and its own stand-in system bus, and is asked through its own interfaces
# what it shows: the window list, a picture of each monitor, its idle monitor.
#   desktop_case.sh <desktop>_<case> <build dir> [<zarn-kwin-input>]
# ($ZARN_X_PROBE names the cases' X client, for the cases that ping a window on X.)
# A desktop that cannot run here skips the case (exit 77).
set -euo pipefail; [ -n "${ZARN_E2E_TRACE:-}" ] && set -x
case_name=$1 build=$2 kwin_input=${3:-}
desktop=${case_name%%_*} what=${case_name#*_}
. "$(dirname "$0")/e2e_common.sh"

skip() { echo "SKIP: $*"; exit 77; }
needs() { for p in "$@"; do command -v "$p" >/dev/null || skip "$p is not installed"; done; }
needs dbus-run-session dbus-daemon dbus-monitor gdbus convert
case $desktop in
gnome) needs gnome-shell ;;
kde) needs kwin_wayland; /usr/bin/python3 -c 'import dbus' 2>/dev/null || skip "python3-dbus is not installed" ;;
cinnamon) needs muffin Xvfb xrandr xdotool xprop xwininfo import ;;
*) echo "FAIL: unknown desktop in $case_name" >&2; exit 1 ;;
esac

work=$(mktemp -d /tmp/zarn-e2e-desktop-XXXXXX)
chmod 755 "$work"
user=$(e2e_host_user)
runtime=$work/runtime home=$work/home app=$work/app
mkdir -p "$runtime" "$home" "$app"
cp "$build/zarn-screensaver" "$app/"
[ -x "$build/zarn-screensaver-watch" ] && cp "$build/zarn-screensaver-watch" "$app/"
[ -n "$kwin_input" ] && cp "$kwin_input" "$app/zarn-kwin-input"
[ -n "${ZARN_X_PROBE:-}" ] && cp "$ZARN_X_PROBE" "$app/zarn-x-probe"
cp -rL "$build/data" "$app/data"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"InstallDir"="%s"\n"Antialiasing"=dword:00000000\n' "$app" >"$home/registry.reg"
chmod 700 "$runtime"
[ "$(id -u)" -eq 0 ] && chown -R "$user" "$runtime" "$home" "$app"
cd "$home"

# Everything the session started carries its runtime folder in its environment; the savers
# and helpers name the work folder on their command lines.
session_processes() {
  { grep -alsF "XDG_RUNTIME_DIR=$runtime" /proc/[0-9]*/environ | cut -d/ -f3
    grep -alsF "$work/" /proc/[0-9]*/cmdline | cut -d/ -f3; } | grep -vx "$$" | sort -u || true
}
# Kills what is left of the session outright, and takes away the X display (Cinnamon's) that
# a server killed so leaves behind.
kill_session() {
  for p in $(session_processes); do kill -9 "$p" 2>/dev/null || true; done
  for _ in $(seq 20); do [ -z "$(session_processes)" ] && break; sleep 0.1; done
  for f in "$home/display" "$home/display.new"; do
    if [ -s "$f" ]; then e2e_clear_dead_display "$(head -1 "$f")"; fi
  done
}
cleanup() {
  for p in $(session_processes); do kill "$p" 2>/dev/null || true; done
  sleep 0.5
  kill_session
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$home"/*.out; do
    [ -f "$f" ] && grep -vE '^Reading .obj file|Gjs-CRITICAL|offending signal|^== Stack|^$|@resource' "$f" |
      tail -12 | sed "s|^|  $(basename "$f"): |" >&2
  done
  exit 1
}

# The user's session as a program in it sees it: nothing of ours but the session's variables.
as_user() {
  local as=() display=WAYLAND_DISPLAY=wayland-0
  [ "$(id -u)" -eq 0 ] && as=(runuser -u "$user" --)
  [ "$desktop" = cinnamon ] && display=DISPLAY=:$(cat "$home/display" 2>/dev/null || true)
  "${as[@]}" env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" "$display" \
    DBUS_SESSION_BUS_ADDRESS="$(cat "$home/bus" 2>/dev/null || true)" \
    ZARN_REGISTRY="$home/registry.reg" ZARN_NO_MESSAGE_BOX=1 "$@"
}
call() { as_user gdbus call --session --timeout 10 "$@"; }

# --- The desktops --------------------------------------------------------------------------
# The session's first process: a system bus of its own (the desktops look for logind, upower
# and the like there and go on without them), then the desktop on a fresh session bus, after
# the settings a case wants ($3, run on that bus).
write_session_script() {
  cat >"$home/session.sh" <<SESSION
#!/bin/sh
cd "$home"
dbus-daemon --session --address=unix:path=$runtime/system_bus --fork >/dev/null
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$runtime/system_bus
$1
exec dbus-run-session -- sh -c '${3:-} echo "\$DBUS_SESSION_BUS_ADDRESS" >"$home/bus.new" && mv "$home/bus.new" "$home/bus" && exec "\$@"' sh $2
SESSION
  chmod 755 "$home/session.sh"
}

# GNOME raises its shield (and can lock) only beside a display manager and systemd's seats:
# a stand-in answers org.gnome.DisplayManager's version on the case's own system bus.
write_display_manager() {
  cat >"$home/display-manager.js" <<'JS'
const {Gio, GLib} = imports.gi;
const manager = Gio.DBusExportedObject.wrapJSObject(`<node><interface name="org.gnome.DisplayManager.Manager">
  <property name="Version" type="s" access="read"/></interface></node>`, {Version: '43.0'});
manager.export(Gio.DBus.system, '/org/gnome/DisplayManager/Manager');
Gio.DBus.system.own_name('org.gnome.DisplayManager', Gio.BusNameOwnerFlags.NONE, null, null);
new GLib.MainLoop(null, false).run();
JS
  chmod 644 "$home/display-manager.js"
  echo "gjs $home/display-manager.js &
for i in \$(seq 50); do gdbus introspect --system -d org.gnome.DisplayManager -o / >/dev/null 2>&1 && break; sleep 0.1; done"
}

start_gnome() {
  local shield="" monitors=${ZARN_E2E_GNOME_MONITORS:-1280x720 --virtual-monitor 720x1280}
  # A monitor to scale: as wide as a 1280-wide clock at 200 % leaves room to tell the two apart.
  [ "$what" = watcher_clock_at_monitor_scale ] && monitors="1600x1000 --virtual-monitor 720x1280"
  [ "$what" = watcher_sleeps_under_the_shield ] && shield=$(write_display_manager)
  write_session_script "$shield" "env NO_AT_BRIDGE=1 MUTTER_DEBUG_RESET_IDLETIME=1 gnome-shell --headless --wayland --no-x11 \
    --virtual-monitor $monitors --unsafe-mode" \
    "gsettings set org.gnome.desktop.notifications show-banners false;"
  # (No banner, such as "Screen Lock disabled", over the pictures. No accessibility bridge: its
  # calls to a registry that starts slowly on a loaded machine block the shell for 25 s each.)
  local session=("$home/session.sh")
  # Where systemd's seat folder exists but no logind answers, mutter would wait on logind for
  # a seat; hiding the folder sends it down its no-logind path.
  # The shield wants the seats folder there, and mutter no systemd (sd_booted: /run/systemd/system).
  if [ -n "$shield" ]; then
    [ "$(id -u)" -eq 0 ] && [ -d /run/systemd ] || skip "no root, or no /run/systemd, to give the shell a seats folder"
    session=(unshare -m sh -c 'mount -t tmpfs tmpfs /run/systemd && mkdir /run/systemd/seats && exec "$@"' sh
             runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" "$home/session.sh")
  elif [ -d /run/systemd/seats ] && [ ! -S /run/systemd/private ]; then
    [ "$(id -u)" -eq 0 ] || skip "/run/systemd/seats without logind, and no root to hide it"
    session=(unshare -m sh -c 'mount -t tmpfs tmpfs /run/systemd && exec "$@"' sh runuser -u "$user" --
             env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" "$home/session.sh")
  else
    session=(as_user "$home/session.sh")
  fi
  "${session[@]}" >"$home/desktop.out" 2>&1 &
  session_pid=$!
  disown
}

start_kde() {
  local lockscreen=--no-lockscreen
  [ "$what" = watcher_sleeps_under_the_lock ] && lockscreen=
  # kwin_wayland carries a file capability (cap_sys_resource) that a user in a container may
  # not be granted, which stops it before main; a copy of the binary carries none.
  cp /usr/bin/kwin_wayland "$app/kwin_wayland"
  [ "$(id -u)" -eq 0 ] && chown "$user" "$app/kwin_wayland"
  write_session_script "" "env KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
    $app/kwin_wayland --virtual --width 1280 --height 720 --output-count 2 $lockscreen --socket wayland-0"
  as_user "$home/session.sh" >"$home/desktop.out" 2>&1 &
  session_pid=$!
  disown
}

start_cinnamon() {
  # Two RandR monitors on one Xvfb screen, the second portrait. Naming the server's output for
  # the first retires the screen-wide monitor; -noreset keeps them when clients come and go.
  write_session_script "Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 2000x1280x24 3>$home/display.new 2>$home/xvfb.out &
for i in \$(seq 100); do [ -s $home/display.new ] && break; sleep 0.1; done
export DISPLAY=:\$(cat $home/display.new)
xrandr --setmonitor zarn-0 1280/338x720/190+0+0 screen && xrandr --setmonitor zarn-1 720/190x1280/338+1280+0 none || exit 1
mv $home/display.new $home/display" "muffin --replace --x11 --sm-disable"
  as_user "$home/session.sh" >"$home/desktop.out" 2>&1 &
  session_pid=$!
  disown
}

# The monitors as "x y width height", in the desktop's order.
monitors() {
  case $desktop in
  gnome)
    call -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval \
      '[...Array(global.display.get_n_monitors()).keys()].map(i => {
         const r = global.display.get_monitor_geometry(i); return [r.x, r.y, r.width, r.height].join(" "); }).join(";")' |
      sed -n "s/^(true, '\"\(.*\)\"')$/\1/p" | tr ';' '\n' ;;
  kde)
    call -d org.kde.KWin -o /KWin -m org.kde.KWin.supportInformation | sed 's/\\n/\n/g' |
      sed -n 's/^Geometry: \([0-9-]*\),\([0-9-]*\),\([0-9]*\)x\([0-9]*\)$/\1 \2 \3 \4/p' ;;
  cinnamon)
    as_user xrandr --listmonitors | sed -n 's|^ *[0-9]*: [^ ]* \([0-9]*\)/[0-9]*x\([0-9]*\)/[0-9]*+\([0-9]*\)+\([0-9]*\).*|\3 \4 \1 \2|p' ;;
  esac
}
# KWin's output names, in the same order (its screenshots name the output).
kde_outputs() {
  call -d org.kde.KWin -o /KWin -m org.kde.KWin.supportInformation | sed 's/\\n/\n/g' |
    sed -n '/^Screen [0-9]*:$/,/^Geometry/s/^Name: //p'
}

desktop_up_in_60_s() {
  local deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ]; do
    [ -s "$home/bus" ] && [ "$(monitors 2>/dev/null | wc -l)" -eq 2 ] && return 0
    kill -0 "$session_pid" 2>/dev/null || break
    sleep 0.2
  done
  [ "$(monitors 2>/dev/null | wc -l)" -eq 2 ]
}

wait_for_desktop() {
  if ! desktop_up_in_60_s && kill -0 "$session_pid" 2>/dev/null; then
    # Once in many runs, on a fresh and busy machine, GNOME Shell has stopped answering its bus
    # early in its start and never came back. That is the desktop's start, not what a case
    # tests: say so, and give it one more start.
    echo "$desktop runs but showed no two monitors in 60 s (it answers: $(monitors 2>&1 | paste -sd,)); starting it again"
    grep -vE '^Reading .obj file|^$' "$home/desktop.out" | tail -5 | sed 's/^/  desktop.out: /'
    kill_session
    rm -f "$home/bus" "$home/display"
    start_$desktop
    desktop_up_in_60_s || true
  fi
  [ "$(monitors 2>/dev/null | wc -l)" -eq 2 ] || {
    # A desktop that ends as it starts cannot run here; one that runs but shows no two
    # monitors is a fault.
    kill -0 "$session_pid" 2>/dev/null ||
      skip "$desktop cannot run here; it ended with: $(tail -3 "$home/desktop.out" | tr '\n' ' ')"
    fail "$desktop did not come up with two monitors in two starts of 60 s (it answers: $(monitors 2>&1 | paste -sd,))"
  }
  # GNOME starts in its overview; a user's desktop shows the windows. The overview comes at
  # the end of the shell's start-up animation, which a busy machine draws out: hidden before
  # that, it shows again (and the clocks in it are small pictures), so wait for the end.
  if [ "$desktop" = gnome ]; then
    overview_gone() {
      call -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval \
        'Main.overview.hide(); !Main.layoutManager._startingUp && !Main.overview.visible' 2>/dev/null | grep -qF "'true'"
    }
    for _ in $(seq 150); do overview_gone && break; sleep 0.2; done
    overview_gone || fail "GNOME's overview is still up 30 s after the shell answered"
  fi
  return 0
}

# --- What the desktop shows ----------------------------------------------------------------
# The saver's windows as "fullscreen x y width height" (fullscreen: true or false).
saver_windows() {
  case $desktop in
  gnome)
    call -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval \
      'global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title() === "Screen Saver").map(w => {
         const r = w.get_frame_rect(); return [w.is_fullscreen(), r.x, r.y, r.width, r.height].join(" "); }).join(";")' |
      sed -n "s/^(true, '\"\(.*\)\"')$/\1/p" | tr ';' '\n' | sed '/^$/d' ;;
  kde)
    # A KWin script lists the windows; what it prints lands in KWin's output.
    local tag=zarn$(date +%s%N)
    cat >"$home/$tag.js" <<JS
const clients = workspace.clientList();
for (let i = 0; i < clients.length; ++i) {
  const c = clients[i], r = c.frameGeometry;
  if (c.caption === "Screen Saver") print("$tag", c.fullScreen, r.x, r.y, r.width, r.height);
}
print("$tag", "end");
JS
    chmod 644 "$home/$tag.js"
    call -d org.kde.KWin -o /Scripting -m org.kde.kwin.Scripting.loadScript "$home/$tag.js" "$tag" >/dev/null
    call -d org.kde.KWin -o /Scripting -m org.kde.kwin.Scripting.start >/dev/null
    for _ in $(seq 50); do grep -q "^js: $tag end" "$home/desktop.out" && break; sleep 0.1; done
    call -d org.kde.KWin -o /Scripting -m org.kde.kwin.Scripting.unloadScript "$tag" >/dev/null
    sed -n "s/^js: $tag \(true\|false\) /\1 /p" "$home/desktop.out" ;;
  cinnamon)
    local id
    for id in $(as_user xdotool search --name '^Screen Saver$' 2>/dev/null); do
      as_user xwininfo -id "$id" | grep -q 'Map State: IsViewable' || continue
      local fs=false
      as_user xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN && fs=true
      as_user xwininfo -id "$id" | awk -v fs=$fs '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print fs, x, y, w, h}'
    done ;;
  esac
}

# A picture of monitor N (0-based) into a PNG.
monitor_picture() {
  local n=$1 out=$2 x y w h
  read -r x y w h < <(monitors | sed -n "$((n + 1))p")
  case $desktop in
  gnome)
    call -d org.gnome.Shell.Screenshot -o /org/gnome/Shell/Screenshot -m org.gnome.Shell.Screenshot.ScreenshotArea \
      "$x" "$y" "$w" "$h" false "$home/picture.png" >/dev/null ;;
  kde)
    # ScreenShot2 writes raw pixels into a pipe it is handed, which gdbus cannot hand it.
    as_user /usr/bin/python3 -c '
import dbus, os, sys, threading
read_end, write_end = os.pipe()
chunks = []
reader = threading.Thread(target=lambda: chunks.extend(iter(lambda: os.read(read_end, 1 << 20), b"")))
reader.start()
shot = dbus.SessionBus().get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2")
meta = shot.CaptureScreen(sys.argv[1], {"include-cursor": False, "native-resolution": True},
                          dbus.types.UnixFd(write_end), dbus_interface="org.kde.KWin.ScreenShot2")
os.close(write_end)
reader.join()
with open(sys.argv[2], "wb") as f:
    f.write(b"".join(chunks))
print(int(meta["width"]), int(meta["height"]), int(meta["stride"]))' "$(kde_outputs | sed -n "$((n + 1))p")" "$home/picture.raw" >"$home/picture.size"
    local pw ph stride; read -r pw ph stride <"$home/picture.size"
    # QImage's 32-bit formats are B, G, R, A in memory on a little-endian machine.
    convert -size "$((stride / 4))x$ph" -depth 8 bgra:"$home/picture.raw" -crop "${pw}x$ph+0+0" +repage "$home/picture.png" ;;
  cinnamon)
    as_user import -window root png:"$home/root.png"
    convert "$home/root.png" -crop "${w}x$h+$x+$y" +repage "$home/picture.png" ;;
  esac
  cp "$home/picture.png" "$out"
  if [ -n "${ZARN_E2E_PICTURES:-}" ]; then cp "$out" "$ZARN_E2E_PICTURES/$desktop-$(basename "$out")"; fi
}
# "lit width height left top" of a picture: how many pixels are bright (the clock is lit;
# every desktop's empty background is dark) and the box around them.
lit_extent() {
  convert "$1" -colorspace gray -threshold 40% -format '%[fx:int(mean*w*h+0.5)] %@\n' info: 2>/dev/null |
    sed 's/\([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\)/\1 \2 \3 \4/'
}

# Monitor N shows a whole clock: enough of it lit, and nothing lit at the picture's edges (a
# clock cut by its monitor's shape is lit up to them).
whole_clock_on() {
  local n=$1 w h lit bw bh left top
  read -r _ _ w h <<<"${monitor_list[$n]}"
  monitor_picture "$n" "$home/monitor-$n.png"
  read -r lit bw bh left top < <(lit_extent "$home/monitor-$n.png")
  echo "monitor $n ($w x $h): $lit lit pixels in a box of $bw x $bh at $left,$top"
  # (A portrait monitor shows the clock smaller: the same width across a taller picture.)
  [ "$lit" -gt $((w * h / 40)) ] || { echo "no clock to be seen on monitor $n" >&2; return 1; }
  # Across most of the width: a dialog or a window over it is smaller.
  [ $((bw * 5)) -ge $((w * 2)) ] && [ $((bh * 4)) -ge "$h" ] || { echo "too little of a clock on monitor $n" >&2; return 1; }
  [ "$left" -gt 0 ] && [ "$top" -gt 0 ] && [ $((left + bw)) -lt "$w" ] && [ $((top + bh)) -lt "$h" ] ||
    { echo "the clock on monitor $n reaches its edges" >&2; return 1; }
}

# Ends idleness the desktop's own way, and returns when it has.
user_input() {
  case $desktop in
  gnome) call -d org.gnome.Mutter.IdleMonitor -o /org/gnome/Mutter/IdleMonitor/Core -m org.gnome.Mutter.IdleMonitor.ResetIdletime >/dev/null ;;
  kde) as_user "$app/zarn-kwin-input" "$@" ;;
  cinnamon) as_user xdotool mousemove_relative 20 20 ;;
  esac
}
idle_ms() {
  case $desktop in
  gnome) call -d org.gnome.Mutter.IdleMonitor -o /org/gnome/Mutter/IdleMonitor/Core -m org.gnome.Mutter.IdleMonitor.GetIdletime ;;
  cinnamon) call -d org.cinnamon.Muffin.IdleMonitor -o /org/cinnamon/Muffin/IdleMonitor/Core -m org.cinnamon.Muffin.IdleMonitor.GetIdletime ;;
  esac | sed -n 's/^(uint64 \([0-9]*\),)$/\1/p'
}

# Every call on the session bus that would hold idleness off.
watch_inhibitors() {
  as_user dbus-monitor --session "type='method_call',member='Inhibit'" "type='method_call',member='SimulateUserActivity'" \
    >"$home/inhibit.log" 2>&1 &
  sleep 0.5
}
no_inhibitor_taken() {
  ! grep -E 'member=(Inhibit|SimulateUserActivity)' "$home/inhibit.log" || fail "an inhibitor was asked for on the session bus"
}

zombie_children_of() {
  grep -qs '^State:.*Z' $(grep -ls "^PPid:[[:space:]]*$1\$" /proc/[0-9]*/status) /dev/null
}
saver_processes() { grep -alsP "^\\Q$app/zarn-screensaver\\E\\x00" /proc/[0-9]*/cmdline | cut -d/ -f3 || true; }

# The watcher's two clocks, back after $1 (the time printed, not asserted).
clocks_back() {
  local start; start=$(date +%s%N)
  for _ in $(seq 240); do [ "$(saver_processes | wc -l)" -eq 2 ] && break; sleep 0.25; done
  [ "$(saver_processes | wc -l)" -eq 2 ] || fail "$(saver_processes | wc -l) clocks 60 s after $1, not 2"
  echo "2 clocks $(( ($(date +%s%N) - start) / 1000000 )) ms after $1"
}
# Every clock gone within 5 s of $1, and none back within three waits of 2 s.
clocks_away() {
  local start; start=$(date +%s%N)
  for _ in $(seq 100); do [ -z "$(saver_processes)" ] && break; sleep 0.05; done
  [ -z "$(saver_processes)" ] || fail "a clock still runs 5 s after $1"
  # (Sent away by the watcher, not closed by the desktop taking their input.)
  grep 'the screen is' "$home/watch.out" | tail -1 | grep -q asleep || fail "the watcher did not hear of $1"
  echo "every clock ended $(( ($(date +%s%N) - start) / 1000000 )) ms after $1"
  sleep 6
  [ -z "$(saver_processes)" ] || fail "a clock came back within three waits after $1"
}
watch_with_short_wait() {
  [ -x "$app/zarn-screensaver-watch" ] || skip "this build has no zarn-screensaver-watch"
  as_user "$app/zarn-screensaver-watch" --after 2s >"$home/watch.out" 2>&1 &
  clocks_back "the first wait"
  head -2 "$home/watch.out" | grep -q "$1" ||
    fail "the watcher's first lines do not name $1: $(head -2 "$home/watch.out")"
}

# A data folder whose first paint takes many seconds: every texture a 4096 x 4096 picture
# (decoding, filtering and uploading 24 of them on a software renderer), and a settings file
# that points the saver at it.
slow_data() {
  mkdir -p "$work/slow"
  cp -rL "$app/data" "$work/slow/data"
  /usr/bin/python3 - "$work/slow/big.png" <<'PY'
import struct, sys, zlib
side = 4096
row = b"\0" + bytes(range(256)) * (side // 256)
chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
header = struct.pack(">IIBBBBB", side, side, 8, 0, 0, 0, 0)
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                              chunk(b"IDAT", zlib.compress(row * side, 1)) + chunk(b"IEND", b""))
PY
  find "$work/slow/data" -name '*.png' -exec ln -f "$work/slow/big.png" {} \;
  sed "s|$app|$work/slow|" "$home/registry.reg" >"$home/slow.reg"
  [ "$(id -u)" -eq 0 ] && chown -R "$user" "$work/slow" "$home/slow.reg"
  return 0
}

# The "not responding" dialogs the desktop shows: GNOME's close dialog on the window's actor;
# Muffin's, a zenity window it starts with the class mutter-dialog.
not_responding_dialogs() {
  case $desktop in
  gnome)
    call -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval \
      'global.get_window_actors().flatMap(a => a.get_children()).filter(c => c instanceof imports.ui.dialog.Dialog).length' |
      sed -n "s/^(true, '\(.*\)')$/\1/p" ;;
  cinnamon)
    local id count=0
    for id in $(as_user xdotool search --class '^mutter-dialog$' 2>/dev/null); do
      as_user xwininfo -id "$id" | grep -q 'Map State: IsViewable' && count=$((count + 1))
    done
    echo $count ;;
  esac
}

# Whether a clock is lit on some monitor (a plain /s on Wayland covers the one the desktop picks).
clock_lit_somewhere() {
  local n w h lit
  for n in "${!monitor_list[@]}"; do
    read -r _ _ w h <<<"${monitor_list[$n]}"
    monitor_picture "$n" "$home/slow.png"
    read -r lit _ < <(lit_extent "$home/slow.png")
    [ "$lit" -gt $((w * h / 40)) ] && return 0
  done
  return 1
}

# The saver's first paint takes many seconds; from the moment its window shows until its
# clock is lit, the desktop gets its answers and shows no "not responding" dialog over it.
case_slow_start_stays_responsive() {
  local started=$SECONDS shown='' lit='' id='' dialogs pinger=''
  slow_data
  # On X, our own pings every 250 ms, answered or not, from the moment the window shows.
  [ "$desktop" = cinnamon ] && { [ -x "$app/zarn-x-probe" ] || skip "no zarn-x-probe given"; mkfifo "$home/pings.in"; }
  as_user env ZARN_REGISTRY="$home/slow.reg" SDL_VIDEODRIVER="$([ "$desktop" = gnome ] && echo wayland || echo x11)" \
    "$app/zarn-screensaver" /s >"$home/saver.out" 2>&1 &
  for _ in $(seq 360); do
    dialogs=$(not_responding_dialogs)
    [ "${dialogs:-0}" -eq 0 ] || fail "a \"not responding\" dialog shows $((SECONDS - started)) s after the start"
    if [ -z "$shown" ] && [ -n "$(saver_windows)" ]; then
      shown=$SECONDS
      if [ "$desktop" = cinnamon ]; then
        for id in $(as_user xdotool search --name '^Screen Saver$'); do
          as_user xwininfo -id "$id" | grep -q 'Map State: IsViewable' && break
        done
        as_user "$app/zarn-x-probe" pings "$id" <"$home/pings.in" >"$home/pings.out" &
        # Kept now: the process substitutions below set $! too.
        pinger=$!
        exec 7>"$home/pings.in"
      fi
      # Shown on X, it is black until its first frame: never what was on the screen before it.
      # (A Wayland window shows nothing of its own before its first frame; the desktop stays.)
      local on=0 n brightest
      for n in "${!monitor_list[@]}"; do saver_windows | grep -qx "true ${monitor_list[$n]}" && on=$n; done
      monitor_picture "$on" "$home/loading.png"
      brightest=$(convert "$home/loading.png" -colorspace gray -format '%[fx:int(maxima*255)]' info:)
      echo "while it loads, the brightest pixel on its monitor ($on): $brightest of 255"
      [ "$desktop" = gnome ] || [ "$brightest" -lt 16 ] || fail "not black while it loads (brightest pixel $brightest of 255)"
    fi
    [ -n "$shown" ] && clock_lit_somewhere && { lit=$SECONDS; break; }
    sleep 0.5
  done
  echo "the window showed ${shown:-never} s and the clock was lit ${lit:-never} s after the start (at $started)"
  [ -n "$lit" ] || fail "no clock within 180 s of the start"
  # Nothing was tested unless the desktop had time to give up on the window.
  [ $((lit - shown)) -ge 6 ] || fail "the slow data loaded in $((lit - shown)) s: too little to test a 5 s ping"
  if [ "$desktop" = cinnamon ]; then
    exec 7>&-
    wait "$pinger"
    echo "our pings while it loaded: $(cat "$home/pings.out")"
    read -r _ sent _ answered _ longest <"$home/pings.out"
    # (The last pings may still be on their way when the probe stops; their waits count all the same.)
    [ "$answered" -gt 0 ] && [ "$longest" -lt 5000 ] || fail "pings unanswered for 5 s: $(cat "$home/pings.out")"
  fi
}

# Monitor N at scale S over org.gnome.Mutter.DisplayConfig, as GNOME's Settings > Displays sets
# it; the monitors stay side by side in their order.
set_monitor_scale() {
  cat >"$home/scale.js" <<'JS'
const {Gio, GLib} = imports.gi;
const [index, scale] = [parseInt(ARGV[0]), parseFloat(ARGV[1])];
const call = (method, args) => Gio.DBus.session.call_sync('org.gnome.Mutter.DisplayConfig',
  '/org/gnome/Mutter/DisplayConfig', 'org.gnome.Mutter.DisplayConfig', method, args, null, 0, 10000, null);
const [serial, monitors, logical, properties] = call('GetCurrentState', null).deepUnpack();
const logicalLayout = properties['layout-mode'] && properties['layout-mode'].deepUnpack() === 1;
const currentMode = connector => monitors.find(m => m[0][0] === connector)[1]
  .find(mode => mode[6]['is-current'] && mode[6]['is-current'].deepUnpack());
let x = 0;
const config = logical.map(([, , oldScale, transform, primary, connected], i) => {
  const mode = currentMode(connected[0][0]), s = i === index ? scale : oldScale;
  const monitor = [x, 0, s, transform, primary, connected.map(c => [c[0], currentMode(c[0])[0], {}])];
  x += logicalLayout ? Math.round(mode[1] / s) : mode[1];
  return monitor;
});
call('ApplyMonitorsConfig', new GLib.Variant('(uua(iiduba(ssa{sv}))a{sv})', [serial, 1, config, {}]));
JS
  chmod 644 "$home/scale.js"
  as_user gjs "$home/scale.js" "$1" "$2" || fail "DisplayConfig did not take scale $2 for monitor $1"
}
# "monitor:WxH" of each saver window's picture as the desktop holds it (its buffer's pixels).
saver_buffers() {
  call -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval \
    'global.get_window_actors().filter(a => a.meta_window.get_title() === "Screen Saver").map(a => {
       const content = x => (x.get_content && x.get_content()) || x.get_children().map(content).find(c => c);
       const t = content(a).get_texture(); return a.meta_window.get_monitor() + ":" + t.get_width() + "x" + t.get_height();
     }).sort().join(" ")' | sed -n "s/^(true, '\"\(.*\)\"')$/\1/p"
}

case_watcher_clock_at_monitor_scale() {
  # Monitor 0 at 200 %: its clock is drawn at its 1600x1000 pixels, not at 800x500 and stretched
  # by the desktop; monitor 1 stays at 100 %.
  set_monitor_scale 0 2
  watch_with_short_wait org.gnome.Mutter.DisplayConfig
  for _ in $(seq 60); do [ "$(saver_buffers)" = "0:1600x1000 1:720x1280" ] && break; sleep 0.5; done
  echo "the clocks' pictures (monitor:pixels): $(saver_buffers)"
  [ "$(saver_buffers)" = "0:1600x1000 1:720x1280" ] || fail "the clocks are not drawn at their monitors' pixels: $(saver_buffers)"
}

# --- The cases -----------------------------------------------------------------------------
start_$desktop
wait_for_desktop
echo "$desktop is up; its monitors (x y width height): $(monitors | paste -sd,)"
mapfile -t monitor_list < <(monitors)

case $what in
watcher_clock_on_every_monitor)
  # The watcher in the session: after the wait a whole clock full screen on each monitor,
  # ended by input, and back after the next wait; nothing held off meanwhile.
  [ -x "$app/zarn-screensaver-watch" ] || skip "this build has no zarn-screensaver-watch"
  watch_inhibitors
  as_user "$app/zarn-screensaver-watch" --after 3s >"$home/watch.out" 2>&1 &
  for _ in $(seq 100); do [ -s "$home/watch.out" ] && break; sleep 0.1; done
  declare -A source=([gnome]=org.gnome.Mutter.IdleMonitor [kde]=ext-idle-notify-v1 [cinnamon]=org.cinnamon.Muffin.IdleMonitor)
  echo "the watcher says: $(head -1 "$home/watch.out")"
  grep -qF "${source[$desktop]}" "$home/watch.out" || fail "the watcher does not name ${source[$desktop]} as its idle source"
  watcher=$(grep -alsP "^\\Q$app/zarn-screensaver-watch\\E\\x00" /proc/[0-9]*/cmdline | cut -d/ -f3 || true)
  [ -n "$watcher" ] || fail "the watcher is not running"
  for round in 1 2; do
    # One full-screen window per monitor, each on its own.
    for _ in $(seq 120); do
      [ "$(saver_windows | grep -c '^true .* [1-9][0-9]* [1-9][0-9]*$')" -eq ${#monitor_list[@]} ] && break
      sleep 0.5
    done
    echo "round $round, saver windows (fullscreen x y width height): $(saver_windows | paste -sd,)"
    [ "$(saver_windows | sort)" = "$(printf 'true %s\n' "${monitor_list[@]}" | sort)" ] ||
      fail "not one full-screen saver window on each monitor: $(saver_windows | paste -sd,) ($(saver_processes | wc -l) clocks running)"
    [ "$desktop" = kde ] || idle_before=$(idle_ms)
    for n in "${!monitor_list[@]}"; do
      for _ in $(seq 60); do whole_clock_on "$n" >/dev/null 2>&1 && break; sleep 0.5; done
      whole_clock_on "$n" || fail "no whole clock on monitor $n"
    done
    # The clocks leave the desktop's idle time running (its blanking and lock still come).
    if [ "$desktop" != kde ]; then
      idle_after=$(idle_ms)
      echo "the desktop's idle time while the clocks show: $idle_before ms, then $idle_after ms"
      [ "$idle_after" -gt "$idle_before" ] || fail "the clocks reset the desktop's idle time"
    fi
    # Input ends every clock; the watcher stays and reaps them. (KWin's input says when it moved.)
    if [ "$desktop" = kde ]; then
      user_input >"$home/input.out" 2>&1 &
      for _ in $(seq 100); do grep -qs moved "$home/input.out" && break; sleep 0.02; done
      started=$(date +%s%N)
    else
      started=$(date +%s%N)
      user_input
    fi
    for _ in $(seq 200); do [ -z "$(saver_processes)" ] && break; sleep 0.05; done
    echo "round $round: every clock ended $(( ($(date +%s%N) - started) / 1000000 )) ms after the input"
    [ -z "$(saver_processes)" ] || fail "a clock still runs 10 s after the input"
    kill -0 "$watcher" 2>/dev/null || fail "the watcher ended with its clocks"
    for _ in $(seq 20); do zombie_children_of "$watcher" || break; sleep 0.1; done
    zombie_children_of "$watcher" && fail "the watcher left a zombie"
    [ -z "$(saver_windows)" ] || fail "a saver window outlived the input: $(saver_windows | paste -sd,)"
  done
  kill -TERM "$watcher"
  for _ in $(seq 100); do kill -0 "$watcher" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$watcher" 2>/dev/null && fail "the watcher still runs 10 s after SIGTERM"
  [ -z "$(saver_processes)" ] || fail "a clock outlived the watcher"
  no_inhibitor_taken
  ;;
watcher_sleeps_under_the_shield)
  # The shield raised, the monitors powered off, the screen locked: every clock ends within 5 s
  # and none comes back in three waits; the shield lowered (or the power back) with input and
  # one wait, they are back.
  watch_with_short_wait 'org.gnome.ScreenSaver, org.gnome.Mutter.DisplayConfig'
  screen_saver() { call -d org.gnome.ScreenSaver -o /org/gnome/ScreenSaver -m "org.gnome.ScreenSaver.$1" "${@:2}" >/dev/null; }
  power_save() {
    call -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig -m org.freedesktop.DBus.Properties.Set \
      org.gnome.Mutter.DisplayConfig PowerSaveMode "<$1>" >/dev/null
  }
  screen_saver SetActive true
  clocks_away "SetActive true"
  screen_saver SetActive false
  user_input
  clocks_back "SetActive false and input"
  power_save 3
  clocks_away "PowerSaveMode 3"
  power_save 0
  user_input
  clocks_back "PowerSaveMode 0 and input"
  screen_saver Lock
  clocks_away "Lock"
  pgrep -f "^$app/zarn-screensaver-watch" >/dev/null || fail "the watcher ended under the lock"
  ;;
watcher_sleeps_under_the_lock)
  # KWin's lock screen: every clock ends and none comes back while it is locked. (Its greeter
  # cannot be dismissed headless, so the way back is not tried here.)
  watch_with_short_wait 'org.freedesktop.ScreenSaver.*org_kde_kwin_dpms'
  call -d org.freedesktop.ScreenSaver -o /ScreenSaver -m org.freedesktop.ScreenSaver.Lock >/dev/null
  clocks_away "Lock"
  pgrep -f "^$app/zarn-screensaver-watch" >/dev/null || fail "the watcher ended under the lock"
  ;;
*)
  declare -F "case_$what" >/dev/null || fail "unknown case $case_name"
  "case_$what" ;;
esac
echo "PASS: $case_name"
