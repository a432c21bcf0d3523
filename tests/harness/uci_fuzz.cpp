// The UCI protocol fuzzer (options in fuzz_sessions.h): positions from the start or from good and damaged FENs
// with legal moves and now and then a bad one; searches under every limit, of some moves, for a mate, pondering,
// stopped at random moments, with commands sent meanwhile; options good and bad; garbage. Following the
// position on its board as the engine does, it fails a session unless only refusals say "info string", every
// isready and go is answered within 60 s, every go by a sound search (search_fault), and nothing is written.
#include "harness/fuzz_sessions.h"
#include "play_out_starts.h"

namespace {

// A set-up and random legal moves; now and then a bad move, a word where "moves" belongs, or too many moves.
std::string random_position() {
    static const char* const bad[] = {"e2e5", "E2E4", "e7e8", "a1a1", "i1a1", "e2", "0000", "e1g1", "e7e8k", "a2a4q"};
    const int kind = pick(20);
    if (kind == 0) return pick(2) ? "position " : "position nowhere";
    std::string fen = kind < 8 ? "" : PLAY_OUT_STARTS[pick(PLAY_OUT_START_COUNT)], moves;
    switch (kind < 8 ? -1 : pick(6)) {
        case 0: fen[size_t(pick(int(fen.size())))] = char(32 + pick(95)); break;  // printable: the same words
        case 1: fen.resize(size_t(pick(int(fen.size())))); break;
        case 2: fen += " " + number_text(); break;
        case 3: fen = std::string(size_t(200 + pick(100)), 'p'); break;
    }
    std::string line = fen.empty() ? "position startpos" : "position fen " + fen;
    if (!set_up(fen)) return line + " moves e2e4";
    if (pick(10) == 0) line += " e2e4";
    Move m;
    for (int i = pick(4) ? pick(60) : 0; i > 0 && (m = random_legal_move()); --i) {
        moves += std::string(" ") + long_algebraic(m);
        play_move(m);
    }
    if (pick(5) == 0) moves += std::string(" ") + pick_of(bad) + (pick(2) ? " e2e4 d7d5" : "");
    for (int i = pick(50) ? 0 : 260; i > 0; --i) moves += " g1f3 g8f6 f3g1 f6g8";
    set_up(model_fen, model_moves);
    return line + (moves.empty() && pick(2) ? "" : " moves" + moves);
}

std::string random_option() {
    static const char* const names[] = {"Hash", "hash", "nullmove", "NEGA_SCOUT", "pre_prune", "fractional_extension",
                                        "tune", "research", "Clear Hash", "Ponder", "Threads", "MultiPV", "multipv",
                                        "UCI_LimitStrength", "UCI_Elo"};
    static const char* const values[] = {"true", "false", "TRUE", "maybe", "0", "1", "5", "20", "64", "2", "3", "1000"};
    std::string line = "setoption";
    if (pick(10)) line += std::string(" name ") + pick_of(names);
    if (pick(4)) line += " value " + (pick(3) ? std::string(pick_of(values)) : number_text());
    return line;
}

// A go: its line, whether it ends without a stop (a ponder search: once hit), and whether it ponders.
struct Go {
    std::string line = "go";
    bool finite = true, ponder = false;
    std::vector<std::string> allowed;  // the legal moves searchmoves named (none: any move)
};

Go random_go() {
    static const char* const fields[] = {"depth", "nodes", "movetime", "wtime", "btime", "movestogo", "winc"};
    auto number = [](int n) { return " " + std::to_string(n); };
    Go go;
    const int kind = pick(13), limit = pick(4);
    go.ponder = kind == 12;
    go.finite = kind < 4 || kind == 9 || (kind == 11 && pick(2)) || (go.ponder && pick(4));
    if (go.ponder) go.line += " ponder";
    if (kind == 11) go.line += " mate" + number(1 + pick(3));  // without a limit, maybe a long search
    if (go.finite && limit == 0) go.line += " depth" + number(1 + pick(4));
    if (go.finite && limit == 1) go.line += " nodes" + number(1 + pick(30000));
    if (go.finite && limit == 2) go.line += " movetime" + number(1 + pick(60));
    if (go.finite && limit == 3) go.line += " wtime" + number(pick(1500)) + " btime" + number(pick(1500));
    if (go.finite && limit == 3 && pick(2)) go.line += " winc" + number(pick(50)) + " binc" + number(pick(50));
    if (go.finite && limit == 3 && !pick(3)) go.line += " movestogo" + number(1 + pick(40));
    if (kind == 4) go.line += " infinite";
    if (kind == 6) go.line += pick(2) ? " searchmoves" : " mate";
    if (kind == 7) go.line += std::string(" ") + pick_of(fields) + " " + number_text();  // maybe no limit at all
    if (kind == 8) go.line += " " + random_bytes(1 + pick(20));
    if (kind == 9 || kind == 10 || (go.ponder && !pick(3))) {  // one to three legal moves, now and then no move
        go.line += " searchmoves";
        for (int i = legal_entries().empty() ? 0 : 1 + pick(3); i > 0; --i) {
            go.allowed.push_back(long_algebraic(random_legal_move()));
            go.line += " " + go.allowed.back();
        }
        go.line += pick(4) ? "" : pick(2) ? " e2e5" : " zz";
    }
    if (kind == 10 && pick(2)) go.line += " infinite";
    return go;
}

// One command outside a search: no bestmove, and an info string for a position line exactly when it is refused.
bool plain_action(Session& s) {
    static const char* const plain[] = {"uci", "ucinewgame", "debug on", "debug off", "stop", "", "   ", "ponderhit",
                                        "GO depth 1"};
    const int kind = pick(100);
    const std::string line = kind < 40 ? random_position() : kind < 55 ? random_option() : kind < 85 ? pick_of(plain)
                                                                                                   : random_line(70000);
    const bool refusal = kind < 40 && follow_position(line);
    s.send(line);
    std::string answer;
    if (!s.sync(&answer)) return false;
    if (answer.find("bestmove") != std::string::npos) return s.fail("bestmove without go after: " + line);
    if (kind < 40 && (answer.find("info string") != std::string::npos) != refusal)
        return s.fail((refusal ? "refusal not reported: " : "accepted line reported: ") + line.substr(0, 200) + "\n" +
                      answer);
    return true;
}

// A search: the go, now and then isready, position, option and ucinewgame lines while it runs, a ponderhit or
// a stop for a ponder search, a stop when needed (now and then not), its bestmove, the readyoks owed, no more.
bool search_action(Session& s) {
    Go go = random_go();
    const size_t begin = s.e.consumed;
    s.send(go.line);
    std::vector<std::string> waiting;  // position lines the engine carries out after the search
    int readies = 0;
    for (int i = pick(3) ? 0 : 1 + pick(3); i > 0; --i) {
        usleep(useconds_t(pick(20000)));
        const int k = pick(4);
        if (k == 1) waiting.push_back(random_position());
        s.send(k == 0 ? "isready" : k == 1 ? waiting.back() : k == 2 ? random_option() : "ucinewgame");
        readies += k == 0;
    }
    if (go.ponder) {
        usleep(useconds_t(pick(50000)));
        if (pick(3) == 0) go.finite = false;  // the opponent played another move: stopped
        else s.send("ponderhit");
    }
    if (!go.finite || pick(5) == 0) {
        usleep(useconds_t(pick(50000)));
        s.send("stop");
    }
    if (!expect_output(s.e, "bestmove ", 60000) || !expect_output(s.e, "\n", 5000))
        return s.fail("no bestmove within 60 s after: " + go.line);
    const std::string out = s.e.output.substr(begin, s.e.consumed - begin);
    if (trace) std::fprintf(stderr, "%s", out.c_str());
    const std::string fault = search_fault(out, go.allowed);
    if (!fault.empty()) return s.fail(go.line + ": " + fault);
    for (size_t at = out.find("readyok\n"); at != std::string::npos; at = out.find("readyok\n", at + 1)) --readies;
    for (; readies > 0; --readies)  // those the search did not answer, in order after it
        if (!expect_output(s.e, "readyok\n", 60000)) return s.fail("no readyok within 60 s during: " + go.line);
    for (const std::string& line : waiting) follow_position(line);
    std::string answer;
    return s.sync(&answer) && (answer.find("bestmove") == std::string::npos || s.fail("second bestmove: " + go.line));
}

void play(Session& s) {
    if (!s.start(VEXMOTH_UCI_ENGINE, "isready", "readyok\n", false)) return;
    follow_position("position startpos");
    s.send("uci");
    bool ok = expect_output(s.e, "uciok\n", 60000) || s.fail("no uciok");
    for (int a = 10 + pick(60); a > 0 && ok; --a) ok = pick(3) ? plain_action(s) : search_action(s);
    if (ok && pick(4) == 0) {  // a search still running when quit or the end of input comes
        s.send("go infinite");
        usleep(useconds_t(pick(30000)));
    }
}

}  // namespace

int main(int argc, char** argv) { return run_fuzz_sessions(argc, argv, "uci protocol fuzz", play); }
