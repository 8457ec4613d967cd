#!/usr/bin/env bash
# One end-to-end case of the installed program: `cmake --install` into a temporary prefix,
# then what a user of that install meets, with the build folder out of reach where it matters.
#   installed_case.sh <case> <build dir>
set -euo pipefail; [ -n "${ZARN_E2E_TRACE:-}" ] && set -x
case_name=$1 build=$2
. "$(dirname "$0")/e2e_common.sh"

if [ -z "${ZARN_E2E_INNER:-}" ]; then
  export ZARN_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

work=${ZARN_E2E_WORK:-$(mktemp -d /tmp/zarn-installed-XXXXXX)}
chmod 755 "$work"
prefix=$work/prefix

install_prefix() {
  cmake --install "$build" --prefix "$prefix" >"$work/install.out" 2>&1 ||
    { cat "$work/install.out" >&2; echo "FAIL: cmake --install failed" >&2; rm -rf "$work"; exit 1; }
}

# The build folder hidden behind an empty one, in a mount namespace of this case's own: the
# installed program must not need it, and the other tests running from it never notice.
if [ "$case_name" = installed_runs_without_build_folder ] && [ -z "${ZARN_E2E_WORK:-}" ]; then
  install_prefix
  export ZARN_E2E_WORK=$work
  if [ "$(id -u)" -eq 0 ]; then ns=(unshare --mount --propagation private); else ns=(unshare --user --map-root-user --mount); fi
  if ! "${ns[@]}" true 2>/dev/null; then
    rm -rf "$work"
    echo "SKIP: no mount namespace here to hide the build folder in" >&2
    exit 77
  fi
  exec "${ns[@]}" bash -c 'mount -t tmpfs none "$2" && exec "$0" "$1" "$2"' "$0" "$@"
fi

pids=()
cleanup() {
  [ -n "${xss_user:-}" ] && run_as_user xscreensaver-command -exit >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in $(processes_under "$work"); do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/elsewhere"
cd "$work/elsewhere"
export ZARN_NO_MESSAGE_BOX=1

fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/elsewhere/*.out "$work"/home/*.out; do
    [ -f "$f" ] && grep -v '^Reading .obj file' "$f" | tail -20 | sed "s|^|  $(basename "$f"): |" >&2
  done
  exit 1
}

# Processes whose command line names something under a folder (procps may not be installed).
processes_under() {
  # "[a-z]" keeps grep from finding its own command line.
  grep -alsE -- "$1/[a-z]" /proc/[0-9]*/cmdline | cut -d/ -f3 | grep -vx "$$" || true
}

lit_pixels() {
  /usr/bin/import -window root -depth 8 rgb:- 2>/dev/null |
    od -An -v -tu1 -w3 | awk '$1+$2+$3 > 150 {n++} END {print n+0}'
}

# The first picture waits for the asset library and the shaders (llvmpipe on a busy machine):
# a generous limit, so a loaded CI does not fail a working saver; the time is printed.
wait_for_picture() {
  local what=$1 start=$SECONDS
  for _ in $(seq 120); do
    sleep 0.5
    if [ "$(lit_pixels)" -gt 2000 ]; then
      echo "clock on the screen after $((SECONDS - start)) s ($what)"
      return 0
    fi
  done
  fail "no clock on the screen within 60 s ($what)"
}

# Waits for every process started from the install to end.
wait_until_none_left() {
  local tenths=$1 what=$2
  for _ in $(seq "$tenths"); do
    [ -z "$(processes_under "$prefix")" ] && return 0
    sleep 0.1
  done
  fail "$what: still running after $((tenths / 10)) s: $(processes_under "$prefix" | tr '\n' ' ')"
}


# A page's text read whole before it is searched: `grep -q` leaving a pipe early would
# break the writer's pipe, which pipefail reads as a failure.
manual_says() { local text; text=$(man -l "$1" 2>/dev/null) && grep -q "$2" <<<"$text"; }

