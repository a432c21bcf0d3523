// What the protocol fuzzers of both front ends share: random text, the
// fuzzer's own board, the engine session with its end and final checks, and
// the loop of sessions with its command line:
//   --seed S --sessions N --seconds T --first K --trace 1
// runs sessions numbered from K, each from its own seed, until N are done or
// T seconds have passed (--first K --sessions 1 --trace 1 replays session K
// with its transcript), and prints "NAME: seed, sessions, lines, failed, s".
#pragma once

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "engine_process.h"
#include "log_format.h"
#include "search/search.h"

inline std::mt19937 rng;  // seeded afresh for every session, so any session replays alone
inline bool trace;        // print every session's lines and answers

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

// A number as a front end or a fuzzer might write one.
inline std::string number_text() {
    static const char* const numbers[] = {"0", "1", "-5", "30", "100", "99999999999", "-99999999999", "2147483647",
                                          "x", "", "0x20"};
    return pick_of(numbers);
}

// The legal moves of the fuzzer's board at ply 0 (its list generated), and
// the one written as text (0 when none).
inline std::vector<Move> legal_moves() {
    std::vector<Move> moves;
    for (int i = first_move[0]; i < last_move[0]; ++i)
        if (make_legal_move(move_list[i].move)) {
            moves.push_back(move_list[i].move);
            unmake_move();
        }
    return moves;
}
inline Move legal_move_named(const std::string& text) {
    for (const Move m : legal_moves())
        if (text == long_algebraic(m)) return m;
    return 0;
}

struct Session;
struct FrontEnd {
    const char* name;  // of the summary line
    const char* engine;
    const char* sync_line;    // sent after a line, so that
    const char* sync_answer;  // its answer ends the line's
    bool logs;  // writes vexmolog.txt (which must be complete) and vexmo.ini, and nothing else
    // Writes its files into s.dir, starts the engine there and plays; the
    // end (quit, end of input, a last line without its newline) is shared.
    void (*play)(Session& s);
};

struct Session {
    const FrontEnd* front_end = nullptr;
    EngineProcess e;
    std::string dir = make_temp_dir(), last_line, why;  // why: the first failure, "" while none
    long long* lines = nullptr;
    bool may_die = false;  // a line was sent after which the engine may end with status 255
    bool ended = false;    // it did

    bool fail(const std::string& reason) {  // false, for `return s.fail(...)`
        if (why.empty()) why = reason;
        return false;
    }
    bool start() { return start_engine(e, dir, front_end->engine) || fail("could not start the engine"); }
    void send(const std::string& line) {
        send_line(e, line);
        ++*lines;
        last_line = line;
        if (trace) std::fprintf(stderr, "> %s\n", line.substr(0, 100).c_str());
    }
    // The output since the last expectation up to the answer of the sync
    // line sent now; false (failed, unless the engine ended as it may) when
    // none comes within 60 s.
    bool sync(std::string* answer) {
        const size_t begin = e.consumed;
        const std::string marker = front_end->sync_answer;
        send_line(e, front_end->sync_line);
        if (!expect_output(e, marker, 60000)) {
            ended = may_die && wait_exit(e, 5000, false) == 255;
            return ended ? false : fail("no answer within 60 s after: " + last_line.substr(0, 80));
        }
        *answer = e.output.substr(begin, e.consumed - begin - marker.size());
        if (trace) std::fprintf(stderr, "%s", answer->c_str());
        return true;
    }

    // The front end's play, an end, then the checks: the exit status, the
    // log, the sanitizers' report, and the directory, which must hold
    // nothing but the front end's own files.
    bool run(int number) {
        setenv("ASAN_OPTIONS", ("log_path=" + dir + "/sanitizer:detect_leaks=0").c_str(), 1);
        setenv("UBSAN_OPTIONS", ("log_path=" + dir + "/sanitizer:print_stacktrace=1").c_str(), 1);
        front_end->play(*this);
        if (why.empty() && !ended) {
            const int end = pick(3);
            if (end == 0) send("quit");
            const std::string tail = end < 2 ? "" : pick(2) ? "quit" : random_bytes(1 + pick(40));
            if (write(e.to_engine, tail.data(), tail.size()) < 0) {  // end 2: a last line without its newline
            }
            const int status = wait_exit(e, 60000, true);
            if (status != 0 && !(may_die && status == 255)) fail("exit status " + std::to_string(status));
        } else if (!ended && e.pid > 0) {
            wait_exit(e, 5000, true);
        }
        const std::string bad = front_end->logs ? first_bad_log_line(read_file(dir, "vexmolog.txt")) : "";
        if (!bad.empty()) fail("incomplete log line: " + bad);
        const std::string report = read_file(dir, "sanitizer." + std::to_string(e.pid));
        if (report != "<missing>") why = "sanitizer report:\n" + report;
        for (const char* file : {"vexmo.ini", "vexmolog.txt"})
            if (why.empty() && front_end->logs) unlink((dir + "/" + file).c_str());
        if (why.empty() && rmdir(dir.c_str()) != 0) fail("files left in the working directory");
        if (!why.empty()) std::fprintf(stderr, "session %d (directory %s): %s\n", number, dir.c_str(), why.c_str());
        return why.empty();
    }
};

inline int run_fuzz_sessions(int argc, char** argv, const FrontEnd& front_end) {
    unsigned seed = 1;
    int sessions = 1000, seconds = 60, first = 0, done = 0, failed = 0;
    for (int i = 1; i < argc; i += 2) {
        const int value = i + 1 < argc ? std::atoi(argv[i + 1]) : -1;
        const std::string option = argv[i];
        if (option == "--seed") seed = unsigned(value);
        else if (option == "--sessions") sessions = value;
        else if (option == "--seconds") seconds = value;
        else if (option == "--first") first = value;
        else if (option == "--trace") trace = value != 0;
        else {
            std::fprintf(stderr, "usage: %s [--seed S] [--sessions N] [--seconds T] [--first K] [--trace 1]\n",
                         argv[0]);
            return 2;
        }
    }
    start_engine(0);           // the library behind the fuzzer's own board
    signal(SIGPIPE, SIG_IGN);  // an engine that has ended is seen by its missing answer
    const std::time_t begin = std::time(nullptr);
    long long lines = 0;
    for (; done < sessions && std::time(nullptr) - begin < seconds; ++done) {
        rng.seed(seed * 100003u + unsigned(first + done));
        Session s;
        s.front_end = &front_end;
        s.lines = &lines;
        failed += !s.run(first + done);
    }
    std::printf("%s: seed %u, %d sessions, %lld lines, %d failed, %lld s\n", front_end.name, seed, done, lines,
                failed, (long long)(std::time(nullptr) - begin));
    return failed ? 1 : 0;
}
