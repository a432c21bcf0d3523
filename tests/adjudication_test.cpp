// Game-end adjudication through the protocol: the engine announces mate,
// stalemate, repetition and the fifty-move rule itself, then waits in force
// mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xboard/xboard.h"
#include "test_support.h"

namespace {

using Adjudication = EngineTest;

// White: king g1, rook a1; black: king g8 behind pawns f7 g7 h7. Ra8 mates.
const std::vector<std::string> back_rank = edit_lines({"Kg1", "Ra1"}, {"Kg8", "Pf7", "Pg7", "Ph7"});

// White mates or stalemates the engine, which plays black: at its turn it
// has no move, prints none and announces the result.
TEST_F(Adjudication, EngineWithoutAMove) {
    const struct {
        std::vector<std::string> position;
        const char* move;
        const char* result;
    } cases[] = {
        {back_rank, "a1a8", "\n1-0 {Vexmoth Lost - Mate}\n"},
        {edit_lines({"Kf7", "Qg5"}, {"Kh8"}), "g5g6", "\n1/2-1/2 {Vexmoth draws, Stalemate}\n"},
    };
    for (const auto& c : cases) {
        EngineProcess e;
        start_session(e);
        send_lines(e, {"new", "force"});
        send_lines(e, c.position);
        send_lines(e, QUICK_CLOCK);
        send_lines(e, {"white", c.move});
        ASSERT_TRUE(expect_output(e, c.result));
        EXPECT_EQ(e.output.find("move"), std::string::npos);
        EXPECT_EQ(wait_exit(e), 0);
    }
}

TEST_F(Adjudication, EngineMatesAndWaitsInForceMode) {
    EngineProcess e;
    start_thinking(e, back_rank);
    ASSERT_TRUE(expect_output(e, "move a1a8\n\n1-0 {Vexmoth Mate}\n"));
    // The mating move was printed but not made: white is still on move, and
    // the engine plays neither side until told.
    send_lines(e, {"a1a8"});
    const std::string after = pending_output(e, 500);
    EXPECT_EQ(after.find("move"), std::string::npos) << after;
    EXPECT_EQ(after.find("Error"), std::string::npos) << after;
    EXPECT_EQ(wait_exit(e), 0);
}

TEST_F(Adjudication, ThreefoldRepetition) {
    EngineProcess e;
    start_session(e);
    send_lines(e, {"new", "force", "g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"});
    EXPECT_EQ(output_until_synced(e).find("Repetition"), std::string::npos);  // twice is not yet thrice
    send_lines(e, {"f6g8"});
    ASSERT_TRUE(expect_output(e, "\n1/2-1/2 {Vexmoth draws, 3 Repetition}\n"));
    EXPECT_EQ(wait_exit(e), 0);
}

// 99 reversible half-moves with rooks and kings that never repeat a
// placement thrice, found with the engine's own generator in this process.
std::vector<std::string> reversible_moves(int count) {
    setup("6k1/r7/8/8/8/8/7R/1K6 w - - 0 1");
    std::vector<std::string> texts;
    while (int(texts.size()) < count) {
        generate_root_moves();
        std::vector<Move> moves;
        for (int i = first_move[0]; i < last_move[0]; ++i) moves.push_back(move_list[i].move);
        bool made = false;
        for (size_t tries = 0; tries < moves.size() && !made; ++tries) {
            const Move m = moves[next_random() % moves.size()];
            if (move_flags(m) & MOVE_CAPTURE) continue;
            if (!make_legal_move(m)) continue;
            ply = 0;
            if (!is_threefold()) {
                texts.push_back(move_text(m));
                made = true;
            } else {
                unmake_move();
                ply = 0;
            }
        }
        if (!made) break;
    }
    return texts;
}

TEST_F(Adjudication, FiftyMoveRule) {
    const std::vector<std::string> moves = reversible_moves(100);
    ASSERT_EQ(moves.size(), 100u);
    EngineProcess e;
    start_session(e);
    send_lines(e, {"new", "force", "edit", "#", "Kb1", "Rh2", "c", "Kg8", "Ra7", "."});
    send_lines(e, QUICK_CLOCK);
    for (int i = 0; i < 99; ++i) send_line(e, moves[i]);
    // Black is on move; the engine takes white, so it would answer black's move.
    send_lines(e, {"black", moves[99]});
    ASSERT_TRUE(expect_output(e, "\n1/2-1/2 {Vexmoth draws, Fifty}\n"));
    pending_output(e, 500);
    EXPECT_EQ(e.output.find("move"), std::string::npos) << "the engine thought after the draw";
    EXPECT_EQ(e.output.find("Error"), std::string::npos) << e.output;
    EXPECT_EQ(wait_exit(e), 0);
}

}  // namespace
