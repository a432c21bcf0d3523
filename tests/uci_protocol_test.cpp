// vexmoth-uci driven through its real protocol, as a GUI drives it: each test is one conversation with the binary
// in a fresh directory, the position followed on the test's own board (harness/board_model.h) to judge each search.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "harness/board_model.h"
#include "test_support.h"

namespace {

using UciProtocol = EngineTest;
using steady = std::chrono::steady_clock;

const std::string FOOLS_MATE = "position startpos moves f2f3 e7e5 g2g4";  // black mates with d8h4

// The number after "NAME " on the last line of the text that has one, or -1.
long long number_in(const std::string& text, const std::string& name) {
    const size_t at = text.rfind(" " + name + " ");
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + name.size() + 2);
}

// Each iteration reports its lines numbered from 1, all of its depth, best first.
void expect_lines_in_order(const std::string& out) {
    std::istringstream in(out);
    long long number = 0, depth = 0, cp = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("info depth ", 0) != 0 || line.find(" pv ") == std::string::npos) continue;
        const long long k = number_in(line, "multipv"), score = number_in(line, "cp");
        EXPECT_TRUE(k == 1 || (k == number + 1 && number_in(line, "depth") == depth && score <= cp)) << line;
        number = k;
        depth = number_in(line, "depth");
        cp = score;
    }
}

// The centipawns of the last report of line k.
long long score_of_line(const std::string& out, int k) {
    const size_t at = out.rfind(" multipv " + std::to_string(k) + " ");
    return at == std::string::npos ? -100000 : number_in(out.substr(at, out.find('\n', at) - at), "cp");
}

struct Search {
    std::string output;  // the lines from the go to the bestmove line, inclusive
    int elapsed_ms;      // from the line that ended it to its bestmove
};

// A line sent, the texts its answer holds ("!" first: does not) and, for a go, the most ms to its bestmove.
struct Row {
    std::string line;
    std::vector<std::string> texts;
    int within_ms = 60000;
};

struct Session {
    EngineProcess e;
    size_t search_from = 0;  // where the search sent last begins in the output

    Session() {
        EXPECT_TRUE(start_engine(e, make_temp_dir(), VEXMOTH_UCI_ENGINE));
        model_chess960 = 0;
        follow_position("position startpos");
    }
    void send(const std::string& line) { send_line(e, line); }

    // The output the lines sent so far produce, up to the answer to an "isready" (excluded).
    std::string until_ready() {
        const size_t begin = e.consumed;
        send("isready");
        EXPECT_TRUE(expect_output(e, "readyok\n", 60000));  // a table of 768 MB takes a while to clear
        return e.output.substr(begin, e.consumed - begin - 8);
    }

    // Sends a go and sees it search on for ms without a bestmove.
    void searching(const std::string& line, int ms) {
        search_from = e.consumed;
        send(line);
        EXPECT_EQ(pending_output(e, ms).find("bestmove"), std::string::npos) << line;
    }

    // Sends the line that ends the search running (stop, ponderhit; "" for none), reads the search and
    // checks it on the test's board (search_fault).
    Search ended_by(const std::string& line, int timeout_ms = 60000) {
        const auto sent = steady::now();
        if (!line.empty()) send(line);
        EXPECT_TRUE(expect_output(e, "bestmove ", timeout_ms) && expect_output(e, "\n", 1000)) << e.output;
        const Search r = {e.output.substr(search_from, e.consumed - search_from), ms_since(sent)};
        search_from = e.consumed;  // where a go sent during this search begins
        EXPECT_EQ(search_fault(r.output), "") << r.output;
        return r;
    }

    Search go(const std::string& line) {
        search_from = e.consumed;
        return ended_by(line);
    }

    // Sends each row's line and checks its answer: a go's search, any other line's output up to an
    // isready, which holds no bestmove and nothing at all when the row names no text. A "position" line
    // is followed on the test's board: answered exactly when refused, in whole or in part.
    void converse(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            std::string out;
            if (row.line.rfind("go", 0) == 0) {
                const Search r = go(row.line);
                EXPECT_LE(r.elapsed_ms, row.within_ms) << row.line;
                out = r.output;
            } else {
                send(row.line);
                out = until_ready();
                EXPECT_EQ(out.find("bestmove"), std::string::npos) << row.line;
                EXPECT_TRUE(!row.texts.empty() || out.empty()) << row.line << " answers " << out;
                EXPECT_TRUE(row.line.rfind("position", 0) || follow_position(row.line) == !out.empty()) << row.line;
            }
            expect_holds(out, row.texts, row.line);
        }
    }

    // Ends with "quit", sent during a search if one runs: exit status 0 within 500 ms, nothing left behind.
    void finish() {
        const auto sent = steady::now();
        send("quit");
        EXPECT_EQ(wait_exit(e, 10000, false), 0);
        EXPECT_LE(ms_since(sent), 500);
        EXPECT_EQ(std::system(("rmdir '" + e.dir + "'").c_str()), 0) << "files left in " << e.dir;
    }
};

