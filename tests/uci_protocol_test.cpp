// vexmoth-uci driven through its real protocol, as a GUI drives it: the
// binary started in a fresh directory, lines on its standard input, answers
// read from its standard output. Every search's info lines and bestmove are
// checked against the test's own copy of the position.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "engine_process.h"
#include "test_support.h"

namespace {

using UciProtocol = EngineTest;
using steady = std::chrono::steady_clock;

const char* const START = "";  // the initial position, for model()
// White to move; the knight promotion f8=N is the only mate.
const char* const KNIGHT_MATE = "6br/5Ppk/6pp/8/8/8/8/K7 w - - 0 1";
// After f2f3 e7e5 g2g4 black mates with d8h4.
const char* const FOOLS_MATE_MOVES = "f2f3 e7e5 g2g4";
// White takes the undefended queen with the rook, the knight or the bishop;
// every other move leaves white a queen down.
const char* const QUEEN_TAKEN_THREE_WAYS = "6k1/5ppp/8/3q4/5N2/1B6/5PPP/3R2K1 w - - 0 1";
// White mates in two with 1. Rh1 (the king's only move Kf8, then 2. Rh8)
// and with nothing else: after 1. Kg6 Kf8 or 1. Ra8+ Kh7 the king gets out.
const char* const MATE_IN_TWO = "6k1/8/5K2/8/8/8/8/R7 w - - 0 1";

struct Session {
    EngineProcess engine;
    // Where in the output the search sent last with send_go begins;
    // npos when the next search read begins where reading stands.
    size_t search_from = std::string::npos;
    // The position the engine should have, as given to model().
    std::string fen = START;
    std::vector<std::string> moves;
};

void start(Session& s) {
    const std::string dir = make_temp_dir();
    ASSERT_FALSE(dir.empty());
    ASSERT_TRUE(start_engine(s.engine, dir, VEXMOTH_UCI_ENGINE));
}

int ms_since(steady::time_point t) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - t).count());
}

// The output the lines sent so far produce, up to the answer to an
// "isready" sent last (excluded).
std::string output_until_ready(Session& s) {
    const size_t begin = s.engine.consumed;
    send_line(s.engine, "isready");
    EXPECT_TRUE(expect_output(s.engine, "readyok\n"));
    return s.engine.output.substr(begin, s.engine.consumed - begin - 8);
}

std::vector<std::string> split(const std::string& text, char separator = ' ') {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

// Plays a move given in UCI text on the test's board; false when it is not
// a legal move there.
bool play(const std::string& text) {
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        const Move m = move_list[i].move;
        if (text != long_algebraic(m) || !make_legal_move(m)) continue;
        generate_root_moves();
        return true;
    }
    return false;
}

// Sets up the test's board as "position" with this FEN ("" the initial
// position) and moves should leave the engine's.
void model(Session& s, const std::string& fen, const std::string& moves = "") {
    s.fen = fen;
    s.moves = split(moves);
    if (fen.empty())
        new_position();
    else
        setup(fen.c_str());
    generate_root_moves();
    for (const std::string& m : s.moves) ASSERT_TRUE(play(m)) << m;
}

// Sends "position" for the FEN ("" the initial position) and moves, and
// models the position it gives.
void set_position(Session& s, const std::string& fen, const std::string& moves = "") {
    model(s, fen, moves);
    send_line(s.engine, "position " + (fen.empty() ? std::string("startpos") : "fen " + fen) +
                            (moves.empty() ? "" : " moves " + moves));
}

// The moves are legal one after the other from the model's position.
bool legal_sequence(const std::vector<std::string>& moves) {
    size_t made = 0;
    while (made < moves.size() && play(moves[made])) ++made;
    for (size_t i = 0; i < made; ++i) unmake_move();
    generate_root_moves();
    return made == moves.size();
}

struct Search {
    std::string output;  // the lines from the go to the bestmove line, inclusive
    std::string best;    // the bestmove's move
    std::string ponder;  // the move after "ponder" on the bestmove line, "" when none
    int elapsed_ms = 0;  // from sending the go to reading the bestmove
};

// The moves after " pv " of an info line (none when it has no pv).
std::vector<std::string> pv_of(const std::string& line) {
    const size_t pv = line.find(" pv ");
    return pv == std::string::npos ? std::vector<std::string>() : split(line.substr(pv + 4));
}

