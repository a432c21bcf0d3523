// The board and its moves: the 0x88 position with its fixed piece records,
// the lookup tables indexed by square difference, the attack tests, move
// generation with scoring, make/unmake with the game history, and the hash
// keys with the transposition table. What a search writes is one
// BoardState (pos) and one BoardRecords (recs) per thread; the rest is
// shared by every thread.
#pragma once

#include <cassert>
#include <cstdint>

// ---------------------------------------------------------------- squares
// A square is 0..127 in 0x88 layout: row = square >> 4 (row 0 is rank 8),
// file = square & 7. Off the board exactly when square & 0x88 is non-zero.
constexpr int A8 = 0, B8 = 1, C8 = 2, D8 = 3, E8 = 4, F8 = 5, G8 = 6, H8 = 7;
constexpr int A1 = 112, B1 = 113, C1 = 114, D1 = 115, E1 = 116, F1 = 117, G1 = 118, H1 = 119;

constexpr bool on_board(int sq) { return (sq & 0x88) == 0; }
constexpr int square_row(int sq) { return sq >> 4; }
constexpr int square_file(int sq) { return sq & 7; }
constexpr int make_square(int row, int file) { return row * 16 + file; }
// 0..63 number of a square (bit 0 = a8, bit 63 = h1): the bit of every 64-bit
// square set and the row of the Zobrist table.
constexpr int square64(int sq) { return (sq + (sq & 7)) >> 1; }
constexpr uint64_t square_bit(int sq) { return uint64_t(1) << square64(sq); }

// v divided by 2^n rounded down, the arithmetic right shift of the scores,
// written so that it is defined for negative v too: ~v is then non-negative,
// and ~(~v >> n) is the floor of v / 2^n.
constexpr int floor_shift(int v, int n) { return v >= 0 ? v >> n : ~(~v >> n); }

// ---------------------------------------------------------------- colours and kinds
constexpr int WHITE = 0, BLACK = 1;
constexpr int PAWN = 0, KNIGHT = 1, BISHOP = 2, ROOK = 3, QUEEN = 4, KING = 5, END_OF_LIST = 6;

// ---------------------------------------------------------------- piece records
// One record per piece; records never move within their list. A capture only
// clears `alive`; the record keeps its square so unmake can put it back.
struct PieceRecord {
    int8_t kind;           // PAWN .. KING, END_OF_LIST for the terminator
    int8_t color;          // WHITE or BLACK
    uint8_t square;        // where it stands, or stood when it was captured
    uint8_t threat_flags;  // move-scoring cache: 0 unknown, 1 attacked, 2 not attacked
    int16_t value;         // piece_value of the current kind
    int32_t alive;         // 1 on the board, 0 captured or removed
};

// Record indices within a colour's list: pawns a..h, then the pieces in
// ascending kind order (walks backward from the king rely on that order).
constexpr int PAWN_RECORDS = 8;
constexpr int KNIGHT_RECORD = 8;    // and 9
constexpr int BISHOP_RECORD = 10;   // and 11
constexpr int ROOK_RECORD = 12;     // and 13
constexpr int QUEEN_RECORD = 14;
constexpr int KING_RECORD = 15;
constexpr int LIST_TERMINATOR = 16;

// ---------------------------------------------------------------- the move word
// A move word: from in bits 0-7, to in 8-15, promotion kind in 16-23, flags
// in 24-31. The word 0 is no move.
using Move = uint32_t;
constexpr int MOVE_CAPTURE = 1, MOVE_CASTLE = 2, MOVE_EP = 4, MOVE_DOUBLE = 8,
              MOVE_PAWN = 16, MOVE_PROMOTE = 32;

constexpr Move make_move_word(int from, int to, int promote, int flags) {
    return Move(from) | Move(to) << 8 | Move(promote) << 16 | Move(flags) << 24;
}
constexpr int move_from(Move m) { return int(m & 0xFF); }
constexpr int move_to(Move m) { return int((m >> 8) & 0xFF); }
constexpr int move_promote(Move m) { return int((m >> 16) & 0xFF); }
constexpr int move_flags(Move m) { return int(m >> 24); }

// Coordinate text in a static buffer that the next call of either overwrites.
// move_text writes a promotion with a comma and the letter ("e7e8,q") and the
// move 0 as "a8a8"; long_algebraic appends the letter ("e7e8q") and writes
// the move 0 as "0000". Castling is the king's move ("e1g1"), in a Chess960
// position the king taking its own rook ("e1h1", "b1a1").
const char* move_text(Move m);
const char* long_algebraic(Move m);

struct MoveEntry {
    Move move;
    int32_t score;  // ordering score
};

