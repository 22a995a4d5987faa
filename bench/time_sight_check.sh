#!/usr/bin/env bash
# Times the whole sight-check command on the benchmark road written as files
# (lumora_sight_scene): 100 km at 1 m, both directions, S = 160, with its
# profile, the median barrier and the cut slopes; reading, searching and
# writing the 200 200-row result file. Prints each run and the fastest.
#
#   bash bench/time_sight_check.sh [BUILD_DIR] [RUNS]     (build, 5)
set -euo pipefail
build="${1:-build}"
runs="${2:-5}"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
"$build/bench/lumora_sight_scene" "$dir"
best=""
for i in $(seq "$runs"); do
  start=$(date +%s.%N)
  "$build/lumora-cli" sight-check --pi "$dir/line.jdx" --profile "$dir/profile.txt" \
    --obstructions "$dir/obstructions.txt" --sight 160 --direction both --interval 1 \
    -o "$dir/result.txt" >"$dir/summary.txt"
  end=$(date +%s.%N)
  t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
  printf 'run %d: %.3f s\n' "$i" "$t"
  if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
done
printf 'rows: %d, deficient ranges: %s\n' "$(($(wc -l <"$dir/result.txt") - 1))" \
  "$(grep -c '最小可用视距' "$dir/summary.txt" || true)"
printf 'fastest: %.3f s\n' "$best"
