// "go": the limits a GUI gives, turned into the core's limits; the root
// moves it names; the search, with standard input read from its stop test,
// pondering until the GUI says how its guess went; and exactly one
// "bestmove" for every "go".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "uci/uci.h"

namespace {

// A clock or move time never passes eleven days, so the sums and
// differences made of them stay in the int range.
constexpr int64_t TIME_LIMIT_MS = 1000000000;
constexpr int64_t NODE_LIMIT = int64_t(1) << 50;
constexpr int MIN_NPS_ESTIMATE = 10000, MAX_NPS_ESTIMATE = 100000000;

int nps_estimate = 1000000;  // nodes per second of the last search: plans the polls
int stop_requested;          // a "stop" for the running search was read
int waits_for_stop;          // "go infinite" or no limit: bestmove only after "stop"
// A mate in 25 moves is 49 plies, the deepest line a search keeps.
constexpr int64_t MATE_LIMIT = 25;

// The fields that take a number, with the range it is clamped to.
struct GoField {
    const char* name;
    int64_t GoRequest::*value;
    int64_t low, high;
};
constexpr GoField GO_FIELDS[] = {
    {"wtime", &GoRequest::wtime, 0, TIME_LIMIT_MS},          {"btime", &GoRequest::btime, 0, TIME_LIMIT_MS},
    {"winc", &GoRequest::winc, 0, TIME_LIMIT_MS},            {"binc", &GoRequest::binc, 0, TIME_LIMIT_MS},
    {"movestogo", &GoRequest::movestogo, 1, 1000},           {"movetime", &GoRequest::movetime, 1, TIME_LIMIT_MS},
    {"nodes", &GoRequest::nodes, 1, NODE_LIMIT},             {"depth", &GoRequest::depth, 1, MAX_ITERATION - 1},
    {"mate", &GoRequest::mate, 1, MATE_LIMIT},
};

const GoField* go_field(const char* word) {
    for (const GoField& f : GO_FIELDS)
        if (!std::strcmp(word, f.name)) return &f;
    return nullptr;
}

// A word that "go" knows: a field, "infinite", "ponder" or "searchmoves".
bool is_go_word(const char* word) {
    return go_field(word) || !std::strcmp(word, "infinite") || !std::strcmp(word, "ponder") ||
           !std::strcmp(word, "searchmoves");
}

}  // namespace

GoRequest read_go_words() {
    GoRequest r;
    for (int i = 1; i < word_count; ++i) {
        const char* word = words[i];
        if (!std::strcmp(word, "infinite")) {
            r.infinite = 1;
            continue;
        }
        if (!std::strcmp(word, "ponder")) {
            r.ponder = 1;
            continue;
        }
        if (!std::strcmp(word, "searchmoves")) {
            r.searchmoves_from = i + 1;
            while (i + 1 < word_count && !is_go_word(words[i + 1])) ++i;
            r.searchmoves_to = i + 1;
            if (r.searchmoves_to == r.searchmoves_from) output_line("info string go: searchmoves needs moves");
            continue;
        }
        const GoField* field = go_field(word);
        if (!field) {
            output_line("info string go: %s is not supported and is ignored", shown_text(word));
        } else if (!word_number(i + 1, field->low, field->high, &(r.*field->value))) {
            output_line("info string go: %s needs a whole number", word);
        } else {
            ++i;
        }
    }
    return r;
}

namespace {

// The stop test runs every poll_mask + 1 nodes. To answer "stop" well
// within 50 ms and to keep a move time to a few milliseconds it should run
// about every half millisecond: at nps_estimate that is nps / 2000 nodes,
// rounded down to a power of two, from 16 (a poll costs a clock reading
// and a poll(2) call, about a microsecond, so even then the polls take
// only a few per cent of a slow search) to 4096. A node limit N asks for
// at most N / 16 nodes between polls: the first nine polls of a search do
// not test, so the tenth comes by 10/16 of N, and the search stops within
// N / 16 nodes after N. A short maximum of T ms likewise asks for a poll
// every T / 40 ms, so that the tenth comes by a quarter of T.
int stop_poll_mask(int64_t node_limit, int maximum_ms) {
    int64_t every = nps_estimate / 2000;
    if (maximum_ms > 0 && every > int64_t(nps_estimate) * maximum_ms / 40000) every = int64_t(nps_estimate) * maximum_ms / 40000;
    every = every < 16 ? 16 : every > 4096 ? 4096 : every;
    if (node_limit > 0 && every > node_limit / 16) every = node_limit / 16;
    int64_t power = 1;
    while (power * 2 <= every) power *= 2;
    return int(power - 1);
}

// The clock of the side to move: its optimum and maximum.
void set_clock(const GoRequest& r, SearchLimits& limits) {
    const int64_t clock = pos.side == WHITE ? r.wtime : r.btime, increment = pos.side == WHITE ? r.winc : r.binc;
    if (clock < 0) return;
    const int64_t opponent = pos.side == WHITE ? r.btime : r.wtime;
    const MoveTime t = clock_budget(clock, increment, opponent, int(r.movestogo), pos.history_count, move_overhead());
    limits.optimum_ms = t.optimum_ms;
    limits.maximum_ms = t.maximum_ms;
}

}  // namespace

