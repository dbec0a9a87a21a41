#!/usr/bin/env bash
# Installs what building, running and testing TOLVEN needs on Debian 12.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
  cmake g++ ninja-build
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libboost-math-dev libtbb-dev
  qt6-base-dev qt6-base-private-dev qt6-svg-dev qt6-translations-l10n
  fonts-vlgothic libqcustomplot-dev libxkbcommon-dev
  libacl1-dev libattr1-dev
  libgdal-dev
  clang-14 clang-format-14 libfuzzer-14-dev libclang-rt-14-dev llvm-14
  xvfb xauth xdg-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Installing them needs root, and this machine has no sudo: run" >&2
    echo "scripts/install-deps.sh as root, or ask an administrator to run" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
