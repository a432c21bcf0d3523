// Standard input of the UCI front end, read while the engine waits and
// while it searches.
//
// The engine stays one thread. Between searches it waits for input in
// poll(2). During a search the core calls the stop test about every half
// millisecond (go.cpp plans the poll mask for that), and the test calls
// search_input_says_stop, which asks poll(2) with a zero timeout whether
// anything has arrived: no busy waiting, no time lost when nothing has, and
// an answer to "stop" or "isready" within a millisecond or so. A reader
// thread would serve as well, but would need locks around the output and
// around the queue, and the main thread's search words would gain a second
// writer to guard against; a poll costs about a microsecond.
//
// Input is read with read(2) into the buffers below, never through stdio:
// poll(2) cannot see what a stdio buffer already holds. Complete lines go
// into a queue and the command loop takes them from its front. While a
// search runs the queue is scanned from where the "go" stood: "isready" is
// answered wherever it stands; "quit" anywhere ends the search, whose
// bestmove is still sent, and then the process; "stop" ends the search
// that runs (a "go" that came during it waits its turn and needs a stop of
// its own if it is infinite); "ponderhit" is taken by a ponder search
// unless a later "go" stands before it, whose search it then belongs to;
// every other line stays queued, in order, for after the search.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "uci/uci.h"

namespace {

constexpr int QUEUE_SIZE = 1 << 20;  // bytes of complete lines that can wait
constexpr int READ_SIZE = 4096;      // bytes asked of one read(2)

char queue[QUEUE_SIZE];  // complete lines, each ended by '\n', the oldest at queue_start
int queue_start;         // the first byte not yet taken by the command loop
int queue_end;           // one past the last byte queued
char partial[INPUT_LINE_SIZE];  // the line still being read
int partial_length;
int partial_cut;  // the line being read passed INPUT_LINE_SIZE - 1 characters: the rest is dropped
int ended;        // read(2) reported the end of input (or failed for good)
int backlogged;   // the last read found no room in the queue
int scan_at;      // during a search: the lines before this offset wait for later
int quitting;     // a "quit" came during a search
int ponderhit_wanted;  // the search is a ponder search that has not yet taken its ponderhit
int ponderhit_read;    // it has taken it since take_ponderhit last looked
int go_passed;         // the scan has passed a "go" that waits for after the search

bool is_blank(char c) { return c == ' '; }

// The line being read is complete: it joins the queue unless it is blank.
void finish_line() {
    if (partial_cut)
        output_line("info string a line longer than %d characters: the rest of it is ignored", INPUT_LINE_SIZE - 1);
    int first = 0;
    while (first < partial_length && is_blank(partial[first])) ++first;
    if (first < partial_length) {
        std::memcpy(queue + queue_end, partial, size_t(partial_length));
        queue_end += partial_length;
        queue[queue_end++] = '\n';
    }
    partial_length = 0;
    partial_cut = 0;
}

void take_byte(char c) {
    if (c == '\n') {
        finish_line();
        return;
    }
    // Control characters (the carriage return of a CR LF line end, a tab, a
    // NUL in garbage) count as blanks, so a line is always one C string
    // whose words are separated by spaces alone.
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
    if (partial_length < INPUT_LINE_SIZE - 1)
        partial[partial_length++] = c;
    else
        partial_cut = 1;
}

// One read of standard input after waiting up to wait_ms (-1: no limit)
// for it to become readable. A read takes only as many bytes as the queue
// can hold together with the line being read, so nothing read is lost;
// when not even one byte fits, backlogged is raised and nothing is read.
void read_input(int wait_ms) {
    if (ended) return;
    if (queue_start > 0) {  // the lines taken from the front leave room there
        std::memmove(queue, queue + queue_start, size_t(queue_end - queue_start));
        queue_end -= queue_start;
        scan_at = scan_at > queue_start ? scan_at - queue_start : 0;
        queue_start = 0;
    }
    const int room = QUEUE_SIZE - queue_end - partial_length;
    backlogged = room < 1;
    if (backlogged) return;
    pollfd p{0, POLLIN, 0};
    const int ready = poll(&p, 1, wait_ms);
    if (ready == 0 || (ready < 0 && errno == EINTR)) return;
    char bytes[READ_SIZE];
    const ssize_t n = ready < 0 ? -1 : read(0, bytes, size_t(room < READ_SIZE ? room : READ_SIZE));
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        // A last line without its newline still counts.
        ended = 1;
        if (partial_length > 0 || partial_cut) finish_line();
        return;
    }
    for (ssize_t i = 0; i < n; ++i) take_byte(bytes[i]);
}

// Length of the queued line at offset `at`, its newline excluded.
int line_length(int at) {
    const void* newline = std::memchr(queue + at, '\n', size_t(queue_end - at));
    return int(static_cast<const char*>(newline) - (queue + at));
}

// The queued line at `at` has `command` for its first word.
bool line_command_is(int at, int length, const char* command) {
    int i = at;
    const int end = at + length;
    while (i < end && is_blank(queue[i])) ++i;
    const int n = int(std::strlen(command));
    return end - i >= n && !std::memcmp(queue + i, command, size_t(n)) && (i + n == end || is_blank(queue[i + n]));
}

void remove_line(int at, int length) {
    const int next = at + length + 1;
    std::memmove(queue + at, queue + next, size_t(queue_end - next));
    queue_end -= length + 1;
}

// Looks at the lines that arrived since the last scan; 1 on a "stop" for
// the running search or on a "quit".
int scan_queue() {
    if (quitting) return 1;
    while (scan_at < queue_end) {
        const int length = line_length(scan_at);
        if (line_command_is(scan_at, length, "isready")) {
            output_line("readyok");
            remove_line(scan_at, length);
            continue;
        }
        if (line_command_is(scan_at, length, "quit")) {
            quitting = 1;
            return 1;
        }
        if (line_command_is(scan_at, length, "stop")) {
            remove_line(scan_at, length);
            return 1;
        }
        if (ponderhit_wanted && !go_passed && line_command_is(scan_at, length, "ponderhit")) {
            remove_line(scan_at, length);
            ponderhit_wanted = 0;
            ponderhit_read = 1;
            continue;
        }
        if (line_command_is(scan_at, length, "go")) go_passed = 1;
        scan_at += length + 1;
    }
    return 0;
}

}  // namespace

int next_command_line(char* line) {
    while (queue_start == queue_end) {
        if (ended) return 0;
        read_input(-1);
    }
    const int length = line_length(queue_start);
    std::memcpy(line, queue + queue_start, size_t(length));
    line[length] = 0;
    queue_start += length + 1;
    return 1;
}

void begin_search_input(int ponder) {
    scan_at = queue_start;
    ponderhit_wanted = ponder;
    ponderhit_read = 0;
    go_passed = 0;
}

int take_ponderhit() {
    const int read = ponderhit_read;
    ponderhit_read = 0;
    return read;
}

int search_input_says_stop(int wait_ms) {
    if (scan_queue()) return 1;
    read_input(wait_ms);
    return scan_queue();
}

int input_closed() { return ended; }

int quit_requested() { return quitting; }

int input_backlogged() { return backlogged; }
