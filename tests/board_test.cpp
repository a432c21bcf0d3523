// The board against hand-worked cases, the published perft counts, and plain
// walks of the board along random play-outs.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "play_out_starts.h"
#include "test_support.h"
#include "tools/tools.h"

namespace {

using Board = EngineTest;
using Perft = EngineTest;

// The score of the move written as text in the ply-0 list, or INT_MIN.
int score_of(const char* text) {
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i)
        if (!std::strcmp(move_text(pos.move_list[i].move), text)) return pos.move_list[i].score;
    return INT_MIN;
}

// An empty board with the kings on w and b, as edit mode starts it.
void kings(int w, int b) {
    clear_board();
    ASSERT_EQ(place_piece(KING, WHITE, w), 1);
    ASSERT_EQ(place_piece(KING, BLACK, b), 1);
}

// The squares the man on s attacks, by a plain walk of the board.
uint64_t walk_reach(int s) {
    static const int pawn_captures[2][3] = {{-15, -17, 0}, {15, 17, 0}};
    const PieceRecord* r = pos.board[s];
    uint64_t set = 0;
    for (const int* d = r->kind == PAWN ? pawn_captures[r->color] : piece_dirs[r->kind]; *d; ++d)
        for (int t = s + *d; on_board(t); t += *d) {
            set |= square_bit(t);
            if (pos.board[t] || !is_slider[r->kind]) break;
        }
    return set;
}

uint64_t walk_attacks(int c) {
    uint64_t set = 0;
    for (int s = 0; s < 128; ++s)
        if (on_board(s) && pos.board[s] && pos.board[s]->color == c) set |= walk_reach(s);
    return set;
}

// The kind of the first man beyond `from` on the line from `to`, or -1.
int kind_beyond(int from, int to) {
    const int step = line_dir[from - to];
    int s = from + step;
    while (step && on_board(s) && !pos.board[s]) s += step;
    return step && on_board(s) ? pos.board[s]->kind : -1;
}

// The move scorer's dangers, asked of the record walks of attacks.cpp: to a
// rook enemy pawns, knights and bishops; to the queen rooks too, and a line
// piece but a queen seeing `to` through `from`; to a minor piece pawns.
bool minor_walk(int x, int e) {
    return pawn_guard(x, e) || knight_slot_attacks(x, e) || bishop_slot_attacks(x, e);
}
bool danger_walk(int kind, int from, int to, int e) {
    if (kind == ROOK) return minor_walk(to, e);
    if (kind != QUEEN) return pawn_guard(to, e);
    return minor_walk(to, e) || rook_slot_attacks(to, e) ||
           (from != to && xray_attack(e, from, to) && kind_beyond(from, to) != QUEEN);
}

}  // namespace

// Positions built man by man, as edit mode does.
TEST_F(Board, HandBuiltPositions) {
    // Two knights fill the knight records, a third takes the first pawn record.
    kings(E1, E8);
    for (const char* s : {"b1", "g1", "d4"}) place_piece(KNIGHT, WHITE, sq(s));
    EXPECT_EQ(pos.board[sq("d4")], &recs.piece_list[WHITE][0]);
    EXPECT_EQ(recs.piece_list[WHITE][0].value, 300);
    // A pawn placed into a record that last held a promoted queen is a pawn again.
    place_piece(QUEEN, WHITE, sq("a7"));
    place_piece(QUEEN, WHITE, sq("b7"));  // the queen record is taken: a pawn record
    ASSERT_NE(pos.board[sq("b7")], nullptr);
    EXPECT_LT(pos.board[sq("b7")] - recs.piece_list[WHITE], PAWN_RECORDS);
    remove_piece(sq("b7"));
    place_piece(PAWN, WHITE, sq("b2"));
    EXPECT_EQ(pos.board[sq("b2")]->kind, PAWN);
    EXPECT_EQ(pos.board[sq("b2")]->value, 100);
    // Placing onto an occupied square replaces its man; a king placed anew moves.
    place_piece(ROOK, BLACK, sq("b2"));
    place_piece(KING, WHITE, sq("h1"));
    EXPECT_EQ(pos.board[E1], nullptr);
    count_material();
    EXPECT_TRUE(board_is_ok());
    // Nine pawns do not fit eight records once the pieces have their own.
    kings(E1, E8);
    for (int f = 0; f < 8; ++f) EXPECT_EQ(place_piece(PAWN, WHITE, make_square(6, f)), 1);
    EXPECT_EQ(place_piece(PAWN, WHITE, sq("a3")), 0);
    count_material();
    EXPECT_TRUE(board_is_ok());
    // Touching kings, which no FEN set-up accepts, are told apart from a check (-1), for either side.
    kings(sq("e4"), sq("e5"));
    EXPECT_EQ(find_checker(WHITE), -1);
    EXPECT_EQ(find_checker(BLACK), -1);
}

