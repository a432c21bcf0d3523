// The strength limit: the engine as a weaker opponent at a rating. The
// search stays the engine's own (its tree, evaluation and options); a
// limited search only gets fewer nodes, at the bottom a depth cap, and
// several best lines at the root, among which the move is picked: any line
// within a margin of the best, the one whose score raised by a seeded noise
// is highest. The mistakes are a weaker player's: a tactic too deep for the
// nodes, a positional idea missed, a pawn given away, never a piece that
// the search itself sees taken (STRENGTH_MAX_MARGIN), and a found mate is
// always played.
//
// The knobs are a table of levels fitted by matches (docs/strength.md),
// read between its rows: nodes geometrically, the others linearly.
#include <chrono>
#include <cmath>

#include "search/search_internal.h"

namespace {

struct StrengthLevel {
    int elo;
    int64_t nodes;
    int depth;
    int lines;
    int margin;
    int noise;
};
// Rising in elo; every column moves one way (nodes and depth up, the rest
// down), so that every knob is monotone in the rating between the rows.
// The last row stands just below STRENGTH_MAX_ELO, which is full strength.
constexpr StrengthLevel LEVELS[] = {
    {STRENGTH_MIN_ELO, 325, 2, 10, 250, 500},
    {800, 400, 2, 6, 240, 320},
    {1000, 541, 2, 5, 212, 247},
    {1200, 1519, 2, 3, 122, 145},
    {1400, 3950, 4, 3, 70, 80},
    {1600, 19700, MAX_ITERATION - 1, 1, 0, 0},
    {1700, 52000, MAX_ITERATION - 1, 1, 0, 0},
    {1800, 140000, MAX_ITERATION - 1, 1, 0, 0},
    {STRENGTH_MAX_ELO, 1000000, MAX_ITERATION - 1, 1, 0, 0},
};
constexpr int LEVEL_COUNT = int(sizeof LEVELS / sizeof LEVELS[0]);
static_assert(LEVELS[0].elo == STRENGTH_MIN_ELO && LEVELS[LEVEL_COUNT - 1].elo == STRENGTH_MAX_ELO,
              "the levels span the range");

// The limit keeps the second iteration, whose quiescence search sees the
// reply that takes a man left hanging.
constexpr int SAFE_DEPTH = 2;

// A 64-bit mix (splitmix64's finaliser): every bit of x stirs every bit.
uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A seeded amount from 0 to below `range` for the move in this position.
int noise_for(uint64_t seed, Move m, int range) {
    const uint64_t h = mix(seed ^ pos.hash_key ^ mix(uint64_t(m)));
    return int(((h >> 32) * uint64_t(range)) >> 32);
}

int between(int low, int high, double t) { return low + int(std::floor(t * (high - low))); }

}  // namespace

int limited_elo(int elo) {
    if (elo <= 0 || elo >= STRENGTH_MAX_ELO) return 0;
    return elo < STRENGTH_MIN_ELO ? STRENGTH_MIN_ELO : elo;
}

StrengthKnobs strength_knobs(int elo) {
    elo = limited_elo(elo);
    if (!elo) return StrengthKnobs{0, MAX_ITERATION - 1, 1, 0, 0};
    int row = 0;
    while (LEVELS[row + 1].elo < elo) ++row;
    const StrengthLevel& a = LEVELS[row];
    const StrengthLevel& b = LEVELS[row + 1];
    const double t = double(elo - a.elo) / double(b.elo - a.elo);
    StrengthKnobs k;
    k.nodes = int64_t(double(a.nodes) * std::pow(double(b.nodes) / double(a.nodes), t));
    k.depth = between(a.depth, b.depth, t);
    // Falling columns are read from the other end, so that they round the
    // same way and stay monotone.
    k.lines = b.lines + int(std::floor((1 - t) * (a.lines - b.lines)));
    k.margin = b.margin + int(std::floor((1 - t) * (a.margin - b.margin)));
    k.noise = b.noise + int(std::floor((1 - t) * (a.noise - b.noise)));
    if (k.margin > STRENGTH_MAX_MARGIN) k.margin = STRENGTH_MAX_MARGIN;
    return k;
}

