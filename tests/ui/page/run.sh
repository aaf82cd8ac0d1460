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

installed=node_modules/.package-lock.json
if [ ! -f "$installed" ] || [ ! -d node_modules/playwright-core ] || [ package-lock.json -nt "$installed" ] ||
  ! node -e '
    const want = require("./package-lock.json").packages;
    const have = require("./node_modules/.package-lock.json").packages;
    for (const name of Object.keys(want)) {
      if (name && (!have[name] || have[name].version !== want[name].version)) process.exit(1);
    }'; then
  npm ci --no-audit --no-fund --loglevel=error
fi

exec node --test --test-concurrency=1 --test-reporter=spec page.test.js
