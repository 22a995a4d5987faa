#!/usr/bin/env bash
# Draws the example drawings and audits them with ezdxf (Debian's
# python3-ezdxf; run with the system interpreter).
set -euo pipefail
cd "$(dirname "$0")/.."
cli=build/lumora-cli
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
line=(--pi examples/mainline.jdx --chain-breaks examples/mainline.dl)
"$cli" clearance "${line[@]}" --sight-file examples/sight-limits.txt --interval 100 -o "$tmp/c.txt"
"$cli" design-line "${line[@]}" -o "$tmp/mainline-design.dxf"
"$cli" envelope "${line[@]}" "$tmp/c.txt" -o "$tmp/mainline-envelope.dxf"
"$cli" design-line --elements examples/ramp.txt -o "$tmp/ramp-design.dxf"
for f in "$tmp"/*.dxf; do
  /usr/bin/python3 tests/cad/audit_dxf.py "$f"
done
echo "ezdxf audit of the example drawings: no errors"
