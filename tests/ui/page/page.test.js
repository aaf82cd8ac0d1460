'use strict';
// The launcher page in a real browser, driven the way the native host drives it: a stand-in
// host records what the page posts and calls LauncherUI functions with one JSON argument.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { launch, openPage } = require('./harness');

const LINKS = {
  website: 'https://play.test',
  discord: 'https://play.test/discord',
  register: 'https://play.test/register',
  forgotPassword: 'https://play.test/forgot-password',
  account: 'https://play.test/user/overview',
  news: 'https://play.test/news',
  changelog: 'https://play.test/changelog',
  events: 'https://play.test/events',
  shop: 'https://play.test/user/gildmarket',
  vote: 'https://play.test/vote',
  support: 'https://play.test/support',
};

const KEYS = ('nav_home nav_news nav_changelog nav_events nav_shop nav_vote nav_support discord_title discord_sub ' +
  'members_online signin_prompt signin no_account create_one account logout online offline maintenance players ' +
  't_settings t_minimize t_close season_days season_hours season_min details live_now update_notes client ' +
  'badge_new full_changelog checking contacting please_wait ready_msg all_verified repair_client play downloading ' +
  'file of updating download_paused resumes resume verifying checking_file files verifying_btn download_failed ' +
  'error_detail get_help retry maint_progress maint_default maint_watch maint_updates until_online offline_btn ' +
  'game_running signed_in_as tray_msg running eta_left login_title username password keep_signed forgot or new_to ' +
  'create_account session_enc enter_creds signing_in signin_failed launcher_settings game_folder browse language ' +
  'download_limit unlimited close_on_launch close_on_launch_sub startup startup_sub notify notify_sub ' +
  'game_settings_btn repair_files clear_cache up_to_date check_updates').split(' ');
const INSTALL_KEYS = ['inst_where', 'inst_hint', 'inst_needs', 'inst_free', 'inst_nospace', 'inst_install'];
const LANGUAGE_CODES = ['en', 'ro', 'de', 'es', 'fr', 'it', 'pt', 'pt_BR', 'pl', 'cs', 'hu', 'tr'];

let browser;
before(async () => { browser = await launch(); });
after(async () => { if (browser) await browser.close(); });

async function hostedPage() {
  const p = await openPage(browser);
  await p.call('setLinks', LINKS);
  return p;
}

async function mainButton(p) {
  const btn = p.page.locator('#mainBtn');
  if ((await btn.count()) === 0) return null;
  return { text: (await btn.innerText()).trim(), disabled: await btn.isDisabled() };
}

describe('start-up and host detection', () => {
  test('a hosted page announces itself once and starts in checking', async () => {
    const p = await openPage(browser);
    assert.deepEqual(await p.posted(), [{ cmd: 'uiReady', payload: {} }]);
    assert.match(await p.text('#dock'), /CHECKING FOR UPDATES/);
    assert.deepEqual(await mainButton(p), { text: 'PLEASE WAIT…', disabled: true });
    assert.equal((await p.text('#verBadge')).trim(), 'LAUNCHER');
    assert.equal(await p.page.locator('#season').isHidden(), true);
    assert.equal(await p.page.evaluate(() => document.fonts.check('16px Cinzel') && document.fonts.check('13px Manrope')), true);
    assert.deepEqual(p.errors, []);
    await p.close();
  });

  test('a host offering cefQuery gets the message as JSON text in a request field', async () => {
    const p = await openPage(browser, {
      hosted: false,
      initScript: () => {
        window.__cef = [];
        window.cefQuery = (q) => { window.__cef.push(q.request); };
      },
    });
    await p.page.click('#minBtn');
    const sent = await p.page.evaluate(() => window.__cef.slice());
    assert.deepEqual(sent.map((s) => JSON.parse(s)), [{ cmd: 'uiReady', payload: {} }, { cmd: 'minimize', payload: {} }]);
    assert.equal(await p.page.locator('#devbar button').count(), 0, 'no demonstration inside a host');
    await p.close();
  });

  test('without a host the demonstration mode fills the page; F8 shows its developer bar', async () => {
    const p = await openPage(browser, { hosted: false });
    assert.equal(await p.page.evaluate(() => window.__posted), undefined);
    await p.page.waitForSelector('#mainBtn[data-cmd="play"]', { timeout: 5000 });
    assert.equal(await p.page.locator('.news-card').count(), 3);
    assert.match(await p.text('#account'), /Aldric/);
    assert.equal(await p.page.locator('#devbar').isHidden(), true);
    await p.page.keyboard.press('F8');
    assert.equal(await p.page.locator('#devbar').isVisible(), true);
    await p.page.click('#devbar [data-demo-state="error"]');
    assert.match(await p.text('#dock'), /DOWNLOAD FAILED/);
    await p.page.keyboard.press('F8');
    assert.equal(await p.page.locator('#devbar').isHidden(), true);
    assert.deepEqual(p.errors, []);
    await p.close();
  });
});