// The searches do not generate at or beyond MOVE_STACK_LIMIT; the stack has
// room behind the limit for the longest list one position can produce
// (15 records of up to 27 moves and a king with castling), so a list that
// starts below the limit always fits.
constexpr int MOVE_STACK_LIMIT = 2470;
constexpr int MOVE_STACK_SIZE = MOVE_STACK_LIMIT + 15 * 27 + 10 + 5;
constexpr int MAX_PLY = 52;  // rows of first_move and last_move

// ---------------------------------------------------------------- game history
struct HistoryRecord {
    Move move;              // 0 for a null move
    PieceRecord* captured;  // record removed by the move, null when none
    int castle_flags;       // before this move (a castling's has-castled bit included)
    int ep_square;          // before the move
    int fifty;              // before the move
};

// Room for GAME_HISTORY_LIMIT game half-moves plus the deepest search line
// (the quiescence search stops at ply 49). The xboard front end keeps games within the
// limit, so nothing ever writes past the stack.
constexpr int GAME_HISTORY_LIMIT = 1000;
constexpr int HISTORY_SIZE = GAME_HISTORY_LIMIT + 64;

// ---------------------------------------------------------------- table entries
#pragma pack(push, 1)
struct HashEntry {
    uint32_t lock;         // high 32 bits of the stored key
    int16_t score_bound;   // score * 4 + bound type
    uint32_t info;         // depth, age, from, to, promotion - 1, flags
};
#pragma pack(pop)
static_assert(sizeof(HashEntry) == 10, "hash entries are packed into 10 bytes");

// ---------------------------------------------------------------- what a search thread owns
// The table's slot as this thread last read it (hash_hit) or wrote it
// (hash_store): the readers decode this copy, never the shared slot. Its
// fields are words of their own, not the slot's packed bytes, so that each
// read of one finds it where one store put it.
struct SlotCopy {
    int score_bound;
    uint32_t info;
};

// Everything of the board layer that a search writes: the position with its
// square sets, key and game history, the move stack with the check words
// the generators hand over, and the history heuristic (pos); and apart
// from them what the board hands out by address (recs): the piece records,
// at which the board's squares and the history point, and the text of
// move_text. Kept apart, a store through such a pointer cannot be taken for
// a change of the position's words, which the generator and make keep in
// registers. One instance of each per thread; every other word of this
// layer is shared and changes only between searches (the tables built at
// start-up, the transposition table and its sizing words). Plain data that
// starts as zeros: a thread is reset by `pos = BoardState{}` and `recs =
// BoardRecords{}` and a set-up (start_engine, a FEN). The board and the
// history records point into the thread's own records, so another
// thread's copy goes through save_position and load_position, which
// translate them.
struct BoardState {
    // The bounds of each ply's list first: the generator indexes them the
    // most, and at the start of the instance no offset is added to the ply.
    int last_move[MAX_PLY];   // one past the last entry of each ply's list
    int first_move[MAX_PLY];  // its first entry
    // The position.
    int side;                       // colour to move
    int xside;                      // always side ^ 1
    int castle_flags;               // rights and has-castled bits, CASTLE_* below
    int ep_square;                  // square passed over by a double push, else -1
    int fifty;                      // half-moves since the last capture or pawn move
    int material[2];                // value of the alive pieces and pawns, kings excluded
    int piece_material[2];          // the same without pawns
    int king_square[2];             // refreshed by every generation, by set-up and by evaluate
    PieceRecord* board[128];        // record on each square, null when empty

    // Square sets, kept beside the board and the records by make, unmake and
    // the set-up operations, so the generator and the attack tests can ask
    // about many squares at once (square64 bits). Code that writes board or
    // piece_list directly must call rebuild_square_sets before generating.
    uint64_t occupied;          // squares holding a man of either colour
    uint64_t color_men[2];      // squares holding a man of each colour
    uint64_t kind_men[2][6];    // by colour and kind (promoted men count as their new kind)
    uint32_t alive_records[2];  // bit i: record i of the colour is alive
    uint32_t pawn_records[2];   // bit i: record i of the colour is an alive pawn
    uint64_t promoted_men[2];   // squares of pieces standing in pawn records

    // The key and the table slot it selects.
    uint64_t hash_key;  // key of the current position
    // What the last move made changes in the key but for Chess960's rights
    // (left by make while there is a table, for update_hash_key).
    uint64_t move_key_change;
    HashEntry* hash_entry;  // slot selected for hash_key
    SlotCopy hash_copy;     // that slot's data as this thread last read or wrote it

