#!/usr/bin/env bash
# Installs the Debian packages Lumora needs to build and test.
set -euo pipefail
packages=(cmake g++ make pkg-config libdxflib-dev libcli11-dev libfmt-dev
          libgtest-dev libgmock-dev libbenchmark-dev python3-ezdxf
          libpugixml-dev qt6-base-dev qt6-translations-l10n fonts-noto-cjk xvfb xauth
          qt6-charts-dev qt6-svg-dev libqt6opengl6-dev librsvg2-bin poppler-utils fonts-dejavu-core
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
