#!/usr/bin/env bash
# The long run: plays many hands against the game server and reports what went wrong.
#
#   scripts/soak.sh [--hands N] [--seed S] [--faults D:MS:X | --no-faults] [--clock-scale N]
#                   [--out DIR] [--build DIR] [--no-build] [--no-clients] [--client-hands N]
#                   [--client-wrapper CMD]
#
#   --hands N    hands to play (default 1000)
#   --client-hands N  hands the clients play at the server's table (default: as many as --hands)
#   --faults D:MS:X  the server delays one reply in D by up to MS ms and drops the connection
#                of one reply in X (default 20:2000:300); --no-faults turns them off
#   --clock-scale N  the server's and the clients' clocks run N times as fast (default 1); the
#                server's late replies come up to MS / N ms late, the same share of a hand
#   --seed S     the seed of the walls (default: from the run's start time)
#   --out DIR    where the run keeps its logs (default: runs/soak-<date>-<time>)
#   --build DIR  the build tree (default: build)
#   --no-build   use the programs as they are built
#   --no-clients only the computer players' table and the server's restart
#   --client-wrapper CMD  every client launch runs under CMD (a profiler, say: 'heaptrack -o %o');
#                %o in CMD becomes <out>/client<N>/launch.<pid>, a name of that launch's own
#
# Stages. The table: four computer players play N hands of the table offline, every hand checked
# by the replay checker. The clients: the game server is started with its own data folder and
# its faults, and four table clients (build/bin/pxqd, headless, in managed play), each launched
# by a hall stand-in of its own with its own user folder, play N hands at one table of it. Halfway
# the server is restarted on the same port (with faults on), so every client loses its connection;
# a client cut off in a running hand is let back in by its hall, and a client that ended otherwise
# is launched again, until the server has logged N hands. Each client writes its table at the end
# of every hand (PXQD_TABLE_DUMP), and the lines are held against the server's hand log
# (pxqd-replay --compare). Last the server is restarted once more and its accounts database is
# checked.
#
# What is counted: a program that ends on a signal is a crash; a client that writes no hand for
# 60 s while the server logs two (a new launch of it starts the count again), or a table whose
# hand log does not grow for 60 s, is a hang (the client is then ended); a hand the checker refuses, or a client's hand end that differs
# from the server's record, is a desync. The summary lists hands played, crashes, hangs, desyncs,
# and the peak RSS and mean CPU of each program (each client's over all its launches). The run's
# logs, the clients' table lines and the server's hand logs stay in the output folder; each
# client's own log (its complaints and connection events over all its launches) is
# client<N>/data/pxqd/logs/client.log; every 30 s the resident size of each running launch is
# added to client<N>/rss.txt, and the summary names the launch that reached the peak. Exits
# non-zero when anything failed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
# shellcheck source=scripts/soak-processes.sh
. "$top/scripts/soak-processes.sh"

hands=1000
seed=$(date +%s)
out=""
build=build
do_build=1
hang_seconds=60
faults=20:2000:300
clock_scale=1
with_clients=1
client_target=""
client_wrapper=""

usage() { sed -n '4,22p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --hands) [ $# -ge 2 ] || usage; hands=$2; shift 2 ;;
    --seed) [ $# -ge 2 ] || usage; seed=$2; shift 2 ;;
    --faults) [ $# -ge 2 ] || usage; faults=$2; shift 2 ;;
    --no-faults) faults=""; shift ;;
    --clock-scale) [ $# -ge 2 ] || usage; clock_scale=$2; shift 2 ;;
    --out) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    --build) [ $# -ge 2 ] || usage; build=$2; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --no-clients) with_clients=0; shift ;;
    --client-hands) [ $# -ge 2 ] || usage; client_target=$2; shift 2 ;;
    --client-wrapper) [ $# -ge 2 ] || usage; client_wrapper=$2; shift 2 ;;
    -h|--help) usage ;;
    *) printf 'soak: unknown option %s\n' "$1" >&2; usage ;;
  esac
