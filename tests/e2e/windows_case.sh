#!/usr/bin/env bash
# The Windows build under Wine (wine64) on Xvfb, in one Wine prefix that the run makes in a
# temporary folder as an unprivileged user, so its cases follow one install's life:
#   windows_case.sh <build-windows folder> <Linux build folder>
# The 64-bit installer silently (and its refusal without d3dx9_43.dll), the full-screen saver
# from where Screen Saver Settings finds it, a preview in a small Win32 host window, the
# settings dialog's OK read by the next run, the picture against the Linux snapshot of the
# same moment, and the uninstaller leaving nothing behind. Each case prints its time.
set -euo pipefail
windows=$(realpath "$1") linux=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_common.sh"

skip() { echo "SKIP: $*"; exit 77; }
command -v wine >/dev/null || skip "wine is not installed"
setup=$(ls "$windows"/packages/zarn-screensaver-*-setup.exe 2>/dev/null | head -1)
pinned="$windows/x86_64/zarn-pinned.scr" probe="$windows/x86_64/zarn-wine-probe.exe"
for f in "$setup" "$pinned" "$probe" "$linux/zarn-snapshot"; do
  [ -n "$f" ] && [ -e "$f" ] || skip "no Windows build here (scripts/build-windows makes it): ${f:-the installer}"
done