root_window() { xwininfo -root | awk '/Window id:/ {print $4}'; }

case $case_name in
installed_layout)
  install_prefix
  listing=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
  # Exactly these, and under data/ only the asset library, effects/ and media/.
  unexpected=$(echo "$listing" | grep -Ev '^(bin/zarn-screensaver|bin/zarn-screensaver-watch|libexec/xscreensaver/zarn|share/xscreensaver/config/zarn\.xml|share/applications/zarn-screensaver-settings\.desktop|share/applications/screensavers/zarn\.desktop|share/man/man1/zarn-screensaver(-watch)?\.1|share/icons/hicolor/256x256/apps/zarn-screensaver\.png|share/zarn-screensaver/data/assetLibrary\.txt|share/zarn-screensaver/data/(effects|media)/.+)$' || true)
  [ -z "$unexpected" ] || fail "installed but not meant to be: $unexpected"
  for f in bin/zarn-screensaver bin/zarn-screensaver-watch libexec/xscreensaver/zarn share/xscreensaver/config/zarn.xml \
           share/applications/zarn-screensaver-settings.desktop share/applications/screensavers/zarn.desktop \
           share/man/man1/zarn-screensaver.1 share/man/man1/zarn-screensaver-watch.1 \
           share/zarn-screensaver/data/assetLibrary.txt; do
    grep -qx "$f" <<<"$listing" || fail "$f was not installed"
  done
  [ -x "$prefix/bin/zarn-screensaver" ] && [ -x "$prefix/bin/zarn-screensaver-watch" ] &&
    [ -x "$prefix/libexec/xscreensaver/zarn" ] || fail "programs not executable"
  # Every desktop entry is valid (the Screensaver category is reserved: it needs OnlyShowIn).
  if command -v desktop-file-validate >/dev/null; then
    for entry in $(echo "$listing" | grep '\.desktop$'); do
      desktop-file-validate "$prefix/$entry" || fail "$entry is not a valid desktop entry"
    done
  fi
  # Installing enables nothing: the watcher starts only from an entry the user asks for.
  ! grep -q autostart <<<"$listing" || fail "the install puts an autostart entry in place"
  # Every file the build made for the saver to read is installed, and nothing of the build system.
  for f in $(cd "$build/data" && find assetLibrary.txt effects media -type f); do
    [ -f "$prefix/share/zarn-screensaver/data/$f" ] || fail "data/$f is missing from the install"
  done
  if [ -f "$build/data/media/zarn-screensaver.png" ]; then
    cmp -s "$build/data/media/zarn-screensaver.png" "$prefix/share/icons/hicolor/256x256/apps/zarn-screensaver.png" ||
      fail "the icon was not installed"
  fi
  grep -qx "Exec=\"$prefix/bin/zarn-screensaver\" /c" "$prefix/share/applications/zarn-screensaver-settings.desktop" ||
    fail "the menu entry does not open the installed settings dialog"
  # MATE's and Xfce's screen savers list the hack through this entry and run what it names.
  grep -qx "Exec=\"$prefix/libexec/xscreensaver/zarn\" --root" "$prefix/share/applications/screensavers/zarn.desktop" &&
    grep -qx "TryExec=$prefix/libexec/xscreensaver/zarn" "$prefix/share/applications/screensavers/zarn.desktop" ||
    fail "the screensavers entry does not run the installed hack with --root"
  grep -q '<screensaver name="zarn"' "$prefix/share/xscreensaver/config/zarn.xml" || fail "zarn.xml names another hack"
  manual_says "$prefix/share/man/man1/zarn-screensaver.1" "XScreenSaver hack" ||
    ! command -v man >/dev/null || fail "the manual page does not render"
  manual_says "$prefix/share/man/man1/zarn-screensaver-watch.1" "org_kde_kwin_idle" ||
    ! command -v man >/dev/null || fail "the watcher's manual page does not render"
  ;;