done
[[ $hands =~ ^[0-9]+$ ]] && [ "$hands" -ge 1 ] || { echo "soak: --hands takes a number above 0" >&2; exit 2; }
[[ $seed =~ ^[0-9]+$ ]] || { echo "soak: --seed takes a number" >&2; exit 2; }
[ -n "$client_target" ] || client_target=$hands
[[ $client_target =~ ^[0-9]+$ ]] && [ "$client_target" -ge 1 ] || { echo "soak: --client-hands takes a number above 0" >&2; exit 2; }
[[ $clock_scale =~ ^[0-9]+$ ]] && [ "$clock_scale" -ge 1 ] && [ "$clock_scale" -le 1000 ] ||
  { echo "soak: --clock-scale takes a number from 1 to 1000" >&2; exit 2; }
[ -z "$faults" ] || [[ $faults =~ ^[0-9]+:[0-9]+:[0-9]+$ ]] || { echo "soak: --faults takes D:MS:X" >&2; exit 2; }

if [ "$do_build" = 1 ]; then
  jobs=$(nproc)
  [ "$jobs" -le 4 ] || jobs=4
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  targets=(pxqd-server pxqd-replay)
  [ "$with_clients" = 0 ] || targets+=(pxqd pxqd-hall gamedata)
  cmake --build "$build" -j "$jobs" --target "${targets[@]}"
fi
bin=$(cd "$build/bin" && pwd)
for program in pxqd-server pxqd-replay; do
  [ -x "$bin/$program" ] || { echo "soak: $bin/$program is not built" >&2; exit 2; }
done
# The clients' stage needs the client with its headless hands and its table lines, and the hall.
clients_ready=0
if [ "$with_clients" = 1 ] && [ -x "$bin/pxqd" ] && [ -x "$bin/pxqd-hall" ] &&
   grep -q PXQD_HEADLESS_HANDS "$bin/pxqd" && grep -q PXQD_TABLE_DUMP "$bin/pxqd"; then
  clients_ready=1
fi

[ -n "$out" ] || out="runs/soak-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$out"
out=$(cd "$out" && pwd)
summary="$out/summary.txt"
: >"$summary"
note() { printf '%s\n' "$*" | tee -a "$summary"; }

crashes=0
hangs=0
desyncs=0
failures=0
server_pid=""
hall_sockets=""
# Everything this run started is ended with it, by its process number, as long as that number
# is still the run's own (soak-processes.sh): a supervisor still waited for by this shell, a hall
# or a client still running its program. A number that came back as another program is left alone.
cleanup() {
  local f pid
  for f in "$out"/client*/supervisor.pid; do
    [ -f "$f" ] || continue
    pid=$(cat "$f")
    ! child_of "$pid" "$$" || kill -TERM "$pid" 2>/dev/null || true
  done
  stop_halls
  for pid in $(client_pids_all); do kill -KILL "$pid" 2>/dev/null || true; done
  [ -z "$server_pid" ] || kill -KILL "$server_pid" 2>/dev/null || true
  [ -z "$hall_sockets" ] || rm -rf "$hall_sockets"
}
# Every hall of this run that still runs (a child of its client's supervisor) is asked to end.
stop_halls() {
  local dir hall supervisor
  for dir in "$out"/client[0-9]*; do
    [ -f "$dir/hall.pid" ] && [ -f "$dir/supervisor.pid" ] || continue
    hall=$(cat "$dir/hall.pid")
    supervisor=$(cat "$dir/supervisor.pid")
    child_of "$supervisor" "$$" && child_of "$hall" "$supervisor" && kill -TERM "$hall" 2>/dev/null || true
  done
}
# The running clients of client folder N, and of every client folder of this run.
client_exe() { readlink -f "$out/client$1/bin/pxqd" 2>/dev/null; }
client_pids() { client_processes "$out/client$1/hall.log" "$(client_exe "$1")" "$client_wrapper"; }
client_pids_all() {
  local dir
  for dir in "$out"/client[0-9]*; do
    [ -d "$dir" ] && client_pids "${dir##*/client}"
  done
}
trap cleanup EXIT

