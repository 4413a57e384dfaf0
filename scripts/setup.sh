#!/usr/bin/env bash
# Installs every Debian package the project needs, and only those missing.
# Safe to run any number of times; both README commands start with it.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libgsl-dev
  libpng-dev zlib1g-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  clang libclang-rt-14-dev
  libsndfile1-dev libxml2-dev
  libx11-dev libxext-dev libxtst-dev xvfb
  libjack-jackd2-dev jackd2
  lv2-dev lilv-utils liblilv-dev libsuil-dev sordi jalv calf-plugins ardour
  dpkg-dev file lintian man-db bash-completion
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
