// What the protocol fuzzers of both front ends share: random text, the
// fuzzer's own board, the engine session with its endings and final checks,
// and the loop of sessions with its command line.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "engine_process.h"

extern std::mt19937 rng;  // seeded afresh for every session, so any session replays alone
extern bool trace;        // print every session's lines and answers (--trace 1)

int pick(int n);  // 0 to n - 1
template <class T, size_t N>
T pick_of(T (&list)[N]) { return list[pick(int(N))]; }
// Bytes without a newline or a NUL, the first starting no command or square.
std::string random_bytes(int length);
// Garbage of 1 to 80 bytes, or now and then of a length at a buffer's edge.
std::string random_line(int longest);
// A number as a front end or a fuzzer might write one: small, negative,
// past the int range, hexadecimal, no digits at all.
std::string number_text();

// The legal moves of the fuzzer's board at ply 0 (its list generated), and
// the one written as text (0 when none).
std::vector<Move> legal_moves();
Move legal_move_named(const std::string& text);

struct FrontEnd;
struct Session {
    const FrontEnd* front_end = nullptr;
    EngineProcess e;
    std::string dir, last_line, why;  // why: the first failure, "" while none
    long long* lines = nullptr;
    bool may_die = false;  // a line was sent after which the engine may end with status 255
    bool ended = false;    // it did

    bool fail(const std::string& reason);  // returns false, for `return s.fail(...)`
    void send(const std::string& line);
    // The output since the last expectation, up to the answer of the sync
    // line sent now; false (failed, unless the engine died as it may) when
    // none comes within 60 s.
    bool sync(std::string* answer);
};

struct FrontEnd {
    const char* name;  // of the summary line
    const char* engine;
    const char* sync_line;
    const char* sync_answer;
    bool logs;  // writes vexmolog.txt (which must be complete) and vexmo.ini, and nothing else
    // Writes its files into s.dir, starts the engine there and plays; the
    // session's end (quit, end of input, a last line without its newline)
    // and the checks of the exit, the directory and the sanitizers are shared.
    void (*play)(Session& s);
};

bool start(Session& s);  // false (failed) when the engine could not be started

// The fuzzer's main: reads --seed S --sessions N --seconds T --first K
// --trace 1, runs sessions numbered from K (each from its own seed) until N
// are done or T seconds have passed, prints "NAME: seed ..., sessions,
// lines, failed, seconds" and returns the exit status (1 when any failed).
int run_fuzz_sessions(int argc, char** argv, const FrontEnd& front_end);
