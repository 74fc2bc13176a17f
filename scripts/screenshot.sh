#!/usr/bin/env bash
# docs/main-window.png: the desktop program on a virtual X display, during a sale that the
# pinpad simulator runs against a payment host that never answers (so the sale stays on the
# pinpad's display). The picture is Qt's own rendering of the window (--screenshot).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
output=${1:-docs/main-window.png}

cmake -S . -B "$build" -DTB_BUILD_DESKTOP=ON -DTB_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target Termbridge termbridge-pinpad-sim termbridge-ecr fake_d2xx

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

mkdir -p "$work/ports" "$work/data" "$work/ftdi"
echo "USERDIR=$work/data" >"$work/registry"
export TERMBRIDGE_REGISTRY=$work/registry
export TERMBRIDGE_PORTS_DIR=$work/ports
export TERMBRIDGE_RC_PORT=$(free_port)
# The test D2XX library (no devices) keeps the start-up free of the missing-library boxes.
export TERMBRIDGE_D2XX_LIBRARY=$(find "$build" -name 'libfake_d2xx.so' | head -n1)
export FAKE_D2XX_DEVICES=$work/ftdi
printf 'COM_PORT = "1"\r\n\r\nD2XX_NAME = ""\r\n\r\nLOGGING_LEVEL = "1"\r\n\r\nPRINTER_TYPE = "0"\r\n\r\n' \
  >"$work/data/termbridge.ini"

# A payment host that accepts and keeps silent.
payment_port=$(free_port)
python3 - "$payment_port" <<'PY' &
import socket, sys, time
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(4)
held = []
while True:
    held.append(server.accept()[0])
PY
pids+=($!)

"$build/tools/pinpad_sim/termbridge-pinpad-sim" --com 1 --host 127.0.0.1 --port "$payment_port" \
  --host-timeout 60 >"$work/sim.log" &
pids+=($!)

# The cash register starts the sale once the window's remote-control server listens.
(
  for _ in $(seq 50); do
    "$build/tools/ecr/termbridge-ecr" --timeout 2 hello >/dev/null 2>&1 && break
    sleep 0.2
  done
  "$build/tools/ecr/termbridge-ecr" sale Sale 1250 INV-42 --wait 30 >"$work/ecr.log" 2>&1 || true
) &
pids+=($!)

xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/desktop/Termbridge" --screenshot "$output" --screenshot-delay-ms 5000
echo "saved $output"
