// The page's side of the engine: the UCI engine runs in a worker
// (engine/vexmoth-uci.js, built from the same sources as vexmoth-uci); this
// module posts it command lines and hands its output lines to the page.

// One "info" line's depth, score (from the side to move: centipawns, or a
// mate in moves) and principal variation; null for info lines without them.
export function parse_info(line) {
  const words = line.split(' ');
  if (words[0] !== 'info' || !words.includes('pv') || !words.includes('score')) return null;
  const info = { depth: 0, cp: null, mate: null, pv: [] };
  for (let i = 1; i < words.length; ++i) {
    if (words[i] === 'depth') info.depth = Number(words[++i]);
    else if (words[i] === 'score' && words[i + 1] === 'cp') info.cp = Number(words[i += 2]);
    else if (words[i] === 'score' && words[i + 1] === 'mate') info.mate = Number(words[i += 2]);
    else if (words[i] === 'pv') {
      info.pv = words.slice(i + 1);
      break;
    }
  }
  return info;
}

export class Engine {
  // on_line(line) receives every line the engine writes, on_error(text) the
  // worker's failure.
  constructor(url, on_line, on_error) {
    this.listeners = new Set();
    this.worker = new Worker(url);
    this.worker.onmessage = (event) => {
      const line = String(event.data);
      on_line(line);
      for (const listen of [...this.listeners]) listen(line);
    };
    this.worker.onerror = (event) => {
      event.preventDefault();
      on_error(event.message || 'the engine stopped');
    };
  }

  // Posts one or more lines.
  send(...lines) {
    this.worker.postMessage(lines.join('\n'));
  }

  // Posts the lines; resolves with every line the engine then writes, up to
  // and including the first that starts with last.
  ask(last, ...lines) {
    return new Promise((resolve) => {
      const seen = [];
      const listen = (line) => {
        seen.push(line);
        if (!line.startsWith(last)) return;
        this.listeners.delete(listen);
        resolve(seen);
      };
      this.listeners.add(listen);
      this.send(...lines);
    });
  }
}
