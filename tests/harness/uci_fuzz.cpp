// UCI protocol fuzzer: drives the real vexmoth-uci through many sessions of
// random input and fails on anything a GUI must never see.
//
// usage: vexmoth-uci-fuzz [--seed S] [--sessions N] [--seconds T]
//                         [--first K] [--trace 1]
// (--first K --sessions 1 --trace 1 replays session K with its transcript)
//
// Each session starts the engine in a fresh directory and sends a random mix
// of every command with good and bad arguments: positions from the initial
// one or a FEN (good ones, damaged ones) with legal move lists, now and then
// broken by a bad move; searches under every kind of limit, infinite ones
// stopped after a random moment, with isready and other commands sent while
// they run; searches of some moves (searchmoves, now and then naming moves
// that are not legal), mate searches, ponder searches ended by a ponderhit
// or a stop; options good and bad (MultiPV and Ponder among them); garbage
// bytes, blank and over-long lines. It ends with "quit", the end of input
// (sometimes during a search) or a last line without its newline.
//
// The fuzzer keeps its own copy of the position (the engine library's board,
// following the rules the engine states: a refused FEN keeps the position
// before, a refused move keeps the moves before it) and checks: every
// refusal and only a refusal says "info string"; every "isready" gets its
// "readyok" within 60 seconds; every "go" gets exactly one "bestmove",
// legal here (or 0000 exactly when there is no legal move) and one of the
// moves searchmoves named when it named legal ones, with a ponder move
// legal after it, every pv of its info lines legal move by move; the exit
// status is 0; no sanitizer report; nothing is left in the working
// directory.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "engine_process.h"
#include "eval/eval.h"
#include "harness/fuzz_sessions.h"
#include "search/search.h"
#include "play_out_starts.h"

