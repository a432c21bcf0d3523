// A game of a thousand half-moves, the history's limit, sent in force mode
// to the real engine. No position repeats and no fifty-move stretch runs
// out, so the engine has no reason to end the game before the limit: every
// move must be accepted in silence, the engine's own moves along the way
// must be legal, and at the limit the user sees the orderly end.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using LongGame = EngineTest;

// The same placement with the same side to move is what the engine's
// repetition test counts, whatever the castling rights.
std::string placement() {
    std::string p(65, '.');
    for (int sq = 0; sq < 128; ++sq)
        if (on_board(sq) && board[sq]) p[size_t(square64(sq))] = char('a' + board[sq]->kind + 6 * board[sq]->color);
    p[64] = char('0' + side);
    return p;
}

// The side to move after the last move has at least one legal move.
bool can_move() {
    const int saved_check = in_check_flag;
    in_check_flag = find_checker(xside);
    gen_moves();
    bool any = false;
    for (int i = first_move[ply]; i < last_move[ply] && !any && !king_capture; ++i) {
        if (move_flags(move_list[i].move) & MOVE_CASTLE) continue;  // a king step is legal too then
        if (make_legal_move(move_list[i].move)) {
            any = true;
            unmake_move();
        }
    }
    in_check_flag = saved_check;
    return any && !king_capture;
}

// The next move of the walk: a quiet piece move to a position not seen
// before, or, once eighty half-moves have passed without one, a pawn move or
// a capture to start a new reversible stretch (the game has only about a
// hundred of those, so they are spent sparingly). Never a move that leaves
// the other side without a move. 0 when none.
Move next_walk_move(std::mt19937& rng, const std::set<std::string>& seen) {
    std::vector<Move> quiet, irreversible;
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        const Move m = move_list[i].move;
        if (!make_legal_move(m)) continue;
        if (!seen.count(placement()) && can_move())
            (move_flags(m) & (MOVE_PAWN | MOVE_DOUBLE | MOVE_CAPTURE) ? irreversible : quiet).push_back(m);
        unmake_move();
    }
    std::vector<Move>& first = fifty >= 80 && !irreversible.empty() ? irreversible : quiet;
    std::vector<Move>& pool = first.empty() ? irreversible : first;
    if (pool.empty()) return 0;
    return pool[rng() % pool.size()];
}

bool has_result_line(const std::string& out) {
    return out.find("\n1-0 {") != std::string::npos || out.find("\n0-1 {") != std::string::npos ||
           out.find("\n1/2-1/2 {") != std::string::npos;
}

// The engine's answer to "go" must be a legal move here. It is then taken
// back, unless a result line followed (the engine then did not make it).
void engine_checkpoint(EngineProcess& engine) {
    send_lines(engine, QUICK_CLOCK);
    send_lines(engine, {"go", "force"});
    const std::string out = output_until_synced(engine, 30000);
    const size_t at = out.find("move ");
    ASSERT_NE(at, std::string::npos) << out;
    const std::string move = out.substr(at + 5, out.find('\n', at) - at - 5);
    bool legal = false;
    for (int i = first_move[0]; i < last_move[0] && !legal; ++i)
        if (long_algebraic(move_list[i].move) == move && make_legal_move(move_list[i].move)) {
            legal = true;
            unmake_move();
        }
    EXPECT_TRUE(legal) << "engine played " << move << " at half-move " << history_count;
    if (!has_result_line(out)) send_line(engine, "undo");
}

TEST_F(LongGame, AThousandHalfMovesWithoutRepetitionReachTheLimit) {
    EngineProcess engine;
    start_session(engine);
    send_lines(engine, {"xboard", "new", "force"});
    output_until_synced(engine, 30000);  // the empty line "xboard" answers

    std::mt19937 rng(20261207);
    std::set<std::string> seen = {placement()};
    int pawn_moves_and_captures = 0;
    while (history_count < GAME_HISTORY_LIMIT) {
        const Move m = next_walk_move(rng, seen);
        ASSERT_NE(m, 0u) << "the walk is stuck at half-move " << history_count;
        if (move_flags(m) & (MOVE_PAWN | MOVE_DOUBLE | MOVE_CAPTURE)) ++pawn_moves_and_captures;
        send_line(engine, long_algebraic(m));
        make_move(m);
        seen.insert(placement());
        generate_root_moves();
        // Every hundred half-moves: everything so far was accepted without a
        // word, and the engine finds a legal move in the position reached.
        if (history_count % 100 == 0 && history_count < GAME_HISTORY_LIMIT) {
            ASSERT_EQ(output_until_synced(engine, 30000), "") << "at half-move " << history_count;
            engine_checkpoint(engine);
        }
    }
    // The walk is the game it claims to be: long reversible stretches, no
    // fifty-move draw, and irreversible moves well spread.
    EXPECT_LT(fifty, 100);
    EXPECT_GT(pawn_moves_and_captures, 10);

    // One half-move more is refused; asked to play, the engine ends the game.
    const Move extra = next_walk_move(rng, seen);
    ASSERT_NE(extra, 0u);
    const std::string extra_text = long_algebraic(extra);
    send_line(engine, extra_text);
    send_line(engine, "go");
    EXPECT_TRUE(expect_output(engine, "Error (game too long): " + extra_text + "\n", 30000));
    EXPECT_TRUE(expect_output(engine, "\n1/2-1/2 {Vexmoth draws, game too long}\n"));
    // The last move can still be taken back and played again, and a new
    // game started.
    send_lines(engine, {"force", "undo"});
    send_line(engine, long_algebraic(history[history_count - 1].move));
    EXPECT_EQ(output_until_synced(engine, 30000), "");
    send_lines(engine, {"new"});
    send_lines(engine, QUICK_CLOCK);
    send_lines(engine, {"e2e4"});
    EXPECT_TRUE(expect_output(engine, "move "));
    EXPECT_EQ(wait_exit(engine), 0);
}

}  // namespace
