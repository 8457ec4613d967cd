#!/usr/bin/env bash
# One end-to-end case of the hack inside a real host from Debian's packages, as a user would
# meet it, plus the options a host's panel hands the hack.
#   host_case.sh <case> <build dir>
# mate-screensaver and xsecurelock run hacks only from their known folders, so those cases put
# the build's install under /usr for the length of the case and take every file of it away
# again afterwards, even after a failure; a case killed before it could do that is tidied up
# by the next run. They skip (77) where they cannot run: not root, host missing, or a Zarn
# Screensaver already installed there (the package, say), which they never touch; with
# ZARN_E2E_INSTALLED=1 they test that installed package instead of placing the build's files.
set -euo pipefail; [ -n "${ZARN_E2E_TRACE:-}" ] && set -x
case_name=$1 build=$(cd "$2" && pwd)
. "$(dirname "$0")/e2e_common.sh"

skip() { echo "SKIP: $*" >&2; exit 77; }
case $case_name in
mate_screensaver_runs_zarn) host_programs=(mate-screensaver mate-screensaver-command gsettings dbus-run-session) ;;
xscreensaver_finds_zarn_by_name) host_programs=(xscreensaver xscreensaver-command) ;;
xsecurelock_runs_zarn) host_programs=(xsecurelock xrandr) ;;
*) host_programs=() ;;
esac
for program in "${host_programs[@]}"; do
  command -v "$program" >/dev/null || skip "$program is not installed (scripts/install-deps installs it)"
done
if [ ${#host_programs[@]} -gt 0 ] && [ "$(id -u)" -ne 0 ]; then
  skip "putting the hack where $case_name looks for it (/usr) needs root"
fi

if [ -z "${ZARN_E2E_INNER:-}" ]; then
  export ZARN_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

work=$(mktemp -d /tmp/zarn-host-XXXXXX)
chmod 755 "$work"
# What the case put under /usr, kept outside the case's folder so a later run finds it.
placed_list=/var/tmp/zarn-e2e-system-install.list
pids=()
host_user=
export ZARN_NO_MESSAGE_BOX=1

fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/*.out "$work"/home/*.out; do
    [ -f "$f" ] && grep -v '^Reading .obj file' "$f" | tail -20 | sed "s|^|  $(basename "$f"): |" >&2
  done
  exit 1
}

# Removes what a (possibly killed) case placed: its files, then the folders it made, deepest first.
remove_placed() {
  [ -f "$placed_list" ] || return 0
  # A package installed since then owns those paths now: they are no longer the case's to remove.
  if dpkg-query -W -f='${db:Status-Status}' zarn-screensaver 2>/dev/null | grep -qx installed; then
    rm -f "$placed_list"
    return 0
  fi
  grep '^f ' "$placed_list" | cut -c3- | while IFS= read -r f; do rm -f -- "$f"; done
  grep '^d ' "$placed_list" | cut -c3- | sort -r | while IFS= read -r d; do rmdir -- "$d" 2>/dev/null || true; done
  rm -f "$placed_list"
}

# The build's install, staged with the package's prefix (/usr), then copied into place.
place_under_usr() {
  if [ "${ZARN_E2E_INSTALLED:-}" = 1 ]; then
    dpkg-query -W -f='${db:Status-Status}' zarn-screensaver 2>/dev/null | grep -qx installed ||
      fail "ZARN_E2E_INSTALLED=1, but the zarn-screensaver package is not installed"
    return 0
  fi
  remove_placed
  local stage=$work/stage
  DESTDIR=$stage cmake --install "$build" --prefix /usr >"$work/install.out" 2>&1 || fail "cmake --install failed"
  local listing
  listing=$(cd "$stage" && find . -mindepth 1 | sed 's|^\.||' | sort)
  while IFS= read -r path; do
    if [ -d "$stage$path" ] && [ ! -L "$stage$path" ]; then
      [ -d "$path" ] || echo "d $path"
    else
      [ -e "$path" ] || [ -L "$path" ] && skip "$path exists already (is zarn-screensaver installed?); left alone"
      echo "f $path"
    fi
  done <<<"$listing" >"$placed_list.new"
  mv "$placed_list.new" "$placed_list"
  (cd "$stage" && tar -cf - .) | tar -xf - -C / --no-overwrite-dir --no-same-owner
}

# Of the process ids on stdin, those on this case's X display, with or without the screen
# number (XScreenSaver adds it for its hacks); a run killed half-way may have
# left its own behind on another.
on_this_display() {
  local p
  while read -r p; do
    grep -qsxzE "DISPLAY=$DISPLAY(\.[0-9]+)?" "/proc/$p/environ" && echo "$p"
  done
  return 0
}
# Processes of the installed saver and hack on this display, by their command lines.
saver_processes() {
  { grep -alsE '^(/usr/bin/zarn-screensaver|/usr/libexec/xscreensaver/zarn)' /proc/[0-9]*/cmdline || true; } |
    cut -d/ -f3 | grep -vx "$$" | on_this_display
}
build_processes() {
  grep -alsE -- "^$build/zarn" /proc/[0-9]*/cmdline | cut -d/ -f3 | grep -vx "$$" || true
}

cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in $(saver_processes) $(build_processes); do kill -9 "$p" 2>/dev/null || true; done
  # Twice: a host may start a process again while the first sweep ends another.
  for _ in 1 2; do
    [ -n "$host_user" ] || break
    for p in $(for q in /proc/[0-9]*; do
                 [ "$(stat -c %U "$q" 2>/dev/null)" = "$host_user" ] && echo "${q#/proc/}"
               done | on_this_display); do
      kill -9 "$p" 2>/dev/null || true
    done
    sleep 0.2
  done
  remove_placed
  rm -f "$placed_list.new"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

lit_pixels() {  # [geometry]: the whole screen, or a part of it such as 512x768+512+0
  /usr/bin/import -window root ${1:+-crop "$1"} -depth 8 rgb:- 2>/dev/null |
    od -An -v -tu1 -w3 | awk '$1+$2+$3 > 150 {n++} END {print n+0}'
}

# The first picture waits for the asset library and the shaders (llvmpipe on a busy machine).
wait_for_picture() {
  local what=$1 where=${2:-} start=$SECONDS
  for _ in $(seq 120); do
    sleep 0.5
    if [ "$(lit_pixels "$where")" -gt 1000 ]; then
      echo "clock on the screen${where:+ ($where)} after $((SECONDS - start)) s ($what)"
      return 0
    fi
  done
  fail "no clock on the screen${where:+ ($where)} within 60 s ($what)"
}

# With $ZARN_E2E_SCREENSHOTS naming a folder, the screen as the case saw it goes there.
keep_screenshot() {
  [ -n "${ZARN_E2E_SCREENSHOTS:-}" ] || return 0
  mkdir -p "$ZARN_E2E_SCREENSHOTS"
  /usr/bin/import -window root "$ZARN_E2E_SCREENSHOTS/$1.png" 2>/dev/null || true
}

wait_until_no_saver() {
  local what=$1
  for _ in $(seq 50); do
    [ -z "$(saver_processes)" ] && return 0
    sleep 0.1
  done
  fail "$what: saver processes still running after 5 s: $(saver_processes | tr '\n' ' ')"
}

# The hosts run nothing as root (nor should they): a user of the case's own making.
make_host_user() {
  host_user=$(e2e_host_user)
  home=$work/home
  mkdir -p "$home"
  cp "$XAUTHORITY" "$home/.Xauthority"
  chown -R "$host_user" "$home"
}
run_as_user() {
  runuser -u "$host_user" -- env -i HOME="$home" DISPLAY="$DISPLAY" XAUTHORITY="$home/.Xauthority" \
    PATH=/usr/bin:/bin ZARN_NO_MESSAGE_BOX=1 ${bus:+DBUS_SESSION_BUS_ADDRESS="$bus"} "$@"
}

