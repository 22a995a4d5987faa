#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan, UBSan) in build-fuzz/ and runs
# each for SECONDS (default 60) over its seed corpus in fuzz/corpus/. New
# inputs go to build-fuzz/corpus/, findings to build-fuzz/artifacts/.
# LUMORA_FUZZ_JOBS harnesses run at once (default 1). Prints executions per
# harness; exits 1 when any harness found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
jobs="${LUMORA_FUZZ_JOBS:-1}"
out="${LUMORA_FUZZ_BUILD:-build-fuzz}"
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_FUZZ=ON \
  -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF -DLUMORA_APP=OFF -DLUMORA_WERROR=ON >/dev/null
cmake --build "$out" -j"$(nproc)" --target fuzz_all
mkdir -p "$out/corpus" "$out/artifacts" "$out/logs"

run_one() {
  local h="$1"
  # A whole run of the pipeline harnesses does a hundred times the work of
  # one read, and more under the sanitizers: it gets a longer time limit.
  local limit=10
  case "$h" in pipeline_*) limit=30 ;; esac
  mkdir -p "$out/corpus/$h"
  "$out/fuzz/fuzz_$h" -max_total_time="$seconds" -timeout="$limit" -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$out/artifacts/$h-" "$out/corpus/$h" "fuzz/corpus/$h" \
    >"$out/logs/$h.log" 2>&1
}

harnesses=()
for d in fuzz/corpus/*/; do harnesses+=("$(basename "$d")"); done
failed=()
pids=()
names=()
for h in "${harnesses[@]}"; do
  run_one "$h" &
  pids+=($!)
  names+=("$h")
  if [ ${#pids[@]} -ge "$jobs" ]; then
    if ! wait "${pids[0]}"; then failed+=("${names[0]}"); fi
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then failed+=("${names[$i]}"); fi
done

printf '%-20s %12s\n' harness executions
for h in "${harnesses[@]}"; do
  n=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$out/logs/$h.log" | awk '{print $2}' | tail -1)
  printf '%-20s %12s\n' "$h" "${n:-?}"
done
if [ ${#failed[@]} -gt 0 ]; then
  for h in "${failed[@]}"; do
    echo "== $h found a fault (log: $out/logs/$h.log)"
    tail -n 40 "$out/logs/$h.log"
  done
  exit 1
fi
