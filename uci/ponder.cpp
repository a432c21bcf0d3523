// Pondering. A GUI that lets the engine think on its opponent's time sets
// up the position after the reply the engine expects and sends "go ponder"
// with the clocks as they stand. The engine searches it without a clock
// until the GUI says how the guess went: "ponderhit" when the opponent
// played the expected reply, and the same search goes on as the go's own;
// "stop" when it did not, and the engine answers with a bestmove that the
// GUI throws away before it sends the real position and a new go.
//
// At the ponderhit the search takes on the go's clock and move time. Both
// count the time spent pondering as time already spent on the move (the
// search started then, and its result so far is the move's), so a long
// ponder brings the move at once. The engine's own clock only starts
// running at the ponderhit, so the maximum, counted from the go, is
// reached before the real clock could be: pondering can never cost time
// on the clock.
#include "uci/uci.h"

namespace {

int ponder_running;       // a ponder search has neither been hit nor stopped
SearchLimits go_limits;   // the limits of the go's words, taken on at the ponderhit

}  // namespace

SearchLimits begin_ponder(const SearchLimits& limits) {
    ponder_running = 1;
    go_limits = limits;
    SearchLimits ponder = limits;
    ponder.optimum_ms = 0;
    ponder.maximum_ms = 0;
    ponder.movetime_ms = 0;
    return ponder;
}

int pondering() { return ponder_running; }

void end_ponder() { ponder_running = 0; }

int ponder_hit() {
    ponder_running = 0;
    return change_search_limits(go_limits);
}