ticks=$(getconf CLK_TCK)
# Peak RSS (kB) and CPU time (ticks) of a running process, read from /proc while it lives.
peak_rss() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
current_rss() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

# Waits for a process while its progress file grows; a process whose file has not grown for
# $hang_seconds is taken as hung and ended. Sets result to "done STATUS", or "hang". It runs in
# this shell, not in a subshell, since only the parent can wait for the process.
watch_process() {
  local pid=$1 progress=$2 last=-1 still=0 size
  while kill -0 "$pid" 2>/dev/null; do
    size=$(stat -c %s "$progress" 2>/dev/null || echo 0)
    if [ "$size" != "$last" ]; then last=$size; still=0; else still=$((still + 1)); fi
    if [ "$still" -ge "$hang_seconds" ]; then
      kill -KILL "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      result=hang
      return
    fi
    sleep 1
  done
  local status=0
  wait "$pid" || status=$?
  result="done $status"
}

# Counts an ending: a signal is a crash, a hang is a hang, any other failure is a failure.
judge() {
  local stage=$1 result=$2
  case "$result" in
    hang) hangs=$((hangs + 1)); note "  $stage: HANG (no progress for ${hang_seconds} s)" ;;
    "done 0") ;;
    done\ *)
      local status=${result#done }
      if [ "$status" -gt 128 ]; then
        crashes=$((crashes + 1)); note "  $stage: CRASH (signal $((status - 128)))"
      else
        failures=$((failures + 1)); note "  $stage: failed with status $status"
      fi ;;
  esac
}

# The server's faults: a late reply is late by the same share of the table's time whatever the
# clock's speed, so its longest delay shrinks with the clock.
server_faults=""
if [ -n "$faults" ]; then
  IFS=: read -r f_delay f_ms f_drop <<<"$faults"
  f_ms=$((f_ms / clock_scale)); [ "$f_ms" -ge 1 ] || f_ms=1
  server_faults="$f_delay:$f_ms:$f_drop"
fi
server_starts=0
server_rss=0
server_ticks=0
server_wall_ms=0

start_server() {
  local port=$1
  local fault_args=()
  [ -z "$server_faults" ] || fault_args=(--faults "$server_faults")
  server_starts=$((server_starts + 1))
  "$bin/pxqd-server" --port "$port" --data "$out/server" --seed "$seed" --clock-scale "$clock_scale" \
    "${fault_args[@]}" >>"$out/server.out" 2>>"$out/server.log" &
  server_pid=$!
  server_started=$(date +%s%N)
  for _ in $(seq 300); do
    [ "$(grep -c '^listening on' "$out/server.out" || true)" -lt "$server_starts" ] || break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ "$(grep -c '^listening on' "$out/server.out" || true)" -ge "$server_starts" ] || return 1
  server_port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$out/server.out" | tail -n 1)
}

stop_server() {
  # What the server used, read while it still runs: the peak over all its runs, the CPU summed.
  local rss used
  rss=$(peak_rss "$server_pid")
  [ "$rss" -le "$server_rss" ] || server_rss=$rss
  used=$(cpu_ticks "$server_pid")
  server_ticks=$((server_ticks + used))
  server_wall_ms=$((server_wall_ms + ($(date +%s%N) - server_started) / 1000000))
  kill -TERM "$server_pid" 2>/dev/null || true
  local status=0
  wait "$server_pid" || status=$?
  server_pid=""
  judge "game server" "done $status"
}

note "soak run in $out: $hands hands, seed $seed, server faults ${server_faults:-off}, clock x$clock_scale"

# The game server, on a port of the system's choosing.
: >"$out/server.out"
if ! start_server 0; then
  kill -KILL "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
  note "  game server: did not start (see $out/server.log)"
  exit 1
fi