describe('formatting', () => {
  test('bytes, speed and time left in the download dock', async () => {
    const p = await hostedPage();
    await p.call('setStatus', { state: 'downloading', progress: 10, downloadedBytes: 0, totalBytes: 0, file: '' });
    const cases = [
      [{ downloadedBytes: 999999 }, '1000 KB'],
      [{ downloadedBytes: 1000000 }, '1 MB'],
      [{ downloadedBytes: 1.5e9 }, '1.5 GB'],
      [{ downloadedBytes: 0 }, '1 KB'],
      [{ downloadedBytes: null }, '— /'],
      [{ speedBps: 1.5e6 }, '1.5 MB/s'],
      [{ speedBps: 999 }, '1 KB/s'],
      [{ etaSeconds: 59.6 }, '1m 0s left'],
      [{ etaSeconds: 3599.4 }, '59m 59s left'],
      [{ etaSeconds: 0 }, '0s left'],
      [{ fileIndex: 1234, fileCount: 56789 }, 'file 1,234 of 56,789'],
    ];
    for (const [progress, expected] of cases) {
      await p.call('setProgress', progress);
      const dock = await p.text('#dock');
      assert.ok(dock.includes(expected), `${JSON.stringify(progress)} should show "${expected}", dock: ${dock}`);
    }
    await p.call('setProgress', { etaSeconds: null });
    assert.doesNotMatch(await p.text('#dockStats'), /left/);
    await p.close();
  });

  test('a progress object without etaSeconds keeps the last time left', async () => {
    const p = await hostedPage();
    await p.call('setStatus', { state: 'downloading', progress: 0, downloadedBytes: 0, totalBytes: 100 });
    assert.match(await p.text('#dockStats'), /0s left/);
    await p.call('setProgress', { progress: 20, etaSeconds: 125, speedBps: 5000 });
    await p.call('setProgress', { progress: 30, speedBps: 800 });
    assert.match(await p.text('#dockStats'), /2m 5s left/);
    await p.close();
  });
});

