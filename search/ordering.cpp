// Move ordering: the previous principal variation first, then the table's
// move, then the rest by their generation scores, chosen lazily one entry at
// a time.
#include "search/search_internal.h"

namespace {

void swap_entries(int a, int b) {
    const MoveEntry t = move_list[a];
    move_list[a] = move_list[b];
    move_list[b] = t;
}

// Index of m in the current ply's list, or -1.
int find_in_list(Move m) {
    for (int i = first_move[ply]; i < last_move[ply]; ++i)
        if (move_list[i].move == m) return i;
    return -1;
}

}  // namespace

void pick_best(int i) {
    int best = i;
    for (int j = i + 1; j < last_move[ply]; ++j)
        if (move_list[j].score > move_list[best].score) best = j;
    if (best != i) swap_entries(i, best);
}

void pv_move_first() {
    follow_pv = 0;
    const int i = find_in_list(pv[0][ply]);
    if (i < 0) return;
    follow_pv = 1;
    if (i != first_move[ply]) swap_entries(i, first_move[ply]);
}

int boost_move(Move m) {
    const int i = find_in_list(m);
    if (i < 0) return 0;
    move_list[i].score = FIRST_SCORE;
    return 1;
}

void root_mark_pv() {
    follow_pv = 0;
    for (int i = first_move[ply]; i < last_move[ply]; ++i) {
        if (move_list[i].move == pv[0][ply]) {
            move_list[i].score = FIRST_SCORE;
            follow_pv = 1;
        } else if (move_list[i].score == FIRST_SCORE) {
            move_list[i].score = FIRST_SCORE - 1;
        }
    }
}

void root_pv_first() {
    follow_pv = 0;
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        if (move_list[i].move == pv[0][0]) {
            move_list[i].score = FIRST_SCORE;
            follow_pv = 1;
            return;
        }
    }
}