// What the input does to a line before the commands see it (uci_commands_test.cpp checks the commands):
// control bytes are blanks, and the tail of a line cut at 65535 characters is dropped, not carried out.
TEST_F(UciProtocol, HandshakeAndBadInput) {
    Session s;
    s.send("uci");
    ASSERT_TRUE(expect_output(s.e, "uciok\n"));
    EXPECT_EQ(s.e.output.find("id name Vexmoth 1.0.0\nid author "), 0u) << s.e.output;
    std::string garbage;  // every byte but the newline
    for (int i = 1; i < 256; ++i)
        if (i != '\n') garbage += char(i);
    s.converse({
        {"", {}}, {"\t", {}},
        {garbage, {"info string unknown command: !\"#$%&'()*+,-./0123456789:;<=>?@A"}},
        {std::string(65535, 'x') + " ponderhit", {"info string a line longer than 65535 characters", "!ponderhit"}},
        // A go with bad words still searches, only the moves named.
        {"go wtime abc searchmoves e2e4 depth 2 sideways", {"bestmove e2e4"}},
    });
    s.finish();
}

TEST_F(UciProtocol, PositionsMatesAndStalemates) {
    Session s;
    s.converse({
        // Mated and stalemated: no move, with mate 0 or a draw score; mates counted in moves, both ways.
        {FOOLS_MATE + " d8h4", {}}, {"go depth 5", {"info depth 0 score mate 0\n"}},
        {"position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", {}}, {"go movetime 200", {"info depth 0 score cp 0\n"}},
        {"go depth 4", {"info depth 0 score cp 0\n"}},  // again: the stalemate the table holds now
        {"position fen 7k/p4K2/8/8/8/8/8/6R1 b - - 0 1", {}}, {"go depth 4", {"score mate -1 "}},
        {FOOLS_MATE, {}}, {"go depth 4", {"bestmove d8h4", "score mate 1 "}},
    });
    // A position just searched, asked again less deeply, is answered by the table after one node.
    s.converse({{"position startpos moves d2d4 d7d5", {}}, {"go depth 6", {}},
                {"go depth 3", {" nodes 1 ", " ponder "}}});
    // The line is followed into the next search (which then starts at depth 2) only when the GUI's game
    // goes on from the one searched by the line's first two moves, not from the same position reached by
    // another order of moves. The table is cleared before each.
    for (const std::string game : {"g1f3 g8f6 b1c3", "b1c3 g8f6 g1f3"}) {
        s.converse({{"position startpos moves g1f3 g8f6 b1c3", {}}});
        const std::string out = s.go("go depth 5").output;
        const size_t pv = out.rfind(" pv ") + 4;
        const std::vector<std::string> line = words_of(out.substr(pv, out.find('\n', pv) - pv));
        ASSERT_GE(line.size(), 3u);
        s.converse({{"position startpos moves " + game + " " + line[0] + " " + line[1], {}},
                    {"setoption name Clear Hash", {}}});
        const std::string next = s.go("go depth 3").output;
        const bool goes_on = game == "g1f3 g8f6 b1c3";
        EXPECT_EQ(next.find("info depth"), next.find(goes_on ? "info depth 2 " : "info depth 1 ")) << game;
    }
    // Three lines, in order: the three ways to take the undefended queen.
    const std::string queen = "position fen 6k1/5ppp/8/3q4/5N2/1B6/5PPP/3R2K1 w - - 0 1";
    s.converse({{"setoption name MultiPV value 3", {}}, {queen, {}}});
    const std::string three = s.go("go depth 5").output;
    expect_holds(three, {" multipv 3 ", " pv d1d5 ", " pv f4d5 ", " pv b3d5 ", "!multipv 4"}, "three lines");
    expect_lines_in_order(three);
    // Every move a line; and the third of three lines is no worse than the third of all, but for the few
    // centipawns that other windows make: a better move is not kept out because the window rose too high.
    s.converse({{"ucinewgame", {}}, {"position startpos moves e2e4", {}}});
    const long long third = score_of_line(s.go("go depth 5").output, 3);
    s.converse({{"ucinewgame", {}}, {"setoption name MultiPV value 256", {}}});
    const std::string all = s.go("go depth 5").output;
    expect_holds(all, {" multipv 20 ", "!multipv 21"}, "every move a line");
    expect_lines_in_order(all);
    EXPECT_GE(third, score_of_line(all, 3) - 10);
    s.converse({{"setoption name MultiPV value 3", {}}, {queen, {}},
                // Only the moves named are searched: the queen is left alone.
                {"go depth 4 searchmoves g1f1 h2h3", {" multipv 2 ", "!multipv 3", "!pv d1d5", "!pv f4d5", "!pv b3d5"}},
                // More lines asked than moves: the lone king's three.
                {"position fen 7k/8/8/8/8/8/8/K7 w - - 0 1", {}}, {"go depth 4", {" multipv 3 ", "!multipv 4"}},
                // White mates in two with 1. Rh1 (Kf8 2. Rh8) and nothing else: after 1. Kg6 Kf8 or 1. Ra8+ Kh7
                // the king gets out. Found and reported, the mate ends the search.
                {"position fen 6k1/8/5K2/8/8/8/8/R7 w - - 0 1", {}},
                {"go mate 2", {"bestmove a1h1", " multipv 1 score mate 2 "}}});
    s.finish();
}

