'use strict';
// Screenshots of the launcher page as the host shows it: the same sample data in every dock
// state, plus both dialogs. Usage: node screenshots.js OUTPUT_FOLDER

const path = require('node:path');
const { launch, openPage } = require('./harness');

const out = process.argv[2];
if (!out) {
  console.error('usage: node screenshots.js OUTPUT_FOLDER');
  process.exit(2);
}

const MINUTE = 60000;
const inFuture = (minutes) => new Date(Date.now() + minutes * MINUTE + 30000).toISOString();

// What the host pushes at boot and from the feeds.
async function fill(p) {
  await p.call('setVersions', { client: '2.12', launcher: '2.1.2' });
  await p.call('setServer', { online: true, players: 1248 });
  await p.call('setDiscord', { membersOnline: 18452 });
  await p.call('setGamePath', 'C:\\Games\\Duskmere');
  await p.call('setSeason', {
    kicker: 'Season IV',
    title: 'The Hollow Crown',
    description: 'The drowned king stirs beneath Duskmere. Rally your guild, claim the ruined keep and wear the crown before the mere takes it back.',
    startsAt: inFuture((3 * 24 + 7) * 60 + 42),
  });
  await p.call('setNews', [
    { tag: 'Guild war', title: 'The Siege of Hollow Crown opens its gates to every guild' },
    { tag: 'Update', title: 'Crystal Hollow: a new dungeon beneath the mere' },
    { tag: 'Event', title: 'Lanterns on the Water: the autumn festival returns' },
  ]);
  await p.call('setChangelog', [
    { version: '2.12', date: '14.11.2026', text: 'Crystal Hollow dungeon, guild siege rewards and faster zone loading.' },
    { version: '2.11', date: '24.10.2026', text: 'Balance pass on ranged classes; fixes for quest tracking and the auction house.' },
  ]);
  await p.call('setUser', { name: 'Aldric', coins: 12450 });
}

const states = {
  checking: { state: 'checking' },
  ready: { state: 'ready', progress: 100, message: '', detail: '', totalBytes: 3120000000, downloadedBytes: 3120000000 },
  downloading: { state: 'downloading', progress: 63.4, file: 'data/world/crystal_hollow.pak', fileIndex: 14, fileCount: 37,
    downloadedBytes: 308000000, totalBytes: 486000000, speedBps: 8400000, etaSeconds: 21.2, message: '', detail: '' },
  paused: { state: 'paused', progress: 42.1, file: 'data/world/crystal_hollow.pak', fileIndex: 9, fileCount: 37,
    downloadedBytes: 204600000, totalBytes: 486000000, message: '', detail: '' },
  verifying: { state: 'verifying', progress: 71, file: 'data/characters/hollow_knight.pak', fileIndex: 855, fileCount: 1204,
    downloadedBytes: 0, totalBytes: 0, message: '', detail: '' },
  error: { state: 'error', progress: 42.1, downloadedBytes: 204600000, totalBytes: 486000000, message: '', detail: '' },
  maintenance: { state: 'maintenance', message: 'The mere is being drained for the Hollow Crown update.' },
  running: { state: 'running', message: '' },
  install: { state: 'install', installPath: 'C:\\Games\\Duskmere', installNeedBytes: 3565158400,
    installFreeBytes: 182400000000, installError: '' },
  'install-no-space': { state: 'install', installPath: 'D:\\Duskmere', installNeedBytes: 3565158400,
    installFreeBytes: 2100000000, installError: '' },
};

async function main() {
  const browser = await launch();
  try {
    for (const [name, status] of Object.entries(states)) {
      const p = await openPage(browser);
      await fill(p);
      if (name === 'maintenance') await p.call('setServer', { maintenanceUntil: inFuture(2 * 60 + 15) });
      if (name.startsWith('install')) await p.call('setUser', null);
      await p.call('setStatus', status);
      await p.page.screenshot({ path: path.join(out, `dock-${name}.png`) });
      await p.close();
    }

    const signin = await openPage(browser);
    await fill(signin);
    await signin.call('setUser', null);
    await signin.call('setStatus', states.ready);
    await signin.page.click('#acctSignin');
    await signin.page.fill('#loginUser', 'aldric');
    await signin.page.fill('#loginPass', 'hunter22');
    await signin.call('loginFailed', '');
    await signin.page.locator('#loginUser').blur();
    await signin.page.screenshot({ path: path.join(out, 'dialog-signin.png') });
    await signin.close();

    const settings = await openPage(browser);
    await fill(settings);
    await settings.call('setStatus', states.ready);
    await settings.page.click('#settingsBtn');
    await settings.page.screenshot({ path: path.join(out, 'dialog-settings.png') });
    await settings.page.click('#setLangBtn');
    await settings.page.screenshot({ path: path.join(out, 'dialog-settings-language.png') });
    await settings.close();

    const german = await openPage(browser);
    await fill(german);
    await german.call('setLanguage', 'de');
    await german.call('setStatus', states.downloading);
    await german.page.click('#langBtn');
    await german.page.screenshot({ path: path.join(out, 'language-menu-de.png') });
    await german.close();
  } finally {
    await browser.close();
  }
  console.log(`screenshots written to ${out}`);
}

main().catch((err) => {
  console.error(err);
  process.exit(1);
});
