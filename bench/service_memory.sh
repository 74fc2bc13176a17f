#!/usr/bin/env bash
# Resident memory of a running TermbridgeService, idle and over sales, and its start-up time
# (process start until the remote-control port answers). Uses the demo's build in build/.
# Usage: bench/service_memory.sh [SALES]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
sales=${1:-5}
bin=$PWD/build
work=$(mktemp -d /tmp/termbridge-bench.XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
wait_until() {
  local deadline=$(( SECONDS + $1 ))
  shift
  until "$@" >/dev/null 2>&1; do
    (( SECONDS < deadline )) || { echo "timed out: $*" >&2; return 1; }
    sleep 0.05
  done
}
port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
kb() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$2/status"; }

rc_port=20368
while port_taken "$rc_port"; do rc_port=$(( rc_port + 1 )); done
export TERMBRIDGE_REGISTRY=$work/registry TERMBRIDGE_PORTS_DIR=$work/ports TERMBRIDGE_RC_PORT=$rc_port
mkdir -p "$work/data" "$work/ports"
printf 'USERDIR=%s\n' "$work/data" >"$TERMBRIDGE_REGISTRY"
printf 'COM_PORT = "7"\r\nPRINTER_TYPE = "4"\r\nLOGGING_LEVEL = "1"\r\n' >"$work/data/termbridge_service.ini"

"$bin/tools/payment_host/termbridge-payment-host" --port 0 >"$work/host.out" &
pids+=($!)
wait_until 10 grep -q listening "$work/host.out"
host_port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/host.out")
"$bin/tools/pinpad_sim/termbridge-pinpad-sim" --com 7 --port "$host_port" --forever >"$work/sim.out" &
pids+=($!)
wait_until 10 test -e "$TERMBRIDGE_PORTS_DIR/COM7"

ecr=("$bin/tools/ecr/termbridge-ecr" --port "$rc_port")
start_ns=$(date +%s%N)
"$bin/service/TermbridgeService" -foreground >/dev/null 2>&1 &
service=$!
pids+=("$service")
wait_until 15 "${ecr[@]}" hello
ready_ms=$(( ($(date +%s%N) - start_ns) / 1000000 ))
wait_until 15 grep -q "sale 1: waiting" "$work/sim.out"
idle_rss=$(kb VmRSS "$service")

for (( i = 1; i <= sales; i++ )); do
  "${ecr[@]}" sale Sale 1250 "BENCH-$i" --wait 60 >/dev/null 2>&1
done
sale_rss=$(kb VmRSS "$service")
peak_rss=$(kb VmHWM "$service")
threads=$(kb Threads "$service")

printf 'start until the remote-control port answers: %d ms\n' "$ready_ms"
printf 'VmRSS idle, link up:                          %d kB\n' "$idle_rss"
printf 'VmRSS after %d sales:                          %d kB\n' "$sales" "$sale_rss"
printf 'VmHWM (peak resident) over the run:           %d kB\n' "$peak_rss"
printf 'threads after the sales:                      %d\n' "$threads"