SearchLimits make_limits(const GoRequest& r) {
    SearchLimits limits{};
    limits.start_ms = command_start_ms;
    set_clock(r, limits);
    limits.movetime_ms = int(r.movetime);
    limits.nodes = r.nodes;
    limits.depth = r.depth > 0 ? int(r.depth) : MAX_ITERATION - 1;
    limits.poll_mask = stop_poll_mask(r.nodes, limits.maximum_ms);
    limits.lines = multipv_lines;
    limits.mate_moves = int(r.mate);
    limits.elo = strength_elo();
    limits.seed = uci_game_seed;
    return limits;
}

namespace {

// The main thread's own speed: it alone polls.
void remember_speed() {
    const int elapsed = elapsed_since(search.search_limits.start_ms);
    if (elapsed < 20 || search.nodes <= 0) return;
    const int64_t nps = search.nodes * 1000 / elapsed;
    nps_estimate = int(nps < MIN_NPS_ESTIMATE ? MIN_NPS_ESTIMATE : nps > MAX_NPS_ESTIMATE ? MAX_NPS_ESTIMATE : nps);
}

// After a search that ended by itself while the GUI still has a say: reads
// input, blocking, until the ponderhit of a ponder search (which ends the
// wait unless the go itself waits for a stop) or the stop (or until none
// can come).
void wait_for_stop() {
    while (!stop_requested && (pondering() || waits_for_stop)) {
        if (search_input_says_stop(-1))
            stop_requested = 1;
        else if (take_ponderhit())
            ponder_hit();
        else if (input_closed() || input_backlogged())
            return;
    }
}

// A limited search ends in milliseconds; its move comes after the natural
// time of its limits (natural_move_ms), while the input is read as during
// a search: "isready" is answered, and "stop" or "quit" ends the wait.
void wait_natural_time() {
    const int wanted = natural_move_ms(search.search_limits);
    for (;;) {
        const int left = wanted - elapsed_since(search.search_limits.start_ms);
        if (left <= 0 || input_closed() || input_backlogged()) return;
        if (search_input_says_stop(left)) {
            stop_requested = 1;
            return;
        }
    }
}

}  // namespace

int search_stop_test() {
    if (search_input_says_stop(0)) {
        stop_requested = 1;
        return 1;
    }
    if (take_ponderhit() && ponder_hit()) return 1;
    // With the queue full, input can only be read again once the lines in
    // it are carried out; and without input no "stop" or "ponderhit" can
    // ever come.
    if (input_backlogged() || ((waits_for_stop || pondering()) && input_closed())) return 1;
    return limits_reached();
}

void command_ponderhit() { output_line("info string ponderhit: no ponder search is running"); }

void command_go() {
    const GoRequest request = read_go_words();
    const int64_t clock = pos.side == WHITE ? request.wtime : request.btime;
    const int64_t increment = pos.side == WHITE ? request.winc : request.binc;
    if (clock >= 0) learn_lag(clock);
    SearchLimits limits = make_limits(request);
    waits_for_stop = request.infinite || (!limits.maximum_ms && !request.movetime && !request.nodes &&
                                          !request.depth && !request.mate);
    stop_requested = 0;
    begin_search_input(request.ponder);
    begin_reports();
    compute_hash_key();
    generate_root_moves();
    const int in_check = pos.in_check_flag;
    if (request.searchmoves_to > request.searchmoves_from)
        limits.restricted_root = restrict_root_moves(request.searchmoves_from, request.searchmoves_to);
    search_move(request.ponder ? begin_ponder(limits) : limits);
    remember_speed();
    if (search.search_failure) output_line("info string the search gave up (%s): playing the best move found", search.search_failure);
    const Move best = chosen_move();
    const Move reply = expected_reply(best);
    report_search_end(best, reply);
    if (!best) output_line(in_check ? "info depth 0 score mate 0" : "info depth 0 score cp 0");
    wait_for_stop();
    if (!stop_requested) wait_natural_time();
    // The time a move on the clock took, for the lag the next clock shows
    // (a ponder's time on the clock starts at the ponderhit: not measured).
    if (clock >= 0 && !request.ponder) remember_clocked_move(clock, increment, elapsed_since(command_start_ms));
    end_ponder();
    char best_text[8];
    std::snprintf(best_text, sizeof best_text, "%s", long_algebraic(best));
    if (reply)
        output_line("bestmove %s ponder %s", best_text, long_algebraic(reply));
    else
        output_line("bestmove %s", best_text);
    if (quit_requested()) std::exit(0);
}
