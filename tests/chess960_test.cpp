// Chess960 in the core: the published perft counts of its start positions, castling in the arrangements of
// king and rook its rules make special (and refused where they forbid it), the two FEN forms and their bad
// input, and random play-outs whose keys, unmakes and copies for a helper thread hold.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "test_support.h"
#include "tools/tools.h"

namespace {

using Chess960 = EngineTest;

// Each castling, written as the king taking its own rook, lands king and rook on the c- and d-file or the
// g- and f-file whatever they crossed, the key following; unmake gives everything back. Where the rules
// forbid it ("" after) it is no legal move: in check, through or onto an attacked square (also one the
// castling rook shielded), or with a third man on a square king or rook crosses or lands on.
TEST_F(Chess960, Castling) {
    const struct {
        const char *fen, *move, *after;  // the rank of the castling side after the move
    } cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1", "e1h1", "R....RK."},
        {"r3k2r/8/8/8/8/8/8/R3K2R b HAha - 0 1", "e8a8", "..kr...r"},
        {"4k3/8/8/8/8/8/8/6KR w H - 0 1", "g1h1", ".....RK."},   // the king on its destination: the rook moves
        {"4k3/8/8/8/8/8/8/3RK3 w D - 0 1", "e1d1", "..KR...."},  // the rook on its destination: the king moves
        {"4k3/8/8/8/8/8/8/5KR1 w G - 0 1", "f1g1", ".....RK."},  // each lands on the other's square
        {"4k3/8/8/8/8/8/8/1KR5 w C - 0 1", "b1c1", ".....RK."},  // the king crosses its rook
        {"4k3/8/8/8/8/8/8/RK6 w A - 0 1", "b1a1", "..KR...."},   // the rook crosses its king
        {"1kr5/8/8/8/8/8/8/4K3 b c - 0 1", "b8c8", ".....rk."},
        {"4k3/8/8/8/8/8/1r6/R3K3 w A - 0 1", "e1a1", "..KR...."},  // only the rook crosses the attacked b1
        {"4k3/8/8/8/8/8/4r3/4K2R w H - 0 1", "e1h1", ""},
        {"4k3/8/8/8/8/8/5r2/4K2R w H - 0 1", "e1h1", ""},
        {"4k3/8/8/8/8/8/6r1/4K2R w H - 0 1", "e1h1", ""},
        {"4k3/8/8/8/8/8/8/rRK5 w B - 0 1", "c1b1", ""},  // a1 attacks c1 once the rook has gone to d1
        {"4k3/8/8/8/8/8/8/RK1N4 w A - 0 1", "b1a1", ""},
        {"4k3/8/8/8/8/8/8/1KRN4 w C - 0 1", "b1c1", ""},
        {"4k3/8/8/8/8/8/8/4K1NR w H - 0 1", "e1h1", ""},
    };
    for (const auto& c : cases) {
        setup(c.fen, 1);
        generate_root_moves();
        const Snapshot before = take_snapshot();
        const int side = pos.side, row = side == WHITE ? 7 : 0;
        const Move m = legal_move_named(c.move);
        ASSERT_EQ(m != 0, *c.after != 0) << c.fen;
        if (!m) continue;
        make_move(m);
        update_hash_key(m);
        EXPECT_EQ(rank_text(row), c.after) << c.fen;
        EXPECT_EQ(pos.hash_key, position_key()) << c.fen;
        EXPECT_EQ(pos.castle_flags & (3 << 2 * side), 0) << c.fen;
        unmake_move();
        pos.hash_key = before.key;
        EXPECT_TRUE(same(before, take_snapshot())) << c.fen;
    }
    // Standard chess writes castling as the king's move, as before.
    setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    generate_root_moves();
    EXPECT_TRUE(legal_move_named("e1g1") && !legal_move_named("e1h1"));
}

// The rights are part of a Chess960 key, so a rook that goes and comes back leaves another key; standard
// chess keys no rights.
TEST_F(Chess960, RightsInTheKey) {
    for (const int chess960 : {0, 1}) {
        setup("rn2k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", chess960);
        const uint64_t start = pos.hash_key;
        for (const char* text : {"h1h2", "b8c6", "h2h1", "c6b8"}) {
            generate_root_moves();
            const Move m = legal_move_named(text);
            ASSERT_TRUE(m) << text;
            make_move(m);
            update_hash_key(m);
            EXPECT_EQ(pos.hash_key, position_key()) << text;
        }
        EXPECT_EQ(pos.castle_flags, CASTLE_WHITE_QUEEN | CASTLE_BLACK_QUEEN | CASTLE_BLACK_KING);
        EXPECT_EQ(pos.hash_key != start, chess960 == 1);
    }
}

