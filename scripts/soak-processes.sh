# Which processes are a soak run's own. Sourced by soak.sh (and by its test).
#
# A hall logs the process number of every client it launches, but a number is the system's to
# give again once that launch has ended: on a busy machine (pid_max 32768, compilers and tests
# starting all the time) a logged number comes back within minutes as some other program. A
# number from the logs therefore counts as a launch of a client only while the process behind it
# runs that client's own executable; only such a process is measured, waited for or ended.

# True when process PID runs the executable EXE (an absolute path, as readlink -f gives it). A
# logged number may also have come back as a thread of some process, which /proc shows under the
# same kind of name: only a process's own number (its thread group's) counts.
runs_program() {
  [ -n "$1" ] && [ -n "$2" ] && [ "$(readlink "/proc/$1/exe" 2>/dev/null)" = "$2" ] &&
    [ "$(awk '/^Tgid:/ {print $2}' "/proc/$1/status" 2>/dev/null)" = "$1" ]
}

# The process numbers a hall's log names as launched clients, oldest first; none while the hall
# has yet to write its log (a failing status would end a caller under errexit and pipefail).
launch_pids() {
  [ -f "$1" ] || return 0
  LC_ALL=C sed -n 's/.*client \([0-9][0-9]*\) started with.*/\1/p' "$1" 2>/dev/null || true
}

# The process at or below PID (the hall's child, or a wrapper around the client) that runs EXE.
process_running() {
  local pid=$1 exe=$2 child found
  [ -d "/proc/$pid" ] || return 0
  if runs_program "$pid" "$exe"; then echo "$pid"; return; fi
  for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do
    found=$(process_running "$child" "$exe")
    if [ -n "$found" ]; then echo "$found"; return; fi
  done
}

# The running clients among the launches in HALL_LOG: the processes that run EXE, the client's
# own executable. With WRAPPED set, a launch is a wrapper and the client is found below it.
client_processes() {
  local log=$1 exe=$2 wrapped=${3:-} pid
  for pid in $(launch_pids "$log"); do
    if [ -n "$wrapped" ]; then
      process_running "$pid" "$exe"
    elif runs_program "$pid" "$exe"; then
      echo "$pid"
    fi
  done
}

# True when PID is a child of the shell PARENT (a subshell or program this run started and has
# not yet waited for).
child_of() {
  [ -n "$1" ] && [ "$(ps -o ppid= -p "$1" 2>/dev/null | tr -d ' ')" = "$2" ]
}
