#include "harness/fuzz_sessions.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine_process.h"

std::mt19937 rng;
bool trace;

int pick(int n) { return int(rng() % unsigned(n)); }

std::string random_bytes(int length) {
    std::string s;
    const char* openers = "0123456789!#$%&()*+-/<=>@[]^_{|}~ZYXJIAK";
    s += openers[pick(int(std::strlen(openers)))];
    while (int(s.size()) < length) {
        char c = char(pick(256));
        if (c == '\n' || c == '\0') c = '?';
        s += c;
    }
    return s;
}

std::string number_text() {
    const char* numbers[] = {"0", "1", "-5", "30", "100", "99999999999", "-99999999999", "2147483647", "x", "", "0x20"};
    return numbers[pick(11)];
}

std::vector<Move> legal_moves() {
    std::vector<Move> moves;
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        const Move m = move_list[i].move;
        if (!make_legal_move(m)) continue;
        moves.push_back(m);
        unmake_move();
    }
    return moves;
}

bool fail(Outcome& o, const std::string& why) {
    o.failed = true;
    o.why = why;
    return false;
}

void direct_sanitizer_reports(const std::string& dir) {
    const std::string reports = dir + "/sanitizer";
    setenv("ASAN_OPTIONS", ("log_path=" + reports + ":detect_leaks=0").c_str(), 1);
    setenv("UBSAN_OPTIONS", ("log_path=" + reports + ":print_stacktrace=1").c_str(), 1);
}

std::string sanitizer_report(const std::string& dir, pid_t pid) {
    const std::string report = read_file(dir, "sanitizer." + std::to_string(pid));
    return report == "<missing>" ? "" : report;
}

int run_fuzz_sessions(int argc, char** argv, const char* name, Outcome (*run_session)(int number, long long& lines)) {
    unsigned seed = 1;
    int sessions = 1000, seconds = 60, first = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seed")) seed = unsigned(std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--sessions")) sessions = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--first")) first = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--trace")) trace = std::atoi(argv[i + 1]) != 0;
        else {
            std::fprintf(stderr, "usage: %s [--seed S] [--sessions N] [--seconds T] [--first K] [--trace 1]\n", argv[0]);
            return 2;
        }
    }
    signal(SIGPIPE, SIG_IGN);  // an engine that has ended is seen by its missing answer
    const std::time_t start = std::time(nullptr);
    long long lines = 0;
    int done = 0, failed = 0;
    for (; done < sessions && std::time(nullptr) - start < seconds; ++done) {
        rng.seed(seed * 100003u + unsigned(first + done));  // each session replays from its own seed
        if (run_session(first + done, lines).failed) ++failed;
    }
    std::printf("%s: seed %u, %d sessions, %lld lines, %d failed, %lld s\n", name, seed, done, lines, failed,
                (long long)(std::time(nullptr) - start));
    return failed ? 1 : 0;
}