describe('status and progress', () => {
  test('setStatus merges: keys a call leaves out keep their values', async () => {
    const p = await hostedPage();
    await p.call('setStatus', { state: 'error', message: 'CHECKSUM MISMATCH', detail: 'data/a.pak is damaged', totalBytes: 2e6, downloadedBytes: 1e6 });
    assert.match(await p.text('#dock'), /CHECKSUM MISMATCH/);
    assert.match(await p.text('#dock'), /stopped at 1 MB \/ 2 MB/);
    assert.match(await p.text('#dock'), /data\/a\.pak is damaged/);
    await p.call('setStatus', { state: 'ready' });
    assert.equal(await p.text('#dockMsg'), 'CHECKSUM MISMATCH');
    assert.match(await p.text('#dockSub'), /2 MB/);
    await p.call('setStatus', { state: 'error', message: '', detail: '' });
    assert.match(await p.text('#dock'), /DOWNLOAD FAILED/);
    assert.match(await p.text('#dock'), /Check your connection, then retry/);
    await p.close();
  });

  test('setProgress redraws the dock only while downloading, paused or verifying', async () => {
    const p = await hostedPage();
    const states = { checking: false, ready: false, error: false, maintenance: false, running: false, install: false,
      downloading: true, paused: true, verifying: true };
    for (const [state, redraws] of Object.entries(states)) {
      await p.call('setStatus', { state, progress: 10, fileIndex: 1, fileCount: 4, downloadedBytes: 1e6, totalBytes: 9e6 });
      const before = await p.page.innerHTML('#dock');
      await p.call('setProgress', { progress: 55, fileIndex: 3, fileCount: 4, downloadedBytes: 5e6, totalBytes: 9e6, file: 'data/x.pak' });
      const afterHtml = await p.page.innerHTML('#dock');
      if (redraws) {
        assert.match(await p.text('#dock'), /55%/, state);
      } else {
        assert.equal(afterHtml, before, `${state} must not redraw`);
      }
      assert.equal(await p.page.evaluate(() => document.getElementById('dock').className), `st-${state}`);
    }
    // The stored values were taken all the same.
    await p.call('setStatus', { state: 'verifying' });
    assert.match(await p.text('#dock'), /Checking data\/x\.pak/);
    assert.match(await p.text('#dock'), /3 \/ 4 files/);
    await p.close();
  });

  test('every dock state shows its own text and main button; others show nothing', async () => {
    const p = await hostedPage();
    await p.call('setVersions', { client: '2.12', launcher: '2.1.2' });
    await p.call('setUser', { name: 'Aldric', coins: 1 });
    const table = [
      [{ state: 'checking' }, /CHECKING FOR UPDATES[\s\S]*Contacting patch server…/, { text: 'PLEASE WAIT…', disabled: true }],
      [{ state: 'ready', message: '', totalBytes: 3.1e9 }, /Latest version installed[\s\S]*100%[\s\S]*All files verified · Client v2\.12 · 3\.1 GB · Repair client/, { text: 'PLAY', disabled: false }],
      [{ state: 'downloading', progress: 41.6, file: 'data/m.pak', fileIndex: 2, fileCount: 9, speedBps: 2e6, downloadedBytes: 3e6, totalBytes: 9e6, etaSeconds: 3 }, /DOWNLOADING UPDATE\s*v2\.12[\s\S]*data\/m\.pak · file 2 of 9[\s\S]*42%[\s\S]*2\.0 MB\/s · 3 MB \/ 9 MB · 3s left/, { text: 'UPDATING…', disabled: true }],
      [{ state: 'paused' }, /DOWNLOAD PAUSED[\s\S]*42%[\s\S]*data\/m\.pak · resumes where it stopped · 3 MB \/ 9 MB/, { text: 'RESUME', disabled: false }],
      [{ state: 'verifying', progress: 250 }, /VERIFYING GAME FILES[\s\S]*100%/, { text: 'VERIFYING…', disabled: true }],
      [{ state: 'error', message: '', detail: '' }, /DOWNLOAD FAILED[\s\S]*Get help/, { text: 'RETRY', disabled: false }],
      [{ state: 'maintenance', message: '' }, /SCHEDULED MAINTENANCE IN PROGRESS[\s\S]*Servers are down for maintenance\. Follow Discord ↗ for live updates\.[\s\S]*--:--:--[\s\S]*UNTIL ONLINE/, { text: 'OFFLINE', disabled: true }],
      [{ state: 'running', message: '' }, /GAME IS RUNNING[\s\S]*Signed in as Aldric · The launcher minimizes to tray\./, { text: 'RUNNING', disabled: true }],
      [{ state: 'install', installPath: '/games/Duskmere', installNeedBytes: 3565158400, installFreeBytes: -1, installError: '' }, /Choose where to install Duskmere/, { text: 'Install', disabled: false }],
    ];
    for (const [status, pattern, button] of table) {
      await p.call('setStatus', status);
      assert.match(await p.text('#dock'), pattern, status.state);
      assert.deepEqual(await mainButton(p), button, status.state);
    }
    await p.call('setStatus', { state: 'selfupdate' });
    assert.equal((await p.text('#dock')).trim(), '');
    assert.equal(await mainButton(p), null);
    await p.close();
  });

  test('the install form follows the free space, with -1 as unknown', async () => {
    const p = await hostedPage();
    const base = { state: 'install', installPath: '/home/player/Games/Duskmere', installNeedBytes: 3565158400, installError: '' };
    const cases = [
      [{ installFreeBytes: -1 }, false, /Needs 3\.6 GB$/],
      [{ installFreeBytes: 2e9 }, true, /Needs 3\.6 GB · 2\.0 GB free · Not enough free space on this drive\./],
      [{ installFreeBytes: 3565158400 }, false, /Needs 3\.6 GB · 3\.6 GB free$/],
      [{ installFreeBytes: 5e11, installNeedBytes: 0 }, false, /Needs 3\.1 GB · 500\.0 GB free$/],
      [{ installFreeBytes: 2e9, installNeedBytes: 3565158400, installError: 'Folder is not empty.' }, false, /^Folder is not empty\.$/],
    ];
    for (const [extra, blocked, pattern] of cases) {
      await p.call('setStatus', { ...base, ...extra });
      const line = (await p.text('#instLine')).trim();
      assert.match(line, pattern, JSON.stringify(extra));
      if (!extra.installError) assert.ok(line.startsWith('The full client (~2.9 GB) downloads here.'), line);
      const expectDisabled = blocked || (extra.installError ? true : false);
      assert.equal((await mainButton(p)).disabled, expectDisabled, JSON.stringify(extra));
    }
    assert.equal(await p.page.getAttribute('#instPath', 'title'), '/home/player/Games/Duskmere');
    await p.close();
  });
});

