// The identification and the options a GUI can set: the table size, the
// search threads, the six search switches by the names of the xboard
// engine's options file, a button that empties the table, the number of
// lines a search reports, the lag each move of a clocked game allows for,
// whether the GUI lets the engine ponder, the strength limit, the endgame
// tables (tables.cpp), and Chess960.
#include <strings.h>

#include <cstdint>
#include <cstring>

#include "uci/uci.h"

namespace {

// From 768 megabytes on, the sizing rule gives its largest table (2^26
// slots of 10 bytes), so larger sizes are clamped to it.
constexpr int MAX_HASH_MB = 768;
constexpr int NAME_SIZE = 128;

void set_hash_option(const char* name, int value_word) {
    int64_t megabytes;
    if (!word_number(value_word, 0, MAX_HASH_MB, &megabytes)) {
        output_line("info string option %s needs a number of megabytes from 0 to %d", name, MAX_HASH_MB);
        return;
    }
    set_hash_size(int(megabytes));
}

// The number of a spin option from low to high into *value: a number
// outside is clamped, and said so; a value that is no number is refused
// (false).
bool spin_value(const char* name, int value_word, int low, int high, int* value) {
    int64_t n;
    if (!word_number(value_word, INT64_MIN, INT64_MAX, &n)) {
        output_line("info string option %s needs a number from %d to %d", name, low, high);
        return false;
    }
    *value = int(n < low ? low : n > high ? high : n);
    if (*value != n) output_line("info string option %s takes %d to %d: set to %d", name, low, high, *value);
    return true;
}

// UCI_Elo: a number outside the range is clamped, and said so; a value
// that is no number is refused.
void set_elo_option(int value_word) {
    int64_t n;
    if (!word_number(value_word, INT64_MIN, INT64_MAX, &n)) {
        output_line("info string option UCI_Elo needs a number from %d to %d", STRENGTH_MIN_ELO, STRENGTH_MAX_ELO);
        return;
    }
    uci_elo_option = int(n < STRENGTH_MIN_ELO ? STRENGTH_MIN_ELO : n > STRENGTH_MAX_ELO ? STRENGTH_MAX_ELO : n);
    if (uci_elo_option != n)
        output_line("info string option UCI_Elo takes %d to %d: set to %d", STRENGTH_MIN_ELO, STRENGTH_MAX_ELO, uci_elo_option);
}

}  // namespace

void set_switch(int* flag, const char* name, const char* value) {
    if (!strcasecmp(value, "true"))
        *flag = 1;
    else if (!strcasecmp(value, "false"))
        *flag = 0;
    else
        output_line("info string option %s needs the value true or false", name);
}

int multipv_lines = 1;
int ponder_option;
int chess960_option;
int limit_strength_option;
int uci_elo_option = DEFAULT_ELO;
uint64_t uci_game_seed;

int strength_elo() { return limit_strength_option ? uci_elo_option : 0; }

void command_uci() {
    output_line("id name Vexmoth %s", VEXMOTH_VERSION);
    output_line("id author the Vexmoth developers");
    output_line("option name Hash type spin default %d min 0 max %d", DEFAULT_HASH_MB, MAX_HASH_MB);
    output_line("option name Threads type spin default 1 min 1 max %d", MAX_THREADS);
    for (const SearchOption& o : search_options) output_line("option name %s type check default true", o.name);
    output_line("option name Clear Hash type button");
    output_line("option name MultiPV type spin default 1 min 1 max %d", MAX_LINES);
    output_line("option name Move Overhead type spin default %d min 0 max %d", DEFAULT_MOVE_OVERHEAD_MS,
                MAX_MOVE_OVERHEAD_MS);
    output_line("option name Ponder type check default false");
    output_line("option name UCI_LimitStrength type check default false");
    output_line("option name UCI_Elo type spin default %d min %d max %d", DEFAULT_ELO, STRENGTH_MIN_ELO, STRENGTH_MAX_ELO);
    list_table_options();
    output_line("option name UCI_Chess960 type check default false");
    output_line("uciok");
}

// The name may have several words and, as UCI asks, is matched without
// regard to case; so is a switch's value.
void command_setoption() {
    int value_at = 2;
    while (value_at < word_count && std::strcmp(words[value_at], "value")) ++value_at;
    char name[NAME_SIZE];
    join_words(2, value_at, name, NAME_SIZE);
    if (std::strcmp(word_at(1), "name") || !name[0]) {
        output_line("info string setoption is written: setoption name NAME [value VALUE]");
        return;
    }
    if (!strcasecmp(name, "Hash")) {
        set_hash_option(name, value_at + 1);
        return;
    }
    // Options are carried out between searches (a line read during a search
    // waits for its end), so new threads search from the next search on.
    int threads;
    if (!strcasecmp(name, "Threads")) {
        if (spin_value("Threads", value_at + 1, 1, MAX_THREADS, &threads)) set_search_threads(threads);
        return;
    }
    if (!strcasecmp(name, "Clear Hash")) {
        hash_clear();
        return;
    }
    if (!strcasecmp(name, "MultiPV")) {
        spin_value("MultiPV", value_at + 1, 1, MAX_LINES, &multipv_lines);
        return;
    }
    if (!strcasecmp(name, "Move Overhead")) {
        if (spin_value("Move Overhead", value_at + 1, 0, MAX_MOVE_OVERHEAD_MS, &move_overhead_ms)) forget_lag();
        return;
    }
    if (!strcasecmp(name, "Ponder")) {
        set_switch(&ponder_option, "Ponder", word_at(value_at + 1));
        return;
    }
    // Read by the next "position" command, which GUIs send after it.
    if (!strcasecmp(name, "UCI_Chess960")) {
        set_switch(&chess960_option, "UCI_Chess960", word_at(value_at + 1));
        return;
    }
    if (!strcasecmp(name, "UCI_LimitStrength")) {
        set_switch(&limit_strength_option, "UCI_LimitStrength", word_at(value_at + 1));
        return;
    }
    if (!strcasecmp(name, "UCI_Elo")) {
        set_elo_option(value_at + 1);
        return;
    }
    if (set_table_option(name, value_at + 1)) return;
    for (const SearchOption& o : search_options)
        if (!strcasecmp(name, o.name)) {
            set_switch(o.flag, o.name, word_at(value_at + 1));
            return;
        }
    output_line("info string unknown option: %s", shown_text(name));
}

void report_no_table(int megabytes) {
    output_line("info string no memory for a table of %d MB: playing without a table", megabytes);
}

void set_hash_size(int megabytes) {
    if (hash_init(megabytes) < 0) report_no_table(megabytes);
    compute_hash_key();
}