user=$(e2e_host_user)
work=$(mktemp -d /tmp/zarn-wine-XXXXXX)
chmod 755 "$work"
chown "$user" "$work"
xvfb_pid=
cleanup() {
  as_user wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.out" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"

prefix="$work/prefix" c="$work/prefix/drive_c"
as_user() {
  runuser -u "$user" -- env HOME="$work" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    DISPLAY="$DISPLAY" TZ=UTC "$@"
}
fail() {
  echo "FAIL: $*" >&2
  for log in "$c/Program Files/Zarn Screensaver/screensaver_log.txt" "$c/users/$user/AppData/Local/Zarn Screensaver/screensaver_log.txt"; do
    [ -f "$log" ] && sed 's/^/  log: /' "$log" | tail -40 >&2
  done
  # Again after the logs, where a shortened report keeps it.
  echo "FAIL: $*" >&2
  exit 1
}
started=$SECONDS
timed() { local t=$SECONDS; "$@"; echo "ok: $1 ($((SECONDS - t)) s)"; }

saver_path='C:\windows\system32\Zarn Screensaver.scr'
install_dir="$c/Program Files/Zarn Screensaver"
key='HKEY_LOCAL_MACHINE\Software\Orvane\Zarn Screensaver'
user_key='HKEY_CURRENT_USER\Software\Orvane\Zarn Screensaver'
registry_mentions_saver() { as_user wineserver -w; grep -lis 'Orvane\|Uninstall\\\\Zarn' "$prefix"/*.reg; }

lit_pixels() {  # [WxH+X+Y]
  /usr/bin/import -window root ${1:+-crop "$1"} -depth 8 rgb:- 2>/dev/null |
    od -An -v -tu1 -w3 | awk '$1+$2+$3 > 150 {n++} END {print n+0}'
}
# Waits until the screen (or a part given as WxH+X+Y) shows a clock: lit pixels, twice in a row.
wait_for_clock() {  # seconds [WxH+X+Y]
  local seen=0
  for _ in $(seq "$1"); do
    if [ "$(lit_pixels "${2:-}")" -gt 5000 ]; then seen=$((seen + 1)); else seen=0; fi
    [ "$seen" -ge 2 ] && return 0
    sleep 1
  done
  return 1
}
# The pinned saver's picture stands still once drawn; waits for that.
wait_for_still_clock() {
  local last=-1 now
  for _ in $(seq 60); do
    now=$(lit_pixels)
    [ "$now" -gt 5000 ] && [ "$now" = "$last" ] && return 0
    last=$now
    sleep 1
  done
  return 1
}
saver_running() { pgrep -u "$user" -f 'Zarn Screensaver.scr|zarn-pinned.scr' >/dev/null; }
wait_until_saver_gone() {
  for _ in $(seq 100); do saver_running || return 0; sleep 0.1; done
  return 1
}

make_prefix() { as_user wineboot -i >/dev/null 2>&1; as_user wineserver -w; }

installer_refuses_without_d3dx9() {
  local dll="$c/windows/system32/d3dx9_43.dll" rc=0
  mv "$dll" "$work/d3dx9_43.dll"
  as_user wine "$setup" /S || rc=$?
  mv "$work/d3dx9_43.dll" "$dll"
  [ "$rc" = 2 ] || fail "the installer without d3dx9_43.dll exited $rc, not 2"
  [ ! -e "$install_dir" ] || fail "the refusing installer still installed files"
}

installs() {
  as_user wine "$setup" /S || fail "the installer failed ($?)"
  as_user wineserver -w
  [ -f "$c/windows/system32/Zarn Screensaver.scr" ] || fail "no saver in the system folder"
  [ -f "$install_dir/data/assetLibrary.txt" ] || fail "no data under Program Files"
  [ "$(ls "$install_dir/data/effects/"*.fxo | wc -l)" = 16 ] || fail "not every compiled effect is installed"
  as_user wine reg query "$key" /v InstallDir | tr -d '\r' | grep -qF 'C:\Program Files\Zarn Screensaver' ||
    fail "InstallDir is not in the registry"
  as_user wine reg query 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarn Screensaver' \
    /v UninstallString >/dev/null || fail "no uninstaller in Apps and Features"
}

# The shipped saver, full screen from the system folder, started by a Windows parent that reports
# its exit code: a whole clock with every effect, WM_CLOSE (Xvfb gives Wine no input without a
# window manager) ends it with 0, the log is whole.
full_screen_saver() {
  as_user wine "$probe" run "$saver_path" /s >"$work/saver.out" 2>&1 &
  local pid=$!
  wait_for_clock 60 || fail "no clock on the screen"
  [ "$(lit_pixels)" -gt 60000 ] || fail "the clock covers only $(lit_pixels) pixels"
  as_user wine "$probe" close || fail "WM_CLOSE did not end the saver"
  wait "$pid" || fail "the saver exited $? ($(cat "$work/saver.out"))"
  local log="$install_dir/screensaver_log.txt"
  [ -f "$log" ] || fail "no log in the install folder"
  # Wine's D3DXComputeTangentFrameEx fails on the one .x mesh ("Error computing tangent frame"),
  # which then draws without its own tangents; everything else must load.
  ! grep -E 'Error initializing|Unsupported shader|compilation errors|Unknown shader|caching shader|is NULL|not supported|Failed to set|Error (opening|loading|while)' "$log" || fail "the log reports an effect or load error"
  grep -q 'Initializing effect data/effects/PP_Combine.fxo' "$log" || fail "the log is not complete"
}

# A small Win32 window hands the saver its handle (/p); the preview draws inside it, and
# ends when the window goes.
preview_in_host_window() {
  as_user wine "$probe" preview "$saver_path" 20 >"$work/preview.out" 2>&1 &
  local pid=$! area
  for _ in $(seq 100); do grep -q '^host client' "$work/preview.out" && break; sleep 0.1; done
  area=$(awk '/^host client/ {print $5 "x" $6 "+" $3 "+" $4}' "$work/preview.out")
  [ -n "$area" ] || fail "the preview host window did not appear"
  wait_for_clock 18 "$area" || fail "no clock inside the host window ($area): $(lit_pixels "$area") lit pixels"
  wait "$pid" || { cat "$work/preview.out" >&2; fail "the preview did not end with its host window"; }
  cat "$work/preview.out"
}

# The dialog's OK writes the user's settings; the next run reads them.
dialog_ok_writes_settings() {
  as_user wine reg add "$user_key" /v Antialiasing /t REG_DWORD /d 0 /f >/dev/null
  as_user wine "$saver_path" /c &
  local pid=$!
  as_user wine "$probe" dialog-24h || fail "the dialog could not be driven"
  wait "$pid" || fail "the dialog exited $?"
  as_user wine reg query "$user_key" /v UseMilitaryTime | tr -d '\r' | grep -q 'REG_BINARY *01' ||
    fail "OK did not store 24-hour time"
}

# The same moment drawn by the Windows build (clocks pinned in a test link of it) and by the
# Linux snapshot: the settings of the dialog case (24-hour time, no antialiasing).
picture_matches_linux() {
  local when=2026-12-08T22:09:30.250 psnr
  cp "$pinned" "$c/windows/system32/zarn-pinned.scr"
  as_user env ZARN_PINNED_TIME="$(TZ=UTC date -d "${when%.*}" +%s).${when##*.}" wine 'C:\windows\system32\zarn-pinned.scr' /s >/dev/null 2>&1 &
  local pid=$!
  wait_for_still_clock || fail "the pinned saver drew no clock"
  /usr/bin/import -window root "$work/windows.png"
  as_user wine "$probe" close >/dev/null || fail "WM_CLOSE did not end the pinned saver"
  wait "$pid" || true
  rm -f "$c/windows/system32/zarn-pinned.scr"
  TZ=UTC "$linux/zarn-snapshot" --time "$when" --size 1024x768 --24h --antialiasing 0 --frames 1 --frame-step 1 \
    --orbit 0 --output "$work/linux.png" >/dev/null || fail "the Linux snapshot failed"
  psnr=$(compare -metric PSNR "$work/windows.png" "$work/linux.png" null: 2>&1 || true)
  # Kept for a look, whatever the outcome.
  mkdir -p "$windows/test-pictures"
  cp "$work/windows.png" "$work/linux.png" "$windows/test-pictures/"
  echo "picture against Linux: PSNR $psnr dB (both in $windows/test-pictures)"
  awk -v p="$psnr" 'BEGIN { exit !(p + 0 >= 28) }' || fail "the Windows picture differs from the Linux one (PSNR $psnr dB)"
}

uninstalls_everything() {
  as_user wine "$install_dir/uninstall.exe" /S || fail "the uninstaller failed"
  as_user wineserver -w
  [ ! -e "$install_dir" ] || fail "files left: $(find "$install_dir" | head -5)"
  [ ! -e "$c/windows/system32/Zarn Screensaver.scr" ] || fail "the saver is left in the system folder"
  [ ! -e "$c/users/$user/AppData/Local/Zarn Screensaver" ] || fail "the user's log folder is left"
  [ -z "$(registry_mentions_saver)" ] || fail "keys left: $(grep -is 'Orvane\|Uninstall\\\\Zarn' "$prefix"/*.reg)"
}

timed make_prefix
timed installer_refuses_without_d3dx9
timed installs
timed full_screen_saver
timed preview_in_host_window
timed dialog_ok_writes_settings
timed picture_matches_linux
timed uninstalls_everything
echo "all Windows cases passed in $((SECONDS - started)) s"