TEST_F(Board, EvasionsAndScores) {
    // Against a knight check no piece moves to an empty square; the knight
    // taking the checker scores 4000 - 300, the king stepping 1500 - 1200.
    setup("4k3/8/8/8/8/3n4/1N6/R3K3 w - - 0 1");
    generate_root_moves();
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i)
        EXPECT_TRUE(move_from(pos.move_list[i].move) == E1 || move_to(pos.move_list[i].move) == sq("d3")) << i;
    EXPECT_EQ(score_of("b2d3"), 3700);
    EXPECT_EQ(score_of("e1d1"), 300);
    // A pawn taking the queen: by the victim first.
    setup("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1");
    generate_root_moves();
    EXPECT_EQ(score_of("e4d5"), 179000);
}

// Hand-worked moves (a null move for ""): what each changes (none leaves an en-passant square;
// the random play-outs check the material sums), and that unmake restores it all. Castling across
// an attacked square is refused (fifty -1) with nothing changed; an attacked b1 does not stop it.
TEST_F(Board, MakeAndUnmakeCases) {
    constexpr int ALL = 15, WK = CASTLE_WHITE_KING, BQ = CASTLE_BLACK_QUEEN, BK = CASTLE_BLACK_KING;
    const struct {
        const char *fen, *move;
        int fifty, castling;  // after the move
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "g8f6", 1, ALL},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 7 1", "e5e6", 0, 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 7 1", "", 0, 0},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "h1h2", 1, ALL & ~WK},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", 1, BQ | BK | CASTLED_WHITE},
        {"4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1", "e1g1", -1, 0},
        {"4k3/8/8/8/8/8/1r6/R3K3 w Q - 0 1", "e1c1", 1, CASTLED_WHITE},
    };
    for (const auto& c : cases) {
        setup(c.fen);
        generate_root_moves();
        const Snapshot before = take_snapshot();
        const Move m = find_move(c.move);
        ASSERT_TRUE(m || !*c.move) << c.move;
        const bool made = m ? make_move(m) != 0 : (make_null_move(), true);
        EXPECT_EQ(made, c.fifty >= 0) << c.move;
        if (made) {
            EXPECT_EQ(pos.ep_square, -1) << c.move;
            EXPECT_EQ(pos.fifty, c.fifty) << c.move;
            EXPECT_EQ(pos.castle_flags, c.castling) << c.move;
            EXPECT_TRUE(board_is_ok()) << c.move;
            m ? unmake_move() : unmake_null_move();
        }
        EXPECT_TRUE(same(before, take_snapshot())) << c.move;
    }
}

// Random games from positions with castling, en passant and promotions: every move is undone
// exactly with the square sets kept, every key matches the key from scratch, in check the evasion
// generator finds exactly the legal moves, and the attack tests and the move scorer's square-set
// tests give the answers of plain walks.
TEST_F(Board, RandomPlayOutsAgreeWithPlainWalks) {
    int checks = 0, costly = 0;
    for (int game = 0; game < 8 * PLAY_OUT_START_COUNT; ++game) {
        setup(PLAY_OUT_STARTS[game / 8]);
        for (int move = 0; move < 120; ++move) {
            pos.ply = 0;
            std::vector<Move> legal = legal_moves();
            if (legal.empty()) break;
            const Move m = legal[next_random() % legal.size()];
            const int e = pos.xside, king = pos.king_square[pos.side];
            for (int c = WHITE; c <= BLACK; ++c) {
                const uint64_t walked = walk_attacks(c);
                for (int x = 0; x < 128; ++x)
                    ASSERT_TRUE(!on_board(x) || square_attacked(x, c) == int(walked >> square64(x) & 1)) << x;
            }
            const int check = find_checker(e);
            ASSERT_EQ(check != 0, (walk_attacks(e) >> square64(king) & 1) != 0);
            ASSERT_TRUE(check <= 0 || walk_reach(pos.checker_square) & square_bit(king));
            // King steps only to squares the walks call safe, a quiet piece move
            // into danger scored below -1000, and the note of a piece standing attacked.
            pos.in_check_flag = check;
            gen_moves();
            for (const int* d = piece_dirs[KING]; *d; ++d) {
                const int to = king + *d;
                if (!on_board(to) || (pos.board[to] && pos.board[to]->color == pos.side)) continue;
                const bool safe = !minor_walk(to, e) && !rook_slot_attacks(to, e) && !queen_slot_attacks(to, e) &&
                                  !xray_attack(e, king, to) && !king_adjacent(to - pos.king_square[e]);
                const std::string step = move_text(make_move_word(king, to, 0, 0));
                EXPECT_EQ(find_move(step.c_str()) != 0, safe) << step;
            }
            for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i) {
                const Move q = pos.move_list[i].move;
                const int from = move_from(q), kind = pos.board[from]->kind;
                if (move_flags(q) || kind == PAWN || kind == KING) continue;
                const bool danger = danger_walk(kind, from, move_to(q), e);
                costly += danger;
                EXPECT_EQ(pos.move_list[i].score < -1000, danger) << move_text(q);
            }
            for (const PieceRecord& r : recs.piece_list[pos.side]) {
                if (!r.alive || r.kind == PAWN || r.kind >= KING || !r.threat_flags) continue;
                EXPECT_EQ(r.threat_flags == 1, danger_walk(r.kind, r.square, r.square, e)) << int(r.square);
            }
            if (check) {
                ++checks;
                find_checker(e);  // the legality tests overwrote the checker words
                gen_evasions();
                std::vector<Move> evasions = legal_entries();
                std::sort(evasions.begin(), evasions.end());
                std::sort(legal.begin(), legal.end());
                ASSERT_EQ(evasions, legal) << "evasions after " << pos.history_count;
            }
            const Snapshot before = take_snapshot();
            ASSERT_TRUE(make_move(m));
            update_hash_key(m);
            ASSERT_EQ(pos.hash_key, position_key()) << move_text(m);
            ASSERT_TRUE(board_is_ok() && square_sets_ok());
            unmake_move();
            pos.hash_key = before.key;
            ASSERT_TRUE(same(before, take_snapshot()) && square_sets_ok()) << move_text(m);
            make_move(m);  // and on with the game
            update_hash_key(m);
        }
    }
    EXPECT_GT(checks, 50);
    EXPECT_GT(costly, 100);
}

