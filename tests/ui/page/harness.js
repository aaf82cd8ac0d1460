'use strict';
// Opens the launcher page in Debian's Chromium, either with a stand-in host that records every
// posted message (as the native host's web view would receive them) or with no host at all.

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');

const PAGE_FILE = path.resolve(__dirname, '../../../src/ui/page/launcher.html');
const PAGE_URL = pathToFileURL(PAGE_FILE).href;
const CHROMIUM = process.env.DUSKMERE_CHROMIUM || '/usr/bin/chromium';

// Without the background-networking switches Chromium keeps calling out to a network that is not there.
const CHROMIUM_ARGS = [
  '--headless',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

// The native host injects chrome.webview before the page's script runs; this does the same.
function installStubHost() {
  window.__posted = [];
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage(message) {
      window.__posted.push(JSON.parse(JSON.stringify(message)));
    },
  };
}

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'duskmere-page-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: CHROMIUM_ARGS,
    viewport: { width: 1280, height: 800 },
    deviceScaleFactor: 1,
    locale: 'en-US',
    // Still pictures: nothing waits for an animation to settle.
    reducedMotion: 'reduce',
    timezoneId: 'UTC',
  });
  // Nothing but the page's own files may be loaded.
  await context.route(/^(?!file:|data:|about:)/, (route) => route.abort());
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Opens a fresh tab on the page. options.hosted (default true) installs the stub host.
async function openPage(browser, options = {}) {
  const hosted = options.hosted !== false;
  const page = await browser.context.newPage();
  const errors = [];
  page.on('pageerror', (err) => errors.push(err));
  if (hosted) await page.addInitScript(installStubHost);
  if (options.initScript) await page.addInitScript(options.initScript);
  await page.goto(PAGE_URL, { waitUntil: 'load' });
  await page.evaluate(() => document.fonts.ready);
  return {
    page,
    errors,
    posted: () => page.evaluate(() => window.__posted.slice()),
    clearPosted: () => page.evaluate(() => { window.__posted.length = 0; }),
    // Runs LauncherUI.<name>(arg) the way the host's one-line scripts do.
    call: (name, arg) => page.evaluate(([n, a]) => { window.LauncherUI[n](a); }, [name, arg]),
    callRaw: (name, argText) => page.evaluate((script) => { (0, eval)(script); }, `LauncherUI.${name}(${argText})`),
    text: (selector) => page.locator(selector).innerText(),
    close: () => page.close(),
  };
}

module.exports = { launch, openPage, PAGE_FILE, PAGE_URL };