    // The game history and the search's distance from its root.
    int history_count;  // records on the stack: half-moves since set-up
    int ply;            // distance from the root of the current search
    HistoryRecord history[HISTORY_SIZE];

    // The move stack and the words the generators and attack tests hand over.
    int king_capture;  // the side to move can capture the enemy king
    // find_checker's answer for the side about to generate (0 not in check,
    // 1 contact check, 2 line check): the evasion generator reads it, and
    // the full generator offers castling only when it is 0.
    int in_check_flag;
    int checker_square;        // square of the checker found by find_checker, -1 when none
    uint64_t block_mask;       // squares between a line checker and the king
    MoveEntry move_list[MOVE_STACK_SIZE];

    // The history heuristic: the searches raise a counter when a quiet move
    // raises alpha; the move scorer adds counter / 5 to the move's score.
    uint32_t history_max;             // largest counter since the last clear
    uint32_t history_table[64][64];  // by square64 of from and to

    // Castling by the rooks' files, for Chess960 (last, so that the words
    // above keep the places the hot code was tuned with). A standard set-up
    // leaves chess960 0 and fills the other two with the values of standard
    // chess, so that make reads the same masks either way. With chess960
    // set, castling is generated and made from the king's and the rook's
    // squares (castle_rook), the rights are part of the key, and the move
    // text writes castling as the king taking its own rook.
    int chess960;
    // The home square of the rook of each right, by its bit's index (white
    // queen-side, white king-side, black queen-side, black king-side):
    // a1, h1, a8, h8 in standard chess.
    int castle_rook[4];
    // ANDed into castle_flags with the entries of the from- and to-square of
    // every move: a king or a castling rook that leaves its square, or a
    // rook captured on it, takes the rights with it. A standard set-up
    // copies the constant castle_mask.
    int castle_masks[128];
};
extern thread_local BoardState pos;

struct BoardRecords {
    PieceRecord piece_list[2][17];  // by colour: 16 records and a terminator
    char text_buffer[16];           // the text move_text and long_algebraic return
};
extern thread_local BoardRecords recs;


// piece_slot(c, i): the knights, bishops, rooks, queen and king that colour
// c started with (indices below); promoted pieces in pawn records are not
// here. Each slot is a fixed record of the colour's list (slot_record), so
// the slot's record is the search thread's own.
constexpr int SLOT_KNIGHT = 0;  // and 1
constexpr int SLOT_BISHOP = 2;  // and 3
constexpr int SLOT_ROOK = 4;    // and 5
constexpr int SLOT_QUEEN = 6;   // slot 7 is null
constexpr int SLOT_KING = 8;    // slots 9..11 are null
inline constexpr int slot_record[12] = {KNIGHT_RECORD, KNIGHT_RECORD + 1, BISHOP_RECORD, BISHOP_RECORD + 1,
                                        ROOK_RECORD,   ROOK_RECORD + 1,   QUEEN_RECORD,  -1,
                                        KING_RECORD,   -1,                -1,            -1};
inline PieceRecord* piece_slot(int c, int slot) {
    assert(slot_record[slot] >= 0);
    return &recs.piece_list[c][slot_record[slot]];
}


// ---------------------------------------------------------------- castling rights
constexpr int CASTLE_WHITE_QUEEN = 1;  // e1-c1 still allowed
constexpr int CASTLE_WHITE_KING = 2;   // e1-g1
constexpr int CASTLE_BLACK_QUEEN = 4;  // e8-c8
constexpr int CASTLE_BLACK_KING = 8;   // e8-g8
constexpr int CASTLED_WHITE = 16;      // white has castled
constexpr int CASTLED_BLACK = 32;      // black has castled
// The index (0..3) of the bit of the right by which a king castles to
// king_to (c1, g1, c8 or g8): the bit is 1 << index.
constexpr int castle_right_index(int king_to) {
    return (square_row(king_to) == 0 ? 2 : 0) + (square_file(king_to) == 6 ? 1 : 0);
}

// ---------------------------------------------------------------- constant tables
inline constexpr int piece_value[6] = {100, 300, 300, 500, 900, 1200};

// Steps by kind, each list ending with 0; generation walks them in this order.
inline constexpr int piece_dirs[6][9] = {
    {0},                                   // PAWN: see pawn_dirs
    {14, 31, 33, 18, -14, -31, -33, -18, 0},  // KNIGHT
    {15, 17, -15, -17, 0},                 // BISHOP
    {-1, 1, -16, 16, 0},                   // ROOK
    {15, 17, -15, -17, -1, 1, -16, 16, 0},  // QUEEN
    {15, 17, -15, -17, -1, 1, -16, 16, 0},  // KING
};