# The table: four computer players play the hands, every hand checked as it is logged.
hands_log="$out/hands-bots-$seed.jsonl"
: >"$hands_log"
started=$(date +%s%N)
/usr/bin/time -f '%M %U %S' -o "$out/table.time" \
  "$bin/pxqd-replay" --play "$hands" --seed "$seed" --log "$hands_log" >"$out/table.out" 2>&1 &
watch_process $! "$hands_log"
elapsed_ms=$(( ($(date +%s%N) - started) / 1000000 ))
judge "table" "$result"
played=$(grep -c '"ev":"result"' "$hands_log" || true)
problems=$(sed -n 's/.* \([0-9]*\) problems$/\1/p' "$out/table.out" | tail -n 1)
if [ -n "$problems" ] && [ "$problems" -gt 0 ]; then
  desyncs=$((desyncs + problems)); note "  table: $problems hands refused by the checker:"; sed -n '2,21p' "$out/table.out" | tee -a "$summary"
fi
table_rss=0
table_cpu="-"
if [ -s "$out/table.time" ]; then
  read -r table_rss user_s sys_s <"$out/table.time" || true
  [ "$elapsed_ms" -gt 0 ] || elapsed_ms=1
  table_cpu=$(awk -v u="$user_s" -v s="$sys_s" -v e="$elapsed_ms" 'BEGIN {printf "%.0f%%", (u + s) * 100000 / e}')
fi

# ---------------------------------------------------------------------------------------------
# The clients: four halls, each launching its client headless into chair 0 to 3 of room 1,
# table 1, until the server has logged the hands.
CLIENTS=4
ROOM=1
TABLE=1
client_hands=0

