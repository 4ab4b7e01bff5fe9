#!/usr/bin/env bash
# Installs what is missing, builds Quillon in Release and starts it against the bundled
# router simulator on loopback. Without a display it runs under a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)"

demo="$PWD/build-release/demo"
mkdir -p "$demo"
sim_log="$demo/routersim.log"
build-release/tools/routersim/quillon-routersim --port 0 --address 127.0.0.1 >"$sim_log" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
port=""
for _ in $(seq 1 100); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$sim_log" | head -n1)
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { echo "the router simulator did not start:"; cat "$sim_log"; exit 1; }

# The program folder of this run holds a settings file that points at the simulator.
if [ ! -f "$demo/settings.ini" ]; then
    printf '[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=%s\r\nPing IP=127.0.0.1\r\nStatsCheck=1\r\n' "$port" >"$demo/settings.ini"
else
    sed -i "s/^Telnet Port=.*/Telnet Port=$port\r/" "$demo/settings.ini"
fi
chmod 600 "$demo/settings.ini"
echo "Router simulator on 127.0.0.1:$port; program folder $demo"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running under Xvfb (set DISPLAY to use your own)."
    QUILLON_APPDIR="$demo" xvfb-run -a -s "-screen 0 1280x900x24" build-release/quillon
else
    QUILLON_APPDIR="$demo" build-release/quillon
fi
