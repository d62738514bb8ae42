#!/usr/bin/env bash
# The play command: installs what is missing, builds the programs and the game data, starts the
# game server on 127.0.0.1 (its accounts and hand logs in the user's data folder), starts the hall,
# which launches the client, and ends the hall and the server when the client is closed.
#
#   ./play.sh [--player NAME] [--server HOST[:PORT]] [--port N] [--web-port N]
#             [--proxy KIND://[USER:PASSWORD@]HOST:PORT] [--headless N] [--wall FILE] [--chair N]
#             [--min-hands N]
#
#   --player NAME      the player's name at the table (default: the login name)
#   --server HOST[:PORT]
#                      join a game server that already runs elsewhere instead of starting one here
#   --port N           the port of the server started here (default 31380)
#   --web-port N       the port of the panes' web site (default 0: a free port, so that two plays
#                      on one machine do not collide)
#   --proxy URL        reach the server through a proxy: socks4, socks4a, socks5 or http
#   --headless N       no window: the client plays N hands by itself and prints a summary
#   --wall FILE        the server started here deals the first hand from a scripted wall, e.g.
#                      testbed/table/walls/peng-gang-win.wall (with --chair 1)
#   --chair N          the chair to sit in, 0-3 (default 0)
#   --min-hands N      the server started here makes every table a room where N hands must be
#                      played before leaving; the settlement then counts down and closes itself
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"

say() { printf '\033[1mplay:\033[0m %s\n' "$*"; }
die() { printf 'play: %s\n' "$*" >&2; exit 1; }

usage() {
  sed -n '6,22p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

player=${USER:-player}
server_host=""
port=31380
web_port=0
proxy=""
headless=""
wall=""
chair=0
min_hands=0
while [ $# -gt 0 ]; do
  case "$1" in
    --player) [ $# -ge 2 ] || usage; player=$2; shift 2 ;;
    --server) [ $# -ge 2 ] || usage; server_host=$2; shift 2 ;;
    --port) [ $# -ge 2 ] || usage; port=$2; shift 2 ;;
    --web-port) [ $# -ge 2 ] || usage; web_port=$2; shift 2 ;;
    --proxy) [ $# -ge 2 ] || usage; proxy=$2; shift 2 ;;
    --headless) [ $# -ge 2 ] || usage; headless=$2; shift 2 ;;
    --wall) [ $# -ge 2 ] || usage; wall=$2; shift 2 ;;
    --chair) [ $# -ge 2 ] || usage; chair=$2; shift 2 ;;
    --min-hands) [ $# -ge 2 ] || usage; min_hands=$2; shift 2 ;;
    -h|--help) usage ;;
    *) printf 'play: unknown option %s\n' "$1" >&2; usage ;;
  esac
done

is_number() { [[ $1 =~ ^[0-9]+$ ]]; }
is_number "$port" && [ "$port" -ge 1 ] && [ "$port" -le 65535 ] || die "the port must be a number from 1 to 65535"
is_number "$web_port" && [ "$web_port" -le 65535 ] || die "--web-port takes a number from 0 to 65535"
[ -z "$headless" ] || { is_number "$headless" && [ "$headless" -ge 1 ]; } || die "--headless takes a number of hands"
[ -n "$player" ] || die "the player's name is empty"
[[ $chair =~ ^[0-3]$ ]] || die "--chair takes a chair 0-3"
is_number "$min_hands" && [ "$min_hands" -le 1000 ] || die "--min-hands takes a number from 0 to 1000"
if [ -n "$wall" ]; then
  [ -r "$wall" ] || die "cannot read the wall file $wall"
  wall=$(cd "$(dirname "$wall")" && pwd)/$(basename "$wall")
fi

# A server elsewhere: HOST or HOST:PORT; nothing is started here then.
join_host=""
if [ -n "$server_host" ]; then
  join_host=${server_host%:*}
  if [ "$join_host" != "$server_host" ]; then
    port=${server_host##*:}
    is_number "$port" && [ "$port" -ge 1 ] && [ "$port" -le 65535 ] || die "the server's port must be a number from 1 to 65535"
  fi
  [ -n "$join_host" ] || die "the server address is empty"
fi

# The proxy as the hall's settings: the kind number is the one the client's proxy settings use.
proxy_args=()
if [ -n "$proxy" ]; then
  [[ $proxy =~ ^(socks4|socks4a|socks5|http)://(([^:@]*):([^@]*)@)?([^:/@]+):([0-9]+)$ ]] ||
    die "the proxy is KIND://[USER:PASSWORD@]HOST:PORT with KIND socks4, socks4a, socks5 or http"
  case "${BASH_REMATCH[1]}" in
    socks4) kind=1 ;; socks4a) kind=2 ;; socks5) kind=3 ;; http) kind=4 ;;
  esac
  proxy_args=(--proxy-need 1 --proxy-sock "$kind" --proxy-host "${BASH_REMATCH[5]}" --proxy-port "${BASH_REMATCH[6]}")
  [ -z "${BASH_REMATCH[3]}" ] || proxy_args+=(--proxy-user "${BASH_REMATCH[3]}")
  [ -z "${BASH_REMATCH[4]}" ] || proxy_args+=(--proxy-pwd "${BASH_REMATCH[4]}")
