// The UCI front end's commands carried out in-process, their output collected: the options, the words of
// "go" and the limits they give, "searchmoves", and the position a GUI sets up, refused or kept. What needs
// the process (searching, timing, stop and isready during a search, the end of input) is the protocol test's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "uci/uci.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;  // a line and its whole answer
std::string collected;  // the output since the line was given
std::vector<char> text;  // the line, cut into the words that point into it

// Carries out the line, or with `split_only` only cuts it into the command's words.
std::string run(const std::string& line, bool split_only = false) {
    text.assign(line.begin(), line.end());
    text.push_back(0);
    collected.clear();
    split_only ? split_words(text.data()) : run_command(text.data());
    return collected;
}
void take(const std::string& line) { run(line, true); }

class UciCommands : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        output_hook = [](const char* line) { collected.append(line).append("\n"); };
        multipv_lines = 1;
        limit_strength_option = 0;
        uci_elo_option = DEFAULT_ELO;
        run("position startpos");
    }
    void TearDown() override {
        output_hook = nullptr;
        set_search_threads(1);
    }
};

TEST_F(UciCommands, HandshakeAndOptions) {
    EXPECT_EQ(run("uci"), "id name Vexmoth 1.0.0\nid author the Vexmoth developers\n"
                          "option name Hash type spin default 20 min 0 max 768\n"
                          "option name Threads type spin default 1 min 1 max 256\n"
                          "option name nega_scout type check default true\noption name nullmove type check default true\n"
                          "option name pre_prune type check default true\n"
                          "option name fractional_extension type check default true\n"
                          "option name tune type check default true\noption name research type check default true\n"
                          "option name Clear Hash type button\noption name MultiPV type spin default 1 min 1 max 256\n"
                          "option name Ponder type check default false\n"
                          "option name UCI_LimitStrength type check default false\n"
                          "option name UCI_Elo type spin default 1500 min 600 max 1800\n"
                          "option name SyzygyPath type string default <empty>\n"
                          "option name SyzygyProbeDepth type spin default 1 min 1 max 100\n"
                          "option name Syzygy50MoveRule type check default true\n"
                          "option name SyzygyProbeLimit type spin default 7 min 0 max 7\nuciok\n");
    // Names and switch values match without regard to case and answer nothing; numbers out of range are
    // clamped and said so; bad values and words are named, and change nothing.
    const Rows rows = {
        {"debug on", ""}, {"setoption name hash value 16", ""}, {"setoption name NULLMOVE value FALSE", ""},
        {"setoption name Clear Hash", ""}, {"setoption name threads value 3", ""}, {"ucinewgame", ""}, {"stop", ""},
        {"setoption name ponder value TRUE", ""}, {"setoption name multipv value 4", ""}, {"", ""},
        {"isready x", "readyok\n"},
        {"setoption name Threads value 0", "info string option Threads takes 1 to 256: set to 1\n"},
        {"setoption name MultiPV value 300", "info string option MultiPV takes 1 to 256: set to 256\n"},
        {"setoption name MultiPV value lots", "info string option MultiPV needs a number from 1 to 256\n"},
        {"setoption name Ponder value sometimes", "info string option Ponder needs the value true or false\n"},
        {"setoption name uci_limitstrength value True", ""},
        {"setoption name UCI_LimitStrength value half", "info string option UCI_LimitStrength needs the value true or false\n"},
        {"setoption name UCI_Elo value 2000", "info string option UCI_Elo takes 600 to 1800: set to 1800\n"},
        {"setoption name UCI_Elo value strong", "info string option UCI_Elo needs a number from 600 to 1800\n"},
        {"setoption name UCI_Elo value -70", "info string option UCI_Elo takes 600 to 1800: set to 600\n"},
        {"setoption name nullmove", "info string option nullmove needs the value true or false\n"},
        {"setoption name Hash value 16MB", "info string option Hash needs a number of megabytes from 0 to 768\n"},
        {"setoption name Pondering value true", "info string unknown option: Pondering\n"},
        {"setoption name SyzygyProbeLimit value 9", "info string option SyzygyProbeLimit takes 0 to 7: set to 7\n"},
        {"setoption name SyzygyProbeDepth value deep",
         "info string option SyzygyProbeDepth needs a number from 1 to 100\n"},
        {"setoption name Syzygy50MoveRule value maybe",
         "info string option Syzygy50MoveRule needs the value true or false\n"},
        {"setoption value 3 name Hash", "info string setoption is written: setoption name NAME [value VALUE]\n"},
        {"GO", "info string unknown command: GO\n"},
        {"ponderhit", "info string ponderhit: no ponder search is running\n"},
        {std::string(100, 'y'), "info string unknown command: " + std::string(80, 'y') + "\n"},
    };
    for (const auto& [line, answer] : rows) EXPECT_EQ(run(line), answer) << line;
    int bits, fold, records;
    hash_size(16, &bits, &fold, &records);
    EXPECT_TRUE(hash_records == records && nullmove == 0 && ponder_option == 1 && multipv_lines == 256);
    EXPECT_EQ(search_threads(), 1);
    // The limit reaches the search with the game's seed, new at every new game; without it, full strength.
    take("go");
    const uint64_t seed = uci_game_seed;
    EXPECT_TRUE(make_limits(read_go_words()).elo == 600 && make_limits(read_go_words()).seed == seed);
    run("ucinewgame");
    run("setoption name UCI_LimitStrength value false");
    take("go");
    EXPECT_TRUE(uci_game_seed != seed && make_limits(read_go_words()).elo == 0);
}