namespace {

constexpr int FEN_LIMIT = 255;  // the engine refuses a longer FEN text

// The position the engine should have: its set-up and the moves since.
struct Model {
    std::string fen;  // "" for the initial position
    std::vector<Move> moves;
};
Model model;

std::vector<std::string> split_words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Puts the model's position on the fuzzer's board.
void set_up_model() {
    if (model.fen.empty()) {
        new_position();
    } else {
        const char* error = nullptr;
        set_position_from_fen(model.fen.c_str(), &error);
    }
    generate_root_moves();
    for (const Move m : model.moves) {
        make_move(m);
        generate_root_moves();
    }
}

// The legal move of the board written as text, or 0.
Move legal_move_named(const std::string& text) {
    for (const Move m : legal_moves())
        if (text == long_algebraic(m)) return m;
    return 0;
}

// Follows a "position" line as the engine states it does; returns whether
// the engine must refuse part of it (and say so with an info string).
bool follow_position(const std::string& line) {
    const std::vector<std::string> w = split_words(line);
    size_t at = 2;
    std::string fen;
    if (w.size() >= 2 && w[1] == "fen") {
        for (; at < w.size() && w[at] != "moves"; ++at) fen += (fen.empty() ? "" : " ") + w[at];
        if (fen.empty() || fen.size() > size_t(FEN_LIMIT)) return true;
    } else if (w.size() < 2 || w[1] != "startpos") {
        return true;
    }
    if (at < w.size() && w[at] != "moves") return true;
    const char* error = nullptr;
    if (!fen.empty() && !set_position_from_fen(fen.c_str(), &error)) {
        set_up_model();
        return true;
    }
    model.fen = fen;
    model.moves.clear();
    set_up_model();
    for (size_t i = at + 1; i < w.size(); ++i) {
        const Move m = legal_move_named(w[i]);
        if (model.moves.size() == size_t(GAME_HISTORY_LIMIT) || !m) return true;
        make_move(m);
        generate_root_moves();
        model.moves.push_back(m);
    }
    return false;
}

// Printable characters only, so that the engine splits the line into the
// words the model splits it into.
char printable() { return char(32 + pick(95)); }

std::string random_fen() {
    std::string fen = PLAY_OUT_STARTS[pick(PLAY_OUT_START_COUNT)];
    switch (pick(8)) {
        case 0: fen[size_t(pick(int(fen.size())))] = printable(); break;
        case 1: fen = fen.substr(0, size_t(pick(int(fen.size())))); break;
        case 2: fen += " " + number_text(); break;
        case 3: fen = std::string(size_t(200 + pick(100)), 'p'); break;
        case 4: fen = "8/8/8/8/8/8/8/K6k w - - 0 1"; break;
        case 5: fen = "QQQQQQQQ/QQQQQQQQ/8/8/8/8/8/K6k w - - 0 1"; break;
        default: break;  // unchanged
    }
    return fen;
}

// A position line: a set-up, then random legal moves from it, now and then
// a bad move (and more after it) or no "moves" where it belongs.
std::string random_position() {
    std::string line = "position ";
    const int kind = pick(20);
    if (kind == 0) return line + std::string(pick(2) ? "" : "nowhere");
    std::string base = kind < 8 ? "" : random_fen();
    line += base.empty() ? "startpos" : "fen " + base;
    // The moves are chosen on the board from the set-up when it is sound.
    const char* error = nullptr;
    if (base.empty())
        new_position();
    else if (!set_position_from_fen(base.c_str(), &error)) {
        set_up_model();
        return line + " moves e2e4";
    }
    generate_root_moves();
    if (pick(10) == 0) line += " e2e4";  // a word where "moves" belongs
    std::string moves;
    const int count = pick(4) == 0 ? 0 : pick(60);
    for (int i = 0; i < count; ++i) {
        const std::vector<Move> legal = legal_moves();
        if (legal.empty()) break;
        const Move m = legal[size_t(pick(int(legal.size())))];
        moves += std::string(" ") + long_algebraic(m);
        make_move(m);
        generate_root_moves();
    }
    if (pick(5) == 0) {  // a bad move: malformed, illegal, or a square out of range
        const char* bad[] = {"e2e5", "E2E4", "e7e8", "a1a1", "i1a1", "e2", "0000", "e1g1", "e7e8k", "a2a4q"};
        moves += std::string(" ") + bad[pick(10)];
        if (pick(2)) moves += " e2e4 d7d5";
    }
    if (pick(50) == 0)  // past the history limit
        for (int i = 0; i < 260; ++i) moves += " g1f3 g8f6 f3g1 f6g8";
    set_up_model();  // the board is the model's again
    return line + (moves.empty() && pick(2) ? "" : " moves" + moves);
}

std::string random_option() {
    const char* names[] = {"Hash", "hash", "nullmove", "NEGA_SCOUT", "pre_prune", "fractional_extension",
                           "tune", "research", "Clear Hash", "Ponder", "Threads", "MultiPV", "multipv"};
    const char* values[] = {"true", "false", "TRUE", "maybe", "0", "1", "5", "20", "64", "2", "3"};
    std::string line = "setoption";
    if (pick(10)) line += " name " + std::string(names[pick(13)]);
    if (pick(4)) line += " value " + (pick(3) ? std::string(values[pick(11)]) : number_text());
    return line;
}

// What a go asks: its line; whether its limits end it without a stop (a
// ponder search: once it has its ponderhit); whether it ponders; and the
// moves searchmoves named that are legal here (empty: any move).
struct GoPlan {
    std::string line;
    bool finite = true;
    bool ponder = false;
    std::vector<std::string> allowed;
};

// "searchmoves" and one to three legal moves of the model, now and then a
// word that is no legal move; the legal ones go into plan.allowed.
std::string random_searchmoves(GoPlan* plan) {
    std::string words = " searchmoves";
    const std::vector<Move> legal = legal_moves();
    const int count = legal.empty() ? 0 : 1 + pick(3);
    for (int i = 0; i < count; ++i) {
        const std::string text = long_algebraic(legal[size_t(pick(int(legal.size())))]);
        words += " " + text;
        plan->allowed.push_back(text);
    }
    if (pick(4) == 0) words += pick(2) ? " e2e5" : " zz";
    return words;
}

// A go line with a limit that ends it by itself; garbage numbers aside.
std::string finite_limit() {
    switch (pick(4)) {
        case 0: return " depth " + std::to_string(1 + pick(4));
        case 1: return " nodes " + std::to_string(1 + pick(30000));
        case 2: return " movetime " + std::to_string(1 + pick(60));
        default: return " wtime " + std::to_string(pick(1500)) + " btime " + std::to_string(pick(1500));
    }
}

// A go that asks more than a move: some moves, a mate, pondering.
GoPlan random_special_go() {
    GoPlan plan;
    switch (pick(4)) {
        case 0:
            plan.line = "go" + finite_limit() + random_searchmoves(&plan);
            break;
        case 1:
            plan.line = "go" + random_searchmoves(&plan) + (pick(2) ? " infinite" : "");
            plan.finite = false;
            break;
        case 2:
            // Without a depth a mate search of a position without the mate
            // may run long: it is stopped.
            plan.line = "go mate " + std::to_string(1 + pick(3));
            if (pick(2))
                plan.line += " depth " + std::to_string(1 + pick(4));
            else
                plan.finite = false;
            break;
        default:
            plan.ponder = true;
            plan.line = "go ponder";
            if (pick(4))
                plan.line += finite_limit();
            else
                plan.finite = false;
            if (pick(3) == 0) plan.line += random_searchmoves(&plan);
            break;
    }
    return plan;
}

// A go line; `finite` says whether its limits end it without a stop.
std::string random_go(bool* finite) {
    *finite = true;
    switch (pick(9)) {
        case 0: return "go depth " + std::to_string(1 + pick(4));
        case 1: return "go nodes " + std::to_string(1 + pick(30000));
        case 2: return "go movetime " + std::to_string(1 + pick(60));
        case 3: {
            std::string line = "go wtime " + std::to_string(pick(1500)) + " btime " + std::to_string(pick(1500));
            if (pick(2)) line += " winc " + std::to_string(pick(50)) + " binc " + std::to_string(pick(50));
            if (pick(3) == 0) line += " movestogo " + std::to_string(1 + pick(40));
            return line;
        }
        case 4: *finite = false; return "go infinite";
        case 5: *finite = false; return "go";
        case 6: *finite = false; return pick(2) ? "go searchmoves" : "go mate";
        case 7: {
            const char* fields[] = {"depth", "nodes", "movetime", "wtime", "btime", "movestogo", "winc"};
            *finite = false;  // a garbage number may leave no limit at all
            return std::string("go ") + fields[pick(7)] + " " + number_text();
        }
        default: *finite = false; return "go " + random_bytes(1 + pick(20));
    }
}

// A line that is no command of the engine.
std::string random_garbage() {
    const int lengths[] = {1, 2, 254, 255, 1000, 70000};
    switch (pick(6)) {
        case 0: return "";
        case 1: return "   ";
        case 2: return "ponderhit";
        case 3: return "GO depth 1";
        default: return random_bytes(pick(3) ? 1 + pick(80) : lengths[pick(6)]);
    }
}

// A sane move of the model's position (or no legal move) for the bestmove,
// one of `allowed` when it names any.
bool bestmove_is_legal(const std::string& text, const std::vector<std::string>& allowed) {
    const std::vector<Move> legal = legal_moves();
    if (legal.empty()) return text == "0000";
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), text) == allowed.end()) return false;
    return legal_move_named(text) != 0;
}

