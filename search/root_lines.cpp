// Several best lines at the root (a front end's MultiPV): one pass over the
// ply-0 list per iteration, in which a root move is searched with the
// window's lower bound at the score of the last of the wanted lines found
// so far. A move that beats it has entered the best lines and comes back
// with an exact score and its line; one that does not is out of them, its
// score an upper bound as with a single line. Until the iteration has that
// many lines, every move is searched with the full window.
//
// The table keeps the iteration's lines at its front, sorted by score, and
// behind them the lines of the iteration before for moves this iteration
// has not searched yet. The root searches its list best first, so after a
// stop within an iteration the table still reads best first by what is
// known: the moves already searched again, then those not yet reached.
#include <cstring>

#include "search/search_internal.h"

namespace {

int wanted_lines() { return search.search_limits.lines < MAX_LINES ? search.search_limits.lines : MAX_LINES; }

// Removes the line of the earlier iteration that starts with m, if any.
void drop_old_line(Move m) {
    for (int k = search.fresh_lines; k < search.root_line_count; ++k) {
        if (search.root_lines[k].moves[0] != m) continue;
        std::memmove(&search.root_lines[k], &search.root_lines[k + 1], sizeof(RootLine) * size_t(search.root_line_count - k - 1));
        --search.root_line_count;
        return;
    }
}

}  // namespace

void clear_root_lines() {
    search.root_line_count = 0;
    search.fresh_lines = 0;
}

void begin_iteration_lines() { search.fresh_lines = 0; }

int line_window(int alpha) {
    const int wanted = wanted_lines();
    if (wanted <= 1) return alpha;
    return search.fresh_lines < wanted ? NO_SCORE : search.root_lines[wanted - 1].score;
}

void note_root_line(Move m, int score, int depth) {
    const int wanted = wanted_lines();
    if (wanted <= 1) return;
    drop_old_line(m);
    int at = 0;
    while (at < search.fresh_lines && search.root_lines[at].score >= score) ++at;
    // Everything from `at` moves down one place; a full table loses its last
    // line, an old one while there is any (the iteration's lines come first).
    const int kept = search.root_line_count < wanted ? search.root_line_count : wanted - 1;
    if (kept > at) std::memmove(&search.root_lines[at + 1], &search.root_lines[at], sizeof(RootLine) * size_t(kept - at));
    RootLine& line = search.root_lines[at];
    line.score = score;
    line.depth = depth;
    line.moves[0] = m;
    line.length = search.pv_length[1] > 1 ? search.pv_length[1] : 1;
    for (int k = 1; k < line.length; ++k) line.moves[k] = search.pv[1][k];
    search.root_line_count = kept + 1;
    if (search.fresh_lines < wanted) ++search.fresh_lines;
}
