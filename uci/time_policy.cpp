// The clock's budget for one move of a clocked game: an optimum (the time
// the move should take, which the search scales by what it sees) and a
// maximum (never passed), from the side's clock, its increment, the moves
// to go (a horizon of our own when the GUI gives none) and the game's
// progress. Every move pays Move Overhead, the lag of the GUI, its adapter
// and the system, which the engine's own clock does not see, or the lag
// learned from the clocks of consecutive moves when that is larger.
#include "uci/uci.h"

namespace {

// Without "movestogo" the clock is shared as if this many moves were left,
// fewer as the game goes on (a quarter of a move per half-move played),
// down to LATE_HORIZON: the opening gets a little less, the middlegame and
// the endgame the rest, and little is left unused when the game ends. A
// session is shared over at most MAX_MOVES_TO_GO moves.
constexpr int MAX_HORIZON = 30, LATE_HORIZON = 15, MAX_MOVES_TO_GO = 40;
// The maximum is at most this many optimums (fewer near the end of a
// session), and at most half the clock
// less the overhead (three quarters on the last move of a session: the
// engine's own process may be kept waiting past it on a busy machine).
constexpr int MAX_RATIO = 5;
// Without moves to go and without an increment that pays the overhead, the
// game may go on long after the horizon, and every move still pays it: the
// clock keeps the overhead of this many moves more in reserve.
constexpr int RESERVE_MOVES = 60, SESSION_RESERVE_MOVES = 10;
// The lag learned from the clocks: each new move weighs a quarter.
constexpr int LAG_WEIGHT = 4, MAX_LAG_SAMPLE_MS = 1000;

// The last clocked move of this process, to compare with the clock the GUI
// gives next: the side's clock and increment at its go, the half-moves
// played then, and the time the engine took by its own clock; history -1
// when there is none to compare with.
int64_t last_clock, last_increment;
int last_history = -1, last_think;
int lag_estimate;  // what the GUI's clock has charged a move beyond the engine's own time

int horizon(int moves_to_go, int game_ply) {
    if (moves_to_go > 0) return moves_to_go < MAX_MOVES_TO_GO ? moves_to_go : MAX_MOVES_TO_GO;
    const int h = MAX_HORIZON - game_ply / 4;
    return h > LATE_HORIZON ? h : LATE_HORIZON;
}

}  // namespace

int move_overhead_ms = DEFAULT_MOVE_OVERHEAD_MS;

MoveTime clock_budget(int64_t clock_ms, int64_t increment_ms, int64_t opponent_ms, int moves_to_go, int game_ply,
                      int overhead_ms) {
    const int64_t h = horizon(moves_to_go, game_ply);
    // An even share of what the horizon's moves can spend, the overhead paid
    // on each and kept for the moves after them; with little left the search
    // still gets an eighth of its share.
    const int64_t time = clock_ms + increment_ms * (h - 1);
    const bool sudden_death = moves_to_go == 0 && increment_ms < overhead_ms;
    // Before its last move a session keeps a tenth of its clock and the
    // overhead of up to ten more moves back: its last moves have no later
    // ones to make up for a move that took long or a process kept waiting on
    // a busy machine.
    const int64_t later = moves_to_go - 1 < SESSION_RESERVE_MOVES ? moves_to_go - 1 : SESSION_RESERVE_MOVES;
    const int64_t reserve = sudden_death     ? (overhead_ms - increment_ms) * RESERVE_MOVES
                            : moves_to_go > 1 ? clock_ms / 10 + overhead_ms * later
                                              : 0;
    int64_t optimum = (time - overhead_ms * h - reserve) / h;
    if (optimum < time / h / 8) optimum = time / h / 8;
    // In sudden death the one with time left wins a long game, and the lag
    // of every move drains both clocks alike: once the clock is down to
    // twice the reserve, behind the opponent's clock a move takes next to
    // nothing until the opponent's clock has come down too. Above that the
    // engine thinks as its own clock allows, whatever the opponent spends.
    const bool behind = sudden_death && opponent_ms >= 0 && clock_ms < opponent_ms && clock_ms <= 2 * reserve;
    if (optimum < 1 || behind) optimum = 1;
    const int64_t usable = clock_ms - overhead_ms, cap = h == 1 ? usable * 3 / 4 : usable / 2;
    // Near the end of a session a move may take fewer optimums: one on the
    // last move, an eighth more for each move to go after it.
    const int64_t ratio_eighths = moves_to_go > 0 && moves_to_go < 8 * MAX_RATIO - 7 ? 7 + moves_to_go : 8 * MAX_RATIO;
    int64_t maximum = optimum * ratio_eighths / 8 < cap ? optimum * ratio_eighths / 8 : cap;
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

void learn_lag(int64_t clock_ms) {
    // The clock of the next move of the same game, not refilled by a new
    // session: what it lost beyond the engine's time and the increment got.
    if (last_history >= 0 && pos.history_count == last_history + 2 && clock_ms <= last_clock + last_increment) {
        int64_t lag = last_clock + last_increment - last_think - clock_ms;
        lag = lag < 0 ? 0 : lag > MAX_LAG_SAMPLE_MS ? MAX_LAG_SAMPLE_MS : lag;
        lag_estimate = int(((LAG_WEIGHT - 1) * int64_t(lag_estimate) + lag + LAG_WEIGHT - 1) / LAG_WEIGHT);
    }
    last_history = -1;
}

void remember_clocked_move(int64_t clock_ms, int64_t increment_ms, int think_ms) {
    last_clock = clock_ms;
    last_increment = increment_ms;
    last_history = pos.history_count;
    last_think = think_ms;
}

int move_overhead() { return lag_estimate > move_overhead_ms ? lag_estimate : move_overhead_ms; }

void forget_lag() {
    lag_estimate = 0;
    last_history = -1;
}
