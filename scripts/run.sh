#!/usr/bin/env bash
# Installs what is missing, builds Quillon in Release and starts it against the bundled
# router simulator on loopback. Without a display it runs under a virtual one (Xvfb).
# Keeps running until the window is closed; the simulator stops with it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)"

# The simulator's login, also written into the demo's settings.
user=root
password=Gravo

demo="$PWD/build-release/demo"
mkdir -p "$demo"
for f in vendors.txt routerids.txt; do [ -f "$demo/$f" ] || cp "build-release/$f" "$demo/"; done
sim_log="$demo/routersim.log"
build-release/tools/routersim/quillon-routersim --port 0 --address 127.0.0.1 --http-port 0 \
    --user "$user" --password "$password" >"$sim_log" 2>&1 &
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
bash scripts/demo-settings.sh "$demo/settings.ini" "$port" "$user" "$password" "$web"
echo "Router simulator on 127.0.0.1:$port (login $user / $password), its web pages on $web; program folder $demo"
echo "Exchange tab: \"Get distance via Internet\" knows the postcodes ZZ1 1AA, ZZ2 4BB and ZZ9 9ZZ."
echo "Quillon runs until its window is closed."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running under Xvfb (set DISPLAY to use your own)."
    QUILLON_APPDIR="$demo" xvfb-run -a -s "-screen 0 1280x900x24" build-release/quillon
else
    QUILLON_APPDIR="$demo" build-release/quillon
fi
