// The UCI front end's commands carried out in-process, their output collected: the options, the words of
// "go" and the limits they give, "searchmoves", and the position a GUI sets up, refused or kept. What needs
// the process (searching, timing, stop and isready during a search, the end of input) is the protocol test's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"
#include "uci/uci.h"

namespace {

std::string collected;  // the output of the commands run since the last run()

// Carries out one command line and returns its output.
std::string run(const std::string& line) {
    collected.clear();
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    run_command(text.data());
    return collected;
}

class UciCommands : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        output_hook = [](const char* line) { collected.append(line).append("\n"); };
        multipv_lines = 1;
        run("position startpos");
    }
    void TearDown() override { output_hook = nullptr; }
};

// The words of a go line, read; the messages they gave are in `collected`.
GoRequest go_words(const std::string& line) {
    static std::vector<char> text;  // the words point into it
    text.assign(line.begin(), line.end());
    text.push_back(0);
    collected.clear();
    split_words(text.data());
    return read_go_words();
}

TEST_F(UciCommands, HandshakeAndOptions) {
    EXPECT_EQ(run("uci"),
              "id name Vexmoth 1.0.0\nid author the Vexmoth developers\n"
              "option name Hash type spin default 20 min 0 max 768\n"
              "option name Threads type spin default 1 min 1 max 256\n"
              "option name nega_scout type check default true\noption name nullmove type check default true\n"
              "option name pre_prune type check default true\n"
              "option name fractional_extension type check default true\n"
              "option name tune type check default true\noption name research type check default true\n"
              "option name Clear Hash type button\noption name MultiPV type spin default 1 min 1 max 256\n"
              "option name Ponder type check default false\nuciok\n");
    // Names and switch values match without regard to case; none of these answers.
    for (const char* line : {"debug on", "setoption name hash value 16", "setoption name NULLMOVE value FALSE",
                             "setoption name Clear Hash", "setoption name threads value 3",
                             "setoption name ponder value TRUE", "setoption name multipv value 4", "ucinewgame",
                             "stop", "isready x", ""})
        EXPECT_EQ(run(line), std::string(line).rfind("isready", 0) ? "" : "readyok\n") << line;
    int bits, fold, records;
    hash_size(16, &bits, &fold, &records);
    EXPECT_EQ(hash_records, records);
    EXPECT_TRUE(nullmove == 0 && search_threads() == 3 && ponder_option == 1 && multipv_lines == 4);
    // Numbers out of range are clamped and said so; bad values and words are named, and change nothing.
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"setoption name Threads value 0", "info string option Threads takes 1 to 256: set to 1\n"},
        {"setoption name MultiPV value 300", "info string option MultiPV takes 1 to 256: set to 256\n"},
        {"setoption name MultiPV value lots", "info string option MultiPV needs a number from 1 to 256\n"},
        {"setoption name Ponder value sometimes", "info string option Ponder needs the value true or false\n"},
        {"setoption name nullmove", "info string option nullmove needs the value true or false\n"},
        {"setoption name Hash value 16MB", "info string option Hash needs a number of megabytes from 0 to 768\n"},
        {"setoption name Pondering value true", "info string unknown option: Pondering\n"},
        {"setoption value 3 name Hash", "info string setoption is written: setoption name NAME [value VALUE]\n"},
        {"GO", "info string unknown command: GO\n"},
        {"ponderhit", "info string ponderhit: no ponder search is running\n"},
        {std::string(100, 'y'), "info string unknown command: " + std::string(80, 'y') + "\n"},
    };
    for (const auto& [line, answer] : rows) EXPECT_EQ(run(line), answer) << line;
    EXPECT_TRUE(nullmove == 0 && search_threads() == 1 && ponder_option == 1 && multipv_lines == 256);
    EXPECT_EQ(hash_records, records);
    set_search_threads(1);
}

// Each bad word of a go line is named and skipped, the rest of the line still counts; numbers are clamped
// to their ranges; the side to move's clock is budgeted by the clock rules.
TEST_F(UciCommands, GoWordsAndLimits) {
    GoRequest r = go_words("go wtime abc searchmoves e2e4 depth 2 sideways");
    EXPECT_EQ(collected, "info string go: wtime needs a whole number\n"
                         "info string go: abc is not supported and is ignored\n"
                         "info string go: sideways is not supported and is ignored\n");
    EXPECT_TRUE(r.wtime == -1 && r.depth == 2 && r.searchmoves_to == r.searchmoves_from + 1 &&
                !std::strcmp(words[r.searchmoves_from], "e2e4"));
    r = go_words("go searchmoves depth 2 infinite ponder");
    EXPECT_EQ(collected, "info string go: searchmoves needs moves\n");
    EXPECT_TRUE(r.searchmoves_to == r.searchmoves_from && r.depth == 2 && r.infinite && r.ponder);
    SearchLimits l = make_limits(go_words("go depth 0 movetime -5 nodes -1 mate 99"));
    EXPECT_TRUE(l.depth == 1 && l.movetime_ms == 1 && l.nodes == 1 && l.mate_moves == 25 && !l.clock_rules);
    l = make_limits(go_words("go depth 99999999999 nodes 99999999999999999999"));
    EXPECT_TRUE(l.depth == MAX_ITERATION - 1 && l.nodes == int64_t(1) << 50) << collected;
    EXPECT_EQ(make_limits(go_words("go")).depth, MAX_ITERATION - 1);
    // Budgets: sudden death a fifteenth (ahead on the clock) or a sixtieth, an increment a seventh, a
    // session of n moves as if it had just begun.
    const std::vector<std::pair<std::string, int>> clocks = {
        {"go wtime 6000 btime 6000", 100}, {"go wtime 6000 btime 3000", 400},
        {"go wtime 1400 btime 1400 winc 100 binc 100", 200}, {"go wtime 4000 btime 4000 movestogo 10", 400},
        {"go wtime 300 btime 600000", 5}};
    for (const auto& [line, budget] : clocks) {
        l = make_limits(go_words(line));
        EXPECT_TRUE(l.clock_rules && l.budget_ms == budget && l.clock_ms == std::stoi(line.substr(9))) << line;
    }
    run("position startpos moves e2e4");  // black's clock counts now
    l = make_limits(go_words("go wtime 600000 btime 300 winc 0 binc 0"));
    EXPECT_TRUE(l.clock_ms == 300 && l.budget_ms == 5);
}

