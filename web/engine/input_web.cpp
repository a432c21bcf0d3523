// Standard input of the UCI engine in a web page's worker. The page posts
// command lines to the worker, whose script (web/engine/worker.js) keeps
// them as a queue of bytes. This file builds the native front end's reading
// and queueing of lines (uci/input.cpp) unchanged, with its two system calls
// replaced: poll(2) asks the worker's queue whether bytes wait, read(2)
// takes them. Waiting for input, and a search's look at its input, return
// to the worker's event loop (web/engine/input_web.js says how), so that a
// "stop" or an "isready" posted during a search reaches it.
#include <poll.h>
#include <sys/types.h>
#include <unistd.h>

extern "C" {
// 1 when bytes wait in the worker's queue. wait_ms 0 (the stop test of a
// running search) returns at once, now and then after a turn of the event
// loop; -1 waits without limit, a positive wait_ms up to that long.
int vexmoth_input_wait(int wait_ms);
// Moves up to size waiting bytes into bytes; returns how many.
int vexmoth_input_take(char* bytes, int size);
}

namespace {

int web_poll(pollfd* fds, int, int wait_ms) {
    const int ready = vexmoth_input_wait(wait_ms);
    fds->revents = ready ? POLLIN : 0;
    return ready;
}

ssize_t web_read(int, void* bytes, size_t size) {
    return vexmoth_input_take(static_cast<char*>(bytes), int(size));
}

}  // namespace

#define poll(fds, count, wait_ms) web_poll(fds, count, wait_ms)
#define read(fd, bytes, size) web_read(fd, bytes, size)
#include "uci/input.cpp"
