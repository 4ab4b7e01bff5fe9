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
[ -f "$demo/vendors.txt" ] || cp build-release/vendors.txt "$demo/"
sim_log="$demo/routersim.log"
build-release/tools/routersim/quillon-routersim --port 0 --address 127.0.0.1 --http-port 0 >"$sim_log" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT
port=""
web=""
for _ in $(seq 1 100); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$sim_log" | head -n1)
    web=$(sed -n 's|^web pages on \(http://127\.0\.0\.1:[0-9]*\)$|\1|p' "$sim_log" | head -n1)
    [ -n "$port" ] && [ -n "$web" ] && break
    sleep 0.1
done
[ -n "$port" ] && [ -n "$web" ] || { echo "the router simulator did not start:"; cat "$sim_log"; exit 1; }

# The program folder of this run holds a settings file that points at the simulator.
if [ ! -f "$demo/settings.ini" ]; then
    printf '[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=%s\r\nPing IP=127.0.0.1\r\nStatsCheck=1\r\n' "$port" >"$demo/settings.ini"
else
    sed -i "s/^Telnet Port=.*/Telnet Port=$port\r/" "$demo/settings.ini"
fi
# The Exchange tab's two web services are the simulator's pages.
sed -i '/^Lookup site=/d; /^Directions site=/d' "$demo/settings.ini"
if grep -q '^\[Exchange\]' "$demo/settings.ini"; then
    sed -i "s|^\[Exchange\]\r\?\$|[Exchange]\r\nLookup site=$web\r\nDirections site=$web\r|" "$demo/settings.ini"
else
    printf '[Exchange]\r\nLookup site=%s\r\nDirections site=%s\r\n' "$web" "$web" >>"$demo/settings.ini"
fi
chmod 600 "$demo/settings.ini"
echo "Router simulator on 127.0.0.1:$port, its web pages on $web; program folder $demo"
echo "Exchange tab: \"Get distance via Internet\" knows the postcodes ZZ1 1AA, ZZ2 4BB and ZZ9 9ZZ."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running under Xvfb (set DISPLAY to use your own)."
    QUILLON_APPDIR="$demo" xvfb-run -a -s "-screen 0 1280x900x24" build-release/quillon
else
    QUILLON_APPDIR="$demo" build-release/quillon
fi
