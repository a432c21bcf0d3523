// The endgame tables in the search: a win/draw/loss probe that ends a
// full-width node, and at the root the moves the tables allow. The board
// layer reads the tables (board.h); this file decides what their results
// mean to the search.
#include <cstdio>

#include "search/search_internal.h"

int table_probe_depth = 1;
int table_fifty_rule = 1;
int table_probe_limit = 7;

namespace {

constexpr int ROOT_LIST_SIZE = MOVE_STACK_SIZE - MOVE_STACK_LIMIT;  // the longest list of one position

// A result as the options count it: without the fifty-move rule a cursed
// win is a win and a blessed loss a loss.
int counted(int wdl) {
    if (table_fifty_rule) return wdl;
    return wdl == WDL_CURSED_WIN ? WDL_WIN : wdl == WDL_BLESSED_LOSS ? WDL_LOSS : wdl;
}

bool few_enough_men() { return __builtin_popcountll(pos.occupied) <= table_probe_limit; }

}  // namespace

bool table_cut(int depth, int* score) {
    if (pos.fifty != 0 || depth < table_probe_depth || !few_enough_men()) return false;
    const int wdl = probe_wdl();
    if (wdl < 0) return false;
    ++search.table_hits;
    // A win is at least the tables' score (a mate may be quicker), a loss
    // at most; a draw is exact. The stored entry carries no move.
    int type = HASH_EXACT;
    *score = 0;
    if (counted(wdl) == WDL_WIN) {
        *score = TABLE_WIN - pos.ply;
        type = HASH_LOWER;
    } else if (counted(wdl) == WDL_LOSS) {
        *score = pos.ply - TABLE_WIN;
        type = HASH_UPPER;
    }
    hash_store(type, depth, *score, 0);
    return true;
}

int restrict_root_by_tables() {
    if (!table_men || !few_enough_men()) return 0;
    RootTableResult results[ROOT_LIST_SIZE];
    int position_dtz;
    const int count = pos.last_move[0] - pos.first_move[0];
    if (count > ROOT_LIST_SIZE || probe_root(results, &position_dtz) < 0) return 0;
    ++search.table_hits;
    int best = -1;
    for (int i = 0; i < count; ++i)
        if (results[i].wdl >= 0 && counted(results[i].wdl) > best) best = counted(results[i].wdl);
    if (best < 0) return 0;
    // Winning, the quickest zeroing move; losing, the slowest; a draw
    // leaves the choice among the drawing moves to the search.
    int dtz = best > WDL_DRAW ? 1 << 30 : -1;
    for (int i = 0; i < count; ++i) {
        if (results[i].wdl < 0 || counted(results[i].wdl) != best) continue;
        if (best > WDL_DRAW && results[i].dtz < dtz) dtz = results[i].dtz;
        if (best < WDL_DRAW && results[i].dtz > dtz) dtz = results[i].dtz;
    }
    Move kept[ROOT_LIST_SIZE];
    int kept_count = 0, legal = 0;
    for (int i = 0; i < count; ++i) {
        legal += results[i].wdl >= 0;
        if (results[i].wdl >= 0 && counted(results[i].wdl) == best && (best == WDL_DRAW || results[i].dtz == dtz))
            kept[kept_count++] = pos.move_list[pos.first_move[0] + i].move;
    }
    keep_root_moves(kept, kept_count);
    if (best == WDL_WIN) search.table_root_score = TABLE_WIN;
    if (best == WDL_LOSS) search.table_root_score = -TABLE_WIN;
    return kept_count < legal;
}

void describe_table_load(const TableLoad& load, char* text, int size) {
    if (load.tables > 0)
        std::snprintf(text, size_t(size), "%d tables found, up to %d men", load.tables, load.men);
    else
        std::snprintf(text, size_t(size), "no tables found: playing without them");
}
