// What the protocol fuzzers of both front ends share: random text and the sessions (their board is in
// board_model.h). --seed S --sessions N --seconds T runs sessions until N are done or T seconds have passed,
// each from its own seed; --first K --sessions 1 --trace 1 replays session K with its transcript. A session
// ends with quit, the end of input or a last line without its newline; it fails on a signal, an exit status
// but 0, a sanitizer report, an incomplete log line, or any file left but the options file and the log.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "engine_process.h"
#include "harness/board_model.h"
#include "log_format.h"
#include "search/search.h"

inline std::mt19937 rng;
inline bool trace;
inline long long lines_sent;

inline int pick(int n) { return int(rng() % unsigned(n)); }
template <class T, size_t N>
T pick_of(T (&list)[N]) { return list[pick(int(N))]; }

// Bytes without a newline or a NUL, the first starting no command or square.
inline std::string random_bytes(int length) {
    static const char openers[] = "0123456789!#$%&()*+-/<=>@[]^_{|}~ZYXJIAK";
    std::string s(1, openers[pick(int(sizeof openers) - 1)]);
    while (int(s.size()) < length) {
        const char c = char(pick(256));
        s += c == '\n' || c == '\0' ? '?' : c;
    }
    return s;
}

// Garbage of 1 to 80 bytes, or now and then of a length at a buffer's edge.
inline std::string random_line(int longest) {
    static const int edges[] = {1, 2, 254, 255, 256, 257, 1000, 2000, 70000};
    return random_bytes(std::min(pick(3) ? 1 + pick(80) : pick_of(edges), longest));
}

inline std::string number_text() {  // small, negative, past the int range, hexadecimal, no digits
    static const char* const numbers[] = {"0", "1", "-5", "30", "100", "99999999999", "-99999999999", "2147483647",
                                          "x", "", "0x20"};
    return pick_of(numbers);
}

inline Move random_legal_move() {  // 0 when there is none
    const std::vector<Move> moves = legal_entries();
    return moves.empty() ? 0 : moves[size_t(pick(int(moves.size())))];
}

struct Session {
    EngineProcess e;
    std::string dir = make_temp_dir(), last_line, why;  // why: the first failure, "" while none
    std::string sync_line, sync_answer;  // sent after a line, so that its answer ends the line's
    bool logs = false;     // the engine writes vexmo.ini and vexmolog.txt, which must be complete
    bool may_die = false;  // a line was sent after which the engine may end with status 255
    bool ended = false;    // it did

    bool fail(const std::string& reason) {
        if (why.empty()) why = reason;
        return false;
    }
    bool start(const char* engine, const char* sync, const char* answer, bool writes_log) {
        sync_line = sync;
        sync_answer = answer;
        logs = writes_log;
        return start_engine(e, dir, engine) || fail("could not start the engine");
    }
    void send(const std::string& line) {
        send_line(e, line);
        ++lines_sent;
        last_line = line;
        if (trace) std::fprintf(stderr, "> %s\n", line.substr(0, 100).c_str());
    }
    // The output since the last expectation up to the answer of the sync line sent now; false (failed,
    // unless the engine ended as it may) when none comes within 60 s.
    bool sync(std::string* answer) {
        const size_t begin = e.consumed;
        send_line(e, sync_line);
        if (!expect_output(e, sync_answer, 60000)) {
            ended = may_die && wait_exit(e, 5000, false) == 255;
            return ended ? false : fail("no answer within 60 s after: " + last_line.substr(0, 80));
        }
        *answer = e.output.substr(begin, e.consumed - begin - sync_answer.size());
        if (trace) std::fprintf(stderr, "%s", answer->c_str());
        return true;
    }

    bool run(int number, void (*play)(Session&)) {
        setenv("ASAN_OPTIONS", ("log_path=" + dir + "/sanitizer:detect_leaks=0").c_str(), 1);
        setenv("UBSAN_OPTIONS", ("log_path=" + dir + "/sanitizer:print_stacktrace=1").c_str(), 1);
        play(*this);
        if (why.empty() && !ended) {
            const int end = pick(3);
            if (end == 0) send("quit");
            const std::string tail = end < 2 ? "" : pick(2) ? "quit" : random_bytes(1 + pick(40));
            [[maybe_unused]] const ssize_t written = write(e.to_engine, tail.data(), tail.size());  // end 2: no newline
            const int status = wait_exit(e, 60000, true);
            if (status != 0 && !(may_die && status == 255)) fail("exit status " + std::to_string(status));
        } else if (!ended && e.pid > 0) {
            wait_exit(e, 5000, true);
        }
        const std::string bad = logs ? first_bad_log_line(read_file(dir, "vexmolog.txt")) : "";
        if (!bad.empty()) fail("incomplete log line: " + bad);
        const std::string report = read_file(dir, "sanitizer." + std::to_string(e.pid));
        if (report != "<missing>") why = "sanitizer report:\n" + report;
        for (const char* file : {"vexmo.ini", "vexmolog.txt"})
            if (why.empty() && logs) unlink((dir + "/" + file).c_str());
        if (why.empty() && rmdir(dir.c_str()) != 0) fail("files left in the working directory");
        if (!why.empty()) std::fprintf(stderr, "session %d (directory %s): %s\n", number, dir.c_str(), why.c_str());
        return why.empty();
    }
};

// The fuzzer's main; play writes its files into s.dir, starts the engine there and plays.
inline int run_fuzz_sessions(int argc, char** argv, const char* name, void (*play)(Session& s)) {
    static const char* const names[] = {"--seed", "--sessions", "--seconds", "--first", "--trace"};
    int options[] = {1, 1000, 60, 0, 0};
    for (int i = 1; i < argc; i += 2) {
        const long k = std::find(names, names + 5, std::string(argv[i])) - names;
        if (k == 5 || i + 1 == argc) {
            std::fprintf(stderr, "usage: %s [--seed S] [--sessions N] [--seconds T] [--first K] [--trace 1]\n",
                         argv[0]);
            return 2;
        }
        options[k] = std::atoi(argv[i + 1]);
    }
    start_engine(0);           // the library behind the fuzzer's own board
    signal(SIGPIPE, SIG_IGN);  // an engine that has ended is seen by its missing answer
    trace = options[4];
    const std::time_t begin = std::time(nullptr);
    int done = 0, failed = 0;
    for (; done < options[1] && std::time(nullptr) - begin < options[2]; ++done) {
        rng.seed(unsigned(options[0]) * 100003u + unsigned(options[3] + done));
        failed += !Session().run(options[3] + done, play);
    }
    std::printf("%s: seed %d, %d sessions, %lld lines, %d failed, %lld s\n", name, options[0], done, lines_sent,
                failed, (long long)(std::time(nullptr) - begin));
    return failed ? 1 : 0;
}
