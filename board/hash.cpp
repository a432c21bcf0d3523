// Hash keys and the transposition table: one 10-byte entry per slot, no
// buckets. The key is updated incrementally after every search move and
// restored by copy after unmake; the front end recomputes it after any other
// change of position.
//
// One table serves every search thread, without locks. A thread reads a
// slot once, into its own copy (hash_copy), and decodes only that copy; it
// writes a slot from a whole entry built beforehand. A slot read while
// other threads write it can therefore mix their entries field by field,
// and nothing worse; the lock catches that: it is stored XORed with a check of
// the entry's own data (entry_check), so a lock and data that were not
// stored together fail the hit test exactly as an entry of another
// position does. The few reads of a lone field outside the hit test
// (hash_select's depth, hash_full_permille) only guide the search or a
// report, and any value they find is a valid one.
#include <cassert>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

#include "board/board.h"

HashEntry* hash_table;
int hash_records;
int hash_mask;
int hash_fold;
int hash_age;

namespace {

uint32_t key_lock() { return uint32_t(pos.hash_key >> 32); }

// Folded into the stored lock. An empty slot (all zero) checks as 0, so it
// keeps reading as an entry of the keys whose high word is 0, as it would
// without the check; with one thread every hit and miss is as it would be.
uint32_t entry_check(int16_t score_bound, uint32_t info) {
    return info ^ uint32_t(uint16_t(score_bound)) * 0x9E3779B1u;
}

// The only reads and writes of a slot's bytes while searches run; other
// threads may be reading or writing the same slot meanwhile (see above).
// The read takes field by field (a copy of the packed bytes as a whole
// would go through memory and stall each field's load behind it).
HashEntry read_slot(const HashEntry* slot) {
    HashEntry e;
    e.lock = slot->lock;
    e.score_bound = slot->score_bound;
    e.info = slot->info;
    return e;
}
void write_slot(HashEntry* slot, const HashEntry& e) { std::memcpy(slot, &e, sizeof e); }

// The mask is below 2^31, so only the key's low word selects. Indices past
// the last slot fold down, so the top slots serve two index values each.
HashEntry* slot_of(uint64_t key) {
    const int i = int(key & uint64_t(hash_mask));
    return hash_table + (i < hash_records ? i : i - hash_fold);
}

void select_slot() { pos.hash_entry = slot_of(pos.hash_key); }

// The table is allocated on a 2-megabyte boundary in whole 2-megabyte
// blocks, and the kernel is asked to back it with huge pages: every probe
// lands on a random slot, and with small pages nearly every one would also
// miss the processor's cache of address translations. Zero-filled.
constexpr size_t HUGE_PAGE = size_t(1) << 21;

HashEntry* allocate_table(int records) {
    const size_t bytes = size_t(records) * sizeof(HashEntry);
    const size_t blocks = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    void* table = std::aligned_alloc(HUGE_PAGE, blocks);
    if (!table) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(table, blocks, MADV_HUGEPAGE);  // a request only: refused, the table still works
#endif
    std::memset(table, 0, bytes);
    return static_cast<HashEntry*>(table);
}

}  // namespace

void hash_size(int megabytes, int* bits, int* fold, int* records) {
    *bits = 0;
    *fold = 0;
    *records = 0;
    if (megabytes < 5) return;
    if (megabytes >= 768) {
        *bits = 26;
        *records = 1 << 26;
        return;
    }
    const int64_t n = int64_t(megabytes) * 1048576 / 10;  // 10-byte entries that fit
    int64_t p = int64_t(1) << 19;
    *bits = 19;
    while (n > p) {
        p *= 2;
        ++*bits;
    }
    // Trim the power of two by whole kilo-entries while it stays above n.
    if (n != p) {
        int64_t c = 1024;
        while (p - c > n) c += 1024;
        *fold = int(c - 1024);
    }
    *records = int(p - *fold);
}

int hash_init(int megabytes) {
    int bits, fold, records;
    hash_size(megabytes, &bits, &fold, &records);
    std::free(hash_table);  // a table sized again (UCI's Hash, the tools, the tests) replaces the old
    hash_table = nullptr;
    pos.hash_entry = nullptr;
    hash_records = 0;
    hash_mask = 0;
    hash_fold = 0;
    if (records == 0) return 0;
    hash_table = allocate_table(records);
    if (!hash_table) return -1;
    hash_mask = int((int64_t(1) << bits) - 1);
    hash_fold = fold;
    hash_records = records;
    hash_age = 1;
    pos.hash_entry = hash_table;
    return records;
}

void hash_clear() {
    if (hash_table) std::memset(hash_table, 0, size_t(hash_records) * sizeof(HashEntry));
    hash_age = 1;
}

// A front end's "how full" reading: the first thousand slots stand for the
// table, as the index is spread evenly over all slots. An entry counts once
// it holds something and was stored by the current generation.
int hash_full_permille() {
    const int sample = hash_records < 1000 ? hash_records : 1000;
    if (!hash_table || sample == 0) return 0;
    int used = 0;
    for (int i = 0; i < sample; ++i) {
        const HashEntry e = read_slot(hash_table + i);
        if ((e.lock | e.info) != 0 && int((e.info >> 5) & 31) == (hash_age & 31)) ++used;
    }
    return used * 1000 / sample;
}