// Reads a search's answer up to its bestmove line and checks it against the
// model: every info line's pv legal in sequence, the bestmove legal (or
// 0000 exactly when there is no legal move) and its ponder move legal after
// it, one bestmove only; and a move played has a score: the last info line
// of the first line ("multipv 1") has a score and begins with the move.
Search read_search(Session& s, steady::time_point sent, int timeout_ms = 60000) {
    Search r;
    const size_t begin = s.search_from != std::string::npos ? s.search_from : s.engine.consumed;
    s.search_from = std::string::npos;
    EXPECT_TRUE(expect_output(s.engine, "bestmove ", timeout_ms)) << s.engine.output.substr(begin);
    EXPECT_TRUE(expect_output(s.engine, "\n", 1000));
    r.elapsed_ms = ms_since(sent);
    r.output = s.engine.output.substr(begin, s.engine.consumed - begin);
    const size_t at = r.output.rfind("bestmove ");
    if (at == std::string::npos) return r;
    const std::vector<std::string> answer = split(r.output.substr(at, r.output.size() - at - 1));
    r.best = answer.size() > 1 ? answer[1] : "";
    if (answer.size() > 3 && answer[2] == "ponder") r.ponder = answer[3];
    EXPECT_TRUE(answer.size() == 2 || (answer.size() == 4 && !r.ponder.empty())) << r.output.substr(at);
    std::string first_line;  // the last info line of the first line
    for (const std::string& line : split(r.output, '\n')) {
        if (line.rfind("info ", 0) != 0 || line.find(" pv ") == std::string::npos) continue;
        EXPECT_TRUE(legal_sequence(pv_of(line))) << "pv not legal: " << line;
        if (line.find(" multipv 1 ") != std::string::npos) first_line = line;
    }
    bool any_legal = false;
    for (int i = first_move[0]; i < last_move[0]; ++i)
        any_legal = any_legal || legal_sequence({long_algebraic(move_list[i].move)});
    if (any_legal) {
        EXPECT_TRUE(legal_sequence({r.best})) << "bestmove not legal: " << r.best;
        if (!r.ponder.empty()) {
            EXPECT_TRUE(legal_sequence({r.best, r.ponder})) << "ponder not legal: " << r.ponder;
        }
        EXPECT_NE(first_line.find(" score "), std::string::npos) << "no score for the move played\n" << r.output;
        const std::vector<std::string> line = pv_of(first_line);
        EXPECT_TRUE(!line.empty() && line[0] == r.best) << "the first line is not the move played\n" << r.output;
    } else {
        EXPECT_EQ(r.best, "0000");
    }
    return r;
}

// Sends a go whose search read_search reads later, from its first line on
// even when lines of it have been read in between.
void send_go(Session& s, const std::string& line) {
    s.search_from = s.engine.consumed;
    send_line(s.engine, line);
}

Search go(Session& s, const std::string& line, int timeout_ms = 60000) {
    const auto sent = steady::now();
    send_go(s, line);
    return read_search(s, sent, timeout_ms);
}

// The number in "NAME number" of the last line of the output that has it.
long long last_number(const std::string& output, const std::string& name) {
    const size_t at = output.rfind(" " + name + " ");
    return at == std::string::npos ? -1 : std::atoll(output.c_str() + at + name.size() + 2);
}

// The number after "NAME " in the line, or -1 when it has none.
long long number_in(const std::string& line, const std::string& name) {
    const size_t at = line.find(" " + name + " ");
    return at == std::string::npos ? -1 : std::atoll(line.c_str() + at + name.size() + 2);
}

// The score of an info line as one number that orders them: a mate in M
// above every centipawn score and the sooner the higher, being mated below.
long long score_of(const std::string& line) {
    const long long mate = number_in(line, "mate");
    if (line.find(" score mate ") != std::string::npos) return mate > 0 ? 1000000 - mate : -1000000 - mate;
    return number_in(line, "cp");
}

// The info lines of the output with a pv, cut into the reports of whole
// iterations: a group starts at each "multipv 1" line.
std::vector<std::vector<std::string>> line_groups(const std::string& output) {
    std::vector<std::vector<std::string>> groups;
    for (const std::string& line : split(output, '\n')) {
        if (line.rfind("info ", 0) != 0 || line.find(" pv ") == std::string::npos) continue;
        if (number_in(line, "multipv") == 1 || groups.empty()) groups.emplace_back();
        groups.back().push_back(line);
    }
    return groups;
}

// One iteration's report of `lines` lines: numbered 1 to lines, of one
// depth, distinct first moves, best first. Returns the first moves.
std::vector<std::string> check_line_group(const std::vector<std::string>& group, size_t lines) {
    std::vector<std::string> firsts;
    EXPECT_EQ(group.size(), lines) << group[0];
    for (size_t k = 0; k < group.size(); ++k) {
        const std::string& line = group[k];
        EXPECT_EQ(number_in(line, "multipv"), (long long)k + 1) << line;
        EXPECT_EQ(number_in(line, "depth"), number_in(group[0], "depth")) << line;
        EXPECT_GE(number_in(line, "seldepth"), 0) << line;
        if (k > 0) {
            EXPECT_LE(score_of(line), score_of(group[k - 1])) << line;
        }
        const std::string first = pv_of(line)[0];
        EXPECT_EQ(std::find(firsts.begin(), firsts.end(), first), firsts.end()) << line;
        firsts.push_back(first);
    }
    return firsts;
}

size_t count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

// Ends the session with "quit": status 0, and nothing written into the
// working directory.
void finish(Session& s) {
    send_line(s.engine, "quit");
    EXPECT_EQ(wait_exit(s.engine, 10000, false), 0);
    EXPECT_EQ(std::system(("rmdir '" + s.engine.dir + "'").c_str()), 0) << "files left in " << s.engine.dir;
}

