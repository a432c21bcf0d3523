// The UCI front end's commands carried out in-process, their output collected: the options, the words of
// "go" and the limits they give, "searchmoves", and the position a GUI sets up, refused or kept. What needs
// the process (searching, timing, stop and isready during a search, the end of input) is the protocol test's.
#include <gtest/gtest.h>

#include <algorithm>
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
        chess960_option = 0;
        run("setoption name Move Overhead value 20");
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
                          "option name Move Overhead type spin default 20 min 0 max 5000\n"
                          "option name Ponder type check default false\n"
                          "option name UCI_LimitStrength type check default false\n"
                          "option name UCI_Elo type spin default 1500 min 600 max 1900\n"
                          "option name SyzygyPath type string default <empty>\n"
                          "option name SyzygyProbeDepth type spin default 1 min 1 max 100\n"
                          "option name Syzygy50MoveRule type check default true\n"
                          "option name SyzygyProbeLimit type spin default 7 min 0 max 7\n"
                          "option name UCI_Chess960 type check default false\nuciok\n");
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
        {"setoption name Move Overhead value -7", "info string option Move Overhead takes 0 to 5000: set to 0\n"},
        {"setoption name move overhead value 5001", "info string option Move Overhead takes 0 to 5000: set to 5000\n"},
        {"setoption name Move Overhead value soon", "info string option Move Overhead needs a number from 0 to 5000\n"},
        {"setoption name Ponder value sometimes", "info string option Ponder needs the value true or false\n"},
        {"setoption name uci_limitstrength value True", ""},
        {"setoption name UCI_LimitStrength value half", "info string option UCI_LimitStrength needs the value true or false\n"},
        {"setoption name UCI_Elo value 2000", "info string option UCI_Elo takes 600 to 1900: set to 1900\n"},
        {"setoption name UCI_Elo value strong", "info string option UCI_Elo needs a number from 600 to 1900\n"},
        {"setoption name UCI_Elo value -70", "info string option UCI_Elo takes 600 to 1900: set to 600\n"},
        {"setoption name nullmove", "info string option nullmove needs the value true or false\n"},
        {"setoption name Hash value 16MB", "info string option Hash needs a number of megabytes from 0 to 768\n"},
        {"setoption name Pondering value true", "info string unknown option: Pondering\n"},
        {"setoption name SyzygyProbeLimit value 9", "info string option SyzygyProbeLimit takes 0 to 7: set to 7\n"},
        {"setoption name SyzygyProbeDepth value deep",
         "info string option SyzygyProbeDepth needs a number from 1 to 100\n"},
        {"setoption name Syzygy50MoveRule value maybe",
         "info string option Syzygy50MoveRule needs the value true or false\n"},
        {"setoption name UCI_Chess960 value 1", "info string option UCI_Chess960 needs the value true or false\n"},
        {"setoption value 3 name Hash", "info string setoption is written: setoption name NAME [value VALUE]\n"},
        {"GO", "info string unknown command: GO\n"},
        {"ponderhit", "info string ponderhit: no ponder search is running\n"},
        {std::string(100, 'y'), "info string unknown command: " + std::string(80, 'y') + "\n"},
    };
    for (const auto& [line, answer] : rows) EXPECT_EQ(run(line), answer) << line;
    int bits, fold, records;
    hash_size(16, &bits, &fold, &records);
    EXPECT_TRUE(hash_records == records && nullmove == 0 && ponder_option == 1 && multipv_lines == 256 &&
                move_overhead_ms == 5000);
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
// their ranges; the side to move's clock gives the budget; searchmoves keeps the legal moves it
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
    // The side to move's clock and increment, the moves to go, the half-moves played and Move Overhead
    // make the budget; black's once black is to move.
    struct Clock {
        const char* line;
        MoveTime budget;
    };
    const int o = DEFAULT_MOVE_OVERHEAD_MS;
    for (const Clock& c : {Clock{"go wtime 6000 btime 3000 winc 10 binc 20", clock_budget(6000, 10, 3000, 0, 0, o)},
                           Clock{"go btime 1 wtime 4000 movestogo 10", clock_budget(4000, 0, 1, 10, 0, o)},
                           Clock{"setoption name Move Overhead value 100", {}},
                           Clock{"go wtime 4000 btime 4000 movestogo 10", clock_budget(4000, 0, 4000, 10, 0, 100)},
                           Clock{"", {}}, Clock{"go wtime 600000 btime 300 winc 5 binc 7", clock_budget(300, 7, 600000, 0, 1, 100)}}) {
        if (!*c.line || c.budget.maximum_ms == 0) {
            run(*c.line ? c.line : "position startpos moves e2e4");
            continue;
        }
        take(c.line);
        l = make_limits(read_go_words());
        EXPECT_TRUE(!l.clock_rules && l.optimum_ms == c.budget.optimum_ms && l.maximum_ms == c.budget.maximum_ms)
            << c.line;
    }
}

