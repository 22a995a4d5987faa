#!/usr/bin/env bash
# Takes the pictures of the README: the main window after a run on the
# example main line, and the drawing window with its design line and
# sight-distance envelope (whole and a closer look at one curve), and the
# results panel (profile, rows, per-curve summary) of the 20 m run. Runs the
# window under a virtual X server (Xvfb), so no screen is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh lumora
out=${1:-docs}
mkdir -p "$out"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/lumora-xdg-XXXXXX)}
xvfb-run -a -s "-screen 0 1600x1000x24" \
  build/src/app/lumora --screenshots "$out" --examples examples
ls -l "$out"/main-window.png "$out"/drawing-window.png "$out"/drawing-detail.png \
  "$out"/results-panel.png "$out"/drawing-sight-line.png "$out"/profile-view.png