// Each bad word of a go line is named and skipped, the rest of the line still counts; numbers are clamped to
// their ranges; the side to move's clock is budgeted by the clock rules; searchmoves keeps the legal moves it
// names, in the list's order, and with none named every move is searched.
TEST_F(UciCommands, GoWordsLimitsAndSearchmoves) {
    take("go wtime abc searchmoves g1f3 e2e4 e2e4 depth 2 sideways");
    GoRequest r = read_go_words();
    EXPECT_EQ(collected, "info string go: wtime needs a whole number\n"
                         "info string go: abc is not supported and is ignored\n"
                         "info string go: sideways is not supported and is ignored\n");
    EXPECT_TRUE(r.wtime == -1 && r.depth == 2 && r.searchmoves_to == r.searchmoves_from + 3);
    EXPECT_EQ(restrict_root_moves(r.searchmoves_from, r.searchmoves_to), 1);
    std::string kept = long_algebraic(pos.move_list[pos.first_move[0]].move);
    kept += std::string(" ") + long_algebraic(pos.move_list[pos.first_move[0] + 1].move);
    EXPECT_TRUE(kept == "e2e4 g1f3" && pos.last_move[0] - pos.first_move[0] == 2) << kept;
    generate_root_moves();
    take("go depth 2 searchmoves e7e5 x infinite ponder");
    r = read_go_words();
    EXPECT_TRUE(r.infinite && r.ponder && restrict_root_moves(r.searchmoves_from, r.searchmoves_to) == 0);
    EXPECT_EQ(collected, "info string go: searchmoves: e7e5 is no legal move here and is left out\n"
                         "info string go: searchmoves: x is no legal move here and is left out\n"
                         "info string go: searchmoves names no legal move: every move is searched\n");
    EXPECT_EQ(pos.last_move[0] - pos.first_move[0], 20);
    take("go searchmoves depth 0 movetime -5 nodes -1 mate 99");
    SearchLimits l = make_limits(read_go_words());
    EXPECT_EQ(collected, "info string go: searchmoves needs moves\n");
    EXPECT_TRUE(l.depth == 1 && l.movetime_ms == 1 && l.nodes == 1 && l.mate_moves == 25 && !l.clock_rules);
    take("go depth 99999999999 nodes 99999999999999999999");
    l = make_limits(read_go_words());
    EXPECT_TRUE(l.depth == MAX_ITERATION - 1 && l.nodes == int64_t(1) << 50) << collected;
    // Budgets: sudden death a fifteenth (ahead on the clock) or a sixtieth, an increment a seventh, a
    // session of n moves as if it had just begun; black's clock once black is to move.
    struct Clock {
        const char* line;
        int clock, budget;
    };
    for (const Clock& c : {Clock{"go wtime 6000 btime 6000", 6000, 100}, Clock{"go wtime 6000 btime 3000", 6000, 400},
                           Clock{"go wtime 1400 btime 1400 winc 100 binc 100", 1400, 200},
                           Clock{"go wtime 4000 btime 4000 movestogo 10", 4000, 400},
                           Clock{"go wtime 300 btime 600000", 300, 5}, Clock{"", 0, 0},
                           Clock{"go wtime 600000 btime 300", 300, 5}}) {
        if (!*c.line) {
            run("position startpos moves e2e4");
            continue;
        }
        take(c.line);
        l = make_limits(read_go_words());
        EXPECT_TRUE(l.clock_rules && l.clock_ms == c.clock && l.budget_ms == c.budget) << c.line;
    }
}

