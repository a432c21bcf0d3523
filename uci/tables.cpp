// The endgame-table options of the UCI engine, by the names GUIs know:
// the folders of the Syzygy tables, the depth from which the search probes
// them, whether the fifty-move rule spoils a win, and the most men probed.
#include <strings.h>

#include <cstdint>

#include "uci/uci.h"

namespace {

constexpr int PATH_SIZE = 4096;

// A spin option from low to high: a number outside is clamped, and said
// so; a value that is no number is refused.
void set_spin(const char* name, int value_word, int low, int high, int* value) {
    int64_t n;
    if (!word_number(value_word, INT64_MIN, INT64_MAX, &n)) {
        output_line("info string option %s needs a number from %d to %d", name, low, high);
        return;
    }
    *value = int(n < low ? low : n > high ? high : n);
    if (*value != n) output_line("info string option %s takes %d to %d: set to %d", name, low, high, *value);
}

// A problem's text as an info string may carry it: a byte other than
// printable ASCII (a folder's name may hold any) is shown as '?'.
const char* printable(const char* text) {
    static char shown[sizeof(TableLoad::problems[0])];
    size_t i = 0;
    for (; text[i] && i + 1 < sizeof shown; ++i) shown[i] = text[i] >= ' ' && text[i] <= '~' ? text[i] : '?';
    shown[i] = 0;
    return shown;
}

// Loads the tables of the folders named (the words after "value", joined
// by single spaces) and says what came of it.
void set_path(int value_word) {
    char path[PATH_SIZE];
    if (!join_words(value_word, word_count, path, PATH_SIZE)) {
        output_line("info string option SyzygyPath: the folder list is too long");
        return;
    }
    const TableLoad load = load_tables(path);
    for (int i = 0; i < load.problem_count && i < TABLE_PROBLEMS; ++i)
        output_line("info string SyzygyPath: %s", printable(load.problems[i]));
    if (load.problem_count > TABLE_PROBLEMS)
        output_line("info string SyzygyPath: and %d more problems", load.problem_count - TABLE_PROBLEMS);
    if (!path[0] || !strcasecmp(path, "<empty>")) return;
    char text[128];
    describe_table_load(load, text, sizeof text);
    output_line("info string SyzygyPath: %s", text);
}

}  // namespace

void list_table_options() {
    output_line("option name SyzygyPath type string default <empty>");
    output_line("option name SyzygyProbeDepth type spin default 1 min 1 max 100");
    output_line("option name Syzygy50MoveRule type check default true");
    output_line("option name SyzygyProbeLimit type spin default 7 min 0 max 7");
}

bool set_table_option(const char* name, int value_word) {
    if (!strcasecmp(name, "SyzygyPath"))
        set_path(value_word);
    else if (!strcasecmp(name, "SyzygyProbeDepth"))
        set_spin("SyzygyProbeDepth", value_word, 1, 100, &table_probe_depth);
    else if (!strcasecmp(name, "SyzygyProbeLimit"))
        set_spin("SyzygyProbeLimit", value_word, 0, 7, &table_probe_limit);
    else if (!strcasecmp(name, "Syzygy50MoveRule"))
        set_switch(&table_fifty_rule, "Syzygy50MoveRule", word_at(value_word));
    else
        return false;
    return true;
}