// searchmoves keeps the legal moves it names, in the list's order; a word that names none is said so, and
// with no legal move named every move is searched.
TEST_F(UciCommands, SearchmovesRestrictTheRoot) {
    const int all = pos.last_move[0] - pos.first_move[0];
    GoRequest r = go_words("go searchmoves g1f3 e2e4 e2e4 depth 2");
    EXPECT_EQ(restrict_root_moves(r.searchmoves_from, r.searchmoves_to), 1);
    ASSERT_EQ(pos.last_move[0] - pos.first_move[0], 2);
    std::string kept = long_algebraic(pos.move_list[pos.first_move[0]].move);
    kept += std::string(" ") + long_algebraic(pos.move_list[pos.first_move[0] + 1].move);
    EXPECT_EQ(kept, "e2e4 g1f3");
    EXPECT_EQ(collected, "");
    generate_root_moves();
    r = go_words("go depth 2 searchmoves e7e5 x");
    EXPECT_EQ(restrict_root_moves(r.searchmoves_from, r.searchmoves_to), 0);
    EXPECT_EQ(collected, "info string go: searchmoves: e7e5 is no legal move here and is left out\n"
                         "info string go: searchmoves: x is no legal move here and is left out\n"
                         "info string go: searchmoves names no legal move: every move is searched\n");
    EXPECT_EQ(pos.last_move[0] - pos.first_move[0], all);
}

// A refused set-up leaves the position as it was; a bad move ends the list, the moves before it kept.
TEST_F(UciCommands, PositionsRefusedOrCut) {
    const std::string fools_mate = "position startpos moves f2f3 e7e5 g2g4";
    EXPECT_EQ(run(fools_mate), "");
    const Snapshot kept = take_snapshot();
    const std::string moves_kept = ": the moves before it are kept\n";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",
         "bad FEN: side to move is not 'w' or 'b'; the position stays as it was"},
        {"position fen QQQQQQQQ/QQQQQQQQ/8/8/8/8/8/K6k w - - 0 1", "bad position: more men"},
        {"position fen k7/8/8/8/8/8/8/K6r b - - 0 1", "bad position: the side not to move is in check"},
        {"position fen 8/8/8/8/8/8/8/K7 w - - 0 1", "bad position: each side needs exactly one king"},
        {"position fen k7/8/8/8/8/8/8/KK6 w - - 0 1", "bad position: a side has more than one king"},
        {"position fen " + std::string(300, 'p'), "bad FEN: longer than 255 characters"},
        {"position somewhere", "position is written: position startpos|fen FEN [moves ...]"},
        {"position fen moves e2e4", "position fen needs a FEN; the position stays as it was"},
        {"position startpos e2e4", "position: e2e4 where moves or the end of the line belongs"},
        {fools_mate + " 0000", "malformed move 0000" + moves_kept},
        {fools_mate + " e1e3 a6", "illegal move e1e3" + moves_kept},
    };
    for (const auto& [line, answer] : rows) {
        EXPECT_EQ(run(line).rfind("info string " + answer, 0), 0u) << line << ": " << collected;
        EXPECT_TRUE(same(take_snapshot(), kept)) << line;
    }
    // Moves made wrongly: castling through check, a pinned bishop leaving its king in check, en passant a
    // move late, a promotion without its piece or to a king.
    for (const auto& [line, answer] :
         std::vector<std::pair<std::string, std::string>>{
             {"position fen 4k3/8/8/8/8/8/5r2/4K2R w K - 0 1 moves e1g1", "illegal move e1g1"},
             {"position fen 4r2k/8/8/8/8/8/4B3/4K3 w - - 0 1 moves e2d3", "illegal move e2d3"},
             {"position fen 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1 moves e1e2 e8e7 e5d6", "illegal move e5d6"},
             {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7b8", "illegal move b7b8"},
             {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7b8k", "malformed move b7b8k"}})
        EXPECT_EQ(run(line), "info string " + answer + moves_kept) << line;
    // A game holds at most 1000 half-moves: the knights' shuffle is cut there, back at the start.
    std::string shuffle = "position startpos moves";
    for (int i = 0; i < 251; ++i) shuffle += " g1f3 g8f6 f3g1 f6g8";
    EXPECT_EQ(run(shuffle), "info string a game has at most 1000 half-moves: g1f3 and the moves after it are "
                            "ignored\n");
    EXPECT_EQ(pos.history_count, GAME_HISTORY_LIMIT);
    EXPECT_EQ(pos.hash_key, position_key());
}

}  // namespace
