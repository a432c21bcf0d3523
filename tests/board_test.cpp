// The board: tables, set-up, attack tests, generation and scoring, make and
// unmake, keys and the transposition table, checked against hand-worked
// cases and against random play-outs in which every move must be undone
// exactly and every key must equal the key computed from scratch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "test_support.h"

namespace {

using Board = EngineTest;

int score_of(const char* text) {
    for (int i = first_move[ply]; i < last_move[ply]; ++i)
        if (!std::strcmp(move_text(move_list[i].move), text)) return move_list[i].score;
    ADD_FAILURE() << text << " not generated";
    return 0;
}

// Sets up the position and generates its evasions when asked for them in
// check, otherwise all its moves.
void generate(const char* fen, bool evasions = false) {
    setup(fen);
    generate_root_moves();
    if (in_check_flag && !evasions) gen_moves();
}

// The legal moves of the list just generated, as sorted texts.
std::vector<std::string> legal_texts() {
    std::vector<std::string> texts;
    for (Move m : legal_entries()) texts.push_back(move_text(m));
    std::sort(texts.begin(), texts.end());
    return texts;
}

}  // namespace

TEST_F(Board, TablesAndInitialPosition) {
    EXPECT_EQ(attack_kind[0], 0);
    EXPECT_EQ(line_dir[0], 0);
    EXPECT_EQ(line_dir[-119], -17);
    EXPECT_EQ(line_dir[33], 33);
    EXPECT_EQ(attack_kind[-16], ATTACK_WHITE_PAWN | ATTACK_ROOK | ATTACK_QUEEN | ATTACK_KING);
    EXPECT_EQ(between_squares(A8, H1), square_bit(sq("b7")) | square_bit(sq("c6")) | square_bit(sq("d5")) |
                                           square_bit(sq("e4")) | square_bit(sq("f3")) | square_bit(sq("g2")));
    EXPECT_EQ(between_squares(H8, A1), square_bit(sq("g7")) | square_bit(sq("f6")) | square_bit(sq("e5")) |
                                           square_bit(sq("d4")) | square_bit(sq("c3")) | square_bit(sq("b2")));
    EXPECT_EQ(between_squares(A8, A1), 0x0001010101010100ull);
    EXPECT_EQ(between_squares(sq("b2"), sq("d4")), square_bit(sq("c3")));
    EXPECT_EQ(between_squares(sq("b2"), sq("c4")), 0u);  // not on one line
    EXPECT_EQ(knight_fork[-64][0], -31);
    EXPECT_EQ(knight_fork[-64][1], -33);
    EXPECT_EQ(knight_fork[-64][2], 0);
    EXPECT_EQ(knight_fork[-66][0], -33);
    EXPECT_EQ(knight_fork[-66][1], 0);

    new_position();
    for (int s = 0; s < 128; ++s) {
        const bool home = s < 8 || (s >= 16 && s < 24) || (s >= 96 && s < 104) || (s >= 112 && s < 120);
        EXPECT_EQ(board[s] != nullptr, home) << s;
    }
    for (int c = WHITE; c <= BLACK; ++c) {
        EXPECT_EQ(material[c], 3900);
        EXPECT_EQ(piece_material[c], 3100);
    }
    EXPECT_EQ(castle_flags, 15);
    EXPECT_TRUE(board_is_ok());
}

