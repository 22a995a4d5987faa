#!/usr/bin/env bash
# Configures and builds Lumora in build/. Arguments are the targets to build
# (default: everything: the library, lumora-cli, tests and benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_TESTS=ON -DLUMORA_BENCH=ON \
  -DLUMORA_WERROR=ON >/dev/null
if [ $# -eq 0 ]; then
  cmake --build build -j"$(nproc)"
else
  for t in "$@"; do cmake --build build -j"$(nproc)" --target "$t"; done
fi