case $case_name in
mate_screensaver_runs_zarn)
  place_under_usr
  entry=/usr/share/applications/screensavers/zarn.desktop
  grep -qx 'Exec="/usr/libexec/xscreensaver/zarn" --root' "$entry" || fail "$entry does not run the hack with --root"
  grep -qx 'Categories=Screensaver;' "$entry" || fail "$entry is not in the Screensaver category"
  grep -qx 'OnlyShowIn=MATE;XFCE;' "$entry" || fail "$entry is not shown to MATE and Xfce"
  make_host_user
  # Its own session bus; the address lets the case's later commands reach it.
  bus=
  run_as_user dbus-run-session -- sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$HOME/bus"
    gsettings set org.mate.screensaver mode single &&
    gsettings set org.mate.screensaver themes "['"'screensavers-zarn'"']" &&
    gsettings set org.mate.screensaver lock-enabled false &&
    gsettings set org.mate.screensaver idle-activation-enabled false || exit 1
    exec mate-screensaver --no-daemon' >"$work/mate.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    [ -s "$home/bus" ] && bus=$(cat "$home/bus") && run_as_user mate-screensaver-command --query >/dev/null 2>&1 && break
    sleep 0.1
  done
  [ -n "$bus" ] && run_as_user mate-screensaver-command --query >/dev/null 2>&1 || fail "mate-screensaver did not start"
  [ "$(run_as_user gsettings get org.mate.screensaver themes)" = "['screensavers-zarn']" ] ||
    fail "the theme was not chosen"

  [ "$(lit_pixels)" -lt 1000 ] || fail "the screen is lit before the saver was activated"
  run_as_user mate-screensaver-command --activate >/dev/null || fail "mate-screensaver-command --activate failed"
  wait_for_picture "mate-screensaver running zarn"
  [ -n "$(saver_processes)" ] || fail "the clock is on the screen but no installed saver runs"
  keep_screenshot mate-screensaver

  run_as_user mate-screensaver-command --deactivate >/dev/null || fail "mate-screensaver-command --deactivate failed"
  wait_until_no_saver "after mate-screensaver-command --deactivate"
  state=$(run_as_user mate-screensaver-command --query)
  case $state in *"is inactive"*) ;; *) fail "mate-screensaver still reports itself active: $state" ;; esac
  ;;
xscreensaver_finds_zarn_by_name)
  # The README's line for ~/.xscreensaver, with the hack named as the package installs it.
  place_under_usr
  make_host_user
  e2e_write_xscreensaver_config "$home/.xscreensaver" "GL: zarn --root"
  chown "$host_user" "$home/.xscreensaver"
  run_as_user xscreensaver --no-splash >"$work/xscreensaver.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do run_as_user xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.1; done
  run_as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the XScreenSaver daemon did not start"
  [ "$(lit_pixels)" -lt 1000 ] || fail "the screen is lit before the saver was activated"
  run_as_user xscreensaver-command -activate >/dev/null || fail "xscreensaver-command -activate failed"
  wait_for_picture "XScreenSaver running zarn by name"
  [ -n "$(saver_processes)" ] || fail "the clock is on the screen but no installed saver runs"
  keep_screenshot xscreensaver
  run_as_user xscreensaver-command -deactivate >/dev/null || fail "xscreensaver-command -deactivate failed"
  wait_until_no_saver "after xscreensaver-command -deactivate"
  run_as_user xscreensaver-command -exit >/dev/null 2>&1 || true
  ;;
xsecurelock_runs_zarn)
  place_under_usr
  make_host_user
  # Two monitors side by side on the one screen: one saver each, in its own window.
  xrandr --setmonitor zarn-left 512/135x768/203+0+0 none >/dev/null
  xrandr --setmonitor zarn-right 512/135x768/203+512+0 none >/dev/null
  # The password step, accepted at once: the locker ends the way a user's unlock ends it.
  cat >"$work/auth_accept" <<'AUTH'
