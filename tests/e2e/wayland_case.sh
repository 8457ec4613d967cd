#!/usr/bin/env bash
# One end-to-end case of the saver as a native Wayland client, on a headless sway with no
# Xwayland and no X display: what `swaymsg -t get_tree` says of its window, what grim sees,
# keys from wtype, and swayidle as the host that starts it. sway refuses to run as root, so
# everything runs as a user this case makes (or the caller, when not root).
#   wayland_case.sh <case> <build dir> <zarn-wayland-pointer>
set -euo pipefail; [ -n "${ZARN_E2E_TRACE:-}" ] && set -x
case_name=$1 build=$2 pointer_probe=$3
. "$(dirname "$0")/e2e_common.sh"

work=$(mktemp -d /tmp/zarn-e2e-wayland-XXXXXX)
chmod 755 "$work"
user=$(e2e_host_user)
runtime=$work/runtime home=$work/home app=$work/app
mkdir -p "$runtime" "$home" "$app"
# The program and its data, where the user can read them whatever the build folder's rights.
cp "$build/zarn-screensaver" "$build/zarn" "$pointer_probe" "$app/"
cp -rL "$build/data" "$app/data"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"InstallDir"="%s"\n"Antialiasing"=dword:00000000\n' "$app" >"$home/registry.reg"
cat >"$home/sway.config" <<'CONFIG'
xwayland disable
output HEADLESS-1 resolution 1024x768 position 0 0
CONFIG
chmod 700 "$runtime"
[ "$(id -u)" -eq 0 ] && chown -R "$user" "$runtime" "$home" "$app"
cd "$home"

# Processes whose command line matches a pattern (procps may not be installed).
processes_naming() {
  grep -alsE -- "$1" /proc/[0-9]*/cmdline | cut -d/ -f3 | grep -vx "$$" || true
}