uint64_t castle_rights_key(int flags) {
    uint64_t key = 0;
    for (int i = 0; i < 4; ++i)
        if (flags & (1 << i)) key ^= castle_keys[i >> 1][square_file(pos.castle_rook[i])];
    return key;
}

namespace {

// The change of a Chess960 key by the rights lost since `before`; out of
// line, so that standard chess pays only the test of pos.chess960.
[[gnu::noinline, gnu::cold]] uint64_t rights_key_change(int before) {
    return castle_rights_key(before) ^ castle_rights_key(pos.castle_flags);
}

}  // namespace

uint64_t position_key() {
    uint64_t key = pos.side == BLACK ? side_key : 0;
    for (int color = WHITE; color <= BLACK; ++color)
        for (const PieceRecord* r = recs.piece_list[color]; r->kind < END_OF_LIST; ++r)
            if (r->alive) key ^= man_key(r->kind, color, r->square);
    if (pos.chess960) key ^= castle_rights_key(pos.castle_flags);
    return key;
}

void compute_hash_key() {
    if (!hash_table) return;
    pos.hash_key = position_key();
    select_slot();
}

// Make works out the change while it has the move's men at hand.
void update_hash_key(Move m) {
    if (!hash_table) return;
    assert(m == pos.history[pos.history_count - 1].move);
    (void)m;
    pos.hash_key ^= pos.move_key_change;
    // Chess960 keys the rights: those the move took away leave the key.
    if (pos.chess960) pos.hash_key ^= rights_key_change(pos.history[pos.history_count - 1].castle_flags);
    select_slot();
    assert(pos.hash_key == position_key());
}

void prefetch_capture_slot(int from, int to) {
    if (!hash_table) return;
    const PieceRecord* mover = pos.board[from];
    const PieceRecord* victim = pos.board[to];
    const int kind = mover->kind, c = mover->color;
    const uint64_t key =
        pos.hash_key ^ side_key ^ man_key(kind, c, from) ^ man_key(kind, c, to) ^ man_key(victim->kind, c ^ 1, to);
    __builtin_prefetch(slot_of(key));
}

int hash_select() {
    if (!hash_table) return 0;
    select_slot();
    return int(read_slot(pos.hash_entry).info & 31);
}

int hash_hit() {
    if (!hash_table) return 0;
    const HashEntry e = read_slot(pos.hash_entry);
    pos.hash_copy = {e.score_bound, e.info};
    return (e.lock ^ entry_check(e.score_bound, e.info)) == key_lock();
}

int hash_age_matches() { return int((pos.hash_copy.info >> 5) & 31) == (hash_age & 31); }

int hash_depth() { return int(pos.hash_copy.info & 31); }

int hash_type() { return pos.hash_copy.score_bound & 3; }

// Mate scores are stored as distances from the node that stored them.
int hash_score() {
    const int s = floor_shift(pos.hash_copy.score_bound, 2);
    if (s <= -MATE_BOUND) return s + pos.ply;
    if (s < MATE_BOUND) return s;
    return s - pos.ply;
}

Move hash_move() {
    const uint32_t info = pos.hash_copy.info;
    if ((info >> 10) == 0) return 0;
    const int flags = int(info >> 26);
    const int to = int((info >> 17) & 127), from = int((info >> 10) & 127);
    if (flags & MOVE_CASTLE) {
        const int right = to == C8   ? CASTLE_BLACK_QUEEN
                          : to == G8 ? CASTLE_BLACK_KING
                          : to == C1 ? CASTLE_WHITE_QUEEN
                                     : CASTLE_WHITE_KING;
        if (!(pos.castle_flags & right)) return 0;
    } else if ((flags & MOVE_EP) && to != pos.ep_square) {
        return 0;
    }
    const int promote = (flags & MOVE_PROMOTE) ? int((info >> 24) & 3) + 1 : 0;
    return make_move_word(from, to, promote, flags);
}

void hash_store(int type, int depth, int score, Move m) {
    if (!hash_table) return;
    assert(depth >= 0);
    // Extensions can carry a search line past 31 plies of depth; the field
    // has five bits, and a larger number would spill into the generation.
    if (depth > 31) depth = 31;
    select_slot();
    if (hash_hit() && hash_age_matches() && hash_depth() >= depth) return;
    if (score <= -MATE_BOUND)
        score -= pos.ply;
    else if (score >= MATE_BOUND)
        score += pos.ply;
    // Scores stay within 8000 + 49 plies, so score * 4 + type fits 16 bits.
    assert(score * 4 + type >= INT16_MIN && score * 4 + type <= INT16_MAX);
    HashEntry e;
    e.score_bound = int16_t(score * 4 + type);
    e.info = uint32_t(hash_age & 31) * 32 + uint32_t(depth);
    if (m) {
        const uint32_t flags = uint32_t(move_flags(m)) & 63;
        const uint32_t promote = (flags & MOVE_PROMOTE) ? uint32_t(move_promote(m) - 1) : 0;
        e.info += (((flags * 4 + promote) * 128 + uint32_t(move_to(m))) * 128 + uint32_t(move_from(m)))
                  << 10;
    }
    e.lock = key_lock() ^ entry_check(e.score_bound, e.info);
    write_slot(pos.hash_entry, e);
    pos.hash_copy = {e.score_bound, e.info};  // what this thread now knows of the slot
}