// The lag is learned from the clocks of consecutive moves: what the clock lost beyond the engine's time and
// the increment. Once it passes Move Overhead every move pays it; a clock refilled by a new session, or
// one of another position, teaches nothing; a new Move Overhead starts afresh.
TEST_F(UciCommands, LagLearnedFromTheClocks) {
    for (int move = 0; move < 20; ++move) {
        remember_clocked_move(1000, 10, 100);
        pos.history_count += 2;
        learn_lag(860);  // 1000 + 10 - 100 - 50
    }
    EXPECT_EQ(move_overhead(), 50);
    remember_clocked_move(1000, 10, 100);
    learn_lag(1000);  // the same position
    remember_clocked_move(1000, 10, 100);
    pos.history_count += 2;
    learn_lag(3000);  // a new session
    EXPECT_EQ(move_overhead(), 50);
    run("setoption name Move Overhead value 30");
    EXPECT_EQ(move_overhead(), 30);
}

// The budget of a clocked move over a table of clocks, increments, moves to go, overheads and the game's
// progress: both limits positive, the optimum within the maximum; the maximum never past the clock less the
// overhead, and a tiny one (a twentieth of the clock at most) when the clock is not above the overhead; the
// last move of a session may use most of what is left but the overhead, and plans on at least half of it;
// without moves to go or increment a move takes at most a fifteenth of the clock, so that a long game
// keeps some, and behind the opponent's clock on its last reserve next to nothing; more increment never
// gives less time, nor more clock.
TEST(UciClock, BudgetOverTheTable) {
    const int64_t clocks[] = {0, 1, 19, 20, 21, 300, 2000, 4000, 8000, 60000, 3600000, 1000000000};
    const int64_t increments[] = {0, 1, 80, 100, 2000, 1000000000};
    for (int64_t clock : clocks)
        for (int moves_to_go : {0, 1, 2, 10, 40, 1000})
            for (int overhead : {0, 20, 300, 5000})
                for (int ply : {0, 40, 120, 1000}) {
                    MoveTime last{0, 0};
                    for (int64_t increment : increments) {
                        const MoveTime t = clock_budget(clock, increment, -1, moves_to_go, ply, overhead);
                        SCOPED_TRACE(testing::Message() << "clock " << clock << " increment " << increment
                                                        << " to go " << moves_to_go << " overhead " << overhead
                                                        << " ply " << ply);
                        EXPECT_TRUE(t.optimum_ms >= 1 && t.optimum_ms <= t.maximum_ms);
                        const int64_t usable = clock - overhead;
                        EXPECT_LE(t.maximum_ms, usable >= 1 ? usable : std::max<int64_t>(1, clock / 20));
                        if (moves_to_go == 1 && usable >= 1) {
                            EXPECT_TRUE(t.maximum_ms >= usable / 2 && t.optimum_ms >= usable / 2);
                        }
                        if (moves_to_go == 0 && increment == 0) {
                            EXPECT_LE(t.optimum_ms, std::max<int64_t>(1, clock / 15));
                        }
                        EXPECT_TRUE(t.optimum_ms >= last.optimum_ms && t.maximum_ms >= last.maximum_ms);
                        last = t;
                        if (clock < 1000000000) {
                            const MoveTime more = clock_budget(clock + 1000, increment, -1, moves_to_go, ply, overhead);
                            EXPECT_TRUE(more.optimum_ms >= t.optimum_ms && more.maximum_ms >= t.maximum_ms);
                            // Sudden death behind the opponent's clock, down to twice the overhead
                            // of 60 moves: next to nothing; above it, as if level.
                            const MoveTime behind = clock_budget(clock, increment, clock + 1, moves_to_go, ply, overhead);
                            if (moves_to_go == 0 && increment < overhead && clock <= 120 * (overhead - increment)) {
                                EXPECT_TRUE(behind.optimum_ms == 1 && behind.maximum_ms <= std::max<int64_t>(5, clock / 20));
                            } else {
                                EXPECT_TRUE(behind.optimum_ms == t.optimum_ms && behind.maximum_ms == t.maximum_ms);
                            }
                        }
                    }
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

// UCI_Chess960: castling read as the king taking its own rook, by both sides, with king or rook already
// on its destination and with each on the other's square (the ranks after it show where they stand);
// refused out of and through check, and as the king's two-square move; a bad castling field refused with
// the position kept; searchmoves names castling so. With the option off, standard chess as before, and a
// Chess960 field refused (the position kept still Chess960's).
TEST_F(UciCommands, Chess960) {
    const std::string kept = ": the moves before it are kept\n";
    EXPECT_EQ(run("setoption name UCI_Chess960 value true"), "");
    const struct {
        std::string line, answer, ranks;  // the answer; ranks 8 and 1 after it
    } rows[] = {
        {"position fen r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1 moves e1h1 e8a8", "", "..kr...r R....RK."},
        {"position fen 4k3/8/8/8/8/8/8/6KR w H - 0 1 moves g1h1", "", "....k... .....RK."},
        {"position fen 4k3/8/8/8/8/8/8/3RK3 w D - 0 1 moves e1d1", "", "....k... ..KR...."},
        {"position fen 4k3/8/8/8/8/8/8/5KR1 w G - 0 1 moves f1g1", "", "....k... .....RK."},
        {"position fen 4k3/8/8/8/8/8/8/1R3K1R w KQ - 0 1 moves f1b1", "", "....k... ..KR...R"},
        {"position fen 4k3/8/8/8/8/8/4r3/4K2R w H - 0 1 moves e1h1", "info string illegal move e1h1" + kept,
         "....k... ....K..R"},
        {"position fen 4k3/8/8/8/8/8/5r2/4K2R w H - 0 1 moves e1h1", "info string illegal move e1h1" + kept, ""},
        {"position fen 4k3/8/8/8/8/8/8/4K2R w H - 0 1 moves e1g1", "info string illegal move e1g1" + kept, ""},
        {"position fen 4k3/8/8/8/8/8/8/R3K3 w K - 0 1",
         "info string bad position: castling right K or Q without a rook on that side of its king; the position "
         "stays as it was\n",
         "....k... ....K..R"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(run(r.line), r.answer) << r.line;
        EXPECT_TRUE(r.ranks.empty() || rank_text(0) + " " + rank_text(7) == r.ranks) << r.line;
    }
    take("go searchmoves e1h1 e1g1");
    const GoRequest go = read_go_words();
    EXPECT_EQ(restrict_root_moves(go.searchmoves_from, go.searchmoves_to), 1);
    EXPECT_EQ(collected, "info string go: searchmoves: e1g1 is no legal move here and is left out\n");
    EXPECT_EQ(std::string(long_algebraic(pos.move_list[pos.first_move[0]].move)), "e1h1");

    EXPECT_EQ(run("setoption name UCI_Chess960 value false"), "");
    const uint64_t key = pos.hash_key;
    EXPECT_EQ(run("position fen r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1"),
              "info string bad FEN: castling field is not '-' or letters of KQkq; the position stays as it was\n");
    EXPECT_TRUE(pos.hash_key == key && pos.chess960 && rank_text(7) == "....K..R");
    EXPECT_EQ(run("position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves e1g1 e8c8"), "");
    EXPECT_EQ(rank_text(0) + " " + rank_text(7), "..kr...r R....RK.");
}

}  // namespace
