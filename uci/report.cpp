// What a GUI sees of a search: "info" lines with the depth, the deepest ply
// reached, the line's number, the score (in centipawns, or mate in moves),
// nodes, speed, time, table use and the principal variation, each move of
// which is checked to be legal in turn; the root move being searched; and
// the totals at the end.
#include <cstdio>

#include "eval/eval.h"
#include "uci/uci.h"

namespace {

constexpr int CURRMOVE_AFTER_MS = 1000;  // root moves are reported once a search has run this long
constexpr int CURRMOVE_GAP_MS = 250;     // and no more often than this

Move last_reported_best;  // the first move of the last line of this search that had a score
int next_currmove_ms;     // the search's time from which the next root move may be reported

// The score as UCI writes it: mate scores as moves to the mate, negative
// when the side to move is mated.
void score_text(int score, char* text, size_t size) {
    if (score >= MATE_BOUND)
        std::snprintf(text, size, "mate %d", (MATE - score + 1) / 2);
    else if (score <= -MATE_BOUND)
        std::snprintf(text, size, "mate -%d", (MATE + score + 1) / 2);
    else
        std::snprintf(text, size, "cp %d", score);
}

long long speed(int elapsed) { return (long long)(nodes_searched() * 1000 / (elapsed > 0 ? elapsed : 1)); }

// " tbhits N" while endgame tables are loaded, else nothing: the lines stay
// as they were for an engine without tables.
const char* table_hits_text() {
    static char text[32];
    text[0] = 0;
    if (table_men) std::snprintf(text, sizeof text, " tbhits %lld", (long long)table_hits_searched());
    return text;
}

// One line: "info depth D seldepth S multipv K score X nodes N nps X time
// T hashfull H pv ...", the pv cut where a move stops being legal; nothing
// when its first move is not legal here.
void print_line(int depth, int number, int score, const Move* moves, int length) {
    const int legal = legal_prefix(moves, length);
    if (legal == 0) return;
    const int elapsed = elapsed_since(search.search_limits.start_ms);
    char score_words[32];
    score_text(score, score_words, sizeof score_words);
    char text[160 + PV_COLUMNS * 8];
    int used = std::snprintf(text, sizeof text,
                             "info depth %d seldepth %d multipv %d score %s nodes %lld nps %lld time %d hashfull %d%s pv",
                             depth, search.sel_depth, number, score_words, (long long)nodes_searched(), speed(elapsed),
                             elapsed, hash_full_permille(), table_hits_text());
    for (int i = 0; i < legal; ++i)
        used += std::snprintf(text + used, sizeof text - size_t(used), " %s", long_algebraic(moves[i]));
    output_line("%s", text);
    if (number == 1) last_reported_best = moves[0];
}

// The search's best lines, best first, each with its own depth: as many as
// MultiPV asks (a strength limit may search more).
void print_root_lines() {
    for (int k = 0; k < search.root_line_count && k < multipv_lines; ++k)
        print_line(search.root_lines[k].depth, k + 1, search.root_lines[k].score, search.root_lines[k].moves, search.root_lines[k].length);
}

// "info currmove M currmovenumber K" for the root move about to be
// searched, once the search has run a second and a quarter of a second
// after the last such line; a root entry that is not legal is not named.
void report_root_move() {
    const int elapsed = elapsed_since(search.search_limits.start_ms);
    if (elapsed < next_currmove_ms || legal_prefix(&search.current_root_move, 1) != 1) return;
    next_currmove_ms = elapsed + CURRMOVE_GAP_MS;
    output_line("info currmove %s currmovenumber %d", long_algebraic(search.current_root_move), search.current_root_move_number);
}

// The score of the search's move when the search gave it none: the static
// evaluation of the position, as the search's own leaves see it.
int static_score() {
    ev.root_piece_material[WHITE] = pos.piece_material[WHITE];
    ev.root_piece_material[BLACK] = pos.piece_material[BLACK];
    set_game_phase();
    return evaluate(NO_SCORE, -NO_SCORE);
}

// The line for the move played when no line reported so far begins with
// it: the search's line when it is the search's move, followed by the
// expected reply when that line is shorter; its depth is that of the last
// iteration completed or, without one, of the table entry or line that the
// search started from (one below the iteration it stopped in).
void report_move_played(Move best, Move reply) {
    Move line[PV_COLUMNS + 1];
    int length = 1;
    line[0] = best;
    const bool searched = best == search.pv[0][0];
    if (searched)
        for (; length < search.pv_length[0]; ++length) line[length] = search.pv[0][length];
    if (length == 1 && reply) line[length++] = reply;
    const int depth = search.completed_depth > 0 ? search.completed_depth : search.root_depth > 1 ? search.root_depth - 1 : 1;
    print_line(depth, 1, searched && search.root_score > NO_SCORE ? search.root_score : static_score(), line, length);
}

}  // namespace

void begin_reports() {
    last_reported_best = 0;
    next_currmove_ms = CURRMOVE_AFTER_MS;
}

void report_search_end(Move best, Move reply) {
    if (best && search.search_limits.lines > 1) {
        // A stop within an iteration that had scored lines: the lines as
        // they now stand, so that the first is the move played.
        bool newer = false;
        for (int k = 0; k < search.root_line_count; ++k) newer = newer || search.root_lines[k].depth > search.completed_depth;
        if (newer) print_root_lines();
    }
    if (best && best != last_reported_best) report_move_played(best, reply);
    const int elapsed = elapsed_since(search.search_limits.start_ms);
    output_line("info nodes %lld nps %lld time %d hashfull %d%s", (long long)nodes_searched(), speed(elapsed), elapsed,
                hash_full_permille(), table_hits_text());
}

void report_progress(int event) {
    switch (event) {
    case PROGRESS_ROOT_MOVE:
        report_root_move();
        return;
    case PROGRESS_NEW_BEST:
        // With several lines only whole iterations are shown: one line
        // alone would stand for all of them.
        if (search.search_limits.lines > 1 || search.pv[0][0] == last_reported_best) return;
        print_line(search.root_depth, 1, search.root_score, search.pv[0], search.pv_length[0]);
        return;
    case PROGRESS_ITERATION:
        if (search.search_limits.lines > 1)
            print_root_lines();
        else
            print_line(search.root_depth, 1, search.root_score, search.pv[0], search.pv_length[0]);
        return;
    default:
        return;  // an event this front end does not report
    }
}

void report_warning(const char* text) { output_line("info string %s", text); }