// X-FEN and Shredder-FEN name the same rights alike (KQ the outermost rooks, a letter any rook); bad
// castling fields are refused with their reason, and standard chess refuses Chess960's fields as before.
TEST_F(Chess960, FenForms) {
    const char* const alike[][2] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1"},
        {"rr2k3/8/8/8/8/8/8/RR2K3 w Qq - 0 1", "rr2k3/8/8/8/8/8/8/RR2K3 w Aa - 0 1"},
        {"1rk1r3/8/8/8/8/8/8/1RK1R3 w KQkq - 0 1", "1rk1r3/8/8/8/8/8/8/1RK1R3 w EBeb - 0 1"},
    };
    for (const auto& pair : alike) {
        setup(pair[0], 1);
        const uint64_t key = pos.hash_key;
        const int rights = pos.castle_flags;
        setup(pair[1], 1);
        EXPECT_EQ(pos.hash_key, key) << pair[1];
        EXPECT_EQ(pos.castle_flags, rights) << pair[1];
    }
    setup("rr2k3/8/8/8/8/8/8/RR2K3 w Bb - 0 1", 1);  // the inner rooks: other rights, another key
    generate_root_moves();
    EXPECT_TRUE(legal_move_named("e1b1") && !legal_move_named("e1a1"));

    const char* const refused[][3] = {
        {"4k3/8/8/8/8/8/8/4K1R1 w H - 0 1", "1", "file holds no rook of its colour"},
        {"4k3/8/8/8/8/8/8/4K1r1 w G - 0 1", "1", "file holds no rook of its colour"},
        {"4k3/8/8/8/8/8/8/R3K3 w K - 0 1", "1", "castling right K or Q without a rook on that side"},
        {"4k3/8/8/8/8/8/8/4K1RR w HG - 0 1", "1", "two castling rights on one side"},
        {"4k3/8/8/8/8/8/8/4K2R w KH - 0 1", "1", "two castling rights on one side"},
        {"4k3/8/8/8/8/8/4K3/R6R w HA - 0 1", "1", "a castling right without its king on its first rank"},
        {"4k3/8/8/8/8/8/8/R3K2R w X - 0 1", "1", "castling field is not '-' or letters of KQkq and rook files"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1", "0", "castling field is not '-' or letters of KQkq"},
        {"rk5r/8/8/8/8/8/8/RK5R w KQkq - 0 1", "0", "a castling right without king and rook on their home squares"},
    };
    for (const auto& r : refused) {
        const char* error = "";
        EXPECT_FALSE(set_position_from_fen(r[0], &error, 1, r[1][0] == '1')) << r[0];
        EXPECT_NE(std::string(error).find(r[2]), std::string::npos) << r[0] << ": " << error;
    }
}

// How deep line n (from 1) of the suite is counted: king and rook of lines 1, 2, 143, 159, 377 and 474
// stand on each other's paths or destinations.
int depth_of_line(int n) {
    switch (n) {
        case 159: return 5;
        case 1: case 2: case 143: case 377: case 474: return 4;
        default: return 3;
    }
}

// The published counts (Shredder-FEN): every start position to depth 3, a few deeper (not all: the
// sanitizer build makes every node costly).
TEST_F(Chess960, PublishedPerft) {
    EXPECT_EQ(check_perft_file(VEXMOTH_DATA_DIR "/chess960.epd", 1, depth_of_line), 480);
}

// Random games from start positions with castling each way: each move taken back exactly, each key the
// key from scratch, and the position handed to a helper thread the same position with the same moves.
TEST_F(Chess960, PlayOutsAndCopies) {
    const char* const starts[] = {
        "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 0 1",
        "b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE - 0 1",
        "nrkbnrbq/ppppppp1/8/8/7p/PP3P2/2PPPRPP/NRKBN1BQ w Bfb - 0 1",
        "brkr1nqb/pp1p1pp1/2pn3p/P3p3/4P3/6P1/1PPP1P1P/BRKRNNQB w DBdb - 0 1",
    };
    const auto copy = std::make_unique<PositionCopy>();
    int castlings = 0;
    for (int game = 0; game < 24; ++game) {
        setup(starts[game % 4], 1);
        for (int move = 0; move < 80; ++move) {
            pos.ply = 0;
            const std::vector<Move> legal = legal_moves();
            if (legal.empty()) break;
            if (move % 10 == 0) {
                const Snapshot here = take_snapshot();
                const std::vector<int> masks(pos.castle_masks, pos.castle_masks + 128);
                generate_root_moves();
                save_position(copy.get());
                setup("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
                load_position(*copy);
                EXPECT_TRUE(same(here, take_snapshot()) && pos.hash_key == position_key());
                EXPECT_EQ(std::vector<int>(pos.castle_masks, pos.castle_masks + 128), masks);
                EXPECT_EQ(legal_moves(), legal);
            }
            const Move m = legal[next_random() % legal.size()];
            castlings += (move_flags(m) & MOVE_CASTLE) != 0;
            const Snapshot before = take_snapshot();
            ASSERT_TRUE(make_move(m));
            update_hash_key(m);
            ASSERT_EQ(pos.hash_key, position_key()) << long_algebraic(m);
            unmake_move();
            pos.hash_key = before.key;
            ASSERT_TRUE(same(before, take_snapshot()) && square_sets_ok()) << long_algebraic(m);
            make_move(m);
            update_hash_key(m);
        }
    }
    EXPECT_GT(castlings, 5);
}

}  // namespace
