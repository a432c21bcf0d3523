// The page in a real browser: Debian's Chromium, headless, driven by
// puppeteer-core, loads BUILD_DIR/page from `python3 -m http.server` on the
// loopback, and a person's game is played by clicking squares. Checks:
// every engine move is legal (chess.js, on the test's own copy of the game)
// and shown on the board and in the PGN; the engine's score line appears;
// "Move now" ends a long think at once; "isready" and "stop" reach a search
// running in the worker; a bad FEN or PGN gets a message and the game is
// kept. Leaves BUILD_DIR/web-test/page.png, a screenshot of the game.
// Usage: node browser_test.mjs BUILD_DIR. Exit status 77 (skipped) without
// Chromium or puppeteer-core (`npm ci` in web/).
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';

const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const build = path.resolve(process.argv[2] || 'build-web');
const page_dir = path.join(build, 'page');
const out_dir = path.join(build, 'web-test');
if (!existsSync(CHROMIUM)) {
  console.log(`browser_test: ${CHROMIUM} is not installed: skipped`);
  process.exit(77);
}
let puppeteer;
let Chess;
try {
  puppeteer = (await import('puppeteer-core')).default;
  ({ Chess } = await import('chess.js'));
} catch {
  console.log('browser_test: puppeteer-core or chess.js is not installed (npm ci in web/): skipped');
  process.exit(77);
}

let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures += 1;
}

// The static server of the page's folder, on a free port of the loopback.
function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1'],
      { cwd: dir, stdio: ['ignore', 'pipe', 'ignore'] });
    server.on('error', reject);
    server.stdout.on('data', (data) => {
      const port = /port (\d+)/.exec(String(data));
      if (port) resolve({ server, url: `http://127.0.0.1:${port[1]}/` });
    });
  });
}

