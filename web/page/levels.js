// The levels the page offers. Each level is the options the engine gets
// when it is chosen (setup_lines) and the words of each search (go_line).
// Today the engine has no strength limit, so a level is a time a move;
// levels of playing strength would give each level its rating and return
// from setup_lines the options that set it, here and nowhere else.
export const LEVELS = [
  { label: '0.1 s a move', movetime: 100 },
  { label: '0.3 s a move', movetime: 300 },
  { label: '1 s a move', movetime: 1000 },
  { label: '3 s a move', movetime: 3000 },
  { label: '10 s a move', movetime: 10000 },
  { label: '60 s a move', movetime: 60000 },
];
export const DEFAULT_LEVEL = 2;

// The option lines to send when the level is chosen (before its first search).
export function setup_lines(level) {
  return [];
}

// The "go" line of a search at this level.
export function go_line(level) {
  return `go movetime ${level.movetime}`;
}
