// The evaluation against hand-worked positions, term by term, and its gates against the window.
#include <gtest/gtest.h>

#include "eval/eval.h"
#include "eval/eval_terms.h"
#include "test_support.h"

namespace {

using Eval = EngineTest;

constexpr int FULL = 8000;

// Sets up the FEN as the search would see it at the root (root material
// taken from the position, the game phase computed) and evaluates it with
// both tactical stages off, which leaves the per-call words set.
int quiet_eval(const char* fen) {
    setup(fen);
    ev.root_piece_material[WHITE] = pos.piece_material[WHITE];
    ev.root_piece_material[BLACK] = pos.piece_material[BLACK];
    set_game_phase();
    return evaluate(-FULL, FULL);
}

// The terms a row can ask for, of White (or of the side to move), at the
// row's square where they need one.
using Term = int (*)(int square);
int whole(int) { return evaluate(-FULL, FULL); }
int phase(int) { return ev.game_phase; }
int pawn(int s) { return evaluate_pawn(WHITE, s); }
int duos(int) { return pawn_duos(); }
int duos_endgame(int) { return pawn_duos_endgame(); }
int passer(int) { return ev.best_passer[WHITE]; }
int knight(int s) { return evaluate_knight(pos.board[s]); }
int bishop(int s) { return evaluate_bishop(pos.board[s]); }
int rook(int s) { return evaluate_rook(pos.board[s]); }
int safety(int) { return king_safety(WHITE); }
int shelter(int) { return king_safety(WHITE), ev.king_shelter[WHITE]; }
int blocked_file(int) { return blocked_king_file(WHITE); }
int action(int) { return ev.action_square; }
int knight_threat(int) { return threat_knight(pos.occupied); }
int bishop_threat(int) { return threat_bishop(pos.occupied); }
int bishops(int) { return ev.bishop_code[WHITE]; }
int back_rank(int) { return ev.back_rank_guard[WHITE]; }
int black_back_rank(int) { return ev.back_rank_guard[BLACK]; }
int queen_left(int) { return ev.queen_out[WHITE]; }

struct Check {
    Term term;
    const char* square;  // "" when the term needs none
    int expected;
};

// Each number worked out by hand from the rules, as the comments say.
TEST_F(Eval, HandWorkedTerms) {
    const struct {
        const char* fen;
        std::vector<Check> checks;
    } rows[] = {
        // Pawns: the unmoved e2 pawn, its table's -40; pairs abreast on row 4 (6 - 4, endgame 6)
        // and one row apart; isolated c3 blocked by c6: table 3, -20, an enemy pawn ahead +5.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {{phase, "", 1}, {pawn, "e2", -40}}},
        {"rnbqkbnr/8/8/8/3PP3/8/8/RNBQKBNR b KQkq - 0 1", {{duos, "", -2}, {duos_endgame, "", -6}}},
        {"rnbqkbnr/8/8/8/4P3/3P4/8/RNBQKBNR w KQkq - 0 1", {{duos, "", 2}}},
        {"rnbqkbnr/8/2p5/8/8/2P5/8/RNBQKBNR w KQkq - 0 1", {{pawn, "c3", 3 - 20 + 5}}},
        // e5 blocked with d2 behind it: 12 - 10 + 5; d2 backward -8, e6 keeps it from being passed.
        {"rnbqkbnr/8/4p3/4P3/8/8/3P4/RNBQKBNR w KQkq - 0 1", {{pawn, "e5", 7}, {pawn, "d2", -48}}},
        // A passer on e7: table 20, isolated -20, 20 * 6 with e8 empty, 18 * 6 with a man there.
        {"rnbq1bnr/4P3/8/2k5/8/8/8/RNBQKBNR w - - 0 1", {{pawn, "e7", 120}}},
        {"rnbqnbr1/4P3/8/2k5/8/8/8/RNBQKBNR w - - 0 1", {{pawn, "e7", 108}}},
        // Endgame a4 passer, 4 * 3 - 20 + 20 * 3 = 52; a lone black bishop off a8's colour
        // +2 * 3, on it nothing; an own lone bishop off a8's colour -3.
        {"1b5k/8/8/8/P7/8/8/7K w - - 0 1", {{phase, "", 3}, {pawn, "a4", 52 + 6}}},
        {"2b4k/8/8/8/P7/8/8/7K w - - 0 1", {{pawn, "a4", 52}}},
        {"7k/8/8/8/P7/8/8/2B4K w - - 0 1", {{pawn, "a4", 52 - 3}}},
        // The best passer: the more advanced; on one row the one farther in files from the
        // enemy king; on a tie the first in list order.
        {"4k3/8/2P5/6P1/8/8/8/4K3 w - - 0 1", {{passer, "", sq("c6")}}},
        {"k7/8/2P3P1/8/8/8/8/4K3 w - - 0 1", {{passer, "", sq("g6")}}},
        {"4k3/8/2P3P1/8/8/8/8/4K3 w - - 0 1", {{passer, "", sq("c6")}}},
        // Pieces: the opening knight on g1, -20 from the table, -5 with its queen out; a guarded
        // knight on the e6 outpost, 5 + 1, +8 with the black king two squares away.
        {"rnbqkbnr/pppppppp/8/3Q4/8/8/PPPPPPPP/RNB1KBNR w KQkq - 0 1", {{queen_left, "", 1}, {knight, "g1", -25}}},
        {"r1bqkb1r/pp2p2p/4N3/3P4/8/8/PPP2PPP/RNBQKB1R w KQkq - 0 1", {{knight, "e6", 5 + 1 + 8}}},
        // A rook on the open d-file and the seventh row, 15 + 20; shut in by its uncastled king,
        // 3100 * 12 / -600; the bishop trapped on a7 behind b7 and c7.
        {"rnb1kbnr/pppR1ppp/8/8/8/8/PPP2PPP/1NBQKBNR w - - 0 1", {{rook, "d7", 35}}},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BKR w kq - 0 1", {{rook, "h1", -62}}},
        {"rn1qkbnr/Bpp1pppp/8/8/8/8/PPPPPPPP/RN1QKBNR w KQkq - 0 1", {{bishop, "a7", -40}}},
        // King safety against all of black's pieces, 3100 * points / 650: g1 behind f2 g2 h2, 21;
        // the three files open, -16; the centre king with d, e, f open, -6 (truncated); f2 g3 h2,
        // 4 + 3 + 6 of 16; a black pawn on g4, -1 with the kings on one wing, -2 on opposite wings.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1RK1 w kq - 0 1", {{safety, "", 100}, {shelter, "", 0}}},
        {"rnbqkbnr/ppppp3/8/8/8/8/PPPPP3/RNBQ1RK1 w kq - 0 1", {{safety, "", -76}, {shelter, "", -37}}},
        {"rnbqkbnr/ppp3pp/8/8/8/8/PPP3PP/RNBQKBNR w KQkq - 0 1", {{safety, "", -28}, {shelter, "", 0}}},
        {"rnbqkbnr/pppppppp/8/8/8/6P1/PPPPPP1P/RNBQ1RK1 w kq - 0 1", {{safety, "", 85}, {shelter, "", -3}}},
        {"rnbq1bnr/pppppp1p/6k1/8/6p1/8/PPPPPPPP/RNBQ1RK1 w - - 0 1", {{safety, "", 3100 * 20 / 650}}},
        {"rnbq1bnr/pppppp1p/2k5/8/6p1/8/PPPPPPPP/RNBQ1RK1 w - - 0 1", {{safety, "", 3100 * 19 / 650}}},
        // The king's file blocked by an enemy pawn on g3, -4; attacked by an enemy pawn, -7.
        {"rnbqkbnr/pppppp2/8/8/8/6p1/6P1/RNBQ1RK1 w kq - 0 1", {{blocked_file, "", -4}}},
        {"rnbqkbnr/pppppp2/8/8/7p/6p1/6P1/RNBQ1RK1 w kq - 0 1", {{blocked_file, "", -7}}},
        // Endgame, king and pawn: the pawn 12 - 20 + 60, its king two squares off -2, the end
        // table e2 30 against e8 20: 60 and the pawn's 100. The action square is the kings'
        // average, row (7 + 0) / 2, file 4; a passer on c5 joins it: (7 + 0 + 3) / 3, (4 + 4 + 2) / 3.
        {"4k3/8/8/8/4P3/8/4K3/8 w - - 0 1", {{whole, "", 160}, {passer, "", sq("e4")}}},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", {{whole, "", 0}, {action, "", make_square(3, 4)}}},
        {"4k3/8/8/2P5/8/8/8/4K3 w - - 0 1", {{action, "", make_square(3, 3)}}},
        // Threats: knight d5 against the king g8, e7 and f6 reach it, 7 each undefended; f6
        // pawn-defended ends the sum, e7's 7, then 10 + 15; a black pawn on g7 covers f6.
        {"6k1/8/8/3N4/8/8/8/4K3 w - - 0 1", {{knight_threat, "", 14}, {bishop_threat, "", 0}}},
        {"6k1/8/8/3NP3/8/8/8/4K3 w - - 0 1", {{knight_threat, "", 7 + 10 + 15}}},
        {"6k1/6p1/8/3N4/8/8/8/4K3 w - - 0 1", {{knight_threat, "", 7}}},
        // Bishop c1 reaches b2 on the long diagonal to h8: 4 + 10 undefended, 6 + 15 next to its
        // king, nothing when the line is blocked.
        {"7k/8/8/8/8/8/8/2B1K3 w - - 0 1", {{bishop_threat, "", 14}, {knight_threat, "", 0}}},
        {"7k/8/8/8/8/8/8/K1B5 w - - 0 1", {{bishop_threat, "", 21}}},
        {"7k/6p1/8/8/8/8/8/2B1K3 w - - 0 1", {{bishop_threat, "", 0}}},
        // The driver: the phase by both sides' pieces and totals; bishop codes, 4 both, 2 + the
        // square colour of a lone one; the back rank against black's queen, without rook or
        // queen on white's.
        {"r1bqk2r/8/8/8/8/8/8/R1BQK2R w - - 0 1", {{phase, "", 2}}},
        {"4k3/pppppppp/8/8/8/8/PPPPPPPP/R2QK3 w - - 0 1", {{phase, "", 3}}},
        {"r2qk2r/pppppppp/8/7K/Q7/8/8/2BB4 w - - 0 1", {{phase, "", 2}, {bishops, "", 4}}},
        {"rnbqk1nr/pppppppp/8/8/8/8/PPPPPPPP/RNBQK1NR w KQkq - 0 1", {{bishops, "", 2 + square_colour(C1)}}},
        {"r2qk2r/pppppppp/8/8/4R3/8/PPPPPPPP/1NB1KBN1 w - - 0 1", {{back_rank, "", -2}, {black_back_rank, "", 6}}},
    };
    for (const auto& row : rows) {
        quiet_eval(row.fen);
        for (const Check& c : row.checks)
            EXPECT_EQ(c.term(*c.square ? sq(c.square) : 0), c.expected) << row.fen << " " << c.square;
    }
}

// The driver's gates: the endgame ignores the window, the pawn fork and the
// threat stage run only near it.
TEST_F(Eval, TheStagesWindows) {
    quiet_eval("4k3/8/8/8/4P3/8/4K3/8 w - - 0 1");
    EXPECT_EQ(evaluate(0, 1), 160);
    EXPECT_EQ(evaluate(-99, FULL), 160);

    // The pawn fork e4-e5 against the knights on d6 and f6: +20 exactly when
    // -100 < alpha, +40 guarded by d4, and from e2 twice against d5 and f5;
    // the threat stage exactly when -150 < alpha.
    const auto fork = [](const char* fen) {
        quiet_eval(fen);
        return evaluate(-99, FULL) - evaluate(-100, FULL);
    };
    EXPECT_EQ(fork("r2qk2r/pppp1ppp/8/3n1n2/8/8/PPPPPPPP/R1BQKB1R w KQkq - 0 1"), 20);
    EXPECT_EQ(fork("r2qk2r/pppp1ppp/3n1n2/8/3PP3/8/PPP2PPP/R1BQKB1R w KQkq - 0 1"), 40);
    EXPECT_EQ(fork("r2qk2r/pppp1ppp/3n1n2/8/4P3/8/PPPP1PPP/R1BQKB1R w KQkq - 0 1"), 20);
    const int quiet = evaluate(-FULL, FULL);
    ASSERT_TRUE(quiet > -70 && quiet < 100);
    EXPECT_EQ(evaluate(-150, FULL), quiet);
    EXPECT_EQ(evaluate(-100, FULL), evaluate(-149, FULL));
    // Upper edges: a rook and more ahead, the fork runs up to alpha 149;
    // beta at or below the score switches the stages off.
    const int ahead = quiet_eval("r2qk2r/pppp1ppp/3n1n2/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1");
    ASSERT_GT(ahead, 200);
    EXPECT_EQ(evaluate(149, FULL) - evaluate(150, FULL), 20);
    EXPECT_EQ(evaluate(-99, ahead), ahead);
}

}  // namespace