// Pawn steps by colour: the two capture steps, then the push step.
inline constexpr int pawn_dirs[2][4] = {
    {-15, -17, -16, 0},  // WHITE
    {15, 17, 16, 0},     // BLACK
};

inline constexpr int is_slider[6] = {0, 0, 1, 1, 1, 0};

// Bits of attack_kind: which kinds can reach a square difference.
constexpr int ATTACK_WHITE_PAWN = 1;
constexpr int ATTACK_BLACK_PAWN = 2;
constexpr int ATTACK_KNIGHT = 4;
constexpr int ATTACK_BISHOP = 8;
constexpr int ATTACK_ROOK = 16;
constexpr int ATTACK_QUEEN = 32;
constexpr int ATTACK_KING = 64;
// attack_bit by kind; a pawn's bit depends on its colour (pawn_attack_bit).
inline constexpr int attack_bit[6] = {0, ATTACK_KNIGHT, ATTACK_BISHOP, ATTACK_ROOK,
                                      ATTACK_QUEEN, ATTACK_KING};
inline constexpr int pawn_attack_bit[2] = {ATTACK_WHITE_PAWN, ATTACK_BLACK_PAWN};

// ANDed into castle_flags with the from- and to-square entries of every move:
// a king or rook leaving home, or a rook captured at home, loses its right.
// Sixteen entries per row, the eight right-hand ones off the board.
inline constexpr int castle_mask[128] = {
    59, 63, 63, 63, 51, 63, 63, 55,  0, 0, 0, 0, 0, 0, 0, 0,  // rank 8: a8 e8 h8
    63, 63, 63, 63, 63, 63, 63, 63,  0, 0, 0, 0, 0, 0, 0, 0,
    63, 63, 63, 63, 63, 63, 63, 63,  0, 0, 0, 0, 0, 0, 0, 0,
    63, 63, 63, 63, 63, 63, 63, 63,  0, 0, 0, 0, 0, 0, 0, 0,
    63, 63, 63, 63, 63, 63, 63, 63,  0, 0, 0, 0, 0, 0, 0, 0,
    63, 63, 63, 63, 63, 63, 63, 63,  0, 0, 0, 0, 0, 0, 0, 0,
    63, 63, 63, 63, 63, 63, 63, 63,  0, 0, 0, 0, 0, 0, 0, 0,
    62, 63, 63, 63, 60, 63, 63, 61,  0, 0, 0, 0, 0, 0, 0, 0,  // rank 1: a1 e1 h1
};

// Placement of knights and bishops, by square64 (row 0 = rank 8 first): read
// by the move scorer and by the evaluation. Symmetric top to bottom.
inline constexpr int knight_table[64] = {
    -15, -10, -10, -10, -10, -10, -10, -15,
    -10,   0,   0,   2,   2,   0,   0, -10,
    -10,   0,   2,   5,   5,   2,   0, -10,
    -10,   2,   5,  10,  10,   5,   2, -10,
    -10,   2,   5,  10,  10,   5,   2, -10,
    -10,   0,   2,   5,   5,   2,   0, -10,
    -10,   0,   0,   2,   2,   0,   0, -10,
    -15, -10, -10, -10, -10, -10, -10, -15,
};

// ---------------------------------------------------------------- difference tables
// Built once by init_tables. Indexed by a square difference d in -119..119:
// each name points at the middle of its storage so negative d are valid.
extern uint8_t attack_kind_store[239];
extern int8_t line_dir_store[239];
extern int8_t knight_fork_store[239][3];
extern int8_t bishop_fork_store[239][3];
extern int8_t rook_fork_store[239][3];
extern int8_t queen_fork_store[239][13];

// OR of the attack bits of every kind that reaches difference d on an empty
// board (pawn bits on all three pawn steps, the push included).
constexpr uint8_t* attack_kind = attack_kind_store + 119;
// Unit step of the queen line (or the knight step itself) at difference d, else 0.
constexpr int8_t* line_dir = line_dir_store + 119;
// For a pair of squares a, b with d = a - b: zero-terminated offsets o = c - b
// of the squares c from which one piece of the kind reaches both a and b
// along different lines. Blockers are not considered.
constexpr int8_t (*knight_fork)[3] = knight_fork_store + 119;
constexpr int8_t (*bishop_fork)[3] = bishop_fork_store + 119;
constexpr int8_t (*rook_fork)[3] = rook_fork_store + 119;
constexpr int8_t (*queen_fork)[13] = queen_fork_store + 119;