# A program folder of the client's own: its logs, its temp folder and its game ini are written
# beside the executable, so each client gets a copy of the executable (a hard link where the
# file system allows) and the ini, and links to the rest of the build's program folder.
make_program_folder() {
  local dir=$1 entry name
  mkdir -p "$dir"
  for entry in "$bin"/*; do
    name=$(basename "$entry")
    case "$name" in
      pxqd) ln "$entry" "$dir/pxqd" 2>/dev/null || cp "$entry" "$dir/pxqd" ;;
      *.ini) cp "$entry" "$dir/$name" ;;
      *) ln -s "$entry" "$dir/$name" ;;
    esac
  done
}

# Runs one client's hall again and again until the run stops: a client that ends (after its
# connection was lost between hands, or after a crash, which is counted from the hall's line)
# is launched anew, as a player would start the game again from the hall.
supervise_client() {
  local i=$1 dir="$out/client$1" status client="$out/client$1/bin/pxqd"
  [ -z "$client_wrapper" ] || client="$dir/wrap-client"
  while [ ! -e "$out/stop" ]; do
    XDG_DATA_HOME="$dir/data" PXQD_HALL_DIR="$hall_sockets" PXQD_DISPLAY=headless PXQD_AUDIO=null PXQD_CLOCK_SCALE="$clock_scale" \
      PXQD_HEADLESS_HANDS="$client_target" PXQD_HEADLESS_SEATS="$CLIENTS" PXQD_SYSTEM_DIR="$dir/system" PXQD_TABLE_DUMP="$dir/table.txt" \
      "$bin/pxqd-hall" --hall-dir "$dir/hall" --client "$client" --server 127.0.0.1 --port "$server_port" \
      --user $((2001 + i)) --player "soak$i" --room "$ROOM" --table "$TABLE" --chair "$i" --rejoin 1000 \
      --accounts "$out/server/accounts.db" --log "$dir/hall.log" >>"$dir/client.out" 2>>"$dir/hall.err" &
    echo $! >"$dir/hall.pid"
    status=0
    wait $! || status=$?
    echo "$status" >>"$dir/hall-ends"
    [ -e "$out/stop" ] || sleep 1
  done
}

# A launch under the wrapper: the hall starts this script, and the script the wrapped client.
write_client_wrapper() {
  local dir=$1
  {
    printf '#!/usr/bin/env bash\n'
    printf 'launch=%q/launch.$$\n' "$dir"
    printf 'exec %s %q "$@"\n' "${client_wrapper//%o/\"\$launch\"}" "$dir/bin/pxqd"
  } >"$dir/wrap-client"
  chmod +x "$dir/wrap-client"
}

run_clients() {
  local table_log="$out/server/hands-$seed-$ROOM-$TABLE.jsonl"
  # The hall's window sockets live in a short folder of their own (socket paths are short).
  hall_sockets=$(mktemp -d /tmp/pxqd-soak.XXXXXX)
  rm -f "$out/stop"
  local i
  for i in $(seq 0 $((CLIENTS - 1))); do
    mkdir -p "$out/client$i/system" "$out/client$i/hall" "$out/client$i/data"
    : >"$out/client$i/table.txt"
    make_program_folder "$out/client$i/bin"
    [ -z "$client_wrapper" ] || write_client_wrapper "$out/client$i"
  done
  # The four are launched together, so that they sit down before the first of them gets ready.
  for i in $(seq 0 $((CLIENTS - 1))); do
    supervise_client "$i" &
    echo $! >"$out/client$i/supervisor.pid"
  done

  declare -A peak=() peak_pid=() last_ticks=() progress_at=() results_at=() lines_seen=() launches_seen=()
  local next_sample=0 now results last_size=-1 table_still=0 restarted=0 size pid rss t lines launches killed=""
  local clients_started
  clients_started=$(date +%s)
  for i in $(seq 0 $((CLIENTS - 1))); do
    peak[$i]=0; progress_at[$i]=$clients_started; results_at[$i]=0; lines_seen[$i]=0; launches_seen[$i]=0
  done
  while :; do
    now=$(date +%s)
    results=$(grep -c '"ev":"result"' "$table_log" 2>/dev/null || true)
    results=${results:-0}
    [ "$results" -lt "$client_target" ] || break
    # The table: its hand log grows with every draw and discard.
    size=$(stat -c %s "$table_log" 2>/dev/null || echo 0)
    if [ "$size" != "$last_size" ]; then last_size=$size; table_still=0; else table_still=$((table_still + 1)); fi
    if [ "$table_still" -ge "$hang_seconds" ]; then
      hangs=$((hangs + 1)); note "  table $ROOM-$TABLE: HANG (its hand log did not grow for ${hang_seconds} s)"
      break
    fi
    # The restart halfway, with every client cut off.
    if [ -n "$faults" ] && [ "$restarted" = 0 ] && [ "$results" -ge $((client_target / 2)) ] && [ "$client_target" -ge 2 ]; then
      restarted=1
      note "  the server restarts after $results hands"
      stop_server
      if ! start_server "$server_port"; then
        failures=$((failures + 1)); note "  game server: did not start again on port $server_port (see $out/server.log)"
        break
      fi
    fi
    for i in $(seq 0 $((CLIENTS - 1))); do
      lines=$(wc -l <"$out/client$i/table.txt" 2>/dev/null || echo 0)
      for pid in $(client_pids "$i"); do
        [ -d "/proc/$pid" ] || continue
        rss=$(peak_rss "$pid"); rss=${rss:-0}
        if [ "$rss" -gt "${peak[$i]}" ]; then peak[$i]=$rss; peak_pid[$i]=$pid; fi
        t=$(cpu_ticks "$pid"); last_ticks[$i:$pid]=${t:-0}
        # Every 30 s a line of what each running launch holds, to tell growth from a single jump.
        [ "$now" -lt "$next_sample" ] ||
          printf '%s pid %s rss %s kB peak %s kB hands %s\n' "$(date +%T)" "$pid" "$(current_rss "$pid")" "$rss" "$lines" >>"$out/client$i/rss.txt"
      done
      launches=$(launch_pids "$out/client$i/hall.log" | wc -l)
      if [ "$lines" != "${lines_seen[$i]}" ] || [ "$launches" != "${launches_seen[$i]}" ]; then
        # A hand written, or a new launch (which has yet to find its way into a hand).
        lines_seen[$i]=$lines; launches_seen[$i]=$launches; progress_at[$i]=$now; results_at[$i]=$results
      elif [ $((now - progress_at[$i])) -ge "$hang_seconds" ] && [ $((results - results_at[$i])) -ge 2 ]; then
        # Two hands went by without this client: whatever runs of it is ended.
        hangs=$((hangs + 1))
        note "  client $i: HANG (no hand of its own while the server logged $((results - results_at[$i])) in ${hang_seconds} s)"
        for pid in $(client_pids "$i"); do
          if [ -d "/proc/$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; killed="$killed $pid"; fi
        done
        progress_at[$i]=$now; results_at[$i]=$results
      fi
    done
    [ "$now" -lt "$next_sample" ] || next_sample=$((now + 30))
    sleep 1
  done
  local wall=$(( $(date +%s) - clients_started ))
  [ "$wall" -gt 0 ] || wall=1

  # The end: the halls go, and with their windows the clients.
  touch "$out/stop"
  stop_halls
  for _ in $(seq 300); do
    local alive=0
    [ -z "$(client_pids_all)" ] || alive=1
    [ "$alive" = 1 ] || break
    # A client's figures are read until it ends.
    for i in $(seq 0 $((CLIENTS - 1))); do
      for pid in $(client_pids "$i"); do
        [ -d "/proc/$pid" ] || continue
        rss=$(peak_rss "$pid"); rss=${rss:-0}
        if [ "$rss" -gt "${peak[$i]}" ]; then peak[$i]=$rss; peak_pid[$i]=$pid; fi
        t=$(cpu_ticks "$pid"); last_ticks[$i:$pid]=${t:-0}
      done
    done
    sleep 0.1
  done
  for pid in $(client_pids_all); do
    if [ -d "/proc/$pid" ]; then
      failures=$((failures + 1)); note "  client process $pid did not end when its hall went away"
      kill -KILL "$pid" 2>/dev/null || true
    fi
  done
  for i in $(seq 0 $((CLIENTS - 1))); do
    pid=$(cat "$out/client$i/supervisor.pid" 2>/dev/null || true)
    [ -z "$pid" ] || wait "$pid" 2>/dev/null || true
  done
  rm -rf "$hall_sockets"
  hall_sockets=""

  # Crashes: a client that ended on a signal that this script did not send.
  local line sig
  for i in $(seq 0 $((CLIENTS - 1))); do
    while read -r line; do
      pid=$(sed -n 's/^client \([0-9]*\) ended: signal \([0-9]*\)$/\1/p' <<<"$line")
      sig=$(sed -n 's/^client \([0-9]*\) ended: signal \([0-9]*\)$/\2/p' <<<"$line")
      [ -n "$sig" ] || continue
      case " $killed " in *" $pid "*) [ "$sig" = 9 ] && continue ;; esac
      crashes=$((crashes + 1)); note "  client $i (process $pid): CRASH (signal $sig); see $out/client$i"
    done < <(grep '^client [0-9]* ended: signal' "$out/client$i/hall.err" 2>/dev/null || true)
  done

  # Desyncs: every client's hand ends against the server's record of the same hands.
  local compared launches rejoins total summary_line mean
  client_hands=$results
  for i in $(seq 0 $((CLIENTS - 1))); do
    compared="$out/client$i/compare.out"
    if [ -f "$table_log" ]; then
      "$bin/pxqd-replay" --compare "$out/client$i/table.txt" "$table_log" >"$compared" 2>&1 || true
      local differ unknown
      differ=$(sed -n 's/.* \([0-9]*\) differ, \([0-9]*\) not in the log$/\1/p' "$compared" | head -n 1)
      unknown=$(sed -n 's/.* \([0-9]*\) differ, \([0-9]*\) not in the log$/\2/p' "$compared" | head -n 1)
      differ=${differ:-0}; unknown=${unknown:-0}
      if [ $((differ + unknown)) -gt 0 ]; then
        desyncs=$((desyncs + differ + unknown))
        note "  client $i: $differ hand ends differ from the server's, $unknown are not in its log:"
        sed -n '2,4p' "$compared" | cut -c1-400 | tee -a "$summary"
      fi
    fi
    total=0
    for pid in "${!last_ticks[@]}"; do [ "${pid%%:*}" != "$i" ] || total=$((total + ${last_ticks[$pid]})); done
    mean=$(awk -v t="$total" -v k="$ticks" -v w="$wall" 'BEGIN {printf "%.1f%%", t * 100 / k / w}')
    launches=$(launch_pids "$out/client$i/hall.log" | wc -l)
    rejoins=$(grep -c 'starting it again' "$out/client$i/hall.err" 2>/dev/null || true)
    summary_line=$(grep '^hands [0-9]* refused' "$out/client$i/client.out" 2>/dev/null | tail -n 1 || true)
    note "client $i: $(wc -l <"$out/client$i/table.txt") hand ends written, $launches launches ($rejoins let back into a running hand), peak RSS ${peak[$i]} kB${peak_pid[$i]:+ (client ${peak_pid[$i]}, see client$i/rss.txt)}, mean CPU $mean${summary_line:+, last summary: $summary_line}"
  done
}

if [ "$clients_ready" = 1 ]; then
  run_clients
elif [ "$with_clients" = 1 ]; then
  note "the clients' stage is not available: $bin/pxqd (with its headless hands and table lines) or pxqd-hall is not built"
fi

# A server restart: the same port and data folder, and the accounts intact afterwards.
if [ -n "$server_pid" ]; then
  stop_server
  if start_server "$server_port"; then
    stop_server
  else
    failures=$((failures + 1)); note "  game server: did not start again on port $server_port (see $out/server.log)"
  fi
  if [ -f "$out/server/accounts.db" ]; then
    check=$(sqlite3 "$out/server/accounts.db" 'PRAGMA integrity_check;' 2>&1 || true)
    [ "$check" = ok ] || { failures=$((failures + 1)); note "  accounts after the restart: $check"; }
  else
    failures=$((failures + 1)); note "  accounts: no accounts.db in $out/server"
  fi
fi
[ "$server_wall_ms" -gt 0 ] || server_wall_ms=1
server_cpu=$(awk -v t="$server_ticks" -v k="$ticks" -v e="$server_wall_ms" 'BEGIN {printf "%.1f%%", t * 100000 / k / e}')

# The server's own hand logs, when clients played at its tables.
shopt -s nullglob
server_logs=("$out"/server/hands-*.jsonl)
if [ ${#server_logs[@]} -gt 0 ]; then
  note "hands the server logged at its tables: $(cat "${server_logs[@]}" | grep -c '"ev":"result"' || true)"
  if ! "$bin/pxqd-replay" "${server_logs[@]}" >"$out/server-hands.out" 2>&1; then
    desyncs=$((desyncs + 1)); note "  the server's hand logs are refused by the checker (see $out/server-hands.out)"
  fi
fi

note "hands played: $played of $hands at the computer players' table"
[ "$clients_ready" != 1 ] || note "hands played by the clients at the server's table: $client_hands of $client_target"
note "crashes: $crashes   hangs: $hangs   desyncs: $desyncs   other failures: $failures"
note "table (four computer players): peak RSS ${table_rss} kB, mean CPU $table_cpu"
note "game server: peak RSS ${server_rss} kB, mean CPU $server_cpu"
injected=$(awk '/^faults:/ {d += $2; c += $5; r += $8; n++}
  END {if (n) printf "server faults over %d runs: %d replies delayed, %d connections dropped, %d notifications repeated", n, d, c, r}' \
  "$out/server.out")
[ -z "$injected" ] || note "$injected"
note "logs: $out"
[ "$played" -eq "$hands" ] && { [ "$clients_ready" != 1 ] || [ "$client_hands" -ge "$client_target" ]; } &&
  [ $((crashes + hangs + desyncs + failures)) -eq 0 ]