TEST_F(UciProtocol, Handshake) {
    Session s;
    start(s);
    send_lines(s.engine, {"uci"});
    ASSERT_TRUE(expect_output(s.engine, "uciok\n"));
    const std::string out = s.engine.output;
    EXPECT_EQ(out.find("id name Vexmoth 1.0.0\nid author "), 0u) << out;
    for (const char* option :
         {"option name Hash type spin default 20 min 0 max 768\n", "option name Threads type spin default 1 min 1 max 256\n",
          "option name nega_scout type check default true\n",
          "option name nullmove type check default true\n", "option name pre_prune type check default true\n",
          "option name fractional_extension type check default true\n",
          "option name tune type check default true\n", "option name research type check default true\n",
          "option name Clear Hash type button\n", "option name MultiPV type spin default 1 min 1 max 256\n",
          "option name Ponder type check default false\n"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
    EXPECT_EQ(count(out, "option name "), 11u);
    send_lines(s.engine, {"debug on", "setoption name Hash value 16", "setoption name nullmove value false",
             "setoption name NULLMOVE value TRUE", "setoption name Clear Hash", "setoption name threads value 3",
             "setoption name multipv value 2", "setoption name MultiPV value 1", "setoption name Ponder value true",
             "setoption name ponder value FALSE",
             "ucinewgame", "debug off"});
    EXPECT_EQ(output_until_ready(s), "");
    // A thread count out of range is clamped and said so; no number is refused.
    send_lines(s.engine, {"setoption name Threads value 0", "setoption name Threads value many",
                          "setoption name Threads"});
    const std::string refusals = output_until_ready(s);
    EXPECT_EQ(count(refusals, "info string option Threads takes 1 to 256: set to 1\n"), 1u) << refusals;
    EXPECT_EQ(count(refusals, "info string option Threads needs a number from 1 to 256\n"), 2u) << refusals;
    finish(s);
}

TEST_F(UciProtocol, PositionsWithSpecialMoves) {
    Session s;
    start(s);
    const struct {
        const char* fen;
        const char* moves;  // the last ones legal only when the special move was made right
    } cases[] = {
        // Castling both ways: the rooks then stand on f1 and d8.
        {"", "e2e4 e7e5 g1f3 b8c6 f1c4 d7d6 e1g1 c8g4 f1e1 d8d7 d2d3 e8c8 e1e2 d8e8"},
        // En passant both ways: the pawn taken is gone, the taker stands behind it.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6 e8d7 e1e2 d7d6"},
        {"4k3/8/8/8/2Pp4/8/8/4K3 b - c3 0 1", "d4c3 e1d1 c3c2 d1c2"},
        // Promotions both ways, to a knight and a queen: the pieces move as such.
        {"4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", "b7b8n g2g1q e1d2 g1g8 b8c6 g8a2"},
        {"r3k3/1P6/8/8/8/8/6p1/4K2R w K - 0 1", "b7a8q e8e7 a8a4 g2h1r e1e2 h1h2 e2e3 e7d6"},
    };
    for (const auto& c : cases) {
        set_position(s, c.fen, c.moves);
        EXPECT_EQ(output_until_ready(s), "") << c.moves;
        go(s, "go depth 3");
    }
    // The special moves made wrongly are refused: castling through check,
    // en passant a move late, a promotion without its piece or to a king.
    const struct {
        const char* fen;
        const char* moves;
        const char* refused;
    } refusals[] = {
        {"4k3/8/8/8/8/8/5r2/4K2R w K - 0 1", "e1g1", "illegal move e1g1"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e1e2 e8e7 e5d6", "illegal move e5d6"},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8", "illegal move b7b8"},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8k", "malformed move b7b8k"},
    };
    for (const auto& r : refusals) {
        send_lines(s.engine, {std::string("position fen ") + r.fen + " moves " + r.moves});
        EXPECT_NE(output_until_ready(s).find(std::string("info string ") + r.refused), std::string::npos) << r.moves;
    }
    finish(s);
}

// The engine's own time (the last info line, from reading "go" to the end
// of the search) is held to a few milliseconds past the move time; the
// time seen from here adds the pipes and the scheduler of a busy machine.
TEST_F(UciProtocol, MovetimeUsesItsTime) {
    Session s;
    start(s);
    set_position(s, START);
    for (int t : {1000, 200, 20}) {
        const Search r = go(s, "go movetime " + std::to_string(t));
        // Both clocks count whole milliseconds: one may be short by one.
        EXPECT_GE(r.elapsed_ms, t - 1);
        EXPECT_LE(r.elapsed_ms, t + 250) << "movetime " << t;
        const long long used = last_number(r.output, "time");
        EXPECT_GE(used, t);
        EXPECT_LE(used, t + 10) << "movetime " << t;
    }
    finish(s);
}

// The search's line is followed into the next search only when the GUI's
// game goes on from the game searched by the line's first two moves: the
// next search then starts at depth 2. Another game, even one that reaches
// the same position by another order of moves, starts afresh at depth 1.
// The table is cleared before each, so only the line can make the first
// iteration deeper.
TEST_F(UciProtocol, TheLineIsFollowedOnlyWhenTheGameGoesOn) {
    Session s;
    start(s);
    for (const bool goes_on : {true, false}) {
        set_position(s, START, "g1f3 g8f6 b1c3");
        const Search first = go(s, "go depth 5");
        const size_t pv_at = first.output.rfind(" pv ");
        ASSERT_NE(pv_at, std::string::npos) << first.output;
        const std::vector<std::string> line =
            split(first.output.substr(pv_at + 4, first.output.find('\n', pv_at) - pv_at - 4));
        ASSERT_GE(line.size(), 3u) << first.output;
        const std::string game = goes_on ? "g1f3 g8f6 b1c3" : "b1c3 g8f6 g1f3";
        set_position(s, START, game + " " + line[0] + " " + line[1]);
        send_lines(s.engine, {"setoption name Clear Hash"});
        const Search next = go(s, "go depth 3");
        const std::string first_depth = goes_on ? "info depth 2 " : "info depth 1 ";
        EXPECT_EQ(next.output.find("info depth"), next.output.find(first_depth)) << game << "\n" << next.output;
    }
    finish(s);
}

TEST_F(UciProtocol, DepthAndNodes) {
    Session s;
    start(s);
    set_position(s, START, "e2e4 e7e5");
    Search r = go(s, "go depth 5");
    EXPECT_NE(r.output.find("info depth 5 "), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("info depth 6 "), std::string::npos) << r.output;
    for (long long n : {100000LL, 5000LL}) {
        send_lines(s.engine, {"ucinewgame"});
        r = go(s, "go nodes " + std::to_string(n));
        const long long searched = last_number(r.output, "nodes");
        EXPECT_GE(searched, n);
        EXPECT_LE(searched, n + n / 16) << r.output;
    }
    finish(s);
}

TEST_F(UciProtocol, ClockFields) {
    Session s;
    start(s);
    set_position(s, START);
    // Each from an empty table, so that the first iteration is a short one.
    // Sudden death, 6 s each: a budget of 100 ms, which the search may
    // pass only up to five budgets.
    send_lines(s.engine, {"ucinewgame"});
    Search r = go(s, "go wtime 6000 btime 6000");
    EXPECT_LE(r.elapsed_ms, 600);
    // With an increment: a seventh of the clock, 200 ms, and with under 3 s
    // on the clock no second iteration.
    send_lines(s.engine, {"ucinewgame"});
    r = go(s, "go wtime 1400 btime 1400 winc 100 binc 100");
    EXPECT_LE(r.elapsed_ms, 1100);
    // Ten moves to go with 4 s: a tenth, 400 ms.
    send_lines(s.engine, {"ucinewgame"});
    r = go(s, "go wtime 4000 btime 4000 movestogo 10");
    EXPECT_LE(r.elapsed_ms, 2100);
    // The side to move's clock counts: with 300 ms left the search stops at
    // once (500 ms is the safety margin), whatever the other clock says.
    r = go(s, "go wtime 300 btime 600000");
    EXPECT_LE(r.elapsed_ms, 250);
    set_position(s, START, "e2e4");
    r = go(s, "go wtime 600000 btime 300 winc 0 binc 0");
    EXPECT_LE(r.elapsed_ms, 250);
    finish(s);
}

TEST_F(UciProtocol, InfiniteRunsUntilStopAndAnswersIsready) {
    Session s;
    start(s);
    set_position(s, START);
    // The answers come within 50 ms; the best of three searches counts, so
    // that one slice of a busy machine's scheduler does not decide.
    int isready_ms = 1000000, stop_ms = 1000000;
    for (const char* line : {"go infinite", "go", "go infinite"}) {
        send_go(s, line);
        EXPECT_EQ(pending_output(s.engine, 400).find("bestmove"), std::string::npos) << line;
        auto sent = steady::now();
        send_lines(s.engine, {"isready"});
        EXPECT_TRUE(expect_output(s.engine, "readyok\n"));
        isready_ms = std::min(isready_ms, ms_since(sent));
        sent = steady::now();
        send_lines(s.engine, {"stop"});
        stop_ms = std::min(stop_ms, read_search(s, sent).elapsed_ms);
    }
    EXPECT_LE(isready_ms, 50) << "isready while searching";
    EXPECT_LE(stop_ms, 50) << "stop";
    // A search that ends by itself (a mate found) still waits for the stop.
    set_position(s, KNIGHT_MATE);
    send_go(s, "go infinite");
    EXPECT_EQ(pending_output(s.engine, 300).find("bestmove"), std::string::npos);
    const auto sent = steady::now();
    send_lines(s.engine, {"stop"});
    EXPECT_EQ(read_search(s, sent).best, "f7f8n");
    // A stop with no search running is ignored.
    send_lines(s.engine, {"stop"});
    EXPECT_EQ(output_until_ready(s), "");
    finish(s);
}

TEST_F(UciProtocol, CommandsDuringASearchWaitTheirTurn) {
    Session s;
    start(s);
    model(s, START);
    send_lines(s.engine,
               {"position startpos", "go infinite", "position startpos moves e2e4", "setoption name Hash value 8"});
    EXPECT_EQ(pending_output(s.engine, 200).find("info string"), std::string::npos);
    auto sent = steady::now();
    send_lines(s.engine, {"stop"});
    // The search was of the initial position: white's move.
    read_search(s, sent);
    model(s, START, "e2e4");
    go(s, "go depth 2");
    // A stop ends the search that runs; a go that came during it then runs.
    set_position(s, KNIGHT_MATE);
    send_lines(s.engine, {"go infinite"});
    EXPECT_EQ(pending_output(s.engine, 300).find("bestmove"), std::string::npos);
    sent = steady::now();
    send_lines(s.engine, {"go depth 1", "stop"});
    EXPECT_EQ(read_search(s, sent).best, "f7f8n");
    EXPECT_EQ(read_search(s, sent).best, "f7f8n");
    finish(s);
}

TEST_F(UciProtocol, MateAndStalemate) {
    Session s;
    start(s);
    // Mated: no move, a mate score of 0.
    set_position(s, START, "f2f3 e7e5 g2g4 d8h4");
    Search r = go(s, "go depth 5");
    EXPECT_EQ(r.best, "0000");
    EXPECT_NE(r.output.find("info depth 0 score mate 0\n"), std::string::npos) << r.output;
    // Stalemated: no move, a draw score.
    set_position(s, "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    r = go(s, "go movetime 200");
    EXPECT_EQ(r.best, "0000");
    EXPECT_NE(r.output.find("info depth 0 score cp 0\n"), std::string::npos) << r.output;
    // Mate in one and in two for the side to move, in moves.
    set_position(s, START, FOOLS_MATE_MOVES);
    r = go(s, "go depth 4");
    EXPECT_EQ(r.best, "d8h4");
    EXPECT_NE(r.output.find("score mate 1 "), std::string::npos) << r.output;
    set_position(s, "6k1/8/5K2/8/8/8/8/R7 w - - 0 1");
    r = go(s, "go depth 6");
    EXPECT_NE(r.output.find("score mate 2 "), std::string::npos) << r.output;
    // The side to move is mated next move, whatever it plays.
    set_position(s, "7k/p4K2/8/8/8/8/8/6R1 b - - 0 1");
    r = go(s, "go depth 4");
    EXPECT_NE(r.output.find("score mate -1 "), std::string::npos) << r.output;
    finish(s);
}

// Bad set-ups are refused with an info string, and the position that stood
// before stays: after each, the fool's mate is still found.
TEST_F(UciProtocol, BadPositionsKeepThePositionBefore) {
    Session s;
    start(s);
    set_position(s, START, FOOLS_MATE_MOVES);
    const struct {
        std::string line;
        const char* answer;
    } cases[] = {
        {"position fen garbage", "info string bad FEN"},
        {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1", "info string bad FEN"},
        {"position fen QQQQQQQQ/QQQQQQQQ/8/8/8/8/8/K6k w - - 0 1", "info string bad position: more men"},
        {"position fen 8/8/8/8/8/8/8/K7 w - - 0 1", "info string bad position: each side needs exactly one king"},
        {"position fen k7/8/8/8/8/8/8/KK6 w - - 0 1", "info string bad position: a side has more than one king"},
        {"position fen k7/8/8/8/8/8/8/K6r b - - 0 1", "info string bad position: the side not to move is in check"},
        {"position fen k6P/8/8/8/8/8/8/K7 w - - 0 1", "info string bad FEN: a pawn on the first or last rank"},
        {"position fen " + std::string(300, 'p'), "info string bad FEN: longer than"},
        {"position", "info string position is written"},
        {"position fen", "info string position fen needs a FEN"},
        {"position fen moves e2e4", "info string position fen needs a FEN"},
        {"position startpos e2e4", "info string position: e2e4 where moves"},
        {"position somewhere", "info string position is written"},
    };
    for (const auto& c : cases) {
        send_lines(s.engine, {c.line});
        EXPECT_NE(output_until_ready(s).find(c.answer), std::string::npos) << c.line;
        EXPECT_EQ(go(s, "go depth 2").best, "d8h4") << c.line;
    }
    finish(s);
}

// A bad move in the list is refused; the moves before it are kept.
TEST_F(UciProtocol, BadMovesKeepTheMovesBefore) {
    Session s;
    start(s);
    model(s, START, FOOLS_MATE_MOVES);
    for (const char* bad : {"e1e3", "E7E5", "e7e5q", "e2", "e2e4e5", "0000", "a9a1", "e7e8n"}) {
        send_lines(s.engine, {std::string("position startpos moves ") + FOOLS_MATE_MOVES + " " + bad + " a7a6"});
        EXPECT_NE(output_until_ready(s).find("move " + std::string(bad) + ": the moves before it are kept"),
                  std::string::npos)
            << bad;
        EXPECT_EQ(go(s, "go depth 2").best, "d8h4") << bad;
    }
    // A game holds at most 1000 half-moves: the knights' shuffle is cut there.
    std::string shuffle;
    for (int i = 0; i < 251; ++i) shuffle += " g1f3 g8f6 f3g1 f6g8";
    send_lines(s.engine, {"position startpos moves" + shuffle});
    EXPECT_NE(output_until_ready(s).find("info string a game has at most 1000 half-moves: g1f3 and the moves after"),
              std::string::npos);
    model(s, START);  // a thousand moves of the shuffle lead back to the initial position
    go(s, "go depth 3");
    finish(s);
}

TEST_F(UciProtocol, BadInputIsIgnored) {
    Session s;
    start(s);
    model(s, START);
    std::string garbage;
    for (int i = 1; i < 256; ++i)
        if (i != '\n') garbage += char(i);
    send_lines(s.engine, {"", "   ", "\t", "hello world", "GO depth 1", garbage, std::string(100000, 'x') + " isready",
             "setoption", "setoption name", "setoption name Hash value lots", "setoption name Hash value 99999999999",
             "setoption name Hash value -5", "setoption name Hash value 1", "setoption name Pondering value true",
             "setoption name tune value maybe", "setoption value 3 name Hash"});
    const std::string out = output_until_ready(s);
    EXPECT_NE(out.find("info string unknown command: hello\n"), std::string::npos) << out;
    EXPECT_NE(out.find("info string unknown command: GO\n"), std::string::npos) << out;
    EXPECT_NE(out.find("info string a line longer than 65535 characters"), std::string::npos);
    EXPECT_EQ(count(out, "readyok"), 0u) << "the tail of a cut line was carried out";
    EXPECT_NE(out.find("info string option Hash needs a number"), std::string::npos);
    EXPECT_NE(out.find("info string unknown option: Pondering"), std::string::npos);
    EXPECT_NE(out.find("info string option tune needs the value true or false"), std::string::npos);
    EXPECT_EQ(out.find("bestmove"), std::string::npos);
    // Numbers out of range are clamped: no depth below 1, no time below 1 ms.
    Search r = go(s, "go depth 0");
    EXPECT_NE(r.output.find("info depth 1 "), std::string::npos);
    EXPECT_EQ(r.output.find("info depth 2 "), std::string::npos);
    r = go(s, "go movetime -5");
    EXPECT_LE(r.elapsed_ms, 100);
    r = go(s, "go nodes -1 depth 99999999999999999999999");
    EXPECT_LE(last_number(r.output, "nodes"), 100);
    r = go(s, "go wtime abc searchmoves e2e4 depth 2 sideways");
    EXPECT_NE(r.output.find("info string go: wtime needs a whole number"), std::string::npos);
    EXPECT_NE(r.output.find("info string go: sideways is not supported"), std::string::npos);
    EXPECT_EQ(r.best, "e2e4");
    finish(s);
}

TEST_F(UciProtocol, MultiPVReportsTheBestLines) {
    Session s;
    start(s);
    send_lines(s.engine, {"setoption name MultiPV value 3"});
    set_position(s, QUEEN_TAKEN_THREE_WAYS);
    Search r = go(s, "go depth 5");
    std::vector<std::vector<std::string>> groups = line_groups(r.output);
    ASSERT_EQ(groups.size(), 5u) << r.output;
    for (const auto& group : groups) check_line_group(group, 3);
    std::vector<std::string> firsts = check_line_group(groups.back(), 3);
    std::sort(firsts.begin(), firsts.end());
    EXPECT_EQ(firsts, std::vector<std::string>({"b3d5", "d1d5", "f4d5"})) << r.output;
    EXPECT_EQ(r.best, pv_of(groups.back()[0])[0]);
    // More lines than legal moves: a line for each of the king's three.
    send_lines(s.engine, {"setoption name MultiPV value 5"});
    set_position(s, "7k/8/8/8/8/8/8/K7 w - - 0 1");
    r = go(s, "go depth 4");
    groups = line_groups(r.output);
    ASSERT_EQ(groups.size(), 4u) << r.output;
    for (const auto& group : groups) check_line_group(group, 3);
    // Stopped within an iteration: the lines as they stand, the move played
    // first (read_search checks that the last first line is the bestmove).
    set_position(s, START, "e2e4 e7e5");
    send_go(s, "go infinite");
    pending_output(s.engine, 400);
    const auto sent = steady::now();
    send_lines(s.engine, {"stop"});
    r = read_search(s, sent);
    EXPECT_NE(r.output.find(" multipv 3 "), std::string::npos) << r.output;
    // One line again: the first alone.
    send_lines(s.engine, {"setoption name MultiPV value 1", "ucinewgame"});
    r = go(s, "go depth 4");
    EXPECT_EQ(r.output.find(" multipv 2 "), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("info depth 4 seldepth "), std::string::npos) << r.output;
    finish(s);
}

// With 60 s on each clock and no increment the move's budget is 1 s.
TEST_F(UciProtocol, PonderHitAndStop) {
    Session s;
    start(s);
    send_lines(s.engine, {"setoption name Ponder value true"});
    // A long ponder: no bestmove until the ponderhit, isready answered, and
    // after the hit the move at once, the time pondered counting as spent.
    set_position(s, START, "e2e4");
    send_go(s, "go ponder wtime 60000 btime 60000");
    EXPECT_EQ(pending_output(s.engine, 1500).find("bestmove"), std::string::npos);
    send_lines(s.engine, {"isready"});
    EXPECT_TRUE(expect_output(s.engine, "readyok\n"));
    auto hit = steady::now();
    send_lines(s.engine, {"ponderhit"});
    Search r = read_search(s, hit);
    EXPECT_LE(r.elapsed_ms, 1000) << "the move after a ponderhit past the budget";
    EXPECT_FALSE(r.ponder.empty()) << r.output;
    // A short ponder: the search goes on under the clock after the hit and
    // ends by its rules (without the hit it would never end).
    set_position(s, START, "d2d4");
    send_go(s, "go ponder wtime 60000 btime 60000");
    pending_output(s.engine, 100);
    hit = steady::now();
    send_lines(s.engine, {"ponderhit"});
    r = read_search(s, hit, 20000);
    EXPECT_LE(r.elapsed_ms, 6000);
    // A ponder search that has found the mate waits for the ponderhit.
    set_position(s, START, FOOLS_MATE_MOVES);
    send_go(s, "go ponder wtime 60000 btime 60000");
    EXPECT_EQ(pending_output(s.engine, 500).find("bestmove"), std::string::npos);
    hit = steady::now();
    send_lines(s.engine, {"ponderhit"});
    r = read_search(s, hit);
    EXPECT_EQ(r.best, "d8h4");
    EXPECT_LE(r.elapsed_ms, 250);
    // The opponent played another move: stop, a bestmove, then the GUI's
    // real position and its go are answered.
    set_position(s, START, "e2e4 e7e5");
    send_go(s, "go ponder wtime 60000 btime 60000 winc 0 binc 0");
    EXPECT_EQ(pending_output(s.engine, 300).find("bestmove"), std::string::npos);
    const auto stopped = steady::now();
    send_lines(s.engine, {"stop"});
    read_search(s, stopped);
    set_position(s, START, "e2e4 c7c5");
    go(s, "go wtime 60000 btime 60000");
    // A ponder of an infinite go still waits for its stop after the hit.
    send_go(s, "go ponder infinite");
    pending_output(s.engine, 200);
    send_lines(s.engine, {"ponderhit"});
    EXPECT_EQ(pending_output(s.engine, 300).find("bestmove"), std::string::npos);
    send_lines(s.engine, {"stop"});
    read_search(s, steady::now());
    finish(s);
}

TEST_F(UciProtocol, SearchMovesAndMate) {
    Session s;
    start(s);
    // Only the moves named are searched: the queen is left alone.
    set_position(s, QUEEN_TAKEN_THREE_WAYS);
    Search r = go(s, "go depth 4 searchmoves g1f1 h2h3");
    EXPECT_TRUE(r.best == "g1f1" || r.best == "h2h3") << r.best;
    for (const auto& group : line_groups(r.output)) {
        const std::string first = pv_of(group[0])[0];
        EXPECT_TRUE(first == "g1f1" || first == "h2h3") << group[0];
    }
    EXPECT_NE(r.output.find("info depth 4 "), std::string::npos) << r.output;
    // Afterwards every move again.
    r = go(s, "go depth 4");
    EXPECT_TRUE(r.best == "d1d5" || r.best == "f4d5" || r.best == "b3d5") << r.best;
    // One move alone is searched to the depth asked.
    set_position(s, START);
    r = go(s, "go searchmoves a2a3 depth 5");
    EXPECT_EQ(r.best, "a2a3");
    EXPECT_NE(r.output.find("info depth 5 "), std::string::npos) << r.output;
    // A word that is no legal move here is named and left out; with no legal
    // move named, every move is searched.
    r = go(s, "go depth 2 searchmoves e2e5 b1c3");
    EXPECT_NE(r.output.find("info string go: searchmoves: e2e5 is no legal move here"), std::string::npos);
    EXPECT_EQ(r.best, "b1c3");
    r = go(s, "go depth 2 searchmoves e7e5 x");
    EXPECT_NE(r.output.find("info string go: searchmoves: e7e5 is no legal"), std::string::npos);
    EXPECT_NE(r.output.find("info string go: searchmoves: x is no legal"), std::string::npos);
    EXPECT_NE(r.output.find("info string go: searchmoves names no legal move: every move is searched"),
              std::string::npos);
    // The mate in two, found and reported; the search ends by itself.
    set_position(s, MATE_IN_TWO);
    r = go(s, "go mate 2");
    EXPECT_EQ(r.best, "a1h1");
    EXPECT_NE(r.output.find(" score mate 2 "), std::string::npos) << r.output;
    // With several lines too.
    send_lines(s.engine, {"setoption name MultiPV value 2"});
    r = go(s, "go mate 2");
    EXPECT_EQ(r.best, "a1h1");
    EXPECT_NE(r.output.find(" multipv 1 score mate 2 "), std::string::npos) << r.output;
    finish(s);
}

// Every search that plays a move reports a score for it (read_search checks
// that for every search), whatever ended it; and long searches name the
// root move being searched.
TEST_F(UciProtocol, InfoLinesAreComplete) {
    Session s;
    start(s);
    // The table's answer at the root: a position just searched, asked again
    // less deeply, is answered after one node, with its line and score.
    set_position(s, START, "d2d4 d7d5");
    go(s, "go depth 6");
    Search r = go(s, "go depth 3");
    EXPECT_EQ(last_number(r.output, "nodes"), 1) << r.output;
    EXPECT_FALSE(r.ponder.empty()) << r.output;
    // A single legal move, and a search stopped at once.
    set_position(s, "k7/8/8/8/8/8/1R6/K7 b - - 0 1");
    EXPECT_EQ(go(s, "go depth 10").best, "a8a7");
    set_position(s, START, "g1f3");
    send_go(s, "go infinite");
    send_lines(s.engine, {"stop"});
    read_search(s, steady::now());
    // A search of two seconds and a half names root moves from its first
    // second on, at most four a second, each legal here.
    set_position(s, START, "e2e4 c7c5 g1f3");
    r = go(s, "go movetime 2500");
    size_t named = 0;
    for (const std::string& line : split(r.output, '\n')) {
        if (line.rfind("info currmove ", 0) != 0) continue;
        ++named;
        const std::vector<std::string> w = split(line);
        ASSERT_EQ(w.size(), 5u) << line;
        EXPECT_EQ(w[3], "currmovenumber");
        EXPECT_TRUE(legal_sequence({w[2]})) << line;
        EXPECT_GE(std::atoi(w[4].c_str()), 1) << line;
    }
    EXPECT_GE(named, 1u) << r.output;
    EXPECT_LE(named, 7u) << r.output;
    finish(s);
}

TEST_F(UciProtocol, BadInputForTheSearchWords) {
    Session s;
    start(s);
    model(s, START);
    // Each is refused with an info string, the rest of the line still counts.
    Search r = go(s, "go searchmoves depth 2");
    EXPECT_NE(r.output.find("info string go: searchmoves needs moves"), std::string::npos) << r.output;
    r = go(s, "go mate depth 2");
    EXPECT_NE(r.output.find("info string go: mate needs a whole number"), std::string::npos) << r.output;
    r = go(s, "go mate -3 depth 2");  // clamped to a mate in one: none here, the depth ends it
    EXPECT_NE(r.output.find("info depth 2 "), std::string::npos) << r.output;
    send_lines(s.engine, {"ponderhit", "setoption name MultiPV value 0", "setoption name MultiPV value lots",
                          "setoption name Ponder value sometimes"});
    std::string out = output_until_ready(s);
    EXPECT_NE(out.find("info string ponderhit: no ponder search is running"), std::string::npos) << out;
    EXPECT_NE(out.find("info string option MultiPV takes 1 to 256: set to 1"), std::string::npos) << out;
    EXPECT_NE(out.find("info string option MultiPV needs a number"), std::string::npos) << out;
    EXPECT_NE(out.find("info string option Ponder needs the value true or false"), std::string::npos) << out;
    // A ponderhit during a search that is no ponder search is left for
    // after it, and refused then; the search goes on to its end.
    send_go(s, "go depth 4");
    send_lines(s.engine, {"ponderhit"});
    r = read_search(s, steady::now());
    EXPECT_NE(r.output.find("info depth 4 "), std::string::npos) << r.output;
    out = output_until_ready(s);
    EXPECT_NE(out.find("info string ponderhit: no ponder search is running"), std::string::npos) << out;
    // Too many lines: as many as there are, every one of the twenty moves.
    send_lines(s.engine, {"setoption name MultiPV value 10000"});
    out = output_until_ready(s);
    EXPECT_NE(out.find("info string option MultiPV takes 1 to 256: set to 256"), std::string::npos) << out;
    r = go(s, "go depth 2");
    for (const auto& group : line_groups(r.output)) check_line_group(group, 20);
    finish(s);
}

TEST_F(UciProtocol, QuitAndEndOfInput) {
    {
        // quit during a search ends the process at once.
        Session s;
        start(s);
        send_lines(s.engine, {"position startpos", "go infinite"});
        pending_output(s.engine, 200);
        const auto sent = steady::now();
        send_lines(s.engine, {"quit"});
        EXPECT_EQ(wait_exit(s.engine, 10000, false), 0);
        EXPECT_LE(ms_since(sent), 500);
    }
    {
        // The end of input stops a search nobody else can stop, answers it
        // and ends the process; lines queued before it are still carried out.
        Session s;
        start(s);
        model(s, START);
        send_lines(s.engine,
                   {"position startpos", "go infinite", "position startpos moves e2e4", "go depth 2", "isready"});
        EXPECT_EQ(wait_exit(s.engine, 10000, true), 0);
        EXPECT_EQ(count(s.engine.output, "bestmove "), 2u) << s.engine.output;
        EXPECT_EQ(count(s.engine.output, "readyok"), 1u);
    }
}

// With four threads the helpers stop with the main thread: a stop is
// answered as fast as with one, every answer is legal, and a quit during
// the search ends the process cleanly.
TEST_F(UciProtocol, FourThreadsStopAndQuit) {
    Session s;
    start(s);
    send_lines(s.engine, {"setoption name Threads value 4"});
    set_position(s, START, "e2e4 c7c5");
    int stop_ms = 1000000;
    for (int round = 0; round < 3; ++round) {
        send_lines(s.engine, {"go infinite"});
        pending_output(s.engine, 300);
        stop_ms = std::min(stop_ms, go(s, "stop").elapsed_ms);
    }
    EXPECT_LE(stop_ms, 50) << "stop";
    EXPECT_GT(last_number(go(s, "go movetime 300").output, "nodes"), 0);
    send_lines(s.engine, {"go infinite"});
    pending_output(s.engine, 200);
    const auto sent = steady::now();
    send_lines(s.engine, {"quit"});
    EXPECT_EQ(wait_exit(s.engine, 10000, false), 0);
    EXPECT_LE(ms_since(sent), 500);
}

}  // namespace
