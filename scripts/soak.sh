#!/usr/bin/env bash
# The long run: plays many hands against the game server and reports what went wrong.
#
#   scripts/soak.sh [--hands N] [--seed S] [--faults D:MS:X | --no-faults] [--clock-scale N]
#                   [--out DIR] [--build DIR] [--no-build]
#
#   --hands N    hands to play (default 1000)
#   --faults D:MS:X  the server delays one reply in D by up to MS ms and drops the connection
#                of one reply in X (default 20:2000:300); --no-faults turns them off
#   --clock-scale N  the server's clock runs N times as fast (default 1)
#   --seed S     the seed of the walls (default: from the run's start time)
#   --out DIR    where the run keeps its logs (default: runs/soak-<date>-<time>)
#   --build DIR  the build tree (default: build)
#   --no-build   use the programs as they are built
#
# What runs today: the game server is started with its own data folder and its faults; the
# table it plays at every chair is played for N hands by four computer players, with every hand checked by the
# replay checker; the server is restarted on the same port and its account database is checked
# after the restart. Every stage is watched: a program that ends on a signal counts as a crash,
# one whose hand log does not grow for 60 s as a hang, and a hand that the checker refuses as a
# desync. The summary lists hands played, crashes, hangs, desyncs and each program's peak RSS and
# mean CPU, and names the stages that need the table client (four headless clients in managed
# play, the comparison of each client's table with the server's record, dropped connections with
# rejoin) as not yet available while build/bin/pxqd is missing: until then no client meets the
# server's faults.
# Exits non-zero when anything failed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

hands=1000
seed=$(date +%s)
out=""
build=build
do_build=1
hang_seconds=60
faults=20:2000:300
clock_scale=1

usage() { sed -n '4,15p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
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
    -h|--help) usage ;;
    *) printf 'soak: unknown option %s\n' "$1" >&2; usage ;;
  esac
done
[[ $hands =~ ^[0-9]+$ ]] && [ "$hands" -ge 1 ] || { echo "soak: --hands takes a number above 0" >&2; exit 2; }
[[ $seed =~ ^[0-9]+$ ]] || { echo "soak: --seed takes a number" >&2; exit 2; }
[[ $clock_scale =~ ^[0-9]+$ ]] && [ "$clock_scale" -ge 1 ] && [ "$clock_scale" -le 1000 ] ||
  { echo "soak: --clock-scale takes a number from 1 to 1000" >&2; exit 2; }
[ -z "$faults" ] || [[ $faults =~ ^[0-9]+:[0-9]+:[0-9]+$ ]] || { echo "soak: --faults takes D:MS:X" >&2; exit 2; }

if [ "$do_build" = 1 ]; then
  jobs=$(nproc)
  [ "$jobs" -le 4 ] || jobs=4
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j "$jobs" --target pxqd-server pxqd-replay
fi
bin="$build/bin"
for program in pxqd-server pxqd-replay; do
  [ -x "$bin/$program" ] || { echo "soak: $bin/$program is not built" >&2; exit 2; }
done

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
trap '[ -z "$server_pid" ] || kill -KILL "$server_pid" 2>/dev/null || true' EXIT

ticks=$(getconf CLK_TCK)
# Peak RSS (kB) and CPU time (ticks) of a running process, read from /proc while it lives.
peak_rss() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
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

start_server() {
  local port=$1
  local fault_args=()
  [ -z "$faults" ] || fault_args=(--faults "$faults")
  "$bin/pxqd-server" --port "$port" --data "$out/server" --seed "$seed" --clock-scale "$clock_scale" \
    "${fault_args[@]}" >>"$out/server.out" 2>>"$out/server.log" &
  server_pid=$!
  local line=""
  for _ in $(seq 300); do
    line=$(grep '^listening on' "$out/server.out" | tail -n 1 || true)
    [ -z "$line" ] || [ "$(grep -c '^listening on' "$out/server.out")" -lt "$2" ] || break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ "$(grep -c '^listening on' "$out/server.out" || true)" -ge "$2" ] || return 1
  server_port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$out/server.out" | tail -n 1)
}

stop_server() {
  kill -TERM "$server_pid" 2>/dev/null || true
  local status=0
  wait "$server_pid" || status=$?
  server_pid=""
  judge "game server" "done $status"
}

note "soak run in $out: $hands hands, seed $seed, server faults ${faults:-off}, clock x$clock_scale"

# The game server, on a port of the system's choosing.
: >"$out/server.out"
if ! start_server 0 1; then
  kill -KILL "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
  note "  game server: did not start (see $out/server.log)"
  exit 1
fi
server_rss=0
server_cpu=0
server_started=$(date +%s%N)

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

# A server restart: the same port and data folder, and the accounts intact afterwards.
if [ -n "$server_pid" ]; then
  server_rss=$(peak_rss "$server_pid")
  ticks_used=$(cpu_ticks "$server_pid")
  wall_ms=$(( ($(date +%s%N) - server_started) / 1000000 ))
  [ "$wall_ms" -gt 0 ] || wall_ms=1
  server_cpu=$(awk -v t="$ticks_used" -v k="$ticks" -v e="$wall_ms" 'BEGIN {printf "%.0f%%", t * 100000 / k / e}')
  stop_server
  if start_server "$server_port" 2; then
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

# The server's own hand logs, when clients played at its tables.
shopt -s nullglob
server_logs=("$out"/server/hands-*.jsonl)
if [ ${#server_logs[@]} -gt 0 ]; then
  note "hands the server logged at its tables: $(cat "${server_logs[@]}" | grep -c '"ev":"result"' || true)"
  if ! "$bin/pxqd-replay" "${server_logs[@]}" >"$out/server-hands.out" 2>&1; then
    desyncs=$((desyncs + 1)); note "  the server's hand logs are refused by the checker (see $out/server-hands.out)"
  fi
fi

note "hands played: $played of $hands"
note "crashes: $crashes   hangs: $hangs   desyncs: $desyncs   other failures: $failures"
note "table (four computer players): peak RSS ${table_rss} kB, mean CPU $table_cpu"
note "game server: peak RSS ${server_rss} kB, mean CPU $server_cpu"
injected=$(grep '^faults:' "$out/server.out" | tail -n 1 || true)
[ -z "$injected" ] || note "server $injected"
if [ ! -x "$bin/pxqd" ]; then
  note "not yet available (the table client pxqd is not built): four headless clients in managed play,"
  note "  each client's table against the server's record through the resync record, the clients'"
  note "  peak RSS and CPU, the clients' rejoining after the server's faults, and their clock scale"
fi
note "logs: $out"
[ "$played" -eq "$hands" ] && [ $((crashes + hangs + desyncs + failures)) -eq 0 ]
