#!/usr/bin/env bash
# Renders the launcher page at 1280x800 in every dock state and with each dialog open, into
# docs/screenshots/. Uses Debian's Chromium and the page tests' npm packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshots}
mkdir -p "$out"
cd "$root/tests/ui/page"
source ./ensure-modules.sh
node screenshots.js "$out"