// The engine's own time (on its last info line) is held to a few milliseconds past the move time; the
// time seen from here adds the pipes and the scheduler of a busy machine. A clock's search ends by its
// maximum (five optimums at most); 300 ms on the clock, well below 50 moves of the overhead, still
// leave a move, well inside the 300 ms.
TEST_F(UciProtocol, LimitsAndTheirTimes) {
    Session s;
    for (int t : {1000, 200, 20}) {
        // Both clocks are monotonic and count whole milliseconds: one may be short by one. One of five
        // tries must be on time.
        bool on_time = false;
        for (int tries = 0; tries < 5 && !on_time; ++tries) {
            const Search r = s.go("go movetime " + std::to_string(t));
            const long long used = number_in(r.output, "time");
            EXPECT_TRUE(r.elapsed_ms >= t - 1 && used >= t) << r.output;
            on_time = r.elapsed_ms <= t + 250 && used <= t + 10;
        }
        EXPECT_TRUE(on_time) << "movetime " << t;
    }
    s.converse({
        // From an empty table, so that the first iteration is a short one.
        {"ucinewgame", {}}, {"go wtime 6000 btime 6000", {}, 950},  // sudden death: at most 700 ms
        {"ucinewgame", {}}, {"go wtime 1400 btime 1400 winc 100 binc 100", {}, 850},  // at most 615 ms
        {"ucinewgame", {}}, {"go wtime 4000 btime 4000 movestogo 10", {}, 1000},  // at most 684 ms
        {"go wtime 300 btime 300", {}, 150}, {"go wtime 300 btime 600000", {}, 150},
        {"position startpos moves e2e4", {}}, {"go wtime 600000 btime 300 winc 0 binc 0", {}, 150},
    });
    // Within N/16 nodes after N (the stop test comes often enough for a small N); a few nodes for a count
    // below one.
    for (const auto& [limit, least] : {std::pair<std::string, long long>{"1000", 1000}, {"-1 depth 99999999999", 1}}) {
        s.send("ucinewgame");
        const long long searched = number_in(s.go("go nodes " + limit).output, "nodes");
        EXPECT_TRUE(searched >= least && searched <= (least < 16 ? 100 : least + least / 16)) << limit;
    }
    s.finish();
}

TEST_F(UciProtocol, StopIsreadyAndThreads) {
    Session s;
    // A search that has found its mate still waits for the stop; a go sent during it runs after it.
    s.converse({{"position fen 6br/5Ppk/6pp/8/8/8/8/K7 w - - 0 1", {}}});  // f8=N is the only mate
    s.searching("go infinite", 300);
    s.send("go depth 1");
    expect_holds(s.ended_by("stop").output, {"\nbestmove f7f8n"}, "stop");
    expect_holds(s.ended_by("").output, {"\nbestmove f7f8n"}, "the go sent during the search");
    // isready and stop are answered within 50 ms during a search on four threads, in one of up to six
    // searches, so that a busy machine's scheduler does not decide.
    s.converse({{"setoption name Threads value 4", {}}, {"position startpos moves e2e4", {}}});
    bool on_time = false;
    for (int tries = 0; tries < 6 && !on_time; ++tries) {
        s.searching("go infinite", 400);
        const auto sent = steady::now();
        s.until_ready();
        const int isready_ms = ms_since(sent), stop_ms = s.ended_by("stop").elapsed_ms;
        on_time = isready_ms <= 50 && stop_ms <= 50;
    }
    EXPECT_TRUE(on_time) << "isready and stop while searching";
    s.searching("go infinite", 200);
    s.finish();  // quit during the search of four threads
}

