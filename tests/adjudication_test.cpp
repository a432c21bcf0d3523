// Game-end adjudication through the protocol: the engine announces mate,
// stalemate, repetition and the fifty-move rule itself, then waits in force
// mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/driver.h"
#include "engine_process.h"
#include "search/search.h"
#include "test_support.h"

namespace {

const std::vector<std::string> quick_clock = {"level 40 5 0", "time 100", "otim 100"};

void start(EngineProcess& e) {
    const std::string dir = make_temp_dir();
    ASSERT_TRUE(start_engine(e, dir));
    ASSERT_TRUE(expect_output(e, "\n"));
}

void send(EngineProcess& e, const std::vector<std::string>& lines) {
    for (const std::string& l : lines) send_line(e, l);
}

// White: king g1, rook a1; black: king g8 behind pawns f7 g7 h7. Ra8 mates.
const std::vector<std::string> back_rank = {"edit", "#", "Kg1", "Ra1", "c", "Kg8", "Pf7", "Pg7", "Ph7", "."};

TEST(Adjudication, EngineIsMated) {
    EngineProcess e;
    start(e);
    send(e, {"new", "force"});
    send(e, back_rank);
    send(e, quick_clock);
    send(e, {"white", "a1a8"});
    ASSERT_TRUE(expect_output(e, "\n1-0 {Vexmoth Lost - Mate}\n"));
    EXPECT_EQ(e.output.find("move"), std::string::npos);
    EXPECT_EQ(wait_exit(e), 0);
}

TEST(Adjudication, EngineMatesAndWaitsInForceMode) {
    EngineProcess e;
    start(e);
    send(e, {"new", "force"});
    send(e, back_rank);
    send(e, quick_clock);
    send(e, {"go"});
    ASSERT_TRUE(expect_output(e, "move a1a8\n\n1-0 {Vexmoth Mate}\n"));
    // The mating move was printed but not made: white is still on move, and
    // the engine plays neither side until told.
    send(e, {"a1a8"});
    const std::string after = pending_output(e, 500);
    EXPECT_EQ(after.find("move"), std::string::npos) << after;
    EXPECT_EQ(after.find("Error"), std::string::npos) << after;
    EXPECT_EQ(wait_exit(e), 0);
}

TEST(Adjudication, Stalemate) {
    EngineProcess e;
    start(e);
    send(e, {"new", "force"});
    send(e, {"edit", "#", "Kf7", "Qg5", "c", "Kh8", "."});
    send(e, quick_clock);
    send(e, {"white", "g5g6"});
    ASSERT_TRUE(expect_output(e, "\n1/2-1/2 {Vexmoth draws, Stalemate}\n"));
    EXPECT_EQ(e.output.find("move"), std::string::npos);
    EXPECT_EQ(wait_exit(e), 0);
}

TEST(Adjudication, ThreefoldRepetition) {
    EngineProcess e;
    start(e);
    send(e, {"new", "force", "g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"});
    send_line(e, "unknown-sync-word");
    ASSERT_TRUE(expect_output(e, "Error (unknown command): unknown-sync-word\n"));
    EXPECT_EQ(e.output.find("Repetition"), std::string::npos);  // twice is not yet thrice
    send(e, {"f6g8"});
    ASSERT_TRUE(expect_output(e, "\n1/2-1/2 {Vexmoth draws, 3 Repetition}\n"));
    EXPECT_EQ(wait_exit(e), 0);
}

// 99 reversible half-moves with rooks and kings that never repeat a
// placement thrice, found with the engine's own generator in this process.
std::vector<std::string> reversible_moves(int count) {
    setup("6k1/r7/8/8/8/8/7R/1K6 w - - 0 1");
    std::vector<std::string> texts;
    uint32_t seed = 12345;
    while (int(texts.size()) < count) {
        generate_root_moves();
        std::vector<Move> moves;
        for (int i = first_move[0]; i < last_move[0]; ++i) moves.push_back(move_list[i].move);
        bool made = false;
        for (size_t tries = 0; tries < moves.size() && !made; ++tries) {
            seed = seed * 1103515245 + 12345;
            const Move m = moves[(seed >> 8) % moves.size()];
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

TEST(Adjudication, FiftyMoveRule) {
    const std::vector<std::string> moves = reversible_moves(100);
    ASSERT_EQ(moves.size(), 100u);
    EngineProcess e;
    start(e);
    send(e, {"new", "force", "edit", "#", "Kb1", "Rh2", "c", "Kg8", "Ra7", "."});
    send(e, quick_clock);
    for (int i = 0; i < 99; ++i) send_line(e, moves[i]);
    // Black is on move; the engine takes white, so it would answer black's move.
    send(e, {"black", moves[99]});
    ASSERT_TRUE(expect_output(e, "\n1/2-1/2 {Vexmoth draws, Fifty}\n"));
    pending_output(e, 500);
    EXPECT_EQ(e.output.find("move"), std::string::npos) << "the engine thought after the draw";
    EXPECT_EQ(e.output.find("Error"), std::string::npos) << e.output;
    EXPECT_EQ(wait_exit(e), 0);
}

}  // namespace
