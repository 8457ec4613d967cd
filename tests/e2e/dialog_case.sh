#!/usr/bin/env bash
# One end-to-end case of the settings dialog: the real zarn-screensaver in configuration mode
# under its own Xvfb server, driven from the keyboard as a user would, with a private
# settings file that is compared before and after.
#   dialog_case.sh <case> <zarn-screensaver> <build dir>
set -euo pipefail
case_name=$1 saver=$2 build=$3

if [ -z "${ZARN_E2E_INNER:-}" ]; then
  export ZARN_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

work=$(mktemp -d /tmp/zarn-e2e-dialog-XXXXXX)
pid= owner=
# Watchers that the dialog started run from the case's own copy in $work/app.
watchers() { grep -alsE -- "^$work/app/zarn-screensaver-watch" /proc/[0-9]*/cmdline | cut -d/ -f3 || true; }
trap 'for p in $pid $owner $(watchers); do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
cd "$work"
ln -s "$build/data" data
export ZARN_REGISTRY="$work/registry.reg"
# The watcher's autostart entry and session lock stay inside the case.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
entry=$XDG_CONFIG_HOME/autostart/zarn-screensaver-watch.desktop
# The designed dialog's height; the watcher's row adds its own between the settings and the
# buttons, which move down by it.
designed_height=362 row_height=46
key='[HKEY_LOCAL_MACHINE\Software\Orvane\Zarn Screensaver]'
caption="Zarn Clock Screensaver Settings"

fail() {
  echo "FAIL: $*" >&2
  [ -f dialog.out ] && sed 's/^/  dialog: /' dialog.out >&2
  [ -f "$ZARN_REGISTRY" ] && sed 's/^/  settings: /' "$ZARN_REGISTRY" >&2
  exit 1
}

settings() { printf 'REGEDIT4\n\n%s\n"InstallDir"="%s"\n%s' "$key" "$work" "$1" > "$ZARN_REGISTRY"; }

# Starts the dialog and waits for its window; sets $pid and $dialog.
open_dialog() {
  "$saver" "$@" >dialog.out 2>&1 &
  pid=$!
  dialog=
  for _ in $(seq 100); do
    dialog=$(xdotool search --name "^$caption\$" 2>/dev/null | head -1) || true
    [ -n "$dialog" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the dialog program exited before showing a window"
    sleep 0.1
  done
  [ -n "$dialog" ] || fail "no window titled \"$caption\" after 10 s"
  sleep 0.5
  xdotool windowfocus --sync "$dialog"
}

wait_for_exit() {
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || { set +e; wait "$pid"; local code=$?; set -e; pid=; return $code; }
    sleep 0.1
  done
  fail "the dialog did not close within 10 s"
}

expect_value() { grep -qxF "$1" "$ZARN_REGISTRY" || fail "the settings file lacks $1"; }

# Mean colour of a rectangle of the dialog's client area, as "r g b".
mean_colour() {
  local x=$1 y=$2 w=$3 h=$4
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  /usr/bin/import -window root -crop "${w}x${h}+$((X + x))+$((Y + y))" -depth 8 rgb:- 2>/dev/null |
    od -An -v -tu1 -w3 | awk '{r += $1; g += $2; b += $3; n++} END {printf "%d %d %d\n", r / n, g / n, b / n}'
}

# The saver, with the watcher beside it unless told "alone", copied into $work/app.
use_app() {
  mkdir -p "$work/app"
  cp "$build/zarn-screensaver" "$work/app/zarn-screensaver"
  [ "${1:-}" = alone ] || cp "$build/zarn-screensaver-watch" "$work/app/"
  saver=$work/app/zarn-screensaver
}
# The watcher row's tick box and wait box, clicked with the real pointer.
click_row() {
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  case $1 in tick) xdotool mousemove --sync $((X + 88)) $((Y + 327)) click 1 ;;
             wait) xdotool mousemove --sync $((X + 150)) $((Y + 346)) click --repeat 3 1 ;; esac
  sleep 0.3
}
close_with() {
  xdotool key "$1"
  set +e; wait_for_exit; local code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after $1"
}
entry_stamp() { stat -c '%Y %i' "$entry" 2>/dev/null; md5sum <"$entry" 2>/dev/null || true; }

