# Shared by the end-to-end case scripts that run a host as a user of the test's own making.
# Sourced, not run.

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
