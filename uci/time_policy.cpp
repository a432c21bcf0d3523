// The clock's budget for one move of a clocked game: an optimum (the time
// the move should take, which the search scales by what it sees) and a
// maximum (never passed), from the side's clock, its increment, the moves
// to go (a horizon of our own when the GUI gives none) and the game's
// progress. Every move pays Move Overhead, the lag of the GUI, its adapter
// and the system, which the engine's own clock does not see.
#include "uci/uci.h"

namespace {

// Without "movestogo" the clock is shared as if this many moves were left,
// fewer as the game goes on (a quarter of a move per half-move played),
// down to LATE_HORIZON: the opening gets a little less, the middlegame and
// the endgame the rest, and sudden death still keeps a share in reserve.
constexpr int MAX_HORIZON = 40, LATE_HORIZON = 20;
// The maximum is at most this many optimums, and, before the last move of
// a session, at most this share (in tenths) of the clock less the overhead.
constexpr int MAX_RATIO = 5;
constexpr int CAP_TENTHS = 7;

int horizon(int moves_to_go, int game_ply) {
    if (moves_to_go > 0) return moves_to_go < MAX_HORIZON ? moves_to_go : MAX_HORIZON;
    const int h = MAX_HORIZON - game_ply / 4;
    return h > LATE_HORIZON ? h : LATE_HORIZON;
}

}  // namespace

int move_overhead_ms = DEFAULT_MOVE_OVERHEAD_MS;

MoveTime clock_budget(int64_t clock_ms, int64_t increment_ms, int moves_to_go, int game_ply, int overhead_ms) {
    const int64_t h = horizon(moves_to_go, game_ply);
    // An even share of what the horizon's moves can spend, the overhead paid
    // on each; with little left the search still gets an eighth of its share.
    const int64_t share = (clock_ms + increment_ms * (h - 1)) / h;
    int64_t optimum = share - overhead_ms;
    if (optimum < share / 8) optimum = share / 8;
    if (optimum < 1) optimum = 1;
    // The last move of a session may use all that is left but the overhead.
    const int64_t usable = clock_ms - overhead_ms, cap = h == 1 ? usable : usable * CAP_TENTHS / 10;
    int64_t maximum = MAX_RATIO * optimum < cap ? MAX_RATIO * optimum : cap;
    // A clock at or below the overhead still gets a move: a twentieth of the
    // clock at most, never more than the clock less the overhead when that is
    // positive.
    int64_t least = clock_ms / (4 * (h > 5 ? h : 5));
    if (least > usable && usable > 0) least = usable;
    if (least < 1) least = 1;
    if (maximum < least) maximum = least;
    if (optimum > maximum) optimum = maximum;
    return {int(optimum), int(maximum)};
}
