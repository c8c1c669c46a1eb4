#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need; does nothing when all are there.
set -euo pipefail

packages=(
  build-essential cmake
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libjpeg62-turbo-dev libturbojpeg0-dev pkg-config
  fonts-ipafont-gothic qt6-translations-l10n
  desktop-file-utils
  poppler-utils # pdftotext, pdfinfo and pdftoppm read back the photo ledger in its tests
  xvfb xdotool # the crash test runs the real program on a virtual display
  clang libclang-rt-14-dev # the fuzz targets: clang and its libFuzzer runtime
  clang-format # CI holds every source file to .clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
