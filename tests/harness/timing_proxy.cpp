// usage: vexmoth-timing-proxy REPORT ENGINE
// Passes every line between a front end and the engine and, for each move of the engine, appends "budget B
// elapsed E clock C" (ms) to REPORT: the engine's own allocate_time budget after the clock words and the
// half-moves since "new" that the front end sent; the time since the last line passed to the engine (which
// starts its clock when it reads it); the engine's clock.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "engine_process.h"
#include "xboard/xboard.h"

namespace {

std::chrono::steady_clock::time_point last_input;
FILE* report;

void follow_front_end_line(const std::string& l) {
    last_input = std::chrono::steady_clock::now();
    int n;
    if (l.rfind("new", 0) == 0) history_count = 0;
    else if (l.rfind("level", 0) == 0) parse_level(l.c_str());
    else if (l.rfind("time", 0) == 0 && read_number(l.c_str() + 4, 10, &n)) engine_clock = clock_ms(n, 10);
    else if (l.rfind("otim", 0) == 0 && read_number(l.c_str() + 4, 10, &n)) opponent_clock = clock_ms(n, 10);
    else if (l.size() >= 4 && l[0] >= 'a' && l[0] <= 'h' && l[1] >= '1' && l[1] <= '8' && l[2] >= 'a' &&
             l[2] <= 'h' && l[3] >= '1' && l[3] <= '8')
        ++history_count;  // the opponent's move
}

void follow_engine_line(const std::string& l) {
    if (l.rfind("move ", 0) != 0) return;
    const auto elapsed = std::chrono::steady_clock::now() - last_input;
    (void)allocate_time();
    std::fprintf(report, "budget %d elapsed %lld clock %d\n", move_budget,
                 (long long)std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), engine_clock);
    std::fflush(report);
    ++history_count;
}

// Passes the whole lines read from one descriptor to another, following each; false at the end of the input.
bool relay(int from, int to, std::string& pending, void (*follow)(const std::string&)) {
    char buffer[4096];
    const ssize_t n = read(from, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending.append(buffer, size_t(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
        follow(pending.substr(0, end));
        for (ssize_t done = 0, w; done <= ssize_t(end); done += w)
            if ((w = write(to, pending.data() + done, end + 1 - size_t(done))) <= 0) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    report = argc == 3 ? std::fopen(argv[1], "a") : nullptr;
    signal(SIGINT, SIG_IGN);  // the front end's interrupts are the engine's to ignore
    EngineProcess e;
    if (!report || !start_engine(e, ".", argv[2])) {
        std::fprintf(stderr, "usage: vexmoth-timing-proxy REPORT ENGINE (REPORT writable)\n");
        return 2;
    }
    std::string from_front_end, from_the_engine;
    for (bool front_end_open = true;;) {
        pollfd fds[2] = {{e.from_engine, POLLIN, 0}, {front_end_open ? 0 : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents && !relay(e.from_engine, 1, from_the_engine, follow_engine_line)) break;
        if (fds[1].revents && !relay(0, e.to_engine, from_front_end, follow_front_end_line)) {
            front_end_open = false;  // the engine sees the end of its input too
            close(e.to_engine);
            e.to_engine = -1;
        }
    }
    const int status = wait_exit(e, 60000, false);
    return status >= 0 ? status : 2;
}
