// The time policy of a search with an optimum and a maximum: what the
// iterations have shown (how often the best move changed, how the score
// moved, how much of the tree the best move took, how long an iteration
// lasted) scales the optimum, and between iterations decides whether
// another one is worth starting. The main thread alone decides; every
// thread keeps the words, which cost a few additions per root move.
#include "search/search_internal.h"

namespace {

// No new iteration once this share of the scaled optimum is used: the
// next one usually takes longer than all before it together.
constexpr double START_SHARE = 0.5;
// The next iteration is expected to take this many times the last; one
// that would not end before the maximum is not started.
constexpr int GROWTH = 3;
// The iterations a best move must have stayed to count as stable, and the
// per-mille share of an iteration's nodes that makes it a clear choice.
constexpr int STABLE_ITERATIONS = 3;
constexpr int CLEAR_SHARE = 700;
// Scores beyond a few pawns (mates) count as this much for the fall.
constexpr int SCORE_CAP = 1000;

int capped(int score) { return score > SCORE_CAP ? SCORE_CAP : score < -SCORE_CAP ? -SCORE_CAP : score; }

double clamp(double x, double low, double high) { return x < low ? low : x > high ? high : x; }

// The optimum as this search's course scales it, never past the maximum.
double scaled_optimum() {
    const SearchLimits& l = search.search_limits;
    // The best move changed in the last iterations: each change counts 1/2,
    // halved with every iteration since.
    const double instability = clamp(1.0 + search.move_instability / 32.0, 1.0, 2.5);
    // The score fell against the iterations before: up to 1.6 times as long
    // for a fall of 1.2 pawns; a rise saves a little.
    double falling = 1.0;
    if (search.iteration_scores[1] > NO_SCORE) {
        const int earlier = search.iteration_scores[2] > NO_SCORE
                                ? (capped(search.iteration_scores[1]) + capped(search.iteration_scores[2])) / 2
                                : capped(search.iteration_scores[1]);
        falling = 1.0 + clamp(earlier - capped(search.iteration_scores[0]), -40, 120) / 200.0;
    }
    // The same best move for several iterations, most of the nodes under it.
    double stability = 1.0;
    if (search.completed_depth - search.best_move_depth >= STABLE_ITERATIONS)
        stability = search.best_node_share >= CLEAR_SHARE ? 0.55 : 0.75;
    const double scaled = l.optimum_ms * instability * falling * stability;
    return l.maximum_ms > 0 && scaled > l.maximum_ms ? l.maximum_ms : scaled;
}

}  // namespace

void policy_begin_search() {
    search.move_instability = 0;
    search.best_move_depth = 0;
    search.best_node_share = 0;
    search.last_iteration_ms = 0;
    for (int& s : search.iteration_scores) s = NO_SCORE;
}

void policy_begin_iteration() {
    search.iteration_start_ms = elapsed_since(search.search_limits.start_ms);
    search.iteration_nodes = search.nodes;
    search.best_move_nodes = 0;
    search.best_move_changes = 0;
}

void policy_new_best(Move m, int64_t nodes_before, int depth) {
    search.best_move_nodes = search.nodes - nodes_before;
    if (search.pv[0][0] != m) {
        if (search.pv[0][0]) ++search.best_move_changes;
        search.best_move_depth = depth;
    } else if (!search.best_move_depth) {
        search.best_move_depth = depth;
    }
}

void policy_end_iteration() {
    search.last_iteration_ms = elapsed_since(search.search_limits.start_ms) - search.iteration_start_ms;
    const int64_t spent = search.nodes - search.iteration_nodes;
    search.best_node_share = spent > 0 ? int(1000 * search.best_move_nodes / spent) : 0;
    search.move_instability = search.move_instability / 2 + 16 * search.best_move_changes;
    search.iteration_scores[2] = search.iteration_scores[1];
    search.iteration_scores[1] = search.iteration_scores[0];
    search.iteration_scores[0] = search.root_score;
}

bool time_policy_says_stop() {
    const SearchLimits& l = search.search_limits;
    if (l.optimum_ms <= 0) return false;
    const int64_t elapsed = elapsed_since(l.start_ms);
    if (elapsed >= START_SHARE * scaled_optimum()) return true;
    return l.maximum_ms > 0 && elapsed + int64_t(GROWTH) * search.last_iteration_ms > l.maximum_ms;
}
