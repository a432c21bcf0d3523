// The page: a game against the engine on a board. The game itself (its
// moves, their legality, its end, its PGN) is chess.js's; the board is
// cm-chessboard's; the engine answers in a worker (engine.js).
import { Chess, DEFAULT_POSITION, validateFen } from './lib/chess.js/chess.js';
import { Chessboard, COLOR, INPUT_EVENT_TYPE } from './lib/cm-chessboard/src/Chessboard.js';
import { Markers, MARKER_TYPE } from './lib/cm-chessboard/src/extensions/markers/Markers.js';
import {
  PromotionDialog, PROMOTION_DIALOG_RESULT_TYPE,
} from './lib/cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js';
import { Engine, parse_info } from './engine.js';
import { LEVELS, DEFAULT_LEVEL, setup_lines, go_line } from './levels.js';

const $ = (id) => document.getElementById(id);

let game = new Chess();
let start_fen = DEFAULT_POSITION;  // the game's first position, for the engine and the PGN
let player = 'w';                  // the side the person plays
let level = LEVELS[DEFAULT_LEVEL];
let engine_ready = false;
// The engine's searches in the order they were sent, each {serial, fen}: a
// "bestmove" answers the first. Only the search numbered wanted may move.
const searches = [];
let serial = 0;
let wanted = 0;

const board = new Chessboard($('board'), {
  position: DEFAULT_POSITION,
  assetsUrl: './assets/',
  style: { cssClass: 'default', borderType: 'frame', animationDuration: 150 },
  extensions: [{ class: Markers, props: { autoMarkers: MARKER_TYPE.square } }, { class: PromotionDialog }],
});

const engine = new Engine('./engine/vexmoth-uci.js', engine_line, (text) => {
  engine_ready = false;
  show_message(`The engine stopped (${text}). Reload the page to play again.`);
  show_status();
});

// ---------------------------------------------------------------- messages and status

function show_message(text) {
  $('message').textContent = text;
  $('message').hidden = !text;
}

function game_end_text() {
  if (game.isCheckmate()) return `Checkmate: ${game.turn() === 'w' ? 'Black' : 'White'} wins.`;
  if (game.isStalemate()) return 'Stalemate: a draw.';
  if (game.isInsufficientMaterial()) return 'Draw: neither side can mate.';
  if (game.isThreefoldRepetition()) return 'Draw by threefold repetition.';
  if (game.isDrawByFiftyMoves()) return 'Draw by the fifty-move rule.';
  return '';
}

function show_status() {
  const end = game_end_text();
  let text = end;
  if (!end) {
    if (!engine_ready) text = 'The engine is starting…';
    else if (wanted) text = 'Vexmoth is thinking…';
    else text = game.turn() === player ? 'Your move.' : 'Vexmoth to move.';
  }
  $('status').textContent = text;
  $('stop').disabled = !wanted;
  $('pgn').value = game_pgn();
  $('pgn').scrollTop = $('pgn').scrollHeight;  // the moves, below the headers
}

function game_pgn() {
  const end = game.isCheckmate() ? (game.turn() === 'w' ? '0-1' : '1-0') : game.isGameOver() ? '1/2-1/2' : '*';
  const today = new Date();
  game.setHeader('Event', 'Vexmoth in the browser');
  game.setHeader('Date', `${today.getFullYear()}.${String(today.getMonth() + 1).padStart(2, '0')}.` +
    String(today.getDate()).padStart(2, '0'));
  game.setHeader('White', player === 'w' ? 'You' : 'Vexmoth');
  game.setHeader('Black', player === 'b' ? 'You' : 'Vexmoth');
  game.setHeader('Result', end);
  return game.pgn();
}

// The line as moves in algebraic notation, numbered from the position it starts from.
function line_text(fen, uci_moves) {
  const line = new Chess(fen);
  const parts = [];
  for (const uci of uci_moves) {
    let move;
    try {
      move = line.move({ from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4] });
    } catch {
      break;
    }
    const number = line.moveNumber();
    if (move.color === 'w') parts.push(`${number}. ${move.san}`);
    else parts.push(parts.length ? move.san : `${number - 1}… ${move.san}`);
  }
  return parts.join(' ');
}

// The score from White's side, in pawns, or the mate.
function score_text(info, side) {
  const sign = side === 'w' ? 1 : -1;
  if (info.mate !== null) return `#${sign * info.mate}`;
  const pawns = (sign * info.cp) / 100;
  return `${pawns > 0 ? '+' : ''}${pawns.toFixed(2)}`;
}

// ---------------------------------------------------------------- the engine

function engine_line(line) {
  if (line.startsWith('bestmove')) {
    const search = searches.shift();
    if (search && search.serial === wanted) {
      wanted = 0;
      play_engine_move(search, line.split(' ')[1]);
    }
    return;
  }
  const info = parse_info(line);
  if (info && searches.length && searches[0].serial === wanted) {
    const fen = searches[0].fen;
    $('score').textContent = `Depth ${info.depth} · ${score_text(info, fen.split(' ')[1])} · ${line_text(fen, info.pv)}`;
  }
}

function play_engine_move(search, uci) {
  if (search.fen !== game.fen()) return;  // the game changed under the search
  try {
    game.move({ from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4] });
  } catch {
    show_message(`The engine answered ${uci}, which is not a legal move here; the game is kept as it was.`);
    show_status();
    return;
  }
  update_board();
}

// The position command of the game so far.
function position_line() {
  const moves = game.history({ verbose: true }).map((m) => m.lan);
  return `position fen ${start_fen}${moves.length ? ' moves ' + moves.join(' ') : ''}`;
}

