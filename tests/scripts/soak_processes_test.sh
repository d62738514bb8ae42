#!/usr/bin/env bash
# The long run's process bookkeeping: a process number from a hall's log counts as a client only
# while that process runs the client's own executable, so that a number the system gave again to
# another program is neither measured nor ended.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
. "$top/scripts/soak-processes.sh"

work=$(mktemp -d)
started=()
finish() {
  local pid
  for pid in "${started[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
} 2>/dev/null
trap finish EXIT

failed=0
expect() {  # expect NAME WANTED GOT
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: wanted '$2', got '$3'"
    failed=1
  else
    echo "ok   $1"
  fi
}

# Two client folders, each with its own copy of a long-running program named as the client is.
sleeper=$(command -v sleep)
for n in 0 1; do
  mkdir -p "$work/client$n/bin"
  cp "$sleeper" "$work/client$n/bin/pxqd"
done
exe0=$(readlink -f "$work/client0/bin/pxqd")

"$work/client0/bin/pxqd" 600 & own=$!; started+=("$own")
"$work/client1/bin/pxqd" 600 & other_client=$!; started+=("$other_client")
"$sleeper" 600 & stranger=$!; started+=("$stranger")
"$work/client0/bin/pxqd" 0 & gone=$!
wait "$gone"
# A wrapper around the client, as a profiler runs it: the client is its child.
bash -c '"$0" 600; :' "$work/client0/bin/pxqd" & wrapper=$!; started+=("$wrapper")
for _ in $(seq 1000); do
  [ -z "$(cat /proc/"$wrapper"/task/*/children 2>/dev/null)" ] || break
  sleep 0.01
done
wrapped=$(cat /proc/"$wrapper"/task/*/children 2>/dev/null | tr -d ' ')
started+=("$wrapped")

log() {  # a hall log that names these processes as launched clients
  local pid
  for pid in "$@"; do printf '2026-01-01 00:00:00  client-started  client %s started with "1|x"\n' "$pid"; done
}

# name | the launches the hall logged | wrapped | the client processes wanted
while IFS='|' read -r name launches wrap wanted; do
  # shellcheck disable=SC2086
  log $launches >"$work/hall.log"
  got=$(client_processes "$work/hall.log" "$exe0" "$wrap" | tr '\n' ' ' | sed 's/ $//')
  expect "$name" "$wanted" "$got"
done <<CASES
the client's own running launch|$own||$own
a number now held by another program|$stranger||
a number now held by another client's launch|$other_client||
a launch that has ended|$gone||
only the own launch among all of them|$gone $stranger $own $other_client||$own
the client below its wrapper|$wrapper|1|$wrapped
a wrapped run passes over a stranger and its children|$stranger $other_client|1|
CASES

# A number that came back as a thread: /proc shows the thread under its number too, with the
# executable of its process, but it is not a process of its own.
python=$(readlink -f "$(python3 -c 'import sys; print(sys.executable)')")
"$python" -c 'import threading, time
threading.Thread(target=time.sleep, args=(600,), daemon=True).start()
time.sleep(600)' & threaded=$!; started+=("$threaded")
for _ in $(seq 1000); do
  [ "$(ls /proc/"$threaded"/task 2>/dev/null | wc -l)" -lt 2 ] || break
  sleep 0.01
done
thread=$(ls /proc/"$threaded"/task | grep -vx "$threaded" | head -n 1)
expect "a process's own number" 0 "$(runs_program "$threaded" "$python"; echo $?)"
expect "a thread's number" 1 "$(runs_program "$thread" "$python"; echo $?)"

expect "launches are counted whether or not they still run" 4 "$(log "$gone" "$stranger" "$own" "$other_client" >"$work/hall.log"; launch_pids "$work/hall.log" | wc -l)"
expect "a hall that has yet to write its log launched none, and says so without failing" "0 0" "$(set -eo pipefail; n=$(launch_pids "$work/no-such.log" | wc -l); echo "$n $?")"
expect "a child of this shell" 0 "$(child_of "$own" "$$"; echo $?)"
expect "not a child of this shell" 1 "$(child_of "$wrapped" "$$"; echo $?)"
expect "no process at all" 1 "$(child_of "" "$$"; echo $?)"

exit "$failed"
