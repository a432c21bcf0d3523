// Move ordering: the previous principal variation first, then the table's
// move, then the rest by their generation scores, chosen lazily one entry at
// a time.
#include "search/search_internal.h"

namespace {

void swap_entries(int a, int b) {
    const MoveEntry t = pos.move_list[a];
    pos.move_list[a] = pos.move_list[b];
    pos.move_list[b] = t;
}

// Index of m in the current ply's list, or -1.
int find_in_list(Move m) {
    for (int i = pos.first_move[pos.ply]; i < pos.last_move[pos.ply]; ++i)
        if (pos.move_list[i].move == m) return i;
    return -1;
}

}  // namespace

void pick_best(int i) {
    int best = i;
    for (int j = i + 1; j < pos.last_move[pos.ply]; ++j)
        if (pos.move_list[j].score > pos.move_list[best].score) best = j;
    if (best != i) swap_entries(i, best);
}

void pv_move_first() {
    search.follow_pv = 0;
    const int i = find_in_list(search.pv[0][pos.ply]);
    if (i < 0) return;
    search.follow_pv = 1;
    if (i != pos.first_move[pos.ply]) swap_entries(i, pos.first_move[pos.ply]);
}

int boost_move(Move m) {
    const int i = find_in_list(m);
    if (i < 0) return 0;
    pos.move_list[i].score = FIRST_SCORE;
    return 1;
}

void root_mark_pv() {
    search.follow_pv = 0;
    for (int i = pos.first_move[pos.ply]; i < pos.last_move[pos.ply]; ++i) {
        if (pos.move_list[i].move == search.pv[0][pos.ply]) {
            pos.move_list[i].score = FIRST_SCORE;
            search.follow_pv = 1;
        } else if (pos.move_list[i].score == FIRST_SCORE) {
            pos.move_list[i].score = FIRST_SCORE - 1;
        }
    }
}

void root_pv_first() {
    search.follow_pv = 0;
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i) {
        if (pos.move_list[i].move == search.pv[0][0]) {
            pos.move_list[i].score = FIRST_SCORE;
            search.follow_pv = 1;
            return;
        }
    }
}
