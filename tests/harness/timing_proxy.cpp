// Sits between a front end and the engine and measures every move's thinking
// time against the budget the engine's clock rules give it.
//
// usage: vexmoth-timing-proxy REPORT ENGINE [ARGS...]
//
// Every line passes through unchanged. The proxy follows the clock words the
// front end sends ("level", "time", "otim") and the game's half-moves since
// "new", computes the move's budget with the engine's own allocate_time, and
// for every "move" line of the engine appends to REPORT
//   budget B elapsed E clock C
// in milliseconds: E runs from the moment the proxy passed on the last line
// before the answer (the engine's timing starts when it reads that line, so
// E is never shorter than the engine's own measure), C is the engine's clock.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "xboard/xboard.h"

namespace {

using steady = std::chrono::steady_clock;

steady::time_point last_input;
FILE* report;

bool starts_with(const std::string& s, const char* word) { return s.compare(0, std::strlen(word), word) == 0; }

bool is_move_text(const std::string& s) {
    return s.size() >= 4 && s[0] >= 'a' && s[0] <= 'h' && s[1] >= '1' && s[1] <= '8' && s[2] >= 'a' && s[2] <= 'h' &&
           s[3] >= '1' && s[3] <= '8';
}

void follow_front_end_line(const std::string& l) {
    last_input = steady::now();
    int n;
    if (starts_with(l, "new")) {
        history_count = 0;
    } else if (starts_with(l, "level")) {
        parse_level(l.c_str());
    } else if (starts_with(l, "time") && read_number(l.c_str() + 4, 10, &n)) {
        engine_clock = clock_ms(n, 10);
    } else if (starts_with(l, "otim") && read_number(l.c_str() + 4, 10, &n)) {
        opponent_clock = clock_ms(n, 10);
    } else if (is_move_text(l)) {
        ++history_count;
    }
}

void follow_engine_line(const std::string& l) {
    if (!starts_with(l, "move ")) return;
    const long long elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - last_input).count();
    (void)allocate_time();
    std::fprintf(report, "budget %d elapsed %lld clock %d\n", move_budget, elapsed, engine_clock);
    std::fflush(report);
    ++history_count;
}

// Passes whole lines from one descriptor to another, calling `follow` on each.
// Returns false at the end of the input.
bool relay(int from, int to, std::string& pending, void (*follow)(const std::string&)) {
    char buffer[4096];
    const ssize_t n = read(from, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending.append(buffer, size_t(n));
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
        const std::string l = pending.substr(0, end);
        follow(l);
        const std::string out = pending.substr(0, end + 1);
        for (size_t done = 0; done < out.size();) {
            const ssize_t w = write(to, out.data() + done, out.size() - done);
            if (w <= 0) return false;
            done += size_t(w);
        }
        pending.erase(0, end + 1);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: vexmoth-timing-proxy REPORT ENGINE [ARGS...]\n");
        return 2;
    }
    report = std::fopen(argv[1], "a");
    if (!report) {
        std::fprintf(stderr, "vexmoth-timing-proxy: cannot write %s\n", argv[1]);
        return 2;
    }
    signal(SIGINT, SIG_IGN);  // the front end's interrupts are the engine's to ignore
    signal(SIGPIPE, SIG_IGN);
    int to_engine[2], from_engine[2];
    if (pipe(to_engine) || pipe(from_engine)) return 2;
    const pid_t pid = fork();
    if (pid < 0) return 2;
    if (pid == 0) {
        dup2(to_engine[0], 0);
        dup2(from_engine[1], 1);
        close(to_engine[1]);
        close(from_engine[0]);
        execv(argv[2], argv + 2);
        _exit(127);
    }
    close(to_engine[0]);
    close(from_engine[1]);
    std::string from_front_end, from_engine_text;
    bool front_end_open = true;
    for (;;) {
        pollfd fds[2] = {{from_engine[0], POLLIN, 0}, {front_end_open ? 0 : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents && !relay(from_engine[0], 1, from_engine_text, follow_engine_line)) break;
        if (fds[1].revents && !relay(0, to_engine[1], from_front_end, follow_front_end_line)) {
            front_end_open = false;  // the engine sees the end of its input too
            close(to_engine[1]);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::fclose(report);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