SearchLimits strength_limits(const SearchLimits& limits) {
    SearchLimits own = limits;
    own.elo = limited_elo(limits.elo);
    if (!own.elo) return own;
    const StrengthKnobs k = strength_knobs(own.elo);
    if (own.nodes <= 0 || own.nodes > k.nodes) own.nodes = k.nodes;
    own.min_depth = SAFE_DEPTH;
    if (own.depth > k.depth) own.depth = k.depth > SAFE_DEPTH ? k.depth : SAFE_DEPTH;
    if (own.lines < k.lines) own.lines = k.lines;
    // The tenth poll is the first that tests (count_node): by then at most
    // ten sixteenths of the node limit have been searched.
    int every = 1;
    while (every * 2 <= own.nodes / 16) every *= 2;
    if (own.poll_mask > every - 1) own.poll_mask = every - 1;
    return own;
}

void choose_limited_line(const SearchLimits& limits) {
    const StrengthKnobs k = strength_knobs(limits.elo);
    // A stalemate the search found is its move's result, which the xboard
    // engine declares: that move stands.
    if (search.completed_depth < SAFE_DEPTH || search.root_line_count < 2 || k.lines < 2 ||
        search.root_result == RESULT_STALEMATE)
        return;
    // The candidates are the level's number of lines, best first, each of
    // an iteration that saw the replies (a stop within an iteration leaves
    // the lines it had not reached yet from the one before).
    int count = 0, best = NO_SCORE;
    for (int i = 0; i < search.root_line_count && count < k.lines; ++i) {
        if (search.root_lines[i].depth < SAFE_DEPTH) continue;
        ++count;
        if (search.root_lines[i].score > best) best = search.root_lines[i].score;
    }
    if (best >= MATE_BOUND || best == NO_SCORE) return;
    const RootLine* chosen = nullptr;
    int chosen_value = 0;
    count = 0;
    for (int i = 0; i < search.root_line_count && count < k.lines; ++i) {
        const RootLine& line = search.root_lines[i];
        if (line.depth < SAFE_DEPTH) continue;
        ++count;
        if (line.score < best - k.margin) continue;
        const int value = line.score + noise_for(limits.seed, line.moves[0], k.noise + 1);
        if (!chosen || value > chosen_value) {
            chosen = &line;
            chosen_value = value;
        }
    }
    if (!chosen) return;
    for (int i = 0; i < chosen->length; ++i) search.pv[0][i] = chosen->moves[i];
    search.pv_length[0] = chosen->length;
    search.root_score = chosen->score;
}

int natural_move_ms(const SearchLimits& limits) {
    if (!limited_elo(limits.elo)) return 0;
    // The time the full-strength search would aim at: the xboard clock's
    // budget, the UCI clock's optimum, or the move time.
    const int clocked = limits.clock_rules || limits.optimum_ms > 0;
    int64_t base = limits.clock_rules ? limits.budget_ms : limits.optimum_ms > 0 ? limits.optimum_ms : limits.movetime_ms;
    if (clocked && limits.movetime_ms > 0 && limits.movetime_ms < base) base = limits.movetime_ms;
    if (base <= 0 || (limits.clock_rules && limits.clock_ms <= 3000)) return 0;
    const int64_t share = 30 + int64_t(mix(limits.seed ^ pos.hash_key) % 41);
    int64_t ms = base * share / 100;
    if (limits.clock_rules && ms > limits.clock_ms - 3000) ms = limits.clock_ms - 3000;
    return int(ms);
}

uint64_t new_game_seed() {
    const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
    const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
    return mix(uint64_t(wall) ^ mix(uint64_t(steady)));
}