// Square sets by square64, built once by init_tables. line_ray[step][i]: the
// squares beyond i along the queen step (-17..17), to the edge of the board.
// piece_reach[kind][i]: the squares a knight or king on i reaches in one
// step, or a bishop, rook or queen along its lines with blockers ignored
// (the PAWN row is empty). pawn_reach[c][i]: the two squares a pawn of
// colour c on i attacks.
extern uint64_t line_ray_store[35][64];
constexpr uint64_t (*line_ray)[64] = line_ray_store + 17;
extern uint64_t piece_reach[6][64];
extern uint64_t pawn_reach[2][64];

constexpr uint64_t NOT_FILE_A = 0xFEFEFEFEFEFEFEFEull;
constexpr uint64_t NOT_FILE_H = 0x7F7F7F7F7F7F7F7Full;
// The squares the pawns of colour c standing on `set` attack. By symmetry
// also the squares from which pawns of colour c ^ 1 attack a member of set.
constexpr uint64_t pawn_attack_set(int c, uint64_t set) {
    return c == WHITE ? ((set & NOT_FILE_A) >> 9) | ((set & NOT_FILE_H) >> 7)
                      : ((set & NOT_FILE_H) << 9) | ((set & NOT_FILE_A) << 7);
}

// line_mask[k][i]: the squares of the file (k = 0), the diagonal along
// step 17 (k = 1) or the one along step 15 (k = 2) through i, without i.
// rank_reach[f][o]: the files a man on file f reaches along its rank when
// o holds the occupied files of that rank (bit f = file f), each way up to
// and including the first occupied one.
extern uint64_t line_mask[3][64];
extern uint8_t rank_reach[8][256];

// The squares a line piece on i reaches along one of the line_mask lines
// with `occ` occupied, up to and including the first occupied square each
// way. Subtracting the piece's bit from the occupied squares of the line
// borrows through the empty squares up to the first blocker toward h1;
// the byte swap turns the board upside down, so the same subtraction
// finds the first blocker toward a8. Each row holds at most one square of
// a file or diagonal, so the swap maps the line onto itself.
inline uint64_t line_attacks(uint64_t occ, uint64_t mask, int i) {
    const uint64_t bit = uint64_t(1) << i;
    uint64_t forward = occ & mask;
    uint64_t reverse = __builtin_bswap64(forward);
    forward -= bit;
    reverse -= __builtin_bswap64(bit);
    return (forward ^ __builtin_bswap64(reverse)) & mask;
}
inline uint64_t rank_attacks(uint64_t occ, int i) {
    const int shift = i & 56;
    return uint64_t(rank_reach[i & 7][(occ >> shift) & 0xFF]) << shift;
}
// The squares a bishop or rook on i attacks with `occ` occupied: every
// square up to and including the first occupied one along each line.
inline uint64_t bishop_attack_set(int i, uint64_t occ) {
    return line_attacks(occ, line_mask[1][i], i) | line_attacks(occ, line_mask[2][i], i);
}
inline uint64_t rook_attack_set(int i, uint64_t occ) { return line_attacks(occ, line_mask[0][i], i) | rank_attacks(occ, i); }
// The squares a knight, bishop, rook, queen or king on i attacks.
inline uint64_t piece_attack_set(int kind, int i, uint64_t occ) {
    switch (kind) {
        case BISHOP: return bishop_attack_set(i, occ);
        case ROOK: return rook_attack_set(i, occ);
        case QUEEN: return bishop_attack_set(i, occ) | rook_attack_set(i, occ);
        default: return piece_reach[kind][i];
    }
}

// The 0x88 square of a square64 number.
constexpr int square_of64(int i) { return i + (i & ~7); }
// Lowest and highest member of a non-empty set, as square64 numbers: the
// nearest member along a positive step (toward h1) and a negative one.
inline int lowest_square64(uint64_t set) { return __builtin_ctzll(set); }
inline int highest_square64(uint64_t set) { return 63 - __builtin_clzll(set); }

// between_mask[f][d]: squares strictly between square f of row 0 and f + d
// when they share a line, else 0 (square64 bits). between_squares shifts the
// entry to any pair of aligned squares.
extern uint64_t between_mask[8][128];
inline uint64_t between_squares(int a, int b) {
    int low = a < b ? a : b, high = a < b ? b : a;
    return between_mask[square_file(low)][high - low] << (8 * square_row(low));
}

// ---------------------------------------------------------------- square sets (square_sets.cpp)
// The squares of colour c's slot pieces of a kind (KNIGHT .. KING): the
// kind's set without the promoted men, which the slot tests do not see.
inline uint64_t slot_men(int c, int kind) { return pos.kind_men[c][kind] & ~pos.promoted_men[c]; }

// Recomputes the sets from the piece lists.
void rebuild_square_sets();
// Debug check: the sets equal those recomputed from the piece lists.
int square_sets_ok();

