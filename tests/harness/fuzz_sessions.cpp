#include "harness/fuzz_sessions.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "log_format.h"
#include "search/search.h"

std::mt19937 rng;
bool trace;

int pick(int n) { return int(rng() % unsigned(n)); }

std::string random_bytes(int length) {
    static const char openers[] = "0123456789!#$%&()*+-/<=>@[]^_{|}~ZYXJIAK";
    std::string s(1, openers[pick(int(sizeof openers) - 1)]);
    while (int(s.size()) < length) {
        const char c = char(pick(256));
        s += c == '\n' || c == '\0' ? '?' : c;
    }
    return s;
}

std::string random_line(int longest) {
    static const int edges[] = {1, 2, 254, 255, 256, 257, 1000, 2000, 70000};
    return random_bytes(std::min(pick(3) ? 1 + pick(80) : pick_of(edges), longest));
}

std::string number_text() {
    static const char* const numbers[] = {"0", "1",  "-5", "30", "100", "99999999999", "-99999999999",
                                          "2147483647", "x", "", "0x20"};
    return pick_of(numbers);
}

std::vector<Move> legal_moves() {
    std::vector<Move> moves;
    for (int i = first_move[0]; i < last_move[0]; ++i)
        if (make_legal_move(move_list[i].move)) {
            moves.push_back(move_list[i].move);
            unmake_move();
        }
    return moves;
}

Move legal_move_named(const std::string& text) {
    for (const Move m : legal_moves())
        if (text == long_algebraic(m)) return m;
    return 0;
}

bool Session::fail(const std::string& reason) {
    if (why.empty()) why = reason;
    return false;
}

void Session::send(const std::string& line) {
    send_line(e, line);
    ++*lines;
    last_line = line;
    if (trace) std::fprintf(stderr, "> %s\n", line.substr(0, 100).c_str());
}

bool Session::sync(std::string* answer) {
    const size_t begin = e.consumed;
    const std::string marker = front_end->sync_answer;
    send_line(e, front_end->sync_line);
    if (!expect_output(e, marker, 60000)) {
        ended = may_die && wait_exit(e, 5000, false) == 255;  // a bad set-up line may end the engine
        return ended ? false : fail("no answer within 60 s after: " + last_line.substr(0, 80));
    }
    *answer = e.output.substr(begin, e.consumed - begin - marker.size());
    if (trace) std::fprintf(stderr, "%s", answer->c_str());
    return true;
}

bool start(Session& s) { return start_engine(s.e, s.dir, s.front_end->engine) || s.fail("could not start"); }

namespace {

// One session: the front end's play, then an end as a front end may make
// it, the exit status, the log, the sanitizers' report, and the directory,
// which must hold nothing but the front end's own files.
bool run_session(const FrontEnd& front_end, int number, long long& lines) {
    Session s;
    s.front_end = &front_end;
    s.lines = &lines;
    s.dir = make_temp_dir();
    const std::string reports = s.dir + "/sanitizer";
    setenv("ASAN_OPTIONS", ("log_path=" + reports + ":detect_leaks=0").c_str(), 1);
    setenv("UBSAN_OPTIONS", ("log_path=" + reports + ":print_stacktrace=1").c_str(), 1);
    front_end.play(s);
    if (s.why.empty() && !s.ended) {
        const int end = pick(3);
        if (end == 0) s.send("quit");
        if (end == 2) {  // a last line without its newline
            const std::string tail = pick(2) ? "quit" : random_bytes(1 + pick(40));
            if (write(s.e.to_engine, tail.data(), tail.size()) < 0) {
            }
        }
        const int status = wait_exit(s.e, 60000, true);
        if (status != 0 && !(s.may_die && status == 255)) s.fail("exit status " + std::to_string(status));
    } else if (!s.ended && s.e.pid > 0) {
        wait_exit(s.e, 5000, true);
    }
    const std::string bad = front_end.logs ? first_bad_log_line(read_file(s.dir, "vexmolog.txt")) : "";
    if (!bad.empty()) s.fail("incomplete log line: " + bad);
    const std::string report = read_file(s.dir, "sanitizer." + std::to_string(s.e.pid));
    if (report != "<missing>") s.why = "sanitizer report:\n" + report;
    if (s.why.empty() && front_end.logs)
        for (const char* file : {"vexmo.ini", "vexmolog.txt"}) unlink((s.dir + "/" + file).c_str());
    if (s.why.empty() && rmdir(s.dir.c_str()) != 0) s.fail("files left in the working directory");
    if (!s.why.empty()) std::fprintf(stderr, "session %d (directory %s): %s\n", number, s.dir.c_str(), s.why.c_str());
    return s.why.empty();
}

}  // namespace

int run_fuzz_sessions(int argc, char** argv, const FrontEnd& front_end) {
    unsigned seed = 1;
    int sessions = 1000, seconds = 60, first = 0;
    for (int i = 1; i < argc; i += 2) {
        const int value = i + 1 < argc ? std::atoi(argv[i + 1]) : -1;
        if (!std::strcmp(argv[i], "--seed")) seed = unsigned(value);
        else if (!std::strcmp(argv[i], "--sessions")) sessions = value;
        else if (!std::strcmp(argv[i], "--seconds")) seconds = value;
        else if (!std::strcmp(argv[i], "--first")) first = value;
        else if (!std::strcmp(argv[i], "--trace")) trace = value != 0;
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
    int done = 0, failed = 0;
    for (; done < sessions && std::time(nullptr) - begin < seconds; ++done) {
        rng.seed(seed * 100003u + unsigned(first + done));  // each session replays from its own seed
        failed += !run_session(front_end, first + done, lines);
    }
    std::printf("%s: seed %u, %d sessions, %lld lines, %d failed, %lld s\n", front_end.name, seed, done, lines,
                failed, (long long)(std::time(nullptr) - begin));
    return failed ? 1 : 0;
}
