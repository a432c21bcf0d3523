// What the protocol fuzzers of both front ends share: the random source,
// random text, the sanitizer reports of the engine under test, and the loop
// of sessions with its command line.
#pragma once

#include <sys/types.h>

#include <random>
#include <string>
#include <vector>

#include "board/board.h"

extern std::mt19937 rng;  // seeded afresh for every session, so any session replays alone
extern bool trace;        // print every session's lines and answers (--trace 1)

// A random number from 0 to n - 1.
int pick(int n);
// length random bytes, never a newline or a NUL; the first is none of the
// characters a command or a square starts with, so the line is unknown.
std::string random_bytes(int length);
// A number as a front end or a fuzzer might write one: small, negative,
// past the int range, hexadecimal, no digits at all.
std::string number_text();

struct Outcome {
    bool failed = false;
    std::string why;
};
// The legal moves of the fuzzer's own board at ply 0 (its list generated).
std::vector<Move> legal_moves();

// Marks the session failed with the reason; returns false, for `return fail(...)`.
bool fail(Outcome& o, const std::string& why);

// Sends the sanitizers' reports of the engine started next into dir.
void direct_sanitizer_reports(const std::string& dir);
// The report the engine with this process id left in dir, or "" when none.
std::string sanitizer_report(const std::string& dir, pid_t pid);

// The fuzzer's main: reads --seed S --sessions N --seconds T --first K
// --trace 1, runs sessions numbered from K (each from its own seed) until N
// are done or T seconds have passed, prints "NAME: seed ..., sessions,
// lines, failed, seconds" and returns the exit status (1 when any failed).
int run_fuzz_sessions(int argc, char** argv, const char* name, Outcome (*run_session)(int number, long long& lines));
