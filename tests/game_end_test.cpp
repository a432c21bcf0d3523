// The end of a game through the xboard protocol: every result the engine announces itself, and a
// game of a thousand half-moves.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"
#include "xboard/xboard.h"

namespace {

using Adjudication = EngineTest;
using LongGame = EngineTest;

// The next move of a walk through positions not seen before that leaves the other side a move:
// a quiet piece move, or, once eighty half-moves have passed without one and when allowed, a
// pawn move or a capture. 0 when there is none.
Move next_walk_move(std::mt19937& rng, std::set<uint64_t>& seen, bool irreversible_allowed) {
    std::vector<Move> quiet, irreversible;
    generate_root_moves();
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i) {
        const Move m = pos.move_list[i].move;
        if (!make_legal_move(m)) continue;
        if (!seen.count(position_key()) && !legal_moves().empty())
            (move_flags(m) & (MOVE_PAWN | MOVE_DOUBLE | MOVE_CAPTURE) ? irreversible : quiet).push_back(m);
        unmake_move();
    }
    if (!irreversible_allowed) irreversible.clear();
    std::vector<Move>& first = pos.fifty >= 80 && !irreversible.empty() ? irreversible : quiet;
    std::vector<Move>& pool = first.empty() ? irreversible : first;
    if (pool.empty()) return 0;
    const Move m = pool[rng() % pool.size()];
    make_move(m);
    seen.insert(position_key());
    return m;
}

// One session, one game after another, each from a new game in force mode: the engine's whole
// answer to the lines sent is the result line, after its move when it mates, and it plays
// neither side afterwards.
TEST_F(Adjudication, EveryGameEndInOneSession) {
    const std::vector<std::string> back_rank = edit_lines({"Kg1", "Ra1"}, {"Kg8", "Pf7", "Pg7", "Ph7"});  // Ra8#
    // A hundred reversible half-moves of rooks and kings, the last one black's
    // and the engine playing white: the draw instead of a move.
    setup("6k1/r7/8/8/8/8/7R/1K6 w - - 0 1");
    std::mt19937 rng(7);
    std::set<uint64_t> seen = {position_key()};
    std::vector<std::string> hundred;
    for (int i = 0; i < 100; ++i) {
        const Move m = next_walk_move(rng, seen, false);
        ASSERT_NE(m, 0u) << i;
        if (i == 99) hundred.push_back("black");
        hundred.push_back(long_algebraic(m));
    }
    const struct {
        std::vector<std::string> position, sent;
        const char* answer;
    } games[] = {
        {back_rank, {"white", "a1a8"}, "\n1-0 {Vexmoth Lost - Mate}\n"},
        {edit_lines({"Kf7", "Qg5"}, {"Kh8"}), {"white", "g5g6"}, "\n1/2-1/2 {Vexmoth draws, Stalemate}\n"},
        // The mating move is printed but not made: white is still on move.
        {back_rank, {"go", "a1a8"}, "move a1a8\n\n1-0 {Vexmoth Mate}\n"},
        // The knights out and back twice is a threefold repetition, and not before.
        {{}, {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"},
         "\n1/2-1/2 {Vexmoth draws, 3 Repetition}\n"},
        {edit_lines({"Kb1", "Rh2"}, {"Kg8", "Ra7"}), hundred, "\n1/2-1/2 {Vexmoth draws, Fifty}\n"},
    };
    EngineProcess e;
    start_session(e);
    for (const auto& g : games) {
        send_lines(e, {"new", "force"});
        send_lines(e, g.position);
        send_lines(e, QUICK_CLOCK);
        EXPECT_EQ(answer_to(e, g.sent), g.answer);
    }
    EXPECT_EQ(wait_exit(e), 0);
}

// A game of a thousand half-moves sent in force mode, without a repetition or a fifty-move draw:
// every move is accepted in silence, and at the limit the game ends in order.
TEST_F(LongGame, AThousandHalfMovesWithoutRepetitionReachTheLimit) {
    EngineProcess engine;
    start_session(engine);
    send_lines(engine, {"xboard", "new", "force"});
    output_until_synced(engine, 30000);  // the empty line "xboard" answers
    std::mt19937 rng(20261207);
    std::set<uint64_t> seen = {position_key()};
    while (pos.history_count < GAME_HISTORY_LIMIT) {
        const Move m = next_walk_move(rng, seen, true);
        ASSERT_NE(m, 0u) << "the walk is stuck at half-move " << pos.history_count;
        send_line(engine, long_algebraic(m));
    }
    EXPECT_EQ(output_until_synced(engine, 30000), "");
    EXPECT_LT(pos.fifty, 100);  // the walk is the game it claims to be
    // One half-move more is refused; asked to play, the engine ends the game.
    const Move extra = next_walk_move(rng, seen, true);
    ASSERT_NE(extra, 0u);
    const std::string extra_text = long_algebraic(extra);
    send_lines(engine, {extra_text, "go"});
    EXPECT_TRUE(expect_output(engine, "Error (game too long): " + extra_text + "\n", 30000));
    EXPECT_TRUE(expect_output(engine, "\n1/2-1/2 {Vexmoth draws, game too long}\n"));
    // The last move can still be taken back and played again, and a new game started.
    unmake_move();
    send_lines(engine, {"force", "undo", long_algebraic(pos.history[pos.history_count - 1].move)});
    EXPECT_EQ(output_until_synced(engine, 30000), "");
    send_lines(engine, {"new"});
    send_lines(engine, QUICK_CLOCK);
    send_lines(engine, {"e2e4"});
    EXPECT_TRUE(expect_output(engine, "move "));
    EXPECT_EQ(wait_exit(engine), 0);
}

}  // namespace
