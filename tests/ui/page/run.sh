#!/usr/bin/env bash
# Runs the launcher page's browser tests in Debian's Chromium. Installs the test packages from
# the lock file first when they are missing or older than it.
set -euo pipefail
cd "$(dirname "$0")"

chromium=${DUSKMERE_CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ]; then
  echo "page tests: $chromium is missing (scripts/setup-deps.sh installs chromium)" >&2
  exit 1
fi

source ./ensure-modules.sh

exec node --test --test-concurrency=1 --test-reporter=tap page.test.js