installed_runs_without_build_folder)
  [ -z "$(ls -A "$build")" ] || fail "the build folder is still visible"
  [ -x "$prefix/bin/zarn-screensaver" ] || fail "no install to run"
  export HOME=$work/home XDG_CONFIG_HOME= XDG_STATE_HOME=
  unset ZARN_REGISTRY
  mkdir -p "$HOME"
  # The host's way: the window in XSCREENSAVER_WINDOW, in hexadecimal; no settings file.
  XSCREENSAVER_WINDOW=$(root_window) "$prefix/libexec/xscreensaver/zarn" --root >root.out 2>&1 &
  pids+=($!)
  wait_for_picture "zarn --root"
  kill "${pids[0]}"
  wait_until_none_left 50 "zarn --root after SIGTERM"
  # The log stays in the install folder while that is writable, else it goes to the state folder.
  log=
  for f in "$prefix/share/zarn-screensaver/screensaver_log.txt" "$HOME/.local/state/zarn-screensaver/screensaver_log.txt"; do
    [ -f "$f" ] && log=$f
  done
  [ -n "$log" ] || fail "no log written"
  grep -q "^Loading asset library." "$log" || fail "the installed saver did not load its asset library"
  if grep -q "Couldn't find" "$log"; then fail "the installed saver misses an asset"; fi

  # Tried from a terminal: a window of its own, and closing that window ends everything.
  "$prefix/libexec/xscreensaver/zarn" >own.out 2>&1 &
  pids+=($!)
  window=
  for _ in $(seq 50); do
    window=$(xdotool search --name '^Zarn Screensaver$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "zarn opened no window titled \"Zarn Screensaver\""
  geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
  [ "$geometry" = 800x600 ] || fail "zarn's own window is $geometry, not 800x600"
  wait_for_picture "zarn in its own window"
  xdotool windowclose "$window"
  for _ in $(seq 30); do kill -0 "${pids[1]}" 2>/dev/null || break; sleep 0.1; done
  kill -0 "${pids[1]}" 2>/dev/null && fail "zarn still runs 3 s after its window was closed"
  set +e; wait "${pids[1]}"; code=$?; set -e
  [ "$code" -eq 0 ] || fail "zarn exited with $code after its window was closed"
  wait_until_none_left 30 "the saver of zarn's own window"
  ;;
xscreensaver_runs_zarn)
  install_prefix
  # XScreenSaver starts no hack while it runs as root: run it as a user of our own making.
  xss_user=$(e2e_host_user)
  home=$work/home
  mkdir -p "$home"
  cp "$XAUTHORITY" "$home/.Xauthority"
  e2e_write_xscreensaver_config "$home/.xscreensaver" "GL: $prefix/libexec/xscreensaver/zarn --root"
  [ "$(id -u)" -eq 0 ] && chown -R "$xss_user" "$home"
  run_as_user() {
    local as=()
    [ "$(id -u)" -eq 0 ] && as=(runuser -u "$xss_user" --)
    "${as[@]}" env -i HOME="$home" DISPLAY="$DISPLAY" XAUTHORITY="$home/.Xauthority" PATH=/usr/bin:/bin \
      ZARN_NO_MESSAGE_BOX=1 "$@"
  }
  run_as_user xscreensaver --no-splash >"$home/xscreensaver.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do run_as_user xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.1; done
  run_as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the XScreenSaver daemon did not start"

  [ "$(lit_pixels)" -lt 2000 ] || fail "the screen is lit before the saver was activated"
  run_as_user xscreensaver-command -activate >/dev/null || fail "xscreensaver-command -activate failed"
  wait_for_picture "XScreenSaver running zarn"
  [ -n "$(processes_under "$prefix")" ] || fail "the clock is on the screen but no installed saver runs"

  run_as_user xscreensaver-command -deactivate >/dev/null || fail "xscreensaver-command -deactivate failed"
  wait_until_none_left 30 "zarn and the saver after -deactivate"
  [ -n "${ZARN_E2E_TRACE:-}" ] && cat "$home/xscreensaver.out" >&2
  ;;
*) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