// The engine moves when it is its turn and the game goes on.
function think() {
  if (!engine_ready || wanted || game.isGameOver() || game.turn() === player) return;
  wanted = ++serial;
  searches.push({ serial: wanted, fen: game.fen() });
  $('score').textContent = '';
  engine.send(position_line(), go_line(level));
  show_status();
}

// Forgets the search under way (its move will not be played) and stops it.
function cancel_search() {
  if (!wanted) return;
  wanted = 0;
  engine.send('stop');
}

// ---------------------------------------------------------------- the board

function update_board() {
  board.setPosition(game.fen(), true);
  const markers = board.getExtension(Markers);
  markers.removeMarkers(MARKER_TYPE.frame);
  const last = game.history({ verbose: true }).at(-1);
  if (last) {
    markers.addMarker(MARKER_TYPE.frame, last.from);
    markers.addMarker(MARKER_TYPE.frame, last.to);
  }
  if (board.isMoveInputEnabled()) board.disableMoveInput();
  board.enableMoveInput(move_input, player === 'w' ? COLOR.white : COLOR.black);
  show_status();
  think();
}

function try_move(from, to, promotion) {
  try {
    game.move({ from, to, promotion });
    return true;
  } catch {
    return false;
  }
}

function move_input(event) {
  switch (event.type) {
    case INPUT_EVENT_TYPE.moveInputStarted:
      return !wanted && game.turn() === player && !game.isGameOver() &&
        game.moves({ square: event.squareFrom }).length > 0;
    case INPUT_EVENT_TYPE.validateMoveInput: {
      const promotes = game.moves({ square: event.squareFrom, verbose: true })
        .some((m) => m.to === event.squareTo && m.promotion);
      if (!promotes) {
        const legal = try_move(event.squareFrom, event.squareTo);
        if (legal) setTimeout(update_board);
        return legal;
      }
      board.showPromotionDialog(event.squareTo, player === 'w' ? COLOR.white : COLOR.black, (result) => {
        if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected)
          try_move(event.squareFrom, event.squareTo, result.piece.charAt(1));
        update_board();
      });
      return true;
    }
    default:
      return undefined;
  }
}

// ---------------------------------------------------------------- the controls

function new_game(fen) {
  cancel_search();
  game = new Chess(fen);
  start_fen = fen;
  engine.send('ucinewgame');
  show_message('');
  $('score').textContent = '';
  update_board();
}

function take_back() {
  cancel_search();
  if (game.history().length === 0) return;
  game.undo();
  while (game.history().length > 0 && game.turn() !== player) game.undo();
  update_board();
}

function choose_side(side) {
  cancel_search();
  player = side;
  board.setOrientation(side === 'w' ? COLOR.white : COLOR.black);
  update_board();
}

function choose_level(index) {
  level = LEVELS[index];
  const lines = setup_lines(level);
  if (lines.length) engine.send(...lines);
}

// Loads a FEN (four or six fields) or a PGN; a text that is neither, or a
// position the engine refuses, leaves the game as it was and says why.
async function load_text(text) {
  text = text.trim();
  if (!text) return 'Paste a FEN or a PGN into the box first.';
  let next;
  let fen;
  const fields = text.split(/\s+/);
  if (!text.includes('[') && /^[1-8pnbrqkPNBRQK]+(\/[1-8pnbrqkPNBRQK]+){7}$/.test(fields[0])) {
    fen = fields.length === 4 ? `${text} 0 1` : fields.join(' ');
    const check = validateFen(fen);
    if (!check.ok) return `That FEN cannot be played: ${check.error}`;
    try {
      next = new Chess(fen);
    } catch (error) {
      return `That FEN cannot be played: ${error.message}`;
    }
  } else {
    next = new Chess();
    try {
      next.loadPgn(text);
    } catch (error) {
      return `That is neither a FEN nor a PGN that can be played: ${error.message}`;
    }
    fen = next.getHeaders().FEN || DEFAULT_POSITION;
  }
  // The engine's own checks (one king a side, the side not to move not in
  // check, its limits on men and moves): it says why it refuses.
  cancel_search();
  const moves = next.history({ verbose: true }).map((m) => m.lan);
  const said = await engine.ask('readyok', `position fen ${fen}${moves.length ? ' moves ' + moves.join(' ') : ''}`,
    'isready');
  const refusal = said.find((line) => line.startsWith('info string'));
  if (refusal) return `The engine cannot play that position: ${refusal.slice('info string '.length)}`;
  game = next;
  start_fen = fen;
  engine.send('ucinewgame');
  $('score').textContent = '';
  update_board();
  return '';
}

for (const [i, l] of LEVELS.entries()) $('level').add(new Option(l.label, String(i), false, i === DEFAULT_LEVEL));
$('level').addEventListener('change', () => choose_level(Number($('level').value)));
$('side').addEventListener('change', () => choose_side($('side').value));
$('new').addEventListener('click', () => new_game(DEFAULT_POSITION));
$('back').addEventListener('click', take_back);
$('flip').addEventListener('click', () =>
  board.setOrientation(board.getOrientation() === COLOR.white ? COLOR.black : COLOR.white));
$('stop').addEventListener('click', () => { if (wanted) engine.send('stop'); });
$('copy').addEventListener('click', async () => {
  $('pgn').select();
  try {
    await navigator.clipboard.writeText($('pgn').value);
  } catch {
    document.execCommand('copy');
  }
});
$('load').addEventListener('click', async () => {
  $('load').disabled = true;
  show_message(await load_text($('text').value));
  $('load').disabled = false;
});

engine.ask('uciok', 'uci').then(() => engine.ask('readyok', 'isready')).then(() => {
  engine_ready = true;
  choose_level(Number($('level').value));
  new_game(DEFAULT_POSITION);
});
show_status();