sway_pid=
cleanup() {
  [ -n "$sway_pid" ] && { as_user swaymsg exit >/dev/null 2>&1 || kill "$sway_pid" 2>/dev/null || true; }
  for p in $(processes_naming "$work/[a-z]"); do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The user's session: nothing of ours (no DISPLAY, no bus) but the compositor's variables.
as_user() {
  local as=()
  [ "$(id -u)" -eq 0 ] && as=(runuser -u "$user" --)
  "${as[@]}" env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wayland-1 \
    SWAYSOCK="$(ls "$runtime"/sway-ipc.*.sock 2>/dev/null | head -1)" \
    ZARN_REGISTRY="$home/registry.reg" ZARN_NO_MESSAGE_BOX=1 "$@"
}

fail() {
  echo "FAIL: $*" >&2
  for f in "$home"/*.out; do
    [ -f "$f" ] && grep -v '^Reading .obj file' "$f" | tail -15 | sed "s|^|  $(basename "$f"): |" >&2
  done
  exit 1
}

as_user env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sway -c "$home/sway.config" >"$home/sway.out" 2>&1 &
sway_pid=$!
for _ in $(seq 100); do as_user swaymsg -t get_version >/dev/null 2>&1 && break; sleep 0.1; done
as_user swaymsg -t get_version >/dev/null 2>&1 || fail "sway did not start"

# The saver's windows as "output fullscreen_mode inhibit_idle application-inhibitor WxH".
saver_windows() {
  # swaymsg prints one key per line; a node's own "rect" comes before its "name", and the
  # leaf's fullscreen_mode and idle inhibitors after it.
  as_user swaymsg -t get_tree | awk '
    /"type": "output"/ { want_output = 1 }
    want_output && /"name":/ { output = $2; gsub(/[",]/, "", output); want_output = 0 }
    /"rect": \{/ { in_rect = 1 }
    in_rect && /"width":/ { width = $2 + 0 }
    in_rect && /"height":/ { height = $2 + 0; in_rect = 0 }
    /"name": "Screen Saver",?$/ { saver = 1 }
    saver && /"fullscreen_mode":/ { mode = $2 + 0 }
    saver && /"inhibit_idle":/ { inhibit = $2; gsub(/,/, "", inhibit) }
    saver && /"application":/ { app = $2; gsub(/[",]/, "", app); print output, mode, inhibit, app, width "x" height; saver = 0 }'
}
focused_output() {
  as_user swaymsg -t get_outputs | awk '/"name":/ { name = $2; gsub(/[",]/, "", name) } /"focused": true/ { print name }'
}
# Bright pixels on one output (the clock is lit; sway's empty desktop is a dark grey).
lit_pixels() {
  as_user grim -o "$1" - 2>/dev/null | convert png:- -depth 8 rgb:- | od -An -v -tu1 -w3 |
    awk '$1+$2+$3 > 300 {n++} END {print n+0}'
}
# A saver started by the case itself ($pid) that ends early fails the case at once.
pid=
still_running() { [ -z "$pid" ] || kill -0 "$pid" 2>/dev/null || fail "the saver ended before $1"; }
# The pointer's white outline near the top left corner, with the pointer drawn in (grim -c).
corner_cursor_pixels() {
  as_user grim -c -g "0,0 48x48" - 2>/dev/null | convert png:- -depth 8 rgb:- | od -An -v -tu1 -w3 |
    awk '$1+$2+$3 > 500 {n++} END {print n+0}'
}
wait_for_saver_window() {
  for _ in $(seq 120); do
    [ -n "$(saver_windows)" ] && return 0
    still_running "its window appeared"
    sleep 0.5
  done
  fail "no window titled \"Screen Saver\" in sway's tree within 60 s"
}
wait_for_picture() {
  for _ in $(seq 120); do
    [ "$(lit_pixels "$1")" -gt 2000 ] && return 0
    still_running "the clock showed"
    sleep 0.5
  done
  fail "no clock on $1 within 60 s"
}
# The savers themselves, not the shells or the swayidle whose command lines name them too.
saver_processes() { processes_naming "^$app/zarn-screensaver"; }
# A key through a virtual keyboard that stays a moment first: the saver binds a keyboard only
# once the seat offers one, and sway's seat has none until wtype makes it.
press_key() { as_user wtype -s 1500 -k space; }

# A pointer on sway's seat (it has none of its own), driven through the probe's stdin.
start_pointer() {
  mkfifo "$home/pointer.in"
  as_user "$app/zarn-wayland-pointer" <"$home/pointer.in" >"$home/pointer.out" 2>&1 &
  exec 5>"$home/pointer.in"
  for _ in $(seq 50); do grep -q '^ready' "$home/pointer.out" && return 0; sleep 0.1; done
  fail "the virtual pointer did not start"
}
pointer() {
  local before; before=$(grep -c '^done' "$home/pointer.out" || true)
  echo "$*" >&5
  for _ in $(seq 50); do [ "$(grep -c '^done' "$home/pointer.out" || true)" -gt "$before" ] && return 0; sleep 0.1; done
  fail "the virtual pointer did not carry out '$*'"
}
wait_for_exit_of() {
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$1" 2>/dev/null && fail "the saver still runs 10 s after $2"
  set +e; wait "$1"; local code=$?; set -e
  [ "$code" -eq 0 ] || fail "the saver exited with $code after $2"
}

case $case_name in
fullscreen_runs_and_closes)
  # SDL_VIDEO_ALLOW_SCREENSAVER=0, as some desktops export it, must not bring SDL's idle
  # inhibitor back.
  as_user env SDL_VIDEO_ALLOW_SCREENSAVER=0 "$app/zarn-screensaver" /s >"$home/saver.out" 2>&1 &
  pid=$!
  wait_for_saver_window
  echo "sway's tree (output, fullscreen_mode, inhibit_idle, application inhibitor, size): $(saver_windows)"
  read -r output mode inhibit application size < <(saver_windows)
  [ "$mode" = 1 ] || fail "the saver's window is not full screen: $(saver_windows)"
  [ "$size" = 1024x768 ] || fail "the saver's window is $size on a 1024x768 output"
  [ "$inhibit" = false ] && [ "$application" = none ] || fail "the saver holds off idleness: $(saver_windows)"
  wait_for_picture HEADLESS-1

  # One saver at a time: the second finds the first through its lock and ends at once.
  set +e; as_user timeout 30 "$app/zarn-screensaver" /s >"$home/second.out" 2>&1; code=$?; set -e
  [ "$code" -eq 0 ] || fail "the second /s exited with $code"
  [ "$(saver_windows | wc -l)" -eq 1 ] || fail "more than one saver window: $(saver_windows)"
  kill -0 "$pid" 2>/dev/null || fail "the first saver ended when the second started"

  press_key
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "the saver still runs 10 s after a key"
  set +e; wait "$pid"; code=$?; set -e
  [ "$code" -eq 0 ] || fail "the saver exited with $code after a key"
  [ -z "$(saver_windows)" ] || fail "the saver's window is still in the tree"
  ;;
swayidle_starts_it_and_power_off_follows)
  # The README's line with short timeouts. The saver first...
  as_user swayidle -w timeout 1 "$app/zarn-screensaver /s" >"$home/swayidle.out" 2>&1 &
  wait_for_saver_window
  wait_for_picture HEADLESS-1
  # ...then the power-off, which still comes while it runs: counted from now, when the saver's
  # window is up, it fires only if that window holds no idle inhibitor. (A headless output
  # reports no power state, so the commands also leave a mark.)
  as_user swayidle -w timeout 2 "swaymsg 'output * dpms off' && touch $home/powered-off" \
    resume "swaymsg 'output * dpms on' && touch $home/powered-on" >"$home/swayidle-power.out" 2>&1 &
  for _ in $(seq 150); do [ -e "$home/powered-off" ] && break; sleep 0.1; done
  [ -e "$home/powered-off" ] || fail "swayidle's power-off never came while the saver ran"
  saver=$(saver_processes)
  [ -n "$saver" ] || fail "the saver ended before the power-off"
  # A key ends the saver and powers the output on again. (A second later swayidle starts
  # another saver, as its timeout says.)
  press_key
  for _ in $(seq 100); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
  kill -0 $saver 2>/dev/null && fail "the saver still runs 10 s after a key"
  for _ in $(seq 50); do [ -e "$home/powered-on" ] && break; sleep 0.1; done
  [ -e "$home/powered-on" ] || fail "the output was not powered on again after a key"
  ;;
two_outputs)
  # Full screen on the output sway gives it (the focused one); the other keeps its desktop.
  as_user swaymsg create_output >/dev/null
  as_user swaymsg output HEADLESS-2 resolution 800x600 position 1024 0 >/dev/null
  start_pointer
  as_user "$app/zarn-screensaver" /s >"$home/saver.out" 2>&1 &
  pid=$!
  wait_for_saver_window
  echo "sway's tree (output, fullscreen_mode, inhibit_idle, application inhibitor, size): $(saver_windows)"
  read -r output mode inhibit application size < <(saver_windows)
  focused=$(focused_output)
  [ "$output" = "$focused" ] && [ "$mode" = 1 ] || fail "not full screen on the focused output $focused: $(saver_windows)"
  other=HEADLESS-2; [ "$focused" = HEADLESS-2 ] && other=HEADLESS-1
  wait_for_picture "$focused"
  [ "$(lit_pixels "$other")" -eq 0 ] || fail "something lit on $other"
  pointer click
  wait_for_exit_of "$pid" "a click"
  ;;
small_pointer_drift_keeps_running)
  # The pointer is there before the saver, as a mouse is; sway shows it the pointer when its
  # window maps, and that is where the mouse-move rule measures from. At scale 2 the compositor
  # moves the pointer two of the output's pixels for each step of the mouse: the threshold
  # counts the pointer's steps, so the same hand movement closes the saver at both scales.
  start_pointer
  for scale in 1 2; do
    as_user swaymsg output HEADLESS-1 scale $scale >/dev/null
    # In the screen's corner, where the clock's picture is dark: sway draws its arrow there.
    pointer move -4000 -4000
    pointer move 10 10
    [ "$(corner_cursor_pixels)" -gt 20 ] || fail "no pointer to be seen on the desktop at scale $scale"
    as_user "$app/zarn-screensaver" /s >"$home/saver.out" 2>&1 &
    pid=$!
    wait_for_saver_window
    wait_for_picture HEADLESS-1
    [ "$(corner_cursor_pixels)" -eq 0 ] || fail "the pointer shows over the saver at scale $scale"
    # 2 + 2 steps is within the threshold of 4...
    pointer move 2 2
    sleep 2
    kill -0 "$pid" 2>/dev/null || fail "a 2+2 step drift closed the saver at scale $scale"
    # ...one more step is beyond it.
    pointer move 1 0
    wait_for_exit_of "$pid" "the pointer moved 5 steps at scale $scale"
  done
  ;;
output_at_scale_2_drawn_at_its_pixels)
  # One output, 1600x1000 pixels, at scale 1 and at scale 2 (800x500 to its clients): the
  # saver draws the output's own pixels at both, so the pictures are as sharp. Drawn at 800x500
  # and stretched by the compositor, every 2x2 block of pixels would be one colour: the detail
  # finer than two pixels (what the picture loses when halved and doubled back) would be gone.
  # A software renderer draws at most 1024 of the output's own pixels (2-capped), as at scale 1.
  declare -A sharpness
  for scale in 1 2 2-capped; do
    as_user swaymsg output HEADLESS-1 resolution 1600x1000 scale "${scale%-capped}" >/dev/null
    full_size=1 drawn="1600 1000"
    [ "$scale" = 2-capped ] && full_size= drawn="1024 640"
    as_user env ZARN_FULL_SIZE_BACK_BUFFER=$full_size "$app/zarn-screensaver" /s >"$home/saver.out" 2>&1 &
    pid=$!
    wait_for_saver_window
    wait_for_picture HEADLESS-1
    if [ -n "$full_size" ]; then
      sleep 2
      as_user grim -o HEADLESS-1 - >"$home/scale-$scale.png"
      [ "$(identify -format %wx%h "$home/scale-$scale.png")" = 1600x1000 ] || fail "grim's picture is not 1600x1000"
      sharpness[$scale]=$(convert "$home/scale-$scale.png" -colorspace gray \( +clone -scale 50% -sample 200% \) \
        -compose difference -composite -format '%[fx:mean*1000]' info:)
    fi
    press_key
    wait_for_exit_of "$pid" "a key"
    # The device report: the screen's own pixels asked for, and what is drawn.
    report=$(grep 'Back Buffer [WH]' "$app/screensaver_log.txt" | xargs)
    [ "$report" = "Back Buffer Width: 1600 ${drawn% *} Back Buffer Height: 1000 ${drawn#* }" ] ||
      fail "at scale $scale the device report's back buffer is not 1600x1000 drawn at ${drawn/ /x}: $report"
  done
  echo "detail finer than 2 pixels (mean, per mille): ${sharpness[1]} at scale 1, ${sharpness[2]} at scale 2"
  awk -v one="${sharpness[1]}" -v two="${sharpness[2]}" 'BEGIN { exit !(two >= 0.8 * one) }' ||
    fail "the picture at scale 2 is blurred: its detail finer than 2 pixels is ${sharpness[2]}, at scale 1 ${sharpness[1]}"
  ;;
preview_and_hack_need_x)
  for command in "zarn-screensaver /p 4194311" "zarn-screensaver /l 12" "zarn"; do
    set +e; as_user "$app"/$command >"$home/need-x.out" 2>&1; code=$?; set -e
    [ "$code" -ne 0 ] || fail "'$command' reported success without an X display"
    [ "$(wc -l <"$home/need-x.out")" -eq 1 ] && grep -q "X display" "$home/need-x.out" ||
      fail "'$command' did not say in one line that it needs an X display: $(cat "$home/need-x.out")"
  done
  ;;
*) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