bool pv_is_legal(const std::string& pv) {
    int made = 0;
    bool ok = true;
    for (const std::string& w : split_words(pv)) {
        const Move m = legal_move_named(w);
        if (!m) {
            ok = false;
            break;
        }
        make_move(m);
        generate_root_moves();
        ++made;
    }
    for (int i = 0; i < made; ++i) unmake_move();
    generate_root_moves();
    return ok;
}

// Checks a search's output (up to and with its bestmove line) against the
// model: "bestmove M" or "bestmove M ponder R", R legal after M.
bool check_search(Outcome& o, const std::string& go, const std::string& out,
                  const std::vector<std::string>& allowed) {
    std::istringstream lines(out);
    int bestmoves = 0;
    for (std::string l; std::getline(lines, l);) {
        const size_t pv = l.find(" pv ");
        if (l.rfind("info ", 0) == 0 && pv != std::string::npos && !pv_is_legal(l.substr(pv + 4)))
            return fail(o, go + ": pv not legal: " + l);
        if (l.rfind("bestmove ", 0) == 0) {
            ++bestmoves;
            const std::vector<std::string> w = split_words(l);
            const bool shape = w.size() == 2 || (w.size() == 4 && w[2] == "ponder");
            if (!shape || !bestmove_is_legal(w[1], allowed)) return fail(o, go + ": bestmove not legal: " + l);
            if (w.size() == 4 && !pv_is_legal(w[1] + " " + w[3])) return fail(o, go + ": ponder move not legal: " + l);
        }
    }
    if (bestmoves != 1) return fail(o, go + ": " + std::to_string(bestmoves) + " bestmove lines");
    return true;
}