describe('panels', () => {
  test('season countdown, a passed start and no season', async () => {
    const p = await hostedPage();
    const soon = new Date(Date.now() + ((3 * 24 + 7) * 60 + 42) * 60000 + 30000).toISOString();
    await p.call('setSeason', { kicker: 'Season IV', title: 'The Hollow Crown', description: 'Rally.', startsAt: soon });
    assert.equal(await p.page.locator('#season').isVisible(), true);
    const boxes = () => p.page.evaluate(() => ['cdDays', 'cdHours', 'cdMins'].map((id) => document.getElementById(id).textContent));
    assert.deepEqual(await boxes(), ['03', '07', '42']);
    await p.call('setSeason', { kicker: 'Season IV', title: 'The Hollow Crown', startsAt: '2020-01-01T00:00:00+01:00' });
    assert.deepEqual(await boxes(), ['—', '—', '—']);
    assert.equal(await p.page.textContent('#seasonKicker'), 'Season IV · LIVE NOW');
    await p.call('setSeason', { kicker: 'K', title: 'T', startsAt: 'next week or so' });
    assert.deepEqual(await boxes(), ['—', '—', '—'], 'an unreadable date leaves the boxes as they are');
    assert.equal(await p.page.textContent('#seasonKicker'), 'K');
    await p.call('setSeason', null);
    assert.equal(await p.page.locator('#season').isHidden(), true);
    await p.close();
  });

  test('five news items show three, three changelog entries show two', async () => {
    const p = await hostedPage();
    await p.callRaw('setNews', JSON.stringify([
      { tag: 'Guild war', title: 'One', image: 'assets/news-3.png', url: 'https://play.test/n/1' },
      { title: 'Two' },
      { tag: 'Gold rush', title: 'Three' },
      { title: 'Four' },
      { title: 'Five' },
    ]));
    const cards = await p.page.$$eval('.news-card', (els) => els.map((e) => ({
      tag: e.querySelector('.news-tag').textContent,
      gold: e.querySelector('.news-tag').classList.contains('gold'),
      title: e.querySelector('.news-title').textContent,
      image: e.querySelector('img').getAttribute('src'),
    })));
    assert.deepEqual(cards, [
      { tag: 'GUILD WAR', gold: true, title: 'One', image: 'assets/news-3.png' },
      { tag: 'NEWS', gold: false, title: 'Two', image: 'assets/news-2.png' },
      { tag: 'GOLD RUSH', gold: true, title: 'Three', image: 'assets/news-3.png' },
    ]);
    await p.callRaw('setChangelog', JSON.stringify([
      { version: '2.12', date: '14.11.2026', text: 'First' },
      { version: '2.11', date: '24.10.2026', text: 'Second' },
      { version: '2.10', date: '03.10.2026', text: 'Third' },
    ]));
    const notes = await p.page.$$eval('.note', (els) => els.map((e) => e.innerText.replace(/\s+/g, ' ').trim()));
    assert.deepEqual(notes, ['v2.12 14.11.2026 NEW First', 'v2.11 24.10.2026 Second']);
    await p.callRaw('setNews', 'null');
    await p.callRaw('setChangelog', 'null');
    assert.equal(await p.page.locator('.news-card').count(), 0);
    assert.equal(await p.page.locator('.note').count(), 0);
    await p.close();
  });

  test('versions, the server pill and the maintenance countdown', async () => {
    const p = await hostedPage();
    await p.call('setVersions', { client: '2.12', launcher: '2.1.2' });
    assert.equal(await p.text('#verBadge'), 'LAUNCHER v2.1.2');
    assert.equal(await p.page.textContent('#setVer'), 'Launcher v2.1.2 · up to date');
    assert.equal(await p.text('#notesChip'), 'Client v2.12');
    await p.call('setVersions', { client: '' });
    assert.equal(await p.text('#notesChip'), 'Client v2.12', 'an empty version keeps the known one');

    await p.call('setServer', { online: true, players: 1234567 });
    assert.equal((await p.text('#serverPill')).replace(/\s+/g, ' '), 'ONLINE 1,234,567 players');
    await p.call('setServer', { online: false });
    assert.equal((await p.text('#serverPill')).trim(), 'OFFLINE');
    await p.call('setServer', { online: true, maintenanceUntil: new Date(Date.now() + (30 * 3600 + 2 * 60 + 3) * 1000 + 600).toISOString() });
    await p.call('setStatus', { state: 'maintenance', message: 'Draining the mere.' });
    assert.equal((await p.text('#serverPill')).trim(), 'MAINTENANCE');
    assert.match(await p.text('#maintCountdown'), /^30:02:0[23]$/);
    assert.match(await p.text('#dockMsg'), /^Draining the mere\. Follow Discord ↗ for live updates\.$/);
    await p.call('setServer', { maintenanceUntil: '2000-01-01T00:00:00Z' });
    assert.equal(await p.text('#maintCountdown'), '00:00:00');
    await p.call('setStatus', { state: 'ready' });
    assert.equal(await p.page.locator('#maintCountdown').count(), 0);
    assert.equal((await p.text('#serverPill')).replace(/\s+/g, ' '), 'ONLINE 1,234,567 players');
    await p.close();
  });

  test('setDiscord, setGamePath, setBackground and cacheCleared', async () => {
    const p = await hostedPage();
    await p.call('setDiscord', { membersOnline: 18452 });
    assert.equal(await p.text('#discordSub'), '18,452 members online');
    await p.call('setGamePath', '/home/player/Games/Duskmere');
    assert.equal(await p.page.inputValue('#setPath'), '/home/player/Games/Duskmere');
    await p.call('setBackground', 'assets/news-2.png');
    assert.equal(await p.page.getAttribute('#bgArt', 'src'), 'assets/news-2.png');
    await p.call('cacheCleared', 3);
    assert.equal(await p.text('#toastText'), 'Patch cache cleared');
    assert.equal(await p.page.locator('#toast.show').count(), 1);
    await p.call('setLanguage', 'de');
    await p.call('cacheCleared', 0);
    assert.equal(await p.text('#toastText'), 'Der Patch-Cache ist bereits leer');
    await p.page.waitForFunction(() => !document.getElementById('toast').classList.contains('show'), null, { timeout: 4000 });
    await p.close();
  });
});

