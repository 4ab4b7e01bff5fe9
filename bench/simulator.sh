# Sourced by the benchmarks: starts the router simulator built in "$build" on a
# free loopback port, sets $port, and stops the simulator when the script exits.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
"$build/tools/routersim/quillon-routersim" --port "$port" --margin-drift 0 >/dev/null 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done
