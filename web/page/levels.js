// The levels the page offers. Each level is the options the engine gets
// when it is chosen (setup_lines) and the words of each search (go_line).
// A rated level plays at the engine's strength limit (UCI_Elo, on the scale
// that docs/strength.md describes) and thinks for a share of its second a
// move; full strength plays at a time a move.
export const LEVELS = [
  { label: 'Rated 600', elo: 600, movetime: 1000 },
  { label: 'Rated 800', elo: 800, movetime: 1000 },
  { label: 'Rated 1000', elo: 1000, movetime: 1000 },
  { label: 'Rated 1200', elo: 1200, movetime: 1000 },
  { label: 'Rated 1400', elo: 1400, movetime: 1000 },
  { label: 'Rated 1600', elo: 1600, movetime: 1000 },
  { label: 'Rated 1800', elo: 1800, movetime: 1000 },
  { label: 'Full strength, 0.1 s a move', movetime: 100 },
  { label: 'Full strength, 0.3 s a move', movetime: 300 },
  { label: 'Full strength, 1 s a move', movetime: 1000 },
  { label: 'Full strength, 3 s a move', movetime: 3000 },
  { label: 'Full strength, 10 s a move', movetime: 10000 },
  { label: 'Full strength, 60 s a move', movetime: 60000 },
];
export const DEFAULT_LEVEL = 3;

// The option lines to send when the level is chosen (before its first search).
export function setup_lines(level) {
  if (!level.elo) return ['setoption name UCI_LimitStrength value false'];
  return ['setoption name UCI_LimitStrength value true', `setoption name UCI_Elo value ${level.elo}`];
}

// The "go" line of a search at this level.
export function go_line(level) {
  return `go movetime ${level.movetime}`;
}