// A refused set-up leaves the position as it was; a bad move ends the list, the moves before it kept.
TEST_F(UciCommands, PositionsRefusedOrCut) {
    const std::string fools_mate = "position startpos moves f2f3 e7e5 g2g4", kept = ": the moves before it are kept";
    EXPECT_EQ(run(fools_mate), "");
    const Snapshot before = take_snapshot();
    const Rows rows = {
        {"position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1", "bad FEN: side to move is not"},
        {"position fen QQQQQQQQ/QQQQQQQQ/8/8/8/8/8/K6k w - - 0 1", "bad position: more men"},
        {"position fen k7/8/8/8/8/8/8/K6r b - - 0 1", "bad position: the side not to move is in check"},
        {"position fen 8/8/8/8/8/8/8/K7 w - - 0 1", "bad position: each side needs exactly one king"},
        {"position fen k7/8/8/8/8/8/8/KK6 w - - 0 1", "bad position: a side has more than one king"},
        {"position fen " + std::string(300, 'p'), "bad FEN: longer than 255 characters"},
        {"position somewhere", "position is written: position startpos|fen FEN [moves ...]"},
        {"position fen moves e2e4", "position fen needs a FEN; the position stays as it was"},
        {"position startpos e2e4", "position: e2e4 where moves or the end of the line belongs"},
        {fools_mate + " 0000", "malformed move 0000" + kept}, {fools_mate + " e1e3 a6", "illegal move e1e3" + kept},
    };
    for (const auto& [line, answer] : rows) {
        EXPECT_EQ(run(line).rfind("info string " + answer, 0), 0u) << line << ": " << collected;
        EXPECT_TRUE(same(take_snapshot(), before)) << line;
    }
    // Moves made wrongly: castling through check, a pinned bishop leaving its king in check, en passant a
    // move late, a promotion without its piece or to a king.
    for (const auto& [line, answer] : Rows{
             {"position fen 4k3/8/8/8/8/8/5r2/4K2R w K - 0 1 moves e1g1", "illegal move e1g1"},
             {"position fen 4r2k/8/8/8/8/8/4B3/4K3 w - - 0 1 moves e2d3", "illegal move e2d3"},
             {"position fen 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1 moves e1e2 e8e7 e5d6", "illegal move e5d6"},
             {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7b8", "illegal move b7b8"},
             {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7b8k", "malformed move b7b8k"}})
        EXPECT_EQ(run(line), "info string " + answer + kept + "\n") << line;
    // A game holds at most 1000 half-moves: the knights' shuffle is cut there, back at the start.
    std::string shuffle = "position startpos moves";
    for (int i = 0; i < 251; ++i) shuffle += " g1f3 g8f6 f3g1 f6g8";
    EXPECT_EQ(run(shuffle), "info string a game has at most 1000 half-moves: g1f3 and the moves after it are "
                            "ignored\n");
    EXPECT_TRUE(pos.history_count == GAME_HISTORY_LIMIT && pos.hash_key == position_key());
}

}  // namespace