TEST_F(Board, KeysAndTable) {
    // Sizes: below 5 MB no table; the largest at 1000 MB; 32 MB folds the
    // indices past its records down by the fold: the last key to the last slot.
    const int sizes[][3] = {{4, 0, 0}, {5, 524288, 0}, {1000, 67108864, 0}, {32, 3355648, 838656}};
    for (const auto& size : sizes) {
        int bits, fold, records;
        hash_size(size[0], &bits, &fold, &records);
        EXPECT_EQ(records, size[1]) << size[0];
        EXPECT_TRUE(!size[2] || fold == size[2]) << size[0];
    }
    hash_init(32);
    pos.hash_key = 4194303;
    hash_select();
    EXPECT_EQ(pos.hash_entry - hash_table, 3355647);

    // Castling rights and the en-passant square are not part of the key.
    setup("r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1");
    const uint64_t with_rights = position_key();
    setup("r3k2r/8/8/3pP3/8/8/8/R3K2R w - - 0 1");
    EXPECT_EQ(position_key(), with_rights);

    // Mate scores are stored from the node and read back from the reader's ply.
    for (const int mate : {7990, -7990}) {
        ++hash_age;
        pos.ply = 3;
        hash_store(HASH_EXACT, 4, mate, 0);
        EXPECT_EQ(pos.hash_entry->score_bound >> 2, mate + (mate > 0 ? 3 : -3));
        pos.ply = 5;
        EXPECT_EQ(hash_score(), mate + (mate > 0 ? -2 : 2));
    }
    pos.ply = 0;

    // The replacement rule: same position and generation keep the deeper
    // entry, a new generation replaces it; depths beyond the five-bit field
    // are kept as 31, the generation intact.
    const int stores[][6] = {  // new generation?, type, depth, score: then the entry's score and depth
        {1, HASH_LOWER, 5, 100, 100, 5}, {0, HASH_LOWER, 3, 200, 100, 5}, {0, HASH_LOWER, 5, 300, 100, 5},
        {0, HASH_LOWER, 6, 400, 400, 6}, {1, HASH_UPPER, 2, 500, 500, 2}, {0, HASH_EXACT, 40, 600, 600, 31}};
    for (const auto& st : stores) {
        hash_age += st[0];
        hash_store(st[1], st[2], st[3], 0);
        EXPECT_EQ(hash_score(), st[4]) << st[3];
        EXPECT_EQ(hash_depth(), st[5]) << st[3];
    }
    EXPECT_TRUE(hash_age_matches());
    // A slot whose lock and data come from two stores (one thread writing
    // while another reads) is a miss, as a slot of another position is.
    EXPECT_TRUE(hash_hit());
    pos.hash_entry->info ^= 1u << 12;  // another store's move, under this store's lock
    EXPECT_FALSE(hash_hit());
    pos.hash_entry->info ^= 1u << 12;
    pos.hash_entry->score_bound ^= 4;  // another store's score
    EXPECT_FALSE(hash_hit());

    // Moves come back as the generators' words, as long as they are playable.
    setup("r3k3/1P6/8/8/8/8/8/4K2R w K - 0 1");
    ++hash_age;
    const Move promotion = make_move_word(sq("b7"), A8, BISHOP, MOVE_CAPTURE | MOVE_PAWN | MOVE_PROMOTE);
    hash_store(HASH_EXACT, 1, 0, promotion);
    EXPECT_EQ(hash_move(), promotion);
    const Move castle = make_move_word(E1, G1, 0, MOVE_CASTLE);
    hash_store(HASH_EXACT, 2, 0, castle);
    EXPECT_EQ(hash_move(), castle);
    pos.castle_flags &= ~CASTLE_WHITE_KING;
    EXPECT_EQ(hash_move(), 0u);
}

// The published suite: the move generator, make and unmake together reproduce every count, deep
// enough to reach promotions, castling and en passant in every position.
TEST_F(Perft, PublishedSuite) {
    EXPECT_EQ(check_perft_file(VEXMOTH_DATA_DIR "/perft.epd", 0, [](int line) { return line == 1 || line == 3 ? 5 : 4; }),
              7);
}