// ---------------------------------------------------------------- position (position.cpp, tables.cpp, fen.cpp)
// Builds the difference tables; called once at start-up before anything else.
void init_tables();
// Sets up the initial position and resets the game state, by the rules of
// Chess960 when chess960 is non-zero (the same men and rights; see
// BoardState::chess960). Does not compute the hash key, and leaves the
// search's tables to the caller.
void new_position(int chess960 = 0);
// Recomputes material and piece_material from the piece lists.
void count_material();
// Set-up: every record 0-15 of both colours dead, every board entry null,
// the castling squares those of standard chess.
void clear_board();
// Set-up: puts a man of the kind and colour on the square in a free record
// (a free knight, bishop or rook record, the queen record, or a pawn record
// taking the new kind). A man already on the square is removed first, and a
// king placed anew leaves its old square empty. Returns 0 when no record is
// free (nothing placed), 1 otherwise.
int place_piece(int kind, int color, int square);
// Set-up: the man on the square (if any) is removed from the board.
void remove_piece(int square);
// Debug check: board entries and records agree, material sums match the
// lists, side and xside differ. Used in asserts after make, unmake and set-up.
int board_is_ok();
// Finishes a set-up made through clear_board and place_piece with side,
// xside, castle_flags, ep_square and fifty set: the material sums, the king
// squares, an empty history at ply 0, and the key with its slot. A new game
// restarts the table's generations (hash_age 1); otherwise they go on
// counting, as for a GUI that sends its game's position before every move.
// The ply-0 list and the search's tables are left to the caller.
void finish_set_up(int new_game);
// Sets up the position of a FEN record through clear_board and place_piece,
// side to move, castling rights, en-passant square and fifty counter, then
// finish_set_up(new_game). Returns 1, or 0 with *error naming what is
// wrong: a malformed record, more men than the records hold, a side
// without exactly one king, a pawn on the first or last rank, the side not
// to move in check. After a refusal the position is undefined and must be
// set up again. With chess960 non-zero the position plays by the rules of
// Chess960 and its castling field names the rooks by their files
// (Shredder-FEN: "HAha") or as X-FEN (KQkq for the outermost rook on a
// side, a file letter for another); each right needs the king on its first
// rank and a rook of its colour on that side of it, and a side has at most
// one right. Without chess960 only KQkq with king and rook on their
// standard squares is read.
int set_position_from_fen(const char* fen, const char** error, int new_game, int chess960 = 0);

// ---------------------------------------------------------------- attack tests (attacks.cpp)

// Square differences a king step or a knight step apart.
inline int king_adjacent(int d) { return (attack_kind[d] & ATTACK_KING) != 0; }
inline int knight_step(int d) { return (attack_kind[d] & ATTACK_KNIGHT) != 0; }

// A pawn of colour c attacks square x.
inline int pawn_guard(int x, int c) {
    for (int i = 0; i < 2; ++i) {
        int s = x - pawn_dirs[c][i];
        if (on_board(s) && pos.board[s] && pos.board[s]->kind == PAWN && pos.board[s]->color == c)
            return 1;
    }
    return 0;
}

// Any alive man of colour c attacks x. Reads the square sets.
int square_attacked(int x, int c);
// The check that colour c gives the king of c ^ 1: 0 none; 1 contact check
// (pawn, knight, or a bishop or queen touching on a pawn diagonal); 2 along a
// line, with block_mask holding the squares between; -1 the kings touch.
// Writes checker_square and block_mask; reports only the first checker.
int find_checker(int c);
// Kind of the first occupied square (either colour) that a pawn of c on x
// would attack, in pawn_dirs order; 0 when none or when that man is a pawn.
int pawn_target(int x, int c);
// Slot tests: only the pieces reachable through piece_slot are seen.
int knight_slot_attacks(int x, int c);
int knight_slot_attacks_except(int x, int c, int e);  // ignores a knight on e
int bishop_slot_attacks(int x, int c);  // only the first aligned bishop is walked
int rook_slot_attacks(int x, int c);    // only the first aligned rook is walked
int queen_slot_attacks(int x, int c);
// A bishop, rook or queen of c sees `to` through `from` once `from` is empty.
int xray_attack(int c, int from, int to);
// Every square strictly between the aligned squares a and b is empty (read
// from the square sets).
inline int clear_path(int a, int b) { return !(between_squares(a, b) & pos.occupied); }