const { server, url } = await serve(page_dir);
const profile = mkdtempSync(path.join(tmpdir(), 'vexmoth-chromium-'));
const browser = await puppeteer.launch({
  executablePath: CHROMIUM,
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`],
});
const errors = [];
const page = await browser.newPage();
try {
  await page.setViewport({ width: 1100, height: 760 });
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  await page.goto(url);
  const text = (id) => page.$eval(`#${id}`, (e) => e.value ?? e.textContent);
  const wait_status = (status, ms = 30000) =>
    page.waitForFunction((s) => document.getElementById('status').textContent === s, { timeout: ms }, status);
  // The men on the board as the first field of a FEN.
  const board_placement = () => page.evaluate(() => {
    const rows = [];
    for (let rank = 8; rank >= 1; --rank) {
      let row = '';
      let empty = 0;
      for (const file of 'abcdefgh') {
        const piece = document.querySelector(`#board g[data-piece][data-square="${file}${rank}"]`)?.getAttribute('data-piece');
        if (!piece) { ++empty; continue; }
        if (empty) row += empty;
        empty = 0;
        row += piece[0] === 'w' ? piece[1].toUpperCase() : piece[1];
      }
      rows.push(empty ? row + empty : row);
    }
    return rows.join('/');
  });
  // The board once it shows one of the placements wanted (its pieces move
  // with an animation), or as it stands after five seconds.
  const board_settled = async (wanted) => {
    let shown;
    for (let tries = 0; tries < 50; ++tries) {
      shown = await board_placement();
      if (wanted.includes(shown)) break;
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
    return shown;
  };
  const click_square = async (square) => {
    const box = await (await page.$(`#board rect[data-square="${square}"]`)).boundingBox();
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
  };
  const select_level = async (label) => {
    const value = await page.$$eval('#level option', (options, wanted) =>
      options.find((o) => o.textContent === wanted).value, label);
    await page.select('#level', value);
  };
  const half_moves = async () => {
    const game = new Chess();
    game.loadPgn(await text('pgn'));
    return game.history();
  };

  await wait_status('Your move.');
  check(true, 'the page loads and the engine answers');
  await select_level('Full strength, 0.3 s a move');

  // Ten moves of the person, chosen from the legal ones by a fixed rule, each
  // answered by the engine; a game that ends starts anew.
  const game = new Chess();
  let seen_score = false;
  let moves = 0;
  let legal_answers = 0;
  let seed = 7;
  while (moves < 10) {
    const choices = game.moves({ verbose: true }).filter((m) => !m.promotion);
    seed = (seed * 1103515245 + 12345) % 2147483648;
    const mine = choices[seed % choices.length];
    await click_square(mine.from);
    await click_square(mine.to);
    game.move(mine);
    moves += 1;
    await page.waitForFunction((n) => document.getElementById('pgn').value.includes(n),
      { timeout: 10000 }, mine.san);
    if (game.isGameOver()) {
      await page.click('#new');
      game.reset();
      await wait_status('Your move.');
      continue;
    }
    // The engine's reply: the one legal move of the test's copy that gives the board shown.
    await page.waitForFunction(() => document.getElementById('status').textContent !== 'Vexmoth is thinking…',
      { timeout: 30000 });
    seen_score ||= /^Depth \d+ · (#-?\d+|[+-]?\d+\.\d\d) · \S/.test(await text('score'));
    const shown = await board_settled(game.moves({ verbose: true }).map((m) => m.after.split(' ')[0]));
    const replies = game.moves({ verbose: true }).filter((m) => m.after.split(' ')[0] === shown);
    check(replies.length === 1, `move ${moves}: ${mine.san}, the engine's reply on the board is a legal move` +
      (replies.length ? ` (${replies[0].san})` : ` (the board shows ${shown})`));
    if (replies.length !== 1) break;
    game.move(replies[0]);
    legal_answers += 1;
    const history = await half_moves();
    check(history.join(' ') === game.history().join(' '), `move ${moves}: the PGN holds the game`);
    if (game.isGameOver()) {
      await page.click('#new');
      game.reset();
      await wait_status('Your move.');
    }
  }
  check(legal_answers >= 9, `the engine answered ${legal_answers} of 10 moves`);
  check(seen_score, 'the engine\'s score and line were shown');

  // A long think ended by "Move now".
  await select_level('Full strength, 60 s a move');
  const before = (await half_moves()).length;
  const long_move = game.moves({ verbose: true }).find((m) => !m.promotion);
  await click_square(long_move.from);
  await click_square(long_move.to);
  await page.waitForFunction(() => /^Depth ([2-9]|\d\d)/.test(document.getElementById('score').textContent),
    { timeout: 20000 });
  const asked = Date.now();
  await page.click('#stop');
  await page.waitForFunction(() => document.getElementById('status').textContent !== 'Vexmoth is thinking…',
    { timeout: 10000 });
  const answered = Date.now() - asked;
  const after = await half_moves();
  check(after.length === before + 2, `"Move now" ended a 60 s think: the engine moved ${answered} ms after it`);

  // The game as it stands, with the engine's line, for a person to look at,
  // once the board has played the engine's move.
  const played = new Chess();
  played.loadPgn(await text('pgn'));
  const placement = played.fen().split(' ')[0];
  check(await board_settled([placement]) === placement, 'after "Move now" the board shows the game');
  mkdirSync(out_dir, { recursive: true });
  await page.screenshot({ path: path.join(out_dir, 'page.png') });
  console.log(`screenshot: ${path.join(out_dir, 'page.png')}`);

  // Bad input in the FEN/PGN box: a message, and the game kept.
  const pgn_before = await text('pgn');
  for (const [bad, says] of [
    ['not a position at all', 'neither a FEN nor a PGN'],
    ['rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0', 'That FEN cannot be played'],
    ['4k3/8/8/8/8/8/4R3/4K3 w - - 0 1', 'The engine cannot play that position'],
    ['1. e4 e5 2. Ke3 Nc6', 'neither a FEN nor a PGN'],
  ]) {
    await page.$eval('#text', (e, t) => { e.value = t; }, bad);
    await page.click('#load');
    await page.waitForFunction(() => !document.getElementById('message').hidden, { timeout: 10000 });
    const message = await text('message');
    check(message.includes(says) && (await text('pgn')) === pgn_before,
      `bad input "${bad}": "${message}", the game kept`);
    await page.$eval('#message', (e) => { e.hidden = true; });
  }
  // A good FEN is taken, with the person to move.
  await page.$eval('#text', (e) => { e.value = '8/8/8/4k3/8/8/4P3/4K3 w - -'; });
  await page.click('#load');
  await wait_status('Your move.');
  check((await board_settled(['8/8/8/4k3/8/8/4P3/4K3'])) === '8/8/8/4k3/8/8/4P3/4K3', 'a FEN of four fields sets up its position');

  // Take back: the person's move and the engine's reply go. Then the
  // person takes Black: the board turns and the engine moves for White.
  // The engine answers at a rated level too (the strength limit's options).
  const ending = new Chess('8/8/8/4k3/8/8/4P3/4K3 w - - 0 1');
  await select_level('Rated 800');
  await click_square('e2');
  await click_square('e3');
  await page.waitForFunction(() => / e3 \S+ \*$/.test(document.getElementById('pgn').value), { timeout: 20000 });
  await wait_status('Your move.');
  await page.click('#back');
  const start = ending.fen().split(' ')[0];
  check((await board_settled([start])) === start && / 1\. /.test(await text('pgn')) === false,
    'take back returns to the position before the person\'s move');
  await page.select('#side', 'b');
  await wait_status('Your move.');
  const white_moves = ending.moves({ verbose: true }).map((m) => m.after.split(' ')[0]);
  const turned = await page.evaluate(() => {
    const y = (square) => document.querySelector(`#board rect[data-square="${square}"]`).getBoundingClientRect().y;
    return y('a1') < y('a8');
  });
  check(white_moves.includes(await board_settled(white_moves)) && turned,
    'playing Black, the board is turned and the engine moves for White');

  // "isready" and "stop" posted to a second engine while it searches: both
  // reach the search, which returns to the worker's event loop every few
  // milliseconds. It searches on one thread: Threads is refused (a helper
  // thread cannot be started there).
  const times = await page.evaluate(() => new Promise((resolve) => {
    const worker = new Worker('engine/vexmoth-uci.js');
    const result = {};
    let asked_at = 0;
    worker.onmessage = (event) => {
      const line = String(event.data);
      if (line.startsWith('option name Threads')) result.threads_listed = true;
      if (line.startsWith('info string this engine searches on one thread')) result.threads_refused = true;
      if (line === 'uciok') worker.postMessage('setoption name Threads value 4\nposition startpos\ngo infinite');
      if (line.startsWith('info depth 6') && !asked_at) {
        setTimeout(() => { asked_at = performance.now(); worker.postMessage('isready'); }, 500);
      }
      if (line === 'readyok') {
        result.readyok = performance.now() - asked_at;
        asked_at = performance.now();
        worker.postMessage('stop');
      }
      if (line.startsWith('bestmove')) {
        result.bestmove = performance.now() - asked_at;
        result.line = line;
        worker.terminate();
        resolve(result);
      }
    };
    worker.postMessage('uci');
  }));
  check(!times.threads_listed && times.threads_refused, 'the engine in the worker neither lists nor takes Threads');
  check(times.readyok < 1000 && times.bestmove < 1000 && /^bestmove [a-h][1-8][a-h][1-8]/.test(times.line),
    `during a search: readyok ${times.readyok.toFixed(1)} ms after isready, ` +
    `${times.line} ${times.bestmove.toFixed(1)} ms after stop`);

  check(errors.length === 0, `no errors in the page${errors.length ? ': ' + errors.join('; ') : ''}`);
} catch (error) {
  check(false, `the test ran to its end: ${error.stack || error}`);
  mkdirSync(out_dir, { recursive: true });
  await page.screenshot({ path: path.join(out_dir, 'failure.png') }).catch(() => {});
  console.log(`screenshot of the failure: ${path.join(out_dir, 'failure.png')}; errors: ${errors.join('; ')}`);
} finally {
  await browser.close();
  server.kill();
  rmSync(profile, { recursive: true, force: true });
}
console.log(`${failures ? 'failed' : 'passed'}: ${failures} failure(s)`);
process.exit(failures ? 1 : 0);