TEST_F(Board, SetUpRecords) {
    clear_board();
    ASSERT_EQ(place_piece(KING, WHITE, E1), 1);
    ASSERT_EQ(place_piece(KING, BLACK, E8), 1);
    // Two knights fill the knight records; a third takes the first pawn record.
    place_piece(KNIGHT, WHITE, B1);
    place_piece(KNIGHT, WHITE, G1);
    place_piece(KNIGHT, WHITE, sq("d4"));
    EXPECT_EQ(board[sq("d4")], &piece_list[WHITE][0]);
    EXPECT_EQ(piece_list[WHITE][0].kind, KNIGHT);
    EXPECT_EQ(piece_list[WHITE][0].value, 300);
    // A pawn placed into a record that last held a promoted queen is a pawn again.
    place_piece(QUEEN, WHITE, sq("a7"));
    place_piece(QUEEN, WHITE, sq("b7"));  // the queen record is taken: a pawn record
    PieceRecord* promoted = board[sq("b7")];
    ASSERT_NE(promoted, nullptr);
    EXPECT_LT(promoted - piece_list[WHITE], PAWN_RECORDS);
    remove_piece(sq("b7"));
    place_piece(PAWN, WHITE, sq("b2"));
    EXPECT_EQ(board[sq("b2")]->kind, PAWN);
    EXPECT_EQ(board[sq("b2")]->value, 100);
    // Placing onto an occupied square replaces its man; a king placed anew moves.
    place_piece(ROOK, BLACK, sq("b2"));
    place_piece(KING, WHITE, sq("h1"));
    EXPECT_EQ(board[E1], nullptr);
    count_material();
    EXPECT_TRUE(board_is_ok());
    // Nine pawns do not fit eight records once the pieces have their own.
    clear_board();
    place_piece(KING, WHITE, E1);
    place_piece(KING, BLACK, E8);
    for (int f = 0; f < 8; ++f) EXPECT_EQ(place_piece(PAWN, WHITE, make_square(6, f)), 1);
    EXPECT_EQ(place_piece(PAWN, WHITE, sq("a3")), 0);
    count_material();
    EXPECT_TRUE(board_is_ok());
}

TEST_F(Board, AttackTests) {
    setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_TRUE(square_attacked(sq("e3"), WHITE));
    EXPECT_TRUE(square_attacked(sq("f3"), WHITE));
    EXPECT_FALSE(square_attacked(sq("e4"), WHITE));

    setup("8/8/8/4k3/3p4/8/1B6/4K3 w - - 0 1");
    EXPECT_EQ(find_checker(WHITE), 0);
    setup("8/8/8/4k3/8/8/1B6/4K3 b - - 0 1");
    EXPECT_EQ(find_checker(WHITE), 2);
    EXPECT_EQ(checker_square, sq("b2"));
    EXPECT_EQ(block_mask, square_bit(sq("c3")) | square_bit(sq("d4")));
    setup("4k3/8/8/8/8/8/4q3/4K3 w - - 0 1");
    EXPECT_EQ(find_checker(BLACK), 2);
    EXPECT_EQ(block_mask, 0u);
    setup("4k3/8/8/8/8/8/3q4/4K3 w - - 0 1");
    EXPECT_EQ(find_checker(BLACK), 1);
    EXPECT_EQ(checker_square, sq("d2"));
    clear_board();  // touching kings: no FEN set-up accepts them
    place_piece(KING, WHITE, sq("e4"));
    place_piece(KING, BLACK, sq("e5"));
    EXPECT_EQ(find_checker(WHITE), -1);
    EXPECT_EQ(find_checker(BLACK), -1);

    // The a1 rook is aligned with d1 first and is blocked by b1; h1 is not tried.
    setup("4k3/8/8/8/8/8/4K3/RN5R w - - 0 1");
    EXPECT_FALSE(rook_slot_attacks(D1, WHITE));
    setup("4k3/8/8/8/2N1r3/8/8/4K3 w - - 0 1");
    EXPECT_EQ(pawn_target(sq("d3"), WHITE), ROOK);
    setup("4k3/8/8/8/2N5/8/8/4K3 w - - 0 1");
    EXPECT_EQ(pawn_target(sq("d3"), WHITE), KNIGHT);
    setup("4k3/8/8/8/4K3/8/8/4r3 w - - 0 1");
    EXPECT_TRUE(xray_attack(BLACK, sq("e4"), sq("e5")));
    setup("4k3/8/8/8/4K3/8/8/4b3 w - - 0 1");
    EXPECT_FALSE(xray_attack(BLACK, sq("e4"), sq("e5")));
}