watcher_row_turns_the_watcher_on_and_off() {
  settings ''
  use_app
  open_dialog /c
  click_row tick
  click_row wait
  xdotool type 7
  close_with Return
  grep -qx "Exec=\"$work/app/zarn-screensaver-watch\" --after 7m" "$entry" ||
    fail "no entry for 7 minutes: $(cat "$entry" 2>/dev/null)"
  [ "$(watchers | wc -w)" -eq 1 ] || fail "$(watchers | wc -w) watchers run after OK"
  # Shown as it is, OK'd as it is: the entry is not rewritten.
  before=$(entry_stamp)
  sleep 1.1
  open_dialog /c
  close_with Return
  [ "$(entry_stamp)" = "$before" ] || fail "OK on an unchanged row rewrote the entry"
  open_dialog /c
  # From the keyboard: the row follows the 24-hour box in the Tab order.
  xdotool key Tab Tab Tab Tab Tab Tab space
  close_with Return
  [ ! -e "$entry" ] || fail "unticked and OK left the entry"
  [ -z "$(watchers)" ] || fail "unticked and OK left the watcher running"
}

watcher_row_refuses_a_bad_wait_and_cancel_changes_nothing() {
  settings ''
  use_app
  mkdir -p "$(dirname "$entry")"
  printf '[Desktop Entry]\nType=Application\nExec="%s" --after 90s\n' "$work/app/zarn-screensaver-watch" >"$entry"
  before=$(entry_stamp)
  open_dialog /c
  click_row tick
  close_with Escape
  open_dialog /c
  click_row wait
  xdotool type 1441
  xdotool key Return
  for _ in $(seq 50); do [ "$(xdotool search --name "^$caption\$" | wc -l)" -eq 2 ] && break; sleep 0.1; done
  [ "$(xdotool search --name "^$caption\$" | wc -l)" -eq 2 ] || fail "no message over the dialog for a wait of 1441"
  kill -0 "$pid" 2>/dev/null || fail "the dialog ended on a refused wait"
  xdotool key Return  # the message goes; the dialog stays
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "the dialog ended with the message"
  xdotool windowfocus --sync "$dialog"
  close_with Escape
  [ "$(entry_stamp)" = "$before" ] || fail "Cancel or a refused wait changed the entry"
  [ -z "$(watchers)" ] || fail "a watcher started without OK"
}

watcher_row_says_when_the_watcher_fails() {
  settings ''
  use_app
  export XDG_CONFIG_HOME=$work/not-a-folder  # no entry can be written under a file
  touch "$XDG_CONFIG_HOME"
  open_dialog /c
  click_row tick
  xdotool key Return
  # The failure is written, then shown, after the dialog itself has gone.
  for _ in $(seq 50); do grep -q "zarn-screensaver-watch --enable --after 3m" dialog.out && break; sleep 0.1; done
  grep -q "zarn-screensaver-watch --enable --after 3m" dialog.out || fail "the failure is not on the standard error"
  for _ in $(seq 50); do xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1 && break; sleep 0.1; done
  xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1 || fail "no message after the watcher failed"
  kill -0 "$pid" 2>/dev/null || fail "the program ended before the message was answered"
  kill -TERM "$pid"  # asked to end, the message goes with it
  set +e; wait_for_exit; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after SIGTERM over the message"
}

watcher_row_absent_without_the_watcher_or_beside_a_saver_host() {
  settings ''
  for where in alone host; do
    if [ $where = alone ]; then use_app alone; else
      use_app
      # XScreenSaver's sign: _SCREENSAVER_VERSION on a top-level window.
      xmessage -name zarn-host -title zarn-host "a saver host" &
      owner=$!
      for _ in $(seq 50); do
        host=$(xdotool search --name '^zarn-host$' 2>/dev/null | head -1) && [ -n "$host" ] && break
        sleep 0.1
      done
      xprop -id "$host" -f _SCREENSAVER_VERSION 8s -set _SCREENSAVER_VERSION 6.06
    fi
    open_dialog /c
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
    [ "$HEIGHT" -eq $designed_height ] || fail "the dialog is $HEIGHT high with the watcher row $where"
    close_with Escape
  done
}

