# Shared by the end-to-end case scripts: the user that hosts run as, and the clean-up of the X
# display numbers a case takes. Sourced, not run.

# The user that XScreenSaver, sway and the other hosts run as (they refuse root): made once,
# system account, no home, no login. As another user, the caller's own name.
e2e_host_user() {
  if [ "$(id -u)" -eq 0 ]; then
    id -u zarn-e2e >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin zarn-e2e
    echo zarn-e2e
  else
    id -un
  fi
}

# ~/.xscreensaver for a case: the one given program line is all it may run; no fades, no
# splash, no lock, no blanking of its own; not niced, since the tests share the machine.
e2e_write_xscreensaver_config() {
  local file=$1 program=$2
  cat >"$file" <<XSS
timeout:	1:00:00
cycle:		0:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
nice:		0
mode:		one
selected:	0
programs:	$program \\n
XSS
}

# --- X display numbers -----------------------------------------------------------------------
# An X server claims display n with /tmp/.X<n>-lock, which holds its process id, and makes
# /tmp/.X11-unix/X<n>; a server killed outright (SIGKILL, as ctest's timeout does) leaves
# both behind. A case takes away what its servers, and its relays, leave.

# Whether process $1 has ended (a zombie has: it only waits for its parent to read its status).
e2e_process_gone() {
  local state
  state=$(sed 's/^.*) \(.\).*/\1/' "/proc/$1/stat" 2>/dev/null) || return 0
  [ -z "$state" ] || [ "$state" = Z ]
}

# Removes display $1's lock and socket when the process the lock names has gone.
e2e_clear_dead_display() {
  local owner
  owner=$(tr -dc 0-9 2>/dev/null <"/tmp/.X$1-lock") || return 0
  if [ -z "$owner" ] || e2e_process_gone "$owner"; then rm -f "/tmp/.X$1-lock" "/tmp/.X11-unix/X$1"; fi
}

# Ends X server $1 (process id) of display $2 and waits up to 5 s for it to go, so that it
# has taken its socket and lock away when the case ends; one that hangs is killed, and what it
# leaves is removed.
e2e_end_x_server() {
  local pid=$1 display=${2#:}
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do e2e_process_gone "$pid" && break; sleep 0.1; done
  e2e_process_gone "$pid" || kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -z "$display" ] || e2e_clear_dead_display "$display"
}

# A display number from $1 to $2 for a program that relays X but is no server (xtrace): it is
# claimed as a server claims one, with a lock that holds this case's process id, so no server
# takes it meanwhile, and one left by a case that was killed is taken again. Prints the number.
e2e_claim_display() {
  local n
  for n in $(seq "$1" "$2"); do
    e2e_clear_dead_display "$n"
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    (set -o noclobber; printf '%10d\n' "$$" >"/tmp/.X$n-lock") 2>/dev/null || continue
    echo "$n"
    return 0
  done
  return 1
}
e2e_release_display() { rm -f "/tmp/.X11-unix/X$1" "/tmp/.X$1-lock"; }