// With 8 s on each clock and no increment the maximum is about 1 s. A ponder search runs, answering
// isready, until the ponderhit (or a stop, as the fuzzer sends). The time pondered counts as spent: after
// a ponder longer than the maximum the move comes at once. One that has found the mate waits for the hit, and plays it with no move
// to ponder on.
TEST_F(UciProtocol, PonderHit) {
    Session s;
    const std::string go_ponder = "go ponder wtime 8000 btime 8000";
    s.converse({{"setoption name Ponder value true", {}}});
    for (const std::string& position : {std::string("position startpos moves e2e4"), FOOLS_MATE}) {
        s.converse({{position, {}}});
        s.searching(go_ponder, 1500);
        s.until_ready();
        const Search r = s.ended_by("ponderhit", 20000);
        EXPECT_LE(r.elapsed_ms, 500) << position;
        EXPECT_EQ(r.output.find(" ponder ") == std::string::npos, position == FOOLS_MATE) << r.output;
    }
    // A ponder of an infinite go still waits for its stop after the hit.
    s.searching("go ponder infinite", 200);
    s.send("ponderhit");
    EXPECT_EQ(pending_output(s.e, 300).find("bestmove"), std::string::npos);
    s.ended_by("stop");
    s.finish();
}

// UCI_Chess960 through the process (its positions are the in-process tests'): searches on two threads play
// and report castling as the king taking its own rook, each checked on the test's board; with the option
// off, standard chess.
TEST_F(UciProtocol, Chess960) {
    Session s;
    s.converse({{"setoption name UCI_Chess960 value true", {}}, {"setoption name Threads value 2", {}}});
    model_chess960 = 1;
    s.converse({{"position fen rr2k2r/8/8/8/8/8/8/R3K2R w HAhb - 0 1", {}},
                {"go depth 4 searchmoves e1h1", {"\nbestmove e1h1", " pv e1h1 "}},
                {"position fen rr2k2r/8/8/8/8/8/8/R3K2R w HAhb - 0 1 moves e1h1", {}},
                {"go depth 4 searchmoves e8b8", {"\nbestmove e8b8", " pv e8b8 "}}});
    s.converse({{"setoption name UCI_Chess960 value false", {}}});
    model_chess960 = 0;
    s.converse({{"position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", {}},
                {"go depth 4 searchmoves e1g1", {"\nbestmove e1g1", " pv e1g1 "}}});
}

// At 600 the search is over in milliseconds; the move waits for a share of the 1 s budget (30 to 70 per cent),
// answering isready, and a stop ends the wait. The search's six lines are not shown: MultiPV asks for one.
TEST_F(UciProtocol, LimitedStrengthWaitsForItsMove) {
    Session s;
    s.converse({{"setoption name UCI_LimitStrength value true", {}}, {"setoption name UCI_Elo value 600", {}},
                {"position startpos moves e2e4", {}}});
    for (const std::string end : {"", "stop"}) {
        s.searching("go wtime 60000 btime 60000", 200);
        s.until_ready();
        expect_holds(s.ended_by(end).output, {" multipv 1 ", "!multipv 2", "\nbestmove "}, "limited: " + end);
    }
    s.finish();
}

// The end of input stops a search only a stop could end and answers it; the lines queued before it are
// still carried out, and the process ends.
TEST_F(UciProtocol, EndOfInputEndsTheSearch) {
    Session s;
    send_lines(s.e, {"go infinite", "position startpos moves e2e4", "go depth 2", "isready"});
    EXPECT_EQ(wait_exit(s.e, 10000, true), 0);
    const size_t second = s.e.output.find("bestmove ", s.e.output.find("bestmove ") + 1);
    EXPECT_TRUE(second != std::string::npos && s.e.output.find("readyok") != std::string::npos) << s.e.output;
}

}  // namespace
