#!/usr/bin/env bash
# The main job: builds everything, then runs one whole sale end to end on this machine:
# cash register (termbridge-ecr) -> TermbridgeService -> pinpad simulator on a pty ->
# payment host on loopback, and back. Writes the ticket to out/ticket.pdf and out/ticket.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTB_BUILD_TESTS=OFF -DTB_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"

bin=$PWD/build
out=$PWD/out
mkdir -p "$out"
work=$(mktemp -d /tmp/termbridge-demo.XXXXXX)
pids=()

say() { printf 'demo: %s\n' "$*"; }

cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# Waits for one of our processes and forgets it, so that cleanup never signals a reused PID.
reap() {
  local pid=$1 kept=() p status=0
  wait "$pid" || status=$?
  for p in "${pids[@]}"; do [ "$p" = "$pid" ] || kept+=("$p"); done
  pids=("${kept[@]}")
  return "$status"
}

# Polls a command until it succeeds; fails the demo after the deadline (seconds).
wait_until() {
  local deadline=$(( SECONDS + $1 )) what=$2
  shift 2
  until "$@" >/dev/null 2>&1; do
    if (( SECONDS >= deadline )); then
      say "gave up waiting for $what"
      return 1
    fi
    sleep 0.2
  done
}

port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# The system's own remote-control port, unless something on this machine holds it already.
rc_port=20268
while port_taken "$rc_port"; do rc_port=$(( rc_port + 1 )); done

# Everything the service reads and writes lives in the demo's own directory.
export TERMBRIDGE_REGISTRY=$work/registry TERMBRIDGE_PORTS_DIR=$work/ports TERMBRIDGE_RC_PORT=$rc_port
mkdir -p "$work/data" "$work/ports"
printf 'USERDIR=%s\n' "$work/data" >"$TERMBRIDGE_REGISTRY"
# COM 7 is where the simulator links its pty. Printer type 4 (external ECR): the cash register
# prints the ticket, so the demo needs no printer; every other setting keeps its default.
printf 'COM_PORT = "7"\r\nPRINTER_TYPE = "4"\r\nLOGGING_LEVEL = "1"\r\n' >"$work/data/termbridge_service.ini"

say "starting the payment host on loopback"
"$bin/tools/payment_host/termbridge-payment-host" --port 0 >"$work/payment-host.out" 2>&1 &
pids+=($!)
wait_until 10 "the payment host" grep -q listening "$work/payment-host.out"
host_port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/payment-host.out")

say "starting the pinpad simulator on a pty linked as COM7"
"$bin/tools/pinpad_sim/termbridge-pinpad-sim" --com 7 --host 127.0.0.1 --port "$host_port" --forever \
  >"$work/pinpad-sim.out" 2>&1 &
sim_pid=$!
pids+=("$sim_pid")
wait_until 10 "the simulator's port" test -e "$TERMBRIDGE_PORTS_DIR/COM7"

say "starting TermbridgeService in the foreground (remote control on port $rc_port)"
start_ms=$(date +%s%3N)
"$bin/service/TermbridgeService" -foreground >"$work/service.out" 2>&1 &
service_pid=$!
pids+=("$service_pid")
ecr=("$bin/tools/ecr/termbridge-ecr" --port "$rc_port")
wait_until 15 "the service's remote-control port" "${ecr[@]}" hello
say "service answers after $(( $(date +%s%3N) - start_ms )) ms"
wait_until 15 "the pinpad link" grep -q "sale 1: waiting for a transaction" "$work/pinpad-sim.out"

say "cash register: sale of 12.50 (type 8810), reference DEMO-1"
"${ecr[@]}" --json sale Sale 1250 DEMO-1 --wait 45 >"$out/sale.json" &
sale_pid=$!
pids+=("$sale_pid")
# The pinpad's progress while the cash register waits for the result.
tail -n +1 -f --pid="$sale_pid" "$work/pinpad-sim.out" &
tail_pid=$!
pids+=("$tail_pid")
reap "$sale_pid"
reap "$tail_pid" || true

# The pinpad's result block, as the cash register gets it.
hex=$(sed -n 's/.*"result":"\([0-9A-F]*\)".*/\1/p' "$out/sale.json")
le() { local h=$1 r="" i; for (( i=${#h}-2; i>=0; i-=2 )); do r+=${h:i:2}; done; echo $(( 16#$r )); }
text() { local h=$1 s=""; while [ -n "$h" ] && [ "${h:0:2}" != 00 ]; do s+=$(printf "\\x${h:0:2}"); h=${h:2}; done; echo "$s"; }
say "result block: ${#hex} hex digits"
printf '  signature      %s\n' "$(text "${hex:0:10}")"
printf '  amount         %s\n' "$(le "${hex:24:8}")"
printf '  type           %04X\n' "$(le "${hex:32:4}")"
printf '  response code  %s\n' "$(text "${hex:36:6}")"
printf '  reference      %s\n' "$(text "${hex:228:64}")"

say "cash register: last ticket"
"${ecr[@]}" ticket --ticket-text "$out/ticket.txt" --ticket-pdf "$out/ticket.pdf"
"${ecr[@]}" status

say "stopping the service, then the simulator"
kill -TERM "$service_pid"
reap "$service_pid"
kill -TERM "$sim_pid"
status=0
reap "$sim_pid" || status=$?
[ "$status" = 5 ]  # the simulator's code for "interrupted"
cp "$work/data/termbridge_service_log.txt" "$out/termbridge_service_log.txt"
grep -E "Timer thread started|Closing the Timer Thread|StopMonitoring|Printer type" "$out/termbridge_service_log.txt" \
  | sed 's/^/  log: /'
say "done: ticket in out/ticket.pdf and out/ticket.txt, service log in out/termbridge_service_log.txt"
