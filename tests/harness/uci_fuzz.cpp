// The UCI protocol fuzzer (options: harness/fuzz_sessions.h). Each session
// sends positions from the initial one or a FEN (good ones, damaged ones)
// with legal move lists now and then broken by a bad move; searches under
// every limit, of some moves, for a mate, pondering (ended by a ponderhit or
// a stop), infinite ones stopped at a random moment, with commands sent
// while they run; options good and bad; garbage, blank and over-long lines;
// and it ends with quit or the end of input, now and then during a search.
// The fuzzer follows the position on its own board as the engine states it
// does (a refused FEN keeps the position before, a refused move the moves
// before it) and fails a session unless: every refusal and only a refusal
// says "info string"; every isready gets its readyok within 60 s; every go
// gets exactly one bestmove, legal (0000 exactly when there is none), one of
// the legal moves searchmoves named, with a ponder move legal after it and
// every pv legal; the exit status is 0; no sanitizer report; nothing is
// written into the working directory.
#include <sstream>

#include "harness/fuzz_sessions.h"
#include "play_out_starts.h"

namespace {

// The position the engine should have: its set-up ("" for the initial one) and the moves since.
std::string model_fen;
std::vector<Move> model_moves;

std::vector<std::string> words_of(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

void play_move(Move m) {
    make_move(m);
    generate_root_moves();
}

// Puts the set-up on the fuzzer's board: the model's, or the FEN (false when refused).
bool set_up(const std::string& fen = model_fen, const std::vector<Move>& moves = model_moves) {
    const char* error = nullptr;
    if (!fen.empty() && !set_position_from_fen(fen.c_str(), &error)) {
        set_up();
        return false;
    }
    if (fen.empty()) new_position();
    generate_root_moves();
    for (const Move m : moves) play_move(m);
    return true;
}

// Follows a "position" line as the engine does; returns whether the engine
// must refuse part of it (and say so with an info string).
bool follow_position(const std::string& line) {
    const std::vector<std::string> w = words_of(line);
    size_t at = 2;
    std::string fen;
    if (w.size() >= 2 && w[1] == "fen") {
        for (; at < w.size() && w[at] != "moves"; ++at) fen += (fen.empty() ? "" : " ") + w[at];
        if (fen.empty() || fen.size() > 255) return true;  // the engine refuses a longer FEN text
    } else if (w.size() < 2 || w[1] != "startpos") {
        return true;
    }
    if ((at < w.size() && w[at] != "moves") || !set_up(fen, {})) return true;
    model_fen = fen;
    model_moves.clear();
    for (size_t i = at + 1; i < w.size(); ++i) {
        const Move m = legal_move_named(w[i]);
        if (model_moves.size() == size_t(GAME_HISTORY_LIMIT) || !m) return true;
        play_move(m);
        model_moves.push_back(m);
    }
    return false;
}

std::string random_fen() {
    std::string fen = PLAY_OUT_STARTS[pick(PLAY_OUT_START_COUNT)];
    switch (pick(8)) {
        case 0: fen[size_t(pick(int(fen.size())))] = char(32 + pick(95)); break;  // printable: the same words
        case 1: fen.resize(size_t(pick(int(fen.size())))); break;
        case 2: fen += " " + number_text(); break;
        case 3: fen = std::string(size_t(200 + pick(100)), 'p'); break;
        case 4: fen = "8/8/8/8/8/8/8/K6k w - - 0 1"; break;
        case 5: fen = "QQQQQQQQ/QQQQQQQQ/8/8/8/8/8/K6k w - - 0 1"; break;
    }
    return fen;
}

// A position line: a set-up, then random legal moves from it, now and then
// a bad move (and more after it) or no "moves" where it belongs.
std::string random_position() {
    const int kind = pick(20);
    if (kind == 0) return pick(2) ? "position " : "position nowhere";
    const std::string fen = kind < 8 ? "" : random_fen();
    std::string line = fen.empty() ? "position startpos" : "position fen " + fen, moves;
    if (!set_up(fen, {})) return line + " moves e2e4";
    if (pick(10) == 0) line += " e2e4";  // a word where "moves" belongs
    for (int i = pick(4) ? pick(60) : 0; i > 0; --i) {
        const std::vector<Move> legal = legal_moves();
        if (legal.empty()) break;
        const Move m = legal[size_t(pick(int(legal.size())))];
        moves += std::string(" ") + long_algebraic(m);
        play_move(m);
    }
    if (pick(5) == 0) {  // a bad move: malformed, illegal, or a square out of range
        static const char* const bad[] = {"e2e5", "E2E4", "e7e8", "a1a1", "i1a1", "e2", "0000", "e1g1", "e7e8k",
                                          "a2a4q"};
        moves += std::string(" ") + pick_of(bad) + (pick(2) ? " e2e4 d7d5" : "");
    }
    if (pick(50) == 0)  // past the history limit
        for (int i = 0; i < 260; ++i) moves += " g1f3 g8f6 f3g1 f6g8";
    set_up();  // the board is the model's again
    return line + (moves.empty() && pick(2) ? "" : " moves" + moves);
}

std::string random_option() {
    static const char* const names[] = {"Hash", "hash", "nullmove", "NEGA_SCOUT", "pre_prune", "fractional_extension",
                                        "tune", "research", "Clear Hash", "Ponder", "Threads", "MultiPV", "multipv"};
    static const char* const values[] = {"true", "false", "TRUE", "maybe", "0", "1", "5", "20", "64", "2", "3"};
    std::string line = "setoption";
    if (pick(10)) line += std::string(" name ") + pick_of(names);
    if (pick(4)) line += " value " + (pick(3) ? std::string(pick_of(values)) : number_text());
    return line;
}

// What a go asks: its line; whether its limits end it without a stop (a
// ponder search: once it has its ponderhit); whether it ponders; the legal
// moves searchmoves named (empty: any move).
struct Go {
    std::string line = "go";
    bool finite = true, ponder = false;
    std::vector<std::string> allowed;
};

// " searchmoves" and one to three legal moves, now and then a word that is none.
std::string searchmoves(Go& go) {
    std::string words = " searchmoves";
    const std::vector<Move> legal = legal_moves();
    for (int i = legal.empty() ? 0 : 1 + pick(3); i > 0; --i) {
        go.allowed.push_back(long_algebraic(legal[size_t(pick(int(legal.size())))]));
        words += " " + go.allowed.back();
    }
    return words + (pick(4) ? "" : pick(2) ? " e2e5" : " zz");
}

std::string finite_limit() {
    switch (pick(4)) {
        case 0: return " depth " + std::to_string(1 + pick(4));
        case 1: return " nodes " + std::to_string(1 + pick(30000));
        case 2: return " movetime " + std::to_string(1 + pick(60));
    }
    std::string clock = " wtime " + std::to_string(pick(1500)) + " btime " + std::to_string(pick(1500));
    if (pick(2)) clock += " winc " + std::to_string(pick(50)) + " binc " + std::to_string(pick(50));
    return clock + (pick(3) ? "" : " movestogo " + std::to_string(1 + pick(40)));
}

Go random_go() {
    Go go;
    static const char* const fields[] = {"depth", "nodes", "movetime", "wtime", "btime", "movestogo", "winc"};
    const int kind = pick(13);
    go.finite = kind < 4 || kind == 9;
    if (kind < 4) go.line += finite_limit();
    if (kind == 4) go.line += " infinite";
    if (kind == 6) go.line += pick(2) ? " searchmoves" : " mate";
    if (kind == 7) go.line += std::string(" ") + pick_of(fields) + " " + number_text();  // maybe no limit at all
    if (kind == 8) go.line += " " + random_bytes(1 + pick(20));
    if (kind == 9) go.line += finite_limit() + searchmoves(go);
    if (kind == 10) go.line += searchmoves(go) + (pick(2) ? " infinite" : "");
    if (kind == 11) {  // a mate search without a depth may run long in a position without the mate
        go.line += " mate " + std::to_string(1 + pick(3));
        go.finite = pick(2);
        if (go.finite) go.line += " depth " + std::to_string(1 + pick(4));
    }
    if (kind == 12) {
        go.ponder = true;
        go.finite = pick(4);
        go.line += " ponder" + (go.finite ? finite_limit() : "") + (pick(3) ? "" : searchmoves(go));
    }
    return go;
}

// Every pv move by move legal on the fuzzer's board, which is left as it was.
bool pv_is_legal(const std::string& pv) {
    const std::vector<std::string> moves = words_of(pv);
    int made = 0;
    for (const std::string& w : moves) {
        const Move m = legal_move_named(w);
        if (!m) break;
        play_move(m);
        ++made;
    }
    for (int i = 0; i < made; ++i) unmake_move();
    generate_root_moves();
    return made == int(moves.size());
}

// A search's output, up to and with its bestmove line.
bool check_search(Session& s, const Go& go, const std::string& out) {
    std::istringstream lines(out);
    int bestmoves = 0;
    for (std::string l; std::getline(lines, l);) {
        const size_t pv = l.find(" pv ");
        if (l.rfind("info ", 0) == 0 && pv != std::string::npos && !pv_is_legal(l.substr(pv + 4)))
            return s.fail(go.line + ": pv not legal: " + l);
        if (l.rfind("bestmove ", 0) != 0) continue;
        ++bestmoves;
        const std::vector<std::string> w = words_of(l);
        // "bestmove M" or "bestmove M ponder R", M one of the moves named and R legal after it.
        const bool shape = w.size() == 2 || (w.size() == 4 && w[2] == "ponder");
        const bool named = shape && (go.allowed.empty() || std::count(go.allowed.begin(), go.allowed.end(), w[1]));
        if (legal_moves().empty() ? !shape || w != std::vector<std::string>{"bestmove", "0000"}
                                  : !named || !pv_is_legal(w[1] + (w.size() == 4 ? " " + w[3] : "")))
            return s.fail(go.line + ": bestmove or its ponder move not legal: " + l);
    }
    return bestmoves == 1 || s.fail(go.line + ": " + std::to_string(bestmoves) + " bestmove lines");
}

// One command outside a search, and its answer.
bool plain_action(Session& s) {
    static const char* const plain[] = {"uci", "ucinewgame", "debug on", "debug off", "stop"};
    static const char* const garbage[] = {"", "   ", "ponderhit", "GO depth 1"};
    const int kind = pick(100);
    const std::string line = kind < 40   ? random_position()
                             : kind < 55 ? random_option()
                             : kind < 65 ? pick_of(plain)
                             : pick(3)   ? pick_of(garbage)
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

// A search: the go, now and then lines sent while it runs, a ponderhit for
// a ponder search (or a stop instead), a stop when it needs one (and now
// and then when it does not), its bestmove, then the lines that waited.
bool search_action(Session& s) {
    Go go = random_go();
    const size_t begin = s.e.consumed;
    s.send(go.line);
    std::vector<std::string> waiting;  // position lines the engine carries out after the search
    int readies = 0;                   // isready lines sent during the search
    for (int i = pick(3) ? 0 : 1 + pick(3); i > 0; --i) {
        usleep(useconds_t(pick(20000)));
        const int k = pick(4);
        const std::string line = k == 0 ? "isready" : k == 1 ? random_position() : k == 2 ? random_option() : "ucinewgame";
        readies += k == 0;
        if (k == 1) waiting.push_back(line);
        s.send(line);
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
    if (!check_search(s, go, out)) return false;
    // An isready the search did not answer is answered after it, in order.
    for (size_t at = out.find("readyok\n"); at != std::string::npos; at = out.find("readyok\n", at + 1)) --readies;
    for (; readies > 0; --readies)
        if (!expect_output(s.e, "readyok\n", 60000)) return s.fail("no readyok within 60 s during: " + go.line);
    for (const std::string& line : waiting) follow_position(line);
    std::string answer;
    return s.sync(&answer) &&
           (answer.find("bestmove") == std::string::npos || s.fail("a second bestmove after: " + go.line));
}

void play(Session& s) {
    if (!s.start()) return;
    model_fen.clear();
    model_moves.clear();
    set_up();
    s.send("uci");
    bool ok = expect_output(s.e, "uciok\n", 60000) || s.fail("no uciok");
    for (int a = 10 + pick(60); a > 0 && ok; --a) ok = pick(3) ? plain_action(s) : search_action(s);
    if (ok && pick(4) == 0) {  // a search still running when quit or the end of input comes
        s.send("go infinite");
        usleep(useconds_t(pick(30000)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    return run_fuzz_sessions(argc, argv, {"uci protocol fuzz", VEXMOTH_UCI_ENGINE, "isready", "readyok\n", false, play});
}
