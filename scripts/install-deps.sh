#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Quick when everything is already there: apt-get runs only for what is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-private-dev qt6-svg-dev qt6-qpa-plugins libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libzip-dev libssl-dev libdeflate-dev minisign
  fonts-wqy-microhei qt6-translations-l10n
  poppler-utils librsvg2-bin scdoc python3-jsonschema
  hyperfine gnuplot-nox
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