// ---------------------------------------------------------------- move generation (move_gen.cpp, move_scoring.cpp)
// All pseudo-legal moves of side at the current ply, scored; king steps onto
// attacked squares are dropped. Stops at once, raising king_capture, when
// the enemy king can be taken (first_move[ply + 1] is then untouched).
void gen_moves();
// Captures, en passant and promotion pushes of side, scored the same way.
void gen_captures();
// Answers to the check found by the last find_checker(xside): uses
// checker_square, block_mask and in_check_flag. Scored by the evasion rule.
void gen_evasions();
// The list of the position itself (ply 0), where searches and move parsers
// start: sets ply to 0, finds whether side is in check (in_check_flag and
// the checker words) and generates evasions in check, otherwise all moves.
void generate_root_moves();

// Ordering score of a non-promotion move of side, or MOVE_REFUSED for a king
// move onto an attacked square. Caches threat_flags of the mover's record.
constexpr int MOVE_REFUSED = INT32_MIN;
int score_move(int from, int to, int flags);
// The scorer's first rule: a capture whose victim is worth more than 50
// below the mover wins or keeps material and scores at once, by victim value
// first and the cheaper mover second.
constexpr bool even_or_winning_capture(int victim_value, int mover_value) {
    return victim_value - mover_value > -50;
}
constexpr int capture_score(int victim_value, int mover_value) { return 10 * (20 * victim_value - mover_value); }
// The king-move danger test shared by the scorer and the evasion generator.
int king_move_attacked(int from, int to);

// ---------------------------------------------------------------- make and unmake (make_move.cpp)


// Makes the move of side and returns 1, or returns 0 with nothing changed
// when it castles across a square attacked by xside. Does not touch hash_key.
int make_move(Move m);
// make_move that also refuses a move leaving the mover's king attacked (or
// the kings touching): such a move is taken back and 0 returned.
int make_legal_move(Move m);
// make_move without the castling test, for moves known to be legal.
void make_move_unchecked(Move m);
// Takes back the move of the top history record.
void unmake_move();
// Passes the move: pushes a record with move 0 holding ep_square and fifty,
// then fifty = 0 and ep_square = -1. Does not touch hash_key.
void make_null_move();
// Takes back a record whose move is 0 (a null move).
void unmake_null_move();

// ---------------------------------------------------------------- lines of moves (legal_line.cpp)
// How many of the moves, from the first, are legal one after the other from
// the current position: each must be in the list the generator makes for
// its position and must not leave its own king attacked. Leaves the
// position, its list and the check words as it found them, so a search's
// hooks may call it between root moves.
int legal_prefix(const Move* moves, int count);
// Keeps in the ply-0 list only its entries that are among moves, in their
// list order, and returns how many it kept; when none is among them the
// list stays whole (and 0 is returned).
int keep_root_moves(const Move* moves, int count);

// ---------------------------------------------------------------- position copy (position_copy.cpp)
// A position at ply 0 as one search thread hands it to another: the
// records, the game-state words with the castling squares, the game
// history, the key, and the ply-0 list with the check words it was
// generated under.
struct PositionCopy {
    PieceRecord records[2][17];
    HistoryRecord history[HISTORY_SIZE];  // captured men point into records
    int history_count;
    int side, castle_flags, ep_square, fifty;
    int chess960;
    int castle_rook[4];
    int castle_masks[128];
    int king_square[2];
    uint64_t key;
    int in_check, checker;
    uint64_t block;
    int move_count;
    MoveEntry moves[MOVE_STACK_SIZE];
};
// Copies this thread's position (at ply 0) and its ply-0 list.
void save_position(PositionCopy* copy);
// Sets this thread's position and ply-0 list to the copy, the board, the
// square sets, the material and the key's slot with it.
void load_position(const PositionCopy& copy);

// ---------------------------------------------------------------- score scale
// Scores are from the side to move's view, 100 = one pawn. The table stores
// mate scores as distances from the node that stores them.
constexpr int MATE = 8000;          // mated at ply p scores p - MATE
constexpr int NO_SCORE = -8000;     // initial best score; the root's minus infinity
constexpr int MATE_BOUND = 7951;    // >= winning mate, <= -MATE_BOUND losing mate
// A position the endgame tables call won scores TABLE_WIN - p at ply p (lost:
// p - TABLE_WIN): beyond any evaluation, below every mate score.
constexpr int TABLE_WIN = 7700;

// ---------------------------------------------------------------- hash keys and table (hash.cpp, zobrist.cpp)
extern const uint64_t zobrist[768];  // by (kind + 6 * colour) * 64 + square64
extern const uint64_t side_key;      // XORed in when black is to move
// By colour and the file of the castling rook: XORed in for each castling
// right of a Chess960 position (standard positions key no rights).
extern const uint64_t castle_keys[2][8];
// The keys of the rights in flags (a Chess960 position's castle_flags).
uint64_t castle_rights_key(int flags);