describe('messages to the host', () => {
  // Each row: how to get there, what to click, the one message it must send.
  const rows = [
    ['PLAY', { state: 'ready' }, '#mainBtn', { cmd: 'play', payload: {} }],
    ['pause', { state: 'downloading' }, '#pauseBtn', { cmd: 'pause', payload: {} }],
    ['RESUME', { state: 'paused' }, '#mainBtn', { cmd: 'resume', payload: {} }],
    ['RETRY', { state: 'error' }, '#mainBtn', { cmd: 'retry', payload: {} }],
    ['Repair client', { state: 'ready' }, '#dockRepair', { cmd: 'repair', payload: {} }],
    ['Get help', { state: 'error' }, '#dockHelp', { cmd: 'openExternal', payload: { url: LINKS.support } }],
    ['Discord in maintenance', { state: 'maintenance' }, '#dockDiscord', { cmd: 'openExternal', payload: { url: LINKS.discord } }],
    ['install browse', { state: 'install', installPath: '/g' }, '#instBrowse', { cmd: 'chooseInstallPath', payload: {} }],
    ['Install', { state: 'install', installPath: '/g/Duskmere', installFreeBytes: -1 }, '#mainBtn', { cmd: 'installConfirm', payload: { path: '/g/Duskmere' } }],
    ['minimise', null, '#minBtn', { cmd: 'minimize', payload: {} }],
    ['close', null, '#closeBtn', { cmd: 'close', payload: {} }],
    ['nav news', null, '[data-nav="news"]', { cmd: 'openExternal', payload: { url: LINKS.news } }],
    ['nav changelog', null, '[data-nav="changelog"]', { cmd: 'openExternal', payload: { url: LINKS.changelog } }],
    ['nav events', null, '[data-nav="events"]', { cmd: 'openExternal', payload: { url: LINKS.events } }],
    ['nav shop', null, '[data-nav="shop"]', { cmd: 'openExternal', payload: { url: LINKS.shop } }],
    ['nav vote', null, '[data-nav="vote"]', { cmd: 'openExternal', payload: { url: LINKS.vote } }],
    ['nav support', null, '[data-nav="support"]', { cmd: 'openExternal', payload: { url: LINKS.support } }],
    ['Discord card', null, '#discordCard', { cmd: 'openExternal', payload: { url: LINKS.discord } }],
    ['FULL CHANGELOG', null, '#fullChangelog', { cmd: 'openExternal', payload: { url: LINKS.changelog } }],
    ['create one', null, '#acctRegister', { cmd: 'openExternal', payload: { url: LINKS.register } }],
  ];
  const settingsRows = [
    ['BROWSE', '#setBrowse', { cmd: 'chooseGamePath', payload: {} }],
    ['GAME SETTINGS', '#setGameCfg', { cmd: 'gameConfig', payload: {} }],
    ['CLEAR PATCH CACHE', '#setClear', { cmd: 'clearCache', payload: {} }],
    ['CHECK FOR LAUNCHER UPDATES', '#setCheck', { cmd: 'checkLauncherUpdate', payload: {} }],
    ['close switch', '#tglClose', { cmd: 'applySettings', payload: { language: 'en', downloadLimitMBps: 0, closeOnLaunch: false, startWithWindows: false, notifyEvents: true } }],
    ['startup switch', '#tglStartup', { cmd: 'applySettings', payload: { language: 'en', downloadLimitMBps: 0, closeOnLaunch: false, startWithWindows: true, notifyEvents: true } }],
    ['notify switch', '#tglNotify', { cmd: 'applySettings', payload: { language: 'en', downloadLimitMBps: 0, closeOnLaunch: false, startWithWindows: true, notifyEvents: false } }],
    ['REPAIR CLIENT FILES', '#setRepair', { cmd: 'repair', payload: {} }],
  ];

  test('every button and link sends exactly its message', async () => {
    const p = await hostedPage();
    for (const [name, status, selector, expected] of rows) {
      if (status) await p.call('setStatus', status);
      await p.clearPosted();
      await p.page.click(selector);
      assert.deepEqual(await p.posted(), [expected], name);
    }
    await p.page.click('#settingsBtn');
    for (const [name, selector, expected] of settingsRows) {
      await p.clearPosted();
      await p.page.click(selector);
      assert.deepEqual(await p.posted(), [expected], name);
    }
    assert.equal(await p.page.locator('#settingsDlg').isHidden(), true, 'repair closes the dialog');
    await p.close();
  });

  test('the home button sends nothing; an empty link falls back to the website', async () => {
    const p = await hostedPage();
    await p.clearPosted();
    await p.page.click('[data-nav="home"]');
    assert.deepEqual(await p.posted(), []);
    await p.call('setLinks', { vote: '' });
    await p.page.click('[data-nav="vote"]');
    assert.deepEqual(await p.posted(), [{ cmd: 'openExternal', payload: { url: LINKS.website } }]);
    await p.close();
  });

  test('news cards and season details open their addresses', async () => {
    const p = await hostedPage();
    await p.call('setNews', [{ title: 'A', url: 'https://play.test/a' }, { title: 'B' }]);
    await p.call('setSeason', { title: 'S', startsAt: '2099-01-01T00:00:00Z' });
    await p.clearPosted();
    await p.page.click('.news-card[data-news="0"]');
    await p.page.click('.news-card[data-news="1"]');
    await p.page.click('#seasonDetails');
    await p.call('setSeason', { title: 'S', startsAt: '2099-01-01T00:00:00Z', detailsUrl: 'https://play.test/events/hollow-crown' });
    await p.page.click('#seasonDetails');
    assert.deepEqual((await p.posted()).map((m) => m.payload.url), [
      'https://play.test/a', LINKS.news, LINKS.events, 'https://play.test/events/hollow-crown',
    ]);
    await p.close();
  });

  test('sign-in: empty fields, busy button, failure, success and log-out', async () => {
    const p = await hostedPage();
    await p.page.click('#acctSignin');
    await p.page.waitForFunction(() => document.activeElement && document.activeElement.id === 'loginUser');
    await p.clearPosted();
    await p.page.fill('#loginUser', '   ');
    await p.page.fill('#loginPass', 'secret');
    await p.page.click('#loginBtn');
    assert.equal(await p.text('#loginErr'), 'Enter your username and password.');
    assert.deepEqual(await p.posted(), []);

    await p.page.fill('#loginUser', '  aldric ');
    await p.page.click('.check');
    await p.page.press('#loginPass', 'Enter');
    assert.deepEqual(await p.posted(), [{ cmd: 'login', payload: { username: 'aldric', password: 'secret', remember: false } }]);
    assert.equal(await p.page.locator('#loginErr').isHidden(), true);
    assert.equal(await p.text('#loginBtn'), 'SIGNING IN…');
    assert.equal(await p.page.isDisabled('#loginBtn'), true);

    await p.call('loginFailed', 'Account is banned.');
    assert.equal(await p.text('#loginErr'), 'Account is banned.');
    assert.equal(await p.page.isDisabled('#loginBtn'), false);
    await p.callRaw('loginFailed', '');
    assert.equal(await p.text('#loginErr'), 'Sign-in failed. Check your username and password.');

    await p.call('setUser', { name: 'Aldric', coins: 12450, avatarUrl: 'assets/avatar-default.webp' });
    assert.equal(await p.page.locator('#loginDlg').isHidden(), true);
    assert.equal(await p.text('#acctName'), 'Aldric');
    assert.equal(await p.text('#acctCoins'), '12,450 GC');
    await p.clearPosted();
    await p.page.click('#acctLink');
    await p.page.click('#logoutLink');
    assert.deepEqual(await p.posted(), [
      { cmd: 'openExternal', payload: { url: LINKS.account } },
      { cmd: 'logout', payload: {} },
    ]);
    assert.equal(await p.page.locator('#acctSignin').count(), 1, 'the account area is cleared at once');

    await p.page.click('#acctSignin');
    await p.clearPosted();
    await p.page.click('#loginDlg [data-link="forgotPassword"]');
    await p.page.click('#loginDlg [data-link="register"]');
    assert.deepEqual((await p.posted()).map((m) => m.payload.url), [LINKS.forgotPassword, LINKS.register]);
    await p.page.keyboard.press('Escape');
    assert.equal(await p.page.locator('#loginDlg').isHidden(), true);
    await p.page.click('#settingsBtn');
    await p.page.mouse.click(40, 400);
    assert.equal(await p.page.locator('#settingsDlg').isHidden(), true, 'a click on the overlay closes the dialog');
    await p.close();
  });
});

