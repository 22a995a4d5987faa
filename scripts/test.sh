#!/usr/bin/env bash
# Installs, builds and runs every test: the unit and command-line tests
# (ctest) and an ezdxf audit of the example drawings.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)")
bash scripts/audit-examples.sh
