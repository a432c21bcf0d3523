// The options file vexmo.ini: the size of the transposition table, the
// six search switches, and optionally the threads, the strength limit and
// the folders of the endgame tables. Written with the defaults when missing; the run that
// writes it keeps the built-in settings (all switches on, no table).
#include <cstdio>
#include <cstring>

#include "xboard/xboard.h"

int thread_option = 1;
char syzygy_path_option[LINE_SIZE];
int elo_option;

namespace {

const char* const default_options[] = {
    ";Most of the options are tested to be working positively",
    ";except the nega-scout algorithm which is a little uncertain",
    ";they could be set to 1(on)  or 0(off)",
    "; hash size option takes a number in mega-byte",
    ";the options are :-",
    ";hash",
    ";nega_scout",
    ";nullmove",
    ";pre_prune",
    ";fractional_extension",
    ";tune",
    ";research",
    ";",
    ";",
    "hash 20",
    "nega_scout 1",
    "nullmove 1",
    "pre_prune 1",
    "fractional_extension 1",
    "tune 1",
    "research 1",
};

void write_default_file() {
    FILE* f = std::fopen("vexmo.ini", "w");
    if (!f) return;  // the run goes on with the built-in settings
    write_default_options(f);
    std::fflush(f);
    std::fclose(f);
}

const char* on_off(int flag) { return flag ? "On" : "Off"; }

// The table the file asked for, described in the log; without the memory
// the engine cannot play as configured and ends.
void log_table(int records) {
    if (records < 0) fatal_exit("allocate hash failed");
    if (records == 0)
        log_printf("No Hash Table used\n");
    else
        log_printf("Hash Size %.2f mb, record size %d, records %d\n", double(10LL * records) / 1048576,
                   int(sizeof(HashEntry)), records);
}

// The folders of "syzygy_path": the rest of the line without the blanks
// around it.
void read_path(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    size_t length = std::strlen(text);
    while (length > 0 && std::strchr(" \t\r\n", text[length - 1])) --length;
    std::snprintf(syzygy_path_option, sizeof syzygy_path_option, "%.*s", int(length), text);
}

// The endgame tables the options file names, loaded, with what came of it
// in the log; nothing without a syzygy_path line.
void load_table_option() {
    if (!syzygy_path_option[0]) return;
    const TableLoad load = load_tables(syzygy_path_option);
    log_printf("Syzygy path %s\n", syzygy_path_option);
    for (int i = 0; i < load.problem_count && i < TABLE_PROBLEMS; ++i) log_printf("Syzygy: %s\n", load.problems[i]);
    if (load.problem_count > TABLE_PROBLEMS) log_printf("Syzygy: and %d more problems\n", load.problem_count - TABLE_PROBLEMS);
    char text[128];
    describe_table_load(load, text, sizeof text);
    log_printf("Syzygy: %s\n", text);
}

// The rating an elo line set, as played, and the number asked when the
// engine plays another.
void log_elo() {
    if (!elo_option) return;
    const int elo = limited_elo(elo_option);
    if (elo == elo_option)
        log_printf("Elo %d\n", elo);
    else if (elo)
        log_printf("Elo %d (asked %d)\n", elo, elo_option);
    else
        log_printf("Elo off (asked %d)\n", elo_option);
}

}  // namespace

void write_default_options(FILE* f) {
    for (const char* line : default_options) std::fprintf(f, "%s\n", line);
}

// Lines that give a key and a number ("%i": decimal, 0x hex, 0 octal) set
// it; comments, unknown keys and keys without a number are ignored. A line
// longer than the buffer is read to its end and the rest ignored, so its
// tail is never taken for a line of its own.
int read_options_file(FILE* f) {
    int hash_megabytes = 0;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        if (!std::strchr(line, '\n') && !std::feof(f)) {
            int ch;
            while ((ch = std::fgetc(f)) != '\n' && ch != EOF) {
            }
        }
        char key[256];
        int used = 0, value;
        if (std::sscanf(line, "%255s%n", key, &used) == 1 && !std::strcmp(key, "syzygy_path")) {
            read_path(line + used);
            continue;
        }
        if (std::sscanf(line, "%255s%n", key, &used) != 1 || !read_number(line + used, 0, &value)) continue;
        if (!std::strcmp(key, "hash")) {
            hash_megabytes = value;
            continue;
        }
        if (!std::strcmp(key, "threads")) {
            thread_option = value;
            continue;
        }
        if (!std::strcmp(key, "elo")) {
            elo_option = value;
            continue;
        }
        if (int* flag = option_flag(key)) *flag = value != 0;
    }
    return hash_megabytes;
}

int read_options() {
    int hash_megabytes = 0;
    if (FILE* f = std::fopen("vexmo.ini", "r")) {
        hash_megabytes = read_options_file(f);
        std::fclose(f);
    } else {
        write_default_file();
    }
    return hash_megabytes;
}

void log_settings(int table_records) {
    log_table(table_records);
    log_printf("nullmove %s\npre_prune %s\ntune %s\nresearch %s\nfractional %s\nnega_scout %s\n",
               on_off(nullmove), on_off(pre_prune), on_off(tune), on_off(research),
               on_off(fractional_extension), on_off(nega_scout));
    log_elo();
    load_table_option();
    log_printf("\n");
}
