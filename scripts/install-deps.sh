#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need (run as root).
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libcups2-dev libcairo2-dev libcurl4-openssl-dev libsystemd-dev
  fonts-liberation cups poppler-utils xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
