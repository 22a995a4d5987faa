#!/usr/bin/env bash
# Installs, builds and runs the main job on the bundled example main line:
# lateral clearance every 20 m with the example's sight-distance limits, the
# design line and the sight-distance envelope as DXF and SVG drawings, the
# vertical curves of the example profile against JTG D20-2017 at 100 km/h,
# and the calculation report (PDF) with the sight check of the example
# obstructions on the example profile.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh lumora-cli
cli=build/lumora-cli
out=examples/output
mkdir -p "$out"
line=(--pi examples/mainline.jdx --chain-breaks examples/mainline.dl)
set -x
"$cli" clearance "${line[@]}" --sight-file examples/sight-limits.txt --interval 20 \
  -o "$out/mainline-clearance.txt"
"$cli" design-line "${line[@]}" -o "$out/mainline-design.dxf"
"$cli" design-line "${line[@]}" -o "$out/mainline-design.svg"
"$cli" envelope "${line[@]}" "$out/mainline-clearance.txt" -o "$out/mainline-envelope.dxf"
"$cli" envelope "${line[@]}" "$out/mainline-clearance.txt" -o "$out/mainline-envelope.svg"
"$cli" envelope "${line[@]}" "$out/mainline-clearance.txt" --with-design-line \
  -o "$out/mainline-combined.dxf"
"$cli" profile "${line[@]}" --profile examples/mainline-profile.txt --design-speed 100 \
  | tee "$out/mainline-vertical-curves.txt"
"$cli" sight-check "${line[@]}" --profile examples/mainline-profile.txt \
  --obstructions examples/mainline-obstructions.txt --design-speed 100 --direction both \
  --interval 20 -o "$out/mainline-sight-check.txt" \
  --drawing "$out/mainline-sight-check.dxf" --with-design-line
"$cli" sight-check "${line[@]}" --profile examples/mainline-profile.txt \
  --obstructions examples/mainline-obstructions.txt --design-speed 100 --direction both \
  --interval 20 -o "$out/mainline-sight-check.txt" \
  --drawing "$out/mainline-sight-check.svg" --with-design-line
"$cli" report "${line[@]}" --profile examples/mainline-profile.txt \
  --sight-file examples/sight-limits.txt --interval 20 \
  --obstructions examples/mainline-obstructions.txt --direction both \
  --sight-result "$out/report-sight-check.txt" -o "$out/report.pdf"
"$cli" design-line --elements examples/ramp.txt -o "$out/ramp-design.dxf"
"$cli" design-line --elements examples/ramp.txt -o "$out/ramp-design.svg"
set +x
echo "Results in $out/"