case $case_name in
dialog_shows_and_escape_changes_nothing)
  settings '"Antialiasing"=dword:00000002
"UseMilitaryTime"=hex:01
'
  cp "$ZARN_REGISTRY" before.reg
  open_dialog /c
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  # The build folder has the watcher beside the saver: the designed dialog plus its row.
  [ "$WIDTH" -eq 321 ] && [ "$HEIGHT" -eq $((designed_height + row_height)) ] ||
    fail "the dialog is ${WIDTH}x$HEIGHT, expected 321x$((designed_height + row_height))"
  # The banner is brass (warm: red over green over blue); the lists, boxes and buttons sit
  # on the plain dialog face below it, each showing something other than that face.
  read -r r g b <<<"$(mean_colour 11 11 300 114)"
  [ "$r" -gt "$g" ] && [ "$g" -gt "$b" ] && [ "$r" -gt 100 ] || fail "no brass banner at the top (mean $r $g $b)"
  read -r fr fg fb <<<"$(mean_colour 5 300 30 10)"
  for place in "141 161 93 21" "141 187 93 21" "80 214 20 16" "80 250 20 16" "80 273 20 16" "80 296 20 16" \
               "11 $((328 + row_height)) 105 23" "143 $((328 + row_height)) 75 23" "236 $((328 + row_height)) 75 23" \
               "60 127 200 14" "80 319 16 16"; do
    read -r cr cg cb <<<"$(mean_colour $place)"
    [ "$cr $cg $cb" != "$fr $fg $fb" ] || fail "nothing drawn at $place (the dialog face only)"
  done
  xdotool key Escape
  set +e; wait_for_exit; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after Escape"
  cmp -s before.reg "$ZARN_REGISTRY" || fail "Escape changed the settings file"
  ;;
keyboard_toggles_shadows_and_return_saves)
  settings '"Antialiasing"=dword:00000000
"Resolution"=dword:00000320
"UseMilitaryTime"=hex:01
"Comment"="kept"
'
  open_dialog /c
  # Focus starts on the resolution list; Tab walks antialiasing, frame sync,
  # post-processing and then the shadows box.
  xdotool key Tab Tab Tab Tab space Return
  set +e; wait_for_exit; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after Return"
  expect_value '"EnableShadows"=hex:00'
  expect_value '"EnableFilters"=hex:01'
  expect_value '"IntervalImmediate"=hex:00'
  expect_value '"UseMilitaryTime"=hex:01'
  expect_value '"Antialiasing"=dword:00000000'
  expect_value '"Resolution"=dword:00000320'
  expect_value "\"InstallDir\"=\"$work\""
  expect_value '"Comment"="kept"'
  ;;
alt_d_then_return_writes_defaults)
  settings '"Antialiasing"=dword:00000000
"Resolution"=dword:00000400
"UseMilitaryTime"=hex:01
"IntervalImmediate"=hex:01
"EnableFilters"=hex:00
"EnableShadows"=hex:00
'
  open_dialog /c
  xdotool key alt+d
  sleep 0.3
  xdotool key Return
  set +e; wait_for_exit; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after Alt+D, Return"
  expect_value '"Antialiasing"=dword:00000004'
  expect_value '"EnableFilters"=hex:01'
  expect_value '"EnableShadows"=hex:01'
  expect_value '"IntervalImmediate"=hex:00'
  expect_value '"UseMilitaryTime"=hex:00'
  expect_value '"Resolution"=dword:00000400'  # the resolution is not reset
  ;;