struct Session {
    EngineProcess e;
    Outcome o;
    long long* lines = nullptr;
};

void send(Session& s, const std::string& line) {
    send_line(s.e, line);
    ++*s.lines;
    if (trace) std::fprintf(stderr, "> %s\n", line.substr(0, 100).c_str());
}

// The output of everything sent so far, up to the readyok of an isready
// sent now.
bool sync(Session& s, std::string* answer) {
    const size_t begin = s.e.consumed;
    send(s, "isready");
    if (!expect_output(s.e, "readyok\n", 60000)) return fail(s.o, "no readyok within 60 s");
    *answer = s.e.output.substr(begin, s.e.consumed - begin - 8);
    if (trace) std::fprintf(stderr, "%s", answer->c_str());
    return true;
}

// One command outside a search, then the check of its answer.
bool plain_action(Session& s) {
    std::string line;
    bool refusal = false, quiet = true;  // quiet: no info string expected either way
    const int kind = pick(100);
    if (kind < 40) {
        line = random_position();
        refusal = follow_position(line);
        quiet = false;
    } else if (kind < 55) {
        line = random_option();
    } else if (kind < 65) {
        const char* plain[] = {"uci", "ucinewgame", "debug on", "debug off", "stop"};
        line = plain[pick(5)];
    } else {
        line = random_garbage();
    }
    send(s, line);
    std::string answer;
    if (!sync(s, &answer)) return false;
    if (answer.find("bestmove") != std::string::npos) return fail(s.o, "bestmove without go after: " + line);
    const bool said = answer.find("info string") != std::string::npos;
    if (!quiet && said != refusal)
        return fail(s.o, std::string(refusal ? "refusal not reported" : "accepted line reported") + ": " +
                             line.substr(0, 200) + "\n" + answer);
    return true;
}

