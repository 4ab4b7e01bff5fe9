#!/usr/bin/env bash
# Builds and runs the worst-case reply parse: a 4 MiB reply (the most one
# script may receive) of each shape, through explode and the statistics parser,
# and in the bit table's place through the tone-table stage. Each run is its
# own process, so the peak memory is that parse's alone.
# Targets: at most 100 ms and 50 MB peak for every line.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
bytes="${BYTES:-4194304}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_BENCH=ON -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_replyparse >/dev/null

for stage in stats tones; do
    for shape in breaks lf longline labels blanks hex; do
        "$build/bench/replyparse/bench_replyparse" "$stage" "$shape" "$bytes"
    done
done