owned_dialog_is_transient_for_its_owner)
  settings ''
  xmessage -name zarn-owner -title zarn-owner "a settings program" &
  owner=$!
  owner_window=
  for _ in $(seq 50); do
    owner_window=$(xdotool search --name '^zarn-owner$' 2>/dev/null | head -1) || true
    [ -n "$owner_window" ] && break
    sleep 0.1
  done
  [ -n "$owner_window" ] || fail "the owner window did not appear"
  open_dialog "/c:$owner_window"
  transient=$(xprop -id "$dialog" WM_TRANSIENT_FOR | awk '{print $NF}')
  [ "$((transient))" -eq "$owner_window" ] || fail "WM_TRANSIENT_FOR is '$transient', expected $owner_window"
  xdotool key Escape
  wait_for_exit || fail "exit code $? after Escape"
  ;;
pointer_hand_over_banner_and_clicks)
  # The real pointer: the banner shows the hand and opens the web site; the buttons below
  # it, which have windows of their own inside the dialog, show the arrow and open nothing.
  settings '"EnableShadows"=hex:01
'
  mkdir -p bin
  printf '#!/bin/sh\necho "$1" >>"%s/opened.txt"\n' "$work" >bin/xdg-open
  chmod +x bin/xdg-open
  PATH="$work/bin:$PATH" open_dialog /c
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  cursor_at() { xdotool mousemove --sync $((X + $1)) $((Y + $2)); sleep 0.4; "$build/zarn-x-probe" cursor; }
  face=$(cursor_at 5 300)
  banner=$(cursor_at 150 60)
  [ "$banner" != "$face" ] || fail "the cursor over the banner is the one on the dialog's face"
  [ "$(cursor_at 160 120)" = "$banner" ] || fail "no hand over the link line"
  [ "$(cursor_at 180 $((339 + row_height)))" = "$face" ] || fail "the hand over the OK button"
  [ "$(cursor_at 190 173)" = "$face" ] || fail "the hand over the resolution list"
  [ "$(cursor_at 150 60)" = "$banner" ] || fail "no hand over the banner the second time"
  xdotool click 1
  for _ in $(seq 50); do [ -s opened.txt ] && break; sleep 0.1; done
  opened=$(cat opened.txt 2>/dev/null || true)
  [ "$opened" = "https://zarn-screensaver.org/" ] || fail "the banner opened '$opened'"
  kill -0 "$pid" 2>/dev/null || fail "the dialog ended on a click on the banner"
  xdotool mousemove --sync $((X + 180)) $((Y + 339 + row_height)) click 1
  set +e; wait_for_exit; code=$?; set -e
  [ "$code" -eq 0 ] || fail "exit code $code after OK"
  sleep 0.5
  [ "$(wc -l <opened.txt)" -eq 1 ] || fail "a click on OK opened the web site too: $(tr '\n' ' ' <opened.txt)"
  expect_value '"EnableShadows"=hex:01'
  expect_value '"IntervalImmediate"=hex:00'
  ;;
signals_cancel_the_dialog)
  # A signal is the close button: Cancel, nothing saved, whatever was changed.
  settings '"EnableShadows"=hex:01
'
  cp "$ZARN_REGISTRY" before.reg
  for signal in TERM INT HUP; do
    open_dialog /c
    xdotool key Tab Tab Tab Tab space  # the shadows box, unticked
    sleep 0.3
    kill -s "$signal" "$pid"
    for _ in $(seq 10); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "the dialog still open 1 s after SIG$signal"
    set +e; wait_for_exit; code=$?; set -e
    [ "$code" -eq 0 ] || fail "exit code $code after SIG$signal"
    cmp -s before.reg "$ZARN_REGISTRY" || fail "SIG$signal saved the settings"
  done
  ;;
no_display_says_so)
  settings ''
  set +e
  env -u DISPLAY -u WAYLAND_DISPLAY "$saver" /c >dialog.out 2>&1; code=$?
  set -e
  [ "$code" -eq 255 ] || fail "/c without a display exited with $code, expected -1"
  [ "$(cat dialog.out)" = "zarn-screensaver: the settings dialog needs a display" ] || fail "unexpected output"
  ;;
*) declare -F "$case_name" >/dev/null || fail "unknown case $case_name"; "$case_name" ;;
esac
echo "PASS: $case_name"
