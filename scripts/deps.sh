#!/usr/bin/env bash
# Installs what building and testing Lirovane needs, from Debian 12's packages.
# Only missing packages are installed; as a normal user this goes through sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev
  libhts-dev tabix
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libspng-dev qt6-svg-dev librsvg2-bin
  fonts-dejavu-core
  xvfb xauth xdotool
  snakemake trf gzip
  bedtools
  clang-format clang-tidy
)
# scripts/package.sh: the Debian package check.
if [ "${LIROVANE_PACKAGE_DEPS:-0}" = 1 ]; then packages+=(lintian dpkg-dev); fi
if [ "${LIROVANE_FUZZ_DEPS:-0}" = 1 ]; then packages+=(clang libclang-rt-14-dev); fi
# scripts/screenshots.sh: ImageMagick's import takes the pictures.
if [ "${LIROVANE_SCREENSHOT_DEPS:-0}" = 1 ]; then packages+=(imagemagick); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
