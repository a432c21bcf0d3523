// The UCI engine in a web page's worker: the page posts UCI command lines
// (strings, one or several lines each) to the worker and receives each line
// the engine writes as a string message. Runs before the engine's own
// script (emscripten's --pre-js), which then starts the engine's main().
//
// The engine searches on one thread here: "setoption name Threads" is
// answered with an info string and not passed on, and the option is left
// out of the answer to "uci".
var YIELD_MS = 10;  // a running search returns to the event loop this often

Module['vexmothInput'] = (function() {
  var encoder = new TextEncoder();
  var chunks = [];  // Uint8Arrays of the page's text, the oldest first
  var first_at = 0; // bytes of chunks[0] already taken
  var waiter = null;  // a waiting engine's wake-up, when it waits for a line
  var timer = 0;
  var last_yield = performance.now();
  var channel = new MessageChannel();  // a turn of the event loop without a timer's delay
  var yielder = null;
  channel.port1.onmessage = function() {
    var wake_up = yielder;
    yielder = null;
    last_yield = performance.now();
    wake_up(queued() > 0 ? 1 : 0);
  };

  function queued() {
    var n = -first_at;
    for (var i = 0; i < chunks.length; ++i) n += chunks[i].length;
    return n;
  }

  function wake(ready) {
    var wake_up = waiter;
    waiter = null;
    if (timer) clearTimeout(timer);
    timer = 0;
    last_yield = performance.now();
    wake_up(ready);
  }

  return {
    length: queued,
    add: function(text) {
      chunks.push(encoder.encode(text));
      if (waiter) wake(1);
    },
    take: function(heap, at, size) {
      var n = 0;
      while (n < size && chunks.length > 0) {
        var chunk = chunks[0], count = Math.min(size - n, chunk.length - first_at);
        heap.set(chunk.subarray(first_at, first_at + count), at + n);
        n += count;
        first_at += count;
        if (first_at === chunk.length) {
          chunks.shift();
          first_at = 0;
        }
      }
      return n;
    },
    // A search's stop test: once YIELD_MS have passed since the engine last
    // returned to the event loop, it does so now.
    yield_now: function(wake_up) {
      if (performance.now() - last_yield < YIELD_MS) {
        wake_up(0);
        return;
      }
      yielder = wake_up;
      channel.port2.postMessage(0);
    },
    wait_for_line: function(wake_up, wait_ms) {
      waiter = wake_up;
      if (wait_ms > 0) timer = setTimeout(function() { timer = 0; wake(queued() > 0 ? 1 : 0); }, wait_ms);
    },
  };
})();

Module['print'] = function(line) {
  if (!/^option name Threads /.test(line)) postMessage(line);
};
Module['printErr'] = function(line) { console.error(line); };

onmessage = function(event) {
  var lines = String(event.data).split('\n');
  var text = '';
  for (var i = 0; i < lines.length; ++i) {
    if (/^\s*setoption\s+name\s+threads(\s|$)/i.test(lines[i]))
      postMessage('info string this engine searches on one thread: Threads is not an option here');
    else if (lines[i].length > 0 || i < lines.length - 1)
      text += lines[i] + '\n';
  }
  if (text.length > 0) Module['vexmothInput'].add(text);
};