fi

say "checking the Debian packages"
scripts/install-deps.sh

say "building (the first build takes a while)"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
jobs=$(nproc)
[ "$jobs" -le 4 ] || jobs=4
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
targets=(pxqd-server pxqd-hall pxqd-replay pxqd-web gamedata)
# The table client is a target only once its sources are in the tree.
if cmake --build build --target help 2>/dev/null | grep -q '^pxqd:'; then targets+=(pxqd); fi
cmake --build build -j "$jobs" --target "${targets[@]}"

data=${XDG_DATA_HOME:-$HOME/.local/share}
logs="$data/pxqd/logs"
mkdir -p "$logs"
server_pid=""
hall_pid=""
web_pid=""

stop() {
  local pid=$1 name=$2
  [ -n "$pid" ] || return 0
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  # The server and the hall end within a second on SIGTERM; a stuck one is ended after 10 s.
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }; sleep 0.1; done
  say "the $name did not end; ending it"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
cleanup() {
  stop "$hall_pid" hall
  stop "$server_pid" server
  stop "$web_pid" "web site"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "$join_host" ]; then
  say "starting the game server on 127.0.0.1:$port (accounts in $data/pxqd-server)"
  server_args=(--port "$port")
  [ -z "$wall" ] || server_args+=(--wall "$wall")
  [ "$min_hands" -eq 0 ] || server_args+=(--min-hands "$min_hands")
  build/bin/pxqd-server "${server_args[@]}" >"$logs/server.out" 2>"$logs/server.log" &
  server_pid=$!
  for _ in $(seq 100); do
    grep -q '^listening on' "$logs/server.out" 2>/dev/null && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$logs/server.log" >&2; server_pid=""; die "the game server did not start (is port $port taken? --port N picks another)"; }
    sleep 0.1
  done
  grep -q '^listening on' "$logs/server.out" || die "the game server did not answer within 10 s; see $logs/server.log"
  join_host=127.0.0.1
fi

# The pages of the panes (adverts, rules, the bank) come from the testbed's web site, on a port
# of its own; the hall and the client are given its address.
build/bin/pxqd-web --port "$web_port" >"$logs/web.log" 2>&1 &
web_pid=$!
web_url=""
for _ in $(seq 100); do
  web_url=$(sed -n 's/^pxqd-web: serving .* at \(http:[^ ]*\)$/\1/p' "$logs/web.log" 2>/dev/null | head -n 1)
  [ -z "$web_url" ] || break
  kill -0 "$web_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$web_url" ]; then
  say "the panes' web site is at $web_url"
  export PXQD_WEB_BASE=$web_url
  export PXQD_BANK_SITE=${web_url%/}
else
  say "the panes' web site did not start (see $logs/web.log): the panes stay empty"
  web_pid=""
fi

client=build/bin/pxqd
display=sdl
if [ -n "$headless" ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
  display=headless
  [ -n "$headless" ] || say "no display here: the client runs without a window"
fi
export PXQD_DISPLAY=$display

hall_args=(--hall-dir "$top/build/hall" --server "$join_host" --port "$port" --player "$player"
           --chair "$chair" --log "$logs/hall.log" "${proxy_args[@]}")
[ -z "$web_url" ] || hall_args+=(--web "${web_url%/}")
if [ ! -x "$client" ]; then
  # Everything that exists is started once, so that a broken server or hall shows here.
  say "starting the hall"
  build/bin/pxqd-hall "${hall_args[@]}" >"$logs/hall.out" 2>&1 &
  hall_pid=$!
  sleep 1
  kill -0 "$hall_pid" 2>/dev/null || { cat "$logs/hall.out" >&2; hall_pid=""; die "the hall did not start"; }
  cleanup
  server_pid=""
  hall_pid=""
  say "the game server and the hall start and stop cleanly, but the table client (pxqd) is not built yet:"
  say "there is no table to play in this tree. Logs are in $logs."
  exit 1
fi

if [ -n "$headless" ]; then
  export PXQD_HEADLESS_HANDS=$headless
  say "the client plays $headless hands by itself"
else
  say "opening the table (closing the window ends the game)"
fi
build/bin/pxqd-hall "${hall_args[@]}" --client "$top/$client" > >(tee -a "$logs/hall.out") 2>&1 &
hall_pid=$!
wait "$hall_pid" || true
hall_pid=""
say "the game has ended; logs are in $logs"
