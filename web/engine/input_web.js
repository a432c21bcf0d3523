// The engine's side of its input in a web page's worker (see input_web.cpp):
// the two functions the engine calls, over the queue that worker.js fills.
//
// A worker sees the page's messages only between tasks, when the engine has
// returned to the event loop. The engine is one WebAssembly call that never
// returns while it waits or searches, so these functions return to the
// event loop in the middle of it with Asyncify: the call stack is saved,
// the event loop runs (delivering the page's lines to the queue), and the
// stack is rebuilt where it was. A search does so at most every
// YIELD_MS milliseconds, from its stop test.
mergeInto(LibraryManager.library, {
  vexmoth_input_wait__deps: ['$Asyncify'],
  vexmoth_input_wait: function(wait_ms) {
    var input = Module['vexmothInput'];
    return Asyncify.handleSleep(function(wake_up) {
      if (input.length() > 0) {
        wake_up(1);
      } else if (wait_ms === 0) {
        input.yield_now(wake_up);
      } else {
        input.wait_for_line(wake_up, wait_ms);
      }
    });
  },
  vexmoth_input_take: function(bytes, size) {
    return Module['vexmothInput'].take(HEAPU8, bytes, size);
  },
});