// A search: the go, now and then lines sent while it runs, a ponderhit for
// a ponder search (or a stop instead), a stop when it needs one (and
// sometimes when it does not), its bestmove, then the lines that waited,
// followed by the model.
bool search_action(Session& s) {
    GoPlan plan;
    if (pick(3) == 0)
        plan = random_special_go();
    else
        plan.line = random_go(&plan.finite);
    const std::string& go = plan.line;
    bool finite = plan.finite;
    const size_t begin = s.e.consumed;
    send(s, go);
    std::vector<std::string> waiting;  // position lines the engine carries out after the search
    int readies = 0;                   // isready lines sent during the search
    const int extra = pick(3) == 0 ? 1 + pick(3) : 0;
    for (int i = 0; i < extra; ++i) {
        usleep(useconds_t(pick(20000)));
        const int k = pick(4);
        const std::string line = k == 0 ? "isready" : k == 1 ? random_position() : k == 2 ? random_option() : "ucinewgame";
        if (k == 0) ++readies;
        if (k == 1) waiting.push_back(line);
        send(s, line);
    }
    if (plan.ponder) {
        usleep(useconds_t(pick(50000)));
        if (pick(3) == 0)
            finite = false;  // the opponent played another move: stopped
        else
            send(s, "ponderhit");
    }
    if (!finite || pick(5) == 0) {
        usleep(useconds_t(pick(50000)));
        send(s, "stop");
    }
    if (!expect_output(s.e, "bestmove ", 60000) || !expect_output(s.e, "\n", 5000))
        return fail(s.o, "no bestmove within 60 s after: " + go);
    const std::string out = s.e.output.substr(begin, s.e.consumed - begin);
    if (trace) std::fprintf(stderr, "%s", out.c_str());
    if (!check_search(s.o, go, out, plan.allowed)) return false;
    // An isready the search did not answer is answered after it, in order.
    for (size_t at = out.find("readyok\n"); at != std::string::npos; at = out.find("readyok\n", at + 1)) --readies;
    for (; readies > 0; --readies)
        if (!expect_output(s.e, "readyok\n", 60000)) return fail(s.o, "no readyok within 60 s during: " + go);
    for (const std::string& line : waiting) follow_position(line);
    std::string answer;
    if (!sync(s, &answer)) return false;
    if (answer.find("bestmove") != std::string::npos) return fail(s.o, "a second bestmove after: " + go);
    return true;
}

Outcome run_session(int number, long long& lines) {
    Session s;
    s.lines = &lines;
    const std::string dir = make_temp_dir();
    direct_sanitizer_reports(dir);
    if (!start_engine(s.e, dir, VEXMOTH_UCI_ENGINE)) {
        fail(s.o, "could not start the engine");
        return s.o;
    }
    model = Model();
    set_up_model();
    send(s, "uci");
    if (!expect_output(s.e, "uciok\n", 60000)) fail(s.o, "no uciok");
    const int actions = 10 + pick(60);
    for (int a = 0; a < actions && !s.o.failed; ++a) {
        if (pick(3) == 0)
            search_action(s);
        else
            plain_action(s);
    }
    if (!s.o.failed) {
        const int end = pick(4);
        if (end == 0) send(s, "quit");
        if (end == 1) {  // a search still running when the input ends or quit comes
            send(s, "go infinite");
            usleep(useconds_t(pick(30000)));
            if (pick(2)) send(s, "quit");
        }
        if (end == 2) {  // a last line without its newline
            const std::string tail = pick(2) ? "quit" : random_bytes(1 + pick(40));
            if (write(s.e.to_engine, tail.data(), tail.size()) < 0) {
            }
        }
        const int status = wait_exit(s.e, 60000, true);
        if (status != 0) fail(s.o, "exit status " + std::to_string(status));
    }
    const std::string report = sanitizer_report(dir, s.e.pid);
    if (!report.empty()) fail(s.o, "sanitizer report:\n" + report);
    if (!s.o.failed && std::system(("rm -rf '" + dir + "/sanitizer' && rmdir '" + dir + "'").c_str()) != 0)
        fail(s.o, "files left in the working directory " + dir);
    if (s.o.failed) std::fprintf(stderr, "session %d (directory %s): %s\n", number, dir.c_str(), s.o.why.c_str());
    return s.o;
}

}  // namespace

int main(int argc, char** argv) {
    start_engine(0);  // the fuzzer keeps its own copy of the engine's position
    return run_fuzz_sessions(argc, argv, "uci protocol fuzz", run_session);
}
