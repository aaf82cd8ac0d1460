#!/usr/bin/env bash
# Installs the page tests' npm packages from the lock file when they are missing or stale.
# Sourced by run.sh and scripts/page-screenshots.sh; expects to run in tests/ui/page.

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
