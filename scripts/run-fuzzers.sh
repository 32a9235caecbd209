#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds, first argument; default 20). Prints each target's exec count.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset linux-fuzz >/dev/null
# Only the fuzz targets: the rest of the tree is not built for libFuzzer.
cmake --build --preset linux-fuzz -j "$jobs" --target fuzzers

shopt -s nullglob
targets=(build/linux-fuzz/bin/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzzers: no fuzz targets built"
  exit 0
fi
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus=build/linux-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/${name#fuzz_}" ] && seeds=("fuzz/seeds/${name#fuzz_}")
  log=build/linux-fuzz/$name.log
  # A slow input counts as a fault: nothing we parse should take seconds.
  if ! "$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "run-fuzzers: $name found a fault" >&2
    exit 1
  fi
  execs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  rate=$(grep -E '^stat::average_exec_per_sec' "$log" | awk '{print $2}')
  echo "run-fuzzers: $name ${execs:-?} execs in ${seconds}s (${rate:-?}/s), no fault"
done
