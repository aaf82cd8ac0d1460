#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the demo and the benchmarks need.
# Idempotent: when everything is present it returns without touching apt.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang-format
  # libraries
  libcurl4-openssl-dev libssl-dev openssl zlib1g-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  # desktop shell
  libgtk-3-dev libwebkit2gtk-4.1-dev libayatana-appindicator3-dev libnotify-dev
  # desktop tests
  xvfb xauth dbus dbus-x11 at-spi2-core dunst libxtst-dev
  # page tests and assets
  chromium imagemagick librsvg2-bin fonts-dejavu-core woff2
  # demo service and benchmarks
  nginx curl time gzip
)

missing=()
# The machine may ship its own Node.js with npm; Debian's nodejs conflicts with that npm.
if ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
