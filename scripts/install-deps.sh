#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing.
# Idempotent and quiet when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang
  libsqlite3-dev libicu-dev nlohmann-json3-dev libpq-dev postgresql
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev libqt6sql6-sqlite libgl-dev fonts-dejavu-core
  qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