#!/bin/sh
exit 0
AUTH
  chmod 755 "$work/auth_accept"
  run_as_user env XSECURELOCK_SAVER=/usr/libexec/xscreensaver/zarn XSECURELOCK_AUTH="$work/auth_accept" \
    xsecurelock >"$work/xsecurelock.out" 2>&1 &
  pids+=($!)
  wait_for_picture "xsecurelock, left monitor" 512x768+0+0
  wait_for_picture "xsecurelock, right monitor" 512x768+512+0
  keep_screenshot xsecurelock
  savers=$(for p in $(saver_processes); do grep -alsE '^/usr/bin/zarn-screensaver' "/proc/$p/cmdline"; done)
  [ "$(echo "$savers" | grep -c .)" -eq 2 ] || fail "$(echo "$savers" | grep -c .) savers run for two monitors"
  for p in $(echo "$savers" | cut -d/ -f3); do
    [ "$(stat -c %U "/proc/$p")" = "$host_user" ] || fail "a saver runs as $(stat -c %U "/proc/$p")"
  done

  # A key starts the password step; its acceptance unlocks, and the locker ends its savers.
  xdotool key space
  for _ in $(seq 100); do kill -0 "${pids[0]}" 2>/dev/null || break; sleep 0.1; done
  kill -0 "${pids[0]}" 2>/dev/null && fail "xsecurelock still locks 10 s after the password was accepted"
  set +e; wait "${pids[0]}"; code=$?; set -e
  [ "$code" -eq 0 ] || fail "xsecurelock ended with $code"
  wait_until_no_saver "after xsecurelock unlocked"
  ;;
hack_options_reach_the_saver_only)
  # The build's hack, as a host with a panel runs it: every option zarn.xml offers, one
  # choice of each, over a settings file the run must leave byte for byte as it was.
  "$build/zarn" --help >"$work/help.out" || fail "zarn --help exited with $?"
  grep -q -- "--hours 12|24" "$work/help.out" || fail "zarn --help does not list the setting options"
  # The install folder is the case's own, so the log lands here; the data is the build's.
  ln -s "$build/data" "$work/data"
  export ZARN_REGISTRY=$work/registry.reg
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Zarn Screensaver]\n"InstallDir"="%s"\n"UseMilitaryTime"=hex:00\n"Antialiasing"=dword:00000000\n"EnableShadows"=hex:01\n' "$work" >"$ZARN_REGISTRY"
  cp "$ZARN_REGISTRY" "$work/registry.before"
  xml=$(dirname "$0")/../../desktop/zarn.xml
  mapfile -t choices < <(grep -o 'arg-set="[^"]*"' "$xml" | sed 's/^arg-set="//; s/"$//')
  [ ${#choices[@]} -ge 14 ] || fail "zarn.xml offers only ${#choices[@]} choices"
  export XSCREENSAVER_WINDOW
  XSCREENSAVER_WINDOW=$(xwininfo -root | awk '/Window id:/ {print $4}')
  # Each choice by itself, as a host passes it, into a window id that names no window: the hack
  # accepts the option and hands over to the saver, which refuses the window (255); a refused
  # option would end the hack itself (1).
  for choice in "${choices[@]}"; do
    # shellcheck disable=SC2086  # a choice is an option and its value
    timeout 20 "$build/zarn" --root --window-id 1 $choice >"$work/choice.out" 2>&1 && code=0 || code=$?
    [ "$code" -eq 255 ] || fail "zarn --root --window-id 1 $choice exited with $code: $(cat "$work/choice.out")"
  done
  cmp -s "$ZARN_REGISTRY" "$work/registry.before" || fail "the settings file changed during the option runs"

  # A run into a host's window, ended the way a host ends it: by taking the window away.
  coproc probe { "$build/zarn-x-probe" host 640 480; }
  read -r host <&"${probe[0]}" || fail "zarn-x-probe made no host window"
  "$build/zarn" --window-id "$host" --hours 24 --shadows off --antialiasing 2 >"$work/hack.out" 2>&1 &
  pids+=($!)
  wait_for_picture "zarn --window-id with options"
  echo destroy >&"${probe[1]}"
  probe_pid=$probe_PID
  exec {probe[1]}>&-
  wait "$probe_pid" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "${pids[0]}" 2>/dev/null || break; sleep 0.1; done
  kill -0 "${pids[0]}" 2>/dev/null && fail "the saver still runs 10 s after its host window went"
  cmp -s "$ZARN_REGISTRY" "$work/registry.before" || fail "the settings file changed during the run"
  log=$work/screensaver_log.txt
  [ -f "$log" ] || fail "no log of the run"
  # The device report: antialiasing 2 asked for (the file says 0), whatever the driver grants.
  grep -Eq "Multisample Type: +2 " "$log" || fail "the saver did not ask for the chosen antialiasing: $(grep 'Multisample Type' "$log")"
  ;;
*) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