describe('languages', () => {
  test('all twelve languages have every key and both clear-cache messages', async () => {
    const p = await openPage(browser);
    const tables = await p.page.evaluate(() => ({ i18n: I18N, cache: CACHE_MESSAGES, langs: LANGUAGES }));
    assert.deepEqual(tables.langs.map((l) => l[0]), LANGUAGE_CODES);
    assert.equal(KEYS.length, 94);
    for (const code of LANGUAGE_CODES) {
      const dict = tables.i18n[code];
      for (const key of [...KEYS, ...INSTALL_KEYS]) {
        assert.equal(typeof dict[key], 'string', `${code}.${key}`);
        assert.ok(dict[key].trim().length > 0, `${code}.${key} is empty`);
      }
      assert.equal(tables.cache[code].length, 2, code);
      if (code !== 'en') {
        const same = KEYS.filter((k) => dict[k] === tables.i18n.en[k] && !/^(ONLINE|OFFLINE|MIN|Client|DETAILS|Support|Events|Home|Account|Password|file|files)$/.test(dict[k]));
        assert.ok(same.length < 6, `${code} leaves too much English: ${same.join(', ')}`);
      }
    }
    await p.close();
  });

  test('choosing pt_BR in the top-bar menu shows BR and sends applySettings', async () => {
    const p = await hostedPage();
    await p.clearPosted();
    await p.page.click('#langBtn');
    assert.equal(await p.page.locator('#langMenu .menu-item').count(), 12);
    await p.page.click('#langMenu [data-lang="pt_BR"]');
    assert.equal(await p.text('#langLabel'), 'BR');
    assert.equal(await p.page.locator('#langMenu').count(), 0);
    assert.deepEqual(await p.posted(), [{ cmd: 'applySettings', payload: { language: 'pt_BR', downloadLimitMBps: 0, closeOnLaunch: true, startWithWindows: false, notifyEvents: true } }]);
    assert.equal(await p.page.getAttribute('html', 'lang'), 'pt-BR');
    assert.equal(await p.page.inputValue('#setLang'), 'pt_BR');
    assert.equal((await p.page.textContent('#setLangBtn')).trim(), 'Português (BR)');
    assert.match(await p.text('#dock'), /PROCURANDO ATUALIZAÇÕES/);
    assert.equal(await p.page.getAttribute('#settingsBtn', 'title'), 'Configurações');
    await p.close();
  });

  test('the settings selects send applySettings; the language select applies the language', async () => {
    const p = await hostedPage();
    await p.page.click('#settingsBtn');
    await p.clearPosted();
    await p.page.click('#setLimitBtn');
    await p.page.click('#setLimitMenu [data-value="20"]');
    await p.page.click('#setLangBtn');
    await p.page.click('#setLangMenu [data-value="hu"]');
    assert.deepEqual((await p.posted()).map((m) => m.payload), [
      { language: 'en', downloadLimitMBps: 20, closeOnLaunch: true, startWithWindows: false, notifyEvents: true },
      { language: 'hu', downloadLimitMBps: 20, closeOnLaunch: true, startWithWindows: false, notifyEvents: true },
    ]);
    assert.equal(await p.text('#langLabel'), 'HU');
    assert.equal(await p.text('#settingsTitle'), 'LAUNCHER BEÁLLÍTÁSAI');
    assert.equal((await p.text('#setLimitBtn')).trim(), '20 MB/s');
    // The themed menu closes on a second click of its button and on a click elsewhere.
    await p.page.click('#setLimitBtn');
    assert.equal(await p.page.locator('#setLimitMenu').count(), 1);
    await p.page.click('#setLimitBtn');
    assert.equal(await p.page.locator('#setLimitMenu').count(), 0);
    await p.page.click('#setLimitBtn');
    await p.page.click('#settingsTitle');
    assert.equal(await p.page.locator('#setLimitMenu').count(), 0);
    await p.close();
  });

  test('an unknown language code is ignored; missing texts fall back to English, then the key', async () => {
    const p = await hostedPage();
    await p.call('setLanguage', 'de');
    await p.call('setLanguage', 'xx');
    await p.call('setLanguage', 'toString');
    assert.equal(await p.text('#langLabel'), 'DE');
    assert.equal(await p.text('[data-nav="news"] span'), 'Neuigkeiten');
    await p.page.evaluate(() => { delete I18N.de.nav_news; I18N.de.nav_vote = ''; delete I18N.de.nav_shop; delete I18N.en.nav_shop; });
    await p.call('setLanguage', 'de');
    assert.equal(await p.text('[data-nav="news"] span'), 'News');
    assert.equal(await p.text('[data-nav="vote"] span'), 'Vote rewards');
    assert.equal(await p.text('[data-nav="shop"] span'), 'nav_shop');
    await p.close();
  });

  test('the host\'s settings and footer scripts drive the page\'s controls', async () => {
    const p = await hostedPage();
    await p.call('setVersions', { launcher: '2.1.2' });
    await p.page.evaluate("(function(){try{document.getElementById('setLang').value='de';document.getElementById('setLimit').value='5';var t=function(id,on){var e=document.getElementById(id);if(e)e.classList.toggle('on',!!on);};t('tglClose',false);t('tglStartup',true);t('tglNotify',false);if(window.refreshCustomSelects)refreshCustomSelects();}catch(e){}})();");
    assert.equal((await p.page.textContent('#setLangBtn')).trim(), 'Deutsch');
    assert.equal((await p.page.textContent('#setLimitBtn')).trim(), '5 MB/s');
    assert.deepEqual(await p.page.$$eval('.switch', (els) => els.map((e) => e.getAttribute('aria-checked'))), ['false', 'true', 'false']);
    await p.page.evaluate("(function(){var e=document.getElementById('setVer');if(e)e.textContent='Checking for launcher updates…';})();");
    assert.equal(await p.page.textContent('#setVer'), 'Checking for launcher updates…');
    await p.page.evaluate("(function(){var e=document.getElementById('setVer');if(e&&e.textContent.indexOf('Checking')===0){try{LauncherUI.setVersions({});}catch(x){}}})();");
    assert.equal(await p.page.textContent('#setVer'), 'Launcher v2.1.2 · up to date');
    await p.close();
  });
});

