// The commands of the UCI front end: the words of the line being carried
// out, the table of commands, the output, and the engine's start-up as
// vexmoth-uci has it.
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "uci/uci.h"

const char* words[MAX_WORDS];
int word_count;
int command_start_ms;

void (*output_hook)(const char* line);

void split_words(char* line) {
    word_count = 0;
    char* p = line;
    for (;;) {
        while (*p == ' ') *p++ = 0;
        if (!*p) return;
        if (word_count < MAX_WORDS) words[word_count++] = p;
        while (*p && *p != ' ') ++p;
    }
}

namespace {

void command_isready() { output_line("readyok"); }

// A new game: nothing the table or the history heuristic learnt carries
// over, and the strength limit picks its moves with a new seed.
void command_ucinewgame() {
    hash_clear();
    clear_search_tables();
    uci_game_seed = new_game_seed();
}

void command_debug() {}  // accepted; the engine says nothing more in debug mode

void command_stop() {}  // no search is running: nothing to stop

void command_quit() { std::exit(0); }

struct Command {
    const char* name;
    void (*run)();
};

const Command commands[] = {
    {"uci", command_uci},         {"isready", command_isready}, {"setoption", command_setoption},
    {"ucinewgame", command_ucinewgame}, {"position", command_position}, {"go", command_go},
    {"stop", command_stop},       {"quit", command_quit},       {"debug", command_debug},
    {"ponderhit", command_ponderhit},
};

}  // namespace

void output_line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (output_hook) {
        char text[OUTPUT_LINE_SIZE];
        std::vsnprintf(text, sizeof text, format, args);
        output_hook(text);
    } else {
        std::vprintf(format, args);
        std::putchar('\n');
        std::fflush(stdout);
    }
    va_end(args);
}

const char* word_at(int i) { return i < word_count ? words[i] : ""; }

const char* shown_text(const char* text) {
    static char shown[81];
    int n = 0;
    for (; n < 80 && text[n]; ++n) shown[n] = text[n] > 32 && text[n] < 127 ? text[n] : '?';
    shown[n] = 0;
    return shown;
}

bool join_words(int from, int to, char* text, int size) {
    int used = 0;
    text[0] = 0;
    for (int i = from; i < to; ++i) {
        const int n = std::snprintf(text + used, size_t(size - used), "%s%s", i > from ? " " : "", words[i]);
        if (n < 0 || n >= size - used) {
            text[0] = 0;
            return false;
        }
        used += n;
    }
    return true;
}

int word_number(int i, int64_t low, int64_t high, int64_t* value) {
    const char* text = word_at(i);
    char* end;
    const long long n = std::strtoll(text, &end, 10);  // saturates at the long long range
    if (end == text || *end) return 0;
    *value = n < low ? low : n > high ? high : n;
    return 1;
}

void start_uci_engine() {
    if (start_engine(DEFAULT_HASH_MB) < 0) report_no_table(DEFAULT_HASH_MB);
    // A GUI's interrupt must not end the engine, and a GUI that has gone
    // away is noticed by the end of input, not by a signal on writing.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    search.stop_hook = search_stop_test;
    search.progress_hook = report_progress;
    search.warning_hook = report_warning;
    uci_game_seed = new_game_seed();
}

void run_command(char* line) {
    command_start_ms = now_ms();
    split_words(line);
    if (word_count == 0) return;
    const Command* command = nullptr;
    for (const Command& c : commands)
        if (!std::strcmp(words[0], c.name)) command = &c;
    if (command)
        command->run();
    else
        output_line("info string unknown command: %s", shown_text(words[0]));
}
