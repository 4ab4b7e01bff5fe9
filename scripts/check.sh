#!/usr/bin/env bash
# The fault-finding run: builds the tree with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang), runs every test in it, then runs each
# libFuzzer target on its seed corpus for a set time. Exits non-zero on any
# failing test or any fuzzer finding (crash, leak, sanitizer report, timeout).
#   FUZZ_SECONDS  seconds per fuzzer (default 30; 0 runs the seeds only)
#   BUILD_DIR     build folder (default build-check)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
bash scripts/deps.sh --check
seconds="${FUZZ_SECONDS:-30}"
build="${BUILD_DIR:-$root/build-check}"
jobs="$(nproc)"

# -O1 with line tables: what the sanitizers need for readable reports, at a
# fraction of the build time of full debug information.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DQUILLON_BUILD_TESTS=ON -DQUILLON_FUZZ=ON >/dev/null
cmake --build "$build" -j"$jobs"

# Qt's own allocations at exit are not ours to chase; ours must be clean.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" --timeout 900)

findings=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
while IFS=$'\t' read -r name binary seeds; do
    [ -n "$name" ] || continue
    corpus="$work/$name"
    mkdir -p "$corpus" "$work/$name-artifacts"
    IFS=';' read -ra seed_list <<<"$seeds"
    for s in "${seed_list[@]}"; do
        if [ -d "$s" ]; then cp "$s"/* "$corpus"/ 2>/dev/null || true; elif [ -f "$s" ]; then cp "$s" "$corpus"/; fi
    done
    log="$work/$name.log"
    status=0
    # Parsers that log an error write it to the program folder: a scratch one.
    mkdir -p "$work/$name-appdir"
    QUILLON_APPDIR="$work/$name-appdir" "$binary" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$work/$name-artifacts/" -print_final_stats=1 "$corpus" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    if [ "$status" -ne 0 ]; then
        findings=$((findings + 1))
        echo "fuzz_$name: FINDING after ${runs:-?} executions"
        grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$log" | head -n 20
        mkdir -p "$root/fuzz-findings"
        cp "$work/$name-artifacts"/* "$root/fuzz-findings/" 2>/dev/null || true
    else
        echo "fuzz_$name: ${runs:-?} executions in ${seconds} s, no finding"
    fi
done <"$build/fuzz/fuzzers.txt"

if [ "$findings" -ne 0 ]; then
    echo "$findings fuzzer(s) found faults; inputs saved in fuzz-findings/"
    exit 1
fi
echo "check: every test passed under the sanitizers, no fuzzer finding"