describe('safety', () => {
  test('host and feed texts carrying markup are shown as text and run nothing', async () => {
    const p = await hostedPage();
    const evil = '<img src=x onerror="window.__pwned=1">';
    await p.callRaw('setNews', JSON.stringify([{ tag: evil, title: evil, image: 'x" onerror="window.__pwned=2' }]));
    await p.callRaw('setChangelog', JSON.stringify([{ version: evil, date: evil, text: evil }]));
    await p.callRaw('setSeason', JSON.stringify({ kicker: evil, title: evil, description: evil, startsAt: '2099-01-01T00:00:00Z' }));
    await p.call('setUser', { name: evil, coins: 5, avatarUrl: 'x" onerror="window.__pwned=3' });
    await p.call('setStatus', { state: 'error', message: evil, detail: evil });
    await p.call('setStatus', { state: 'install', installPath: evil, installError: '' });
    await p.call('setStatus', { state: 'downloading', file: evil, fileCount: 0 });
    await p.call('setGamePath', evil);
    await p.call('toast', evil);
    await p.page.waitForTimeout(200);
    assert.equal(await p.page.evaluate(() => window.__pwned), undefined);
    assert.equal(await p.page.locator('img[src="x"]').count(), 0);
    assert.equal(await p.text('.news-title'), evil);
    assert.equal(await p.text('#seasonTitle'), evil);
    assert.equal(await p.text('#acctName'), evil);
    assert.equal(await p.text('#dockFile'), evil);
    assert.deepEqual(p.errors, []);
    await p.close();
  });

  test('the title bar is a drag region and its buttons are not', async () => {
    const p = await openPage(browser);
    const regions = await p.page.evaluate(() => {
      const value = (sel) => getComputedStyle(document.querySelector(sel)).getPropertyValue('--app-region').trim();
      const menuProbe = document.createElement('div');
      menuProbe.className = 'menu-pop';
      document.body.appendChild(menuProbe);
      const result = {
        topbar: value('#topbar'), pill: value('#serverPill'), lang: value('#langBtn'), settings: value('#settingsBtn'),
        minimise: value('#minBtn'), close: value('#closeBtn'), menu: value('.menu-pop'), select: value('.sel-btn'),
      };
      menuProbe.remove();
      return result;
    });
    assert.deepEqual(regions, { topbar: 'drag', pill: 'drag', lang: 'no-drag', settings: 'no-drag', minimise: 'no-drag', close: 'no-drag', menu: 'no-drag', select: 'no-drag' });
    const html = require('node:fs').readFileSync(require('./harness').PAGE_FILE, 'utf8');
    assert.match(html, /#topbar \{[^}]*-webkit-app-region: drag;\s*--app-region: drag;/);
    await p.close();
  });
});