// The Zobrist key of a man of the kind and colour on the square.
inline uint64_t man_key(int kind, int color, int sq) { return zobrist[(kind + 6 * color) * 64 + square64(sq)]; }

constexpr int HASH_EXACT = 0, HASH_LOWER = 1, HASH_UPPER = 2, HASH_STALEMATE = 3;


// The table and its sizing words are one for all search threads; they and
// hash_age change only between searches.
extern HashEntry* hash_table;  // null when there is no table
extern int hash_records;       // number of slots
extern int hash_mask;          // 2^bits - 1
extern int hash_fold;          // indices at or above hash_records fold down by this
extern int hash_age;           // search generation (low 5 bits stored)

// The sizing rule: slot count and fold for a size in megabytes (0 slots
// below 5 megabytes). Pure; hash_init applies it.
void hash_size(int megabytes, int* bits, int* fold, int* records);
// Sizes, allocates and clears the table (freeing an earlier one). Returns
// the number of slots, 0 for no table (below 5 megabytes), or -1 when the
// memory cannot be had (there is then no table).
int hash_init(int megabytes);
// Empties every slot and restarts the generations, as a fresh table would be.
void hash_clear();
// Per mille of the table used by the current generation (hash_age),
// estimated from the first thousand slots; 0 without a table. Reads only.
int hash_full_permille();
// The key of the current position computed from the piece lists and side.
uint64_t position_key();
// hash_key = position_key() and the slot selected; nothing without a table.
void compute_hash_key();
// Updates hash_key for the move just made (the top history record) and
// selects its slot; nothing without a table. Not reversed by unmake. Reads
// move_key_change, so no other move may be made in between, and in a
// Chess960 position the rights the record held before the move.
void update_hash_key(Move m);
// Starts loading the slot that the position after side's capture from-to
// will select (a capture that is no promotion or en passant), so that the
// probe after the move finds it in the cache. Changes nothing.
void prefetch_capture_slot(int from, int to);
// Selects the slot of hash_key and returns the depth it holds (of whatever
// position it holds).
int hash_select();
// The selected slot holds the current key's position: reads it into this
// thread's own copy, which the readers below decode.
int hash_hit();
int hash_age_matches();
int hash_depth();
int hash_type();
// Stored score, mate scores adjusted to the current ply.
int hash_score();
// Stored move as the generators' word, or 0 (also for castling without the
// right or en passant to another square).
Move hash_move();
// Stores an entry for hash_key under the replacement rule.
void hash_store(int type, int depth, int score, Move m);

// ---------------------------------------------------------------- endgame tables (tablebases.cpp)
// The Syzygy tables, read through the probing library when the build has it
// (tables_supported); without it nothing loads. Results are the side to
// move's, in the tables' order: a win or loss that the fifty-move rule
// spoils is cursed or blessed.
constexpr int WDL_LOSS = 0, WDL_BLESSED_LOSS = 1, WDL_DRAW = 2, WDL_CURSED_WIN = 3, WDL_WIN = 4;
constexpr int TABLE_PROBLEMS = 8;
struct TableLoad {
    int tables;         // endings with a usable win/draw/loss file
    int men;            // the most men among them, 0 when none
    int problem_count;  // folders and files found wrong; the first TABLE_PROBLEMS are described
    char problems[TABLE_PROBLEMS][256];
};
// The most men of the loaded tables, 0 when none: shared, changed only by
// load_tables between searches.
extern int table_men;
bool tables_supported();
// Loads the tables of the folders of path (separated by ':') in place of
// those loaded before; an empty path or "<empty>" unloads them. A folder
// that cannot be read or holds no table, and a file of the wrong size or
// signature (whose ending is then never probed), is described in problems.
TableLoad load_tables(const char* path);
// The tables' result for the position, or -1 when they cannot tell (more
// men than the tables, no table or a refused one for these men, a castling
// right, a fifty-move count above 0). Safe on every search thread.
int probe_wdl();
// One entry of the ply-0 list as the tables see it: the result for the side
// to move once the move is played (WDL_*, -1 when the entry is no legal
// move) and the distance to zeroing in half-moves, the move included.
struct RootTableResult {
    int wdl;
    int dtz;
};
// For the root position (fifty-move count as it stands): fills entries (one
// per ply-0 entry, in list order) and *position_dtz, and returns the
// position's result; -1 when the tables cannot tell or there is no legal
// move. Not thread-safe: the main thread alone calls it, before the
// helpers start.
int probe_root(RootTableResult* entries, int* position_dtz);