TEST_F(Board, GenerationOrderAndFlags) {
    generate("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const std::vector<std::string> expected = {"a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3",
                                               "d2d4", "e2e3", "e2e4", "f2f3", "f2f4", "g2g3", "g2g4",
                                               "h2h3", "h2h4", "b1c3", "b1a3", "g1h3", "g1f3"};
    EXPECT_EQ(list_texts(), expected);
    EXPECT_EQ(move_flags(find_move("e2e4")), MOVE_DOUBLE);

    generate("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    EXPECT_EQ(move_flags(find_move("e5d6")), MOVE_EP | MOVE_PAWN);
    generate("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    int pushes = 0, captures = 0;
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        pushes += move_flags(move_list[i].move) == 48;
        captures += move_flags(move_list[i].move) == 49;
    }
    EXPECT_EQ(pushes, 4);
    EXPECT_EQ(captures, 4);

    // No castling in check or through a man.
    generate("4k3/8/8/8/8/8/8/R3K1NR w KQ - 0 1");
    EXPECT_NE(find_move("e1c1"), 0u);
    EXPECT_EQ(find_move("e1g1"), 0u);
    generate("4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1");
    EXPECT_EQ(find_move("e1c1"), 0u);
    EXPECT_EQ(find_move("e1g1"), 0u);

    // A pawn that can take the king stops generation (a position no FEN
    // set-up accepts, so it is built by hand).
    clear_board();
    place_piece(KING, WHITE, E1);
    place_piece(KING, BLACK, sq("d3"));
    place_piece(PAWN, WHITE, sq("e2"));
    count_material();
    side = WHITE;
    xside = BLACK;
    castle_flags = 0;
    ep_square = -1;
    ply = 0;
    in_check_flag = 0;
    first_move[1] = 77;
    gen_moves();
    EXPECT_EQ(king_capture, 1);
    EXPECT_EQ(first_move[1], 77);
    king_capture = 0;

    // King steps onto pawn-guarded squares are dropped.
    generate("4k3/8/8/8/8/3p4/8/4K3 w - - 0 1");
    EXPECT_EQ(find_move("e1e2"), 0u);
    EXPECT_NE(find_move("e1d1"), 0u);
}

TEST_F(Board, MoveScores) {
    generate("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(score_of("g1f3"), 49);
    generate("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1");
    EXPECT_EQ(score_of("e4d5"), 179000);
    // Evasions: the knight takes the checker, 4000 - 300; the king steps, 1500 - 1200.
    generate("4k3/8/8/8/8/3n4/1N6/4K3 w - - 0 1", true);
    EXPECT_EQ(score_of("b2d3"), 3700);
    EXPECT_EQ(score_of("e1d1"), 300);
    // Against a knight check no piece moves to an empty square.
    generate("4k3/8/8/8/8/3n4/1N6/R3K3 w - - 0 1", true);
    for (const std::string& t : list_texts()) EXPECT_TRUE(t.rfind("e1", 0) == 0 || t == "b2d3") << t;
}

TEST_F(Board, MakeAndUnmakeCases) {
    setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    ply = 0;
    in_check_flag = 0;
    gen_moves();
    ASSERT_TRUE(make_move(find_move("e2e4")));
    EXPECT_EQ(ep_square, sq("e3"));
    EXPECT_EQ(fifty, 0);
    ply = 0;
    gen_moves();
    ASSERT_TRUE(make_move(find_move("g8f6")));
    EXPECT_EQ(ep_square, -1);
    EXPECT_EQ(fifty, 1);

    // En passant removes the pawn beside the target and unmake puts it back.
    generate("4k3/8/8/3Pp3/8/8/8/4K3 w - e6 0 1");
    const Snapshot before_ep = take_snapshot();
    ASSERT_TRUE(make_move(find_move("d5e6")));
    EXPECT_EQ(board[sq("e5")], nullptr);
    unmake_move();
    EXPECT_TRUE(same(before_ep, take_snapshot()));

    // Promotion to a knight taking a rook.
    generate("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    const Snapshot before_promotion = take_snapshot();
    Move knight = 0;
    for (int i = first_move[0]; i < last_move[0]; ++i)
        if (move_to(move_list[i].move) == B8 && move_promote(move_list[i].move) == KNIGHT) knight = move_list[i].move;
    ASSERT_NE(knight, 0u);
    ASSERT_TRUE(make_move(knight));
    EXPECT_EQ(material[WHITE], before_promotion.state[7] + 200);
    EXPECT_EQ(piece_material[WHITE], 300);
    EXPECT_EQ(material[BLACK], before_promotion.state[8] - 500);
    EXPECT_EQ(piece_material[BLACK], 0);
    unmake_move();
    EXPECT_TRUE(same(before_promotion, take_snapshot()));
    EXPECT_EQ(board[sq("a7")]->value, 100);

    // Castling rights and the castled bit.
    generate("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const Snapshot before_castle = take_snapshot();
    ASSERT_TRUE(make_move(find_move("h1h2")));
    EXPECT_EQ(castle_flags, 15 & ~CASTLE_WHITE_KING);
    unmake_move();
    ASSERT_TRUE(make_move(find_move("a1a8")));
    EXPECT_EQ(castle_flags, 15 & ~CASTLE_WHITE_QUEEN & ~CASTLE_BLACK_QUEEN);
    unmake_move();
    ASSERT_TRUE(make_move(find_move("e1g1")));
    EXPECT_EQ(castle_flags, CASTLE_BLACK_QUEEN | CASTLE_BLACK_KING | CASTLED_WHITE);
    unmake_move();
    EXPECT_TRUE(same(before_castle, take_snapshot()));

    // Castling across an attacked square is refused with nothing changed;
    // an attacked b1 does not stop the long castling.
    generate("4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1");
    const Snapshot before_refusal = take_snapshot();
    const Move short_castle = make_move_word(E1, G1, 0, MOVE_CASTLE);
    EXPECT_EQ(make_move(short_castle), 0);
    EXPECT_TRUE(same(before_refusal, take_snapshot()));
    generate("4k3/8/8/8/8/8/1r6/R3K3 w Q - 0 1");
    EXPECT_EQ(make_move(make_move_word(E1, C1, 0, MOVE_CASTLE)), 1);
    unmake_move();

    // A null move and its unwinding.
    setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6 7 1");
    const Snapshot before_null = take_snapshot();
    make_null_move();
    EXPECT_EQ(ep_square, -1);
    EXPECT_EQ(fifty, 0);
    unmake_null_move();
    EXPECT_TRUE(same(before_null, take_snapshot()));
}

// Random games from positions with castling, en passant and promotions:
// every move is undone exactly, every key matches the key from scratch,
// and in check the evasion generator finds exactly the legal moves.
TEST_F(Board, RandomPlayOutsUndoExactlyAndKeepTheKey) {
    int checks = 0, moves_made = 0;
    random_play_outs(8, 120, [&](const std::vector<Move>&, Move m) {
        const std::vector<std::string> legal = legal_texts();
        if (in_check_flag) {
            ++checks;
            find_checker(xside);  // the legality tests overwrote the checker words
            gen_evasions();
            ASSERT_EQ(legal_texts(), legal) << "evasions after " << history_count;
        }
        const Snapshot before = take_snapshot();
        ASSERT_TRUE(make_move(m));
        update_hash_key(m);
        ASSERT_EQ(hash_key, position_key()) << move_text(m);
        ASSERT_TRUE(board_is_ok());
        unmake_move();
        hash_key = before.key;
        ASSERT_TRUE(same(before, take_snapshot())) << move_text(m);
        ++moves_made;
    });
    EXPECT_GT(moves_made, 2000);
    EXPECT_GT(checks, 50);
}

TEST_F(Board, KeysAndTable) {
    int bits, fold, records;
    hash_size(4, &bits, &fold, &records);
    EXPECT_EQ(records, 0);
    hash_size(5, &bits, &fold, &records);
    EXPECT_EQ(records, 524288);
    hash_size(1000, &bits, &fold, &records);
    EXPECT_EQ(records, 67108864);
    hash_size(32, &bits, &fold, &records);
    EXPECT_EQ(records, 3355648);
    EXPECT_EQ(fold, 838656);
    hash_init(32);
    hash_key = 4194303;
    hash_select();
    EXPECT_EQ(hash_entry - hash_table, 3355647);
    hash_key = 3355648;
    hash_select();
    EXPECT_EQ(hash_entry - hash_table, 2516992);
    hash_init(8);

    // Castling rights and the en-passant square are not part of the key.
    setup("r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1");
    const uint64_t with_rights = position_key();
    setup("r3k2r/8/8/3pP3/8/8/8/R3K2R w - - 0 1");
    EXPECT_EQ(position_key(), with_rights);

    // Mate scores are stored from the node and read back from the reader's ply.
    compute_hash_key();
    ++hash_age;
    ply = 3;
    hash_store(HASH_EXACT, 4, 7990, 0);
    EXPECT_EQ(hash_entry->score_bound >> 2, 7993);
    ply = 5;
    EXPECT_EQ(hash_score(), 7988);
    ply = 3;
    ++hash_age;
    hash_store(HASH_EXACT, 4, -7990, 0);
    EXPECT_EQ(hash_entry->score_bound >> 2, -7993);
    ply = 5;
    EXPECT_EQ(hash_score(), -7988);
    ++hash_age;
    hash_store(HASH_EXACT, 4, 7950, 0);
    EXPECT_EQ(hash_score(), 7950);
    ply = 0;

    // The replacement rule: same position and generation keep the deeper entry.
    ++hash_age;
    hash_store(HASH_LOWER, 5, 100, 0);
    hash_store(HASH_LOWER, 3, 200, 0);
    hash_store(HASH_LOWER, 5, 300, 0);
    EXPECT_EQ(hash_score(), 100);
    hash_store(HASH_LOWER, 6, 400, 0);
    EXPECT_EQ(hash_score(), 400);
    EXPECT_EQ(hash_depth(), 6);
    ++hash_age;
    hash_store(HASH_UPPER, 2, 500, 0);
    EXPECT_EQ(hash_score(), 500);
    EXPECT_EQ(hash_type(), HASH_UPPER);
    // Depths beyond the five-bit field are kept as 31, the generation intact.
    hash_store(HASH_EXACT, 40, 600, 0);
    EXPECT_EQ(hash_depth(), 31);
    EXPECT_TRUE(hash_age_matches());

    // Moves come back as the generators' words.
    setup("r3k3/1P6/8/8/8/8/8/4K2R w K - 0 1");
    compute_hash_key();
    ++hash_age;
    const Move promotion = make_move_word(sq("b7"), A8, BISHOP, MOVE_CAPTURE | MOVE_PAWN | MOVE_PROMOTE);
    hash_store(HASH_EXACT, 1, 0, promotion);
    EXPECT_EQ(hash_move(), promotion);
    const Move castle = make_move_word(E1, G1, 0, MOVE_CASTLE);
    hash_store(HASH_EXACT, 2, 0, castle);
    EXPECT_EQ(hash_move(), castle);
    castle_flags &= ~CASTLE_WHITE_KING;
    EXPECT_EQ(hash_move(), 0u);
}

// Scores are divided by powers of two rounding down, negative ones too.
TEST_F(Board, FloorShift) {
    EXPECT_EQ(floor_shift(7, 3), 0);
    EXPECT_EQ(floor_shift(8, 3), 1);
    EXPECT_EQ(floor_shift(-1, 3), -1);
    EXPECT_EQ(floor_shift(-8, 3), -1);
    EXPECT_EQ(floor_shift(-9, 3), -2);
    EXPECT_EQ(floor_shift(-32196, 2), -8049);
    EXPECT_EQ(floor_shift(-32193, 2), -8049);  // a stored -8049 with bound type 3
}
