// The Syzygy endgame tables, read through Debian's probing library
// (libfathom) when the build found it. This file alone knows the library:
// it hands the library the position as its square sets (the library counts
// a1 as bit 0, the board a8) and turns the library's moves back into the
// board's move words.
//
// Before the library sees a folder, the files in it are checked here: a
// file whose size or signature is wrong is described and its ending never
// probed, so the library never maps it (it would print about it and fail
// that ending's probes, some of them only on the second try). What the
// library prints while it loads is kept off standard output and error,
// where it could break into a front end's protocol.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "board/board.h"

#ifdef VEXMOTH_HAVE_FATHOM
#include <tbprobe.h>
#endif

int table_men;

namespace {

// Describes a problem in load->problems while there is room; counts it always.
__attribute__((format(printf, 2, 3))) void add_problem(TableLoad* load, const char* format, ...) {
    if (load->problem_count < TABLE_PROBLEMS) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(load->problems[load->problem_count], sizeof load->problems[0], format, args);
        va_end(args);
    }
    ++load->problem_count;
}

#ifdef VEXMOTH_HAVE_FATHOM
constexpr int MAX_TABLE_MEN = 7;  // the largest Syzygy tables hold seven men
constexpr uint32_t WDL_SIGNATURE = 0x5d23e871, DTZ_SIGNATURE = 0xa50c66d7;  // a file's first four bytes, little-endian
constexpr int MAX_BLOCKED = 64;
constexpr int MAX_ENDINGS = 4096;  // more than every ending of up to seven men

// Endings with a file found wrong, by ending_code, never probed; changed
// only by load_tables, between searches. Past MAX_BLOCKED, blocked_all.
uint32_t blocked_endings[MAX_BLOCKED];
int blocked_count;
int blocked_all;

// An ending as the counts of queens, rooks, bishops, knights and pawns of
// each side, three bits a count, the side named first in the low bits.
uint32_t side_code(const int counts[5]) {
    uint32_t code = 0;
    for (int k = 0; k < 5; ++k) code |= uint32_t(counts[k]) << (3 * k);
    return code;
}

// The ending of a file name such as "KQvKR.rtbw": its code and men, and
// whether the file holds win/draw/loss (rtbw) or distances (rtbz). False
// for any other name.
bool parse_table_name(const char* name, uint32_t* code, int* men, bool* wdl) {
    const char* dot = std::strrchr(name, '.');
    if (!dot || (std::strcmp(dot, ".rtbw") && std::strcmp(dot, ".rtbz"))) return false;
    *wdl = dot[4] == 'w';
    int counts[2][5] = {};
    int side = -1;
    *men = 0;
    for (const char* p = name; p < dot; ++p) {
        if (*p == 'K') {
            if (++side > 1 || (side == 1 && p[-1] != 'v')) return false;
            ++*men;
            continue;
        }
        if (*p == 'v' && side == 0 && p + 1 < dot && p[1] == 'K') continue;
        const char* kinds = "QRBNP";
        const char* k = *p ? std::strchr(kinds, *p) : nullptr;
        if (!k || side < 0) return false;
        ++counts[side][k - kinds];
        ++*men;
    }
    if (side != 1 || *men > MAX_TABLE_MEN) return false;
    *code = side_code(counts[0]) | side_code(counts[1]) << 15;
    return true;
}

// The ending of the position, white's men in the low bits, and the same
// seen from black.
void position_codes(uint32_t* white_first, uint32_t* black_first) {
    static constexpr int KINDS[5] = {QUEEN, ROOK, BISHOP, KNIGHT, PAWN};
    int counts[2][5];
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 5; ++k) counts[c][k] = __builtin_popcountll(pos.kind_men[c][KINDS[k]]);
    *white_first = side_code(counts[WHITE]) | side_code(counts[BLACK]) << 15;
    *black_first = side_code(counts[BLACK]) | side_code(counts[WHITE]) << 15;
}

bool is_blocked(uint32_t code) {
    for (int i = 0; i < blocked_count; ++i)
        if (blocked_endings[i] == code) return true;
    return blocked_all != 0;
}

// The position's ending has a refused file (under either colour).
bool ending_blocked() {
    uint32_t a, b;
    position_codes(&a, &b);
    return is_blocked(a) || is_blocked(b);
}

void block_ending(uint32_t code) {
    for (int i = 0; i < blocked_count; ++i)
        if (blocked_endings[i] == code) return;
    if (blocked_count == MAX_BLOCKED)
        blocked_all = 1;
    else
        blocked_endings[blocked_count++] = code;
}


// Whether a table file has the size and signature of its kind: a Syzygy
// file is 16 bytes more than a multiple of 64 and starts with its kind's
// signature. Describes the file when it has not.
bool file_is_table(const char* folder, const char* name, bool wdl, TableLoad* load) {
    char path[4096 + 2 + 256];  // a folder of the path and a file name
    std::snprintf(path, sizeof path, "%s/%s", folder, name);
    const int fd = open(path, O_RDONLY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) close(fd);
        add_problem(load, "%s cannot be read: left out", path);
        return false;
    }
    unsigned char head[4] = {};
    const bool whole = st.st_size % 64 == 16 && read(fd, head, 4) == 4;
    close(fd);
    if (!whole) {
        add_problem(load, "%s is truncated or no table (%lld bytes): left out", path, (long long)st.st_size);
        return false;
    }
    const uint32_t signature = uint32_t(head[0]) | uint32_t(head[1]) << 8 | uint32_t(head[2]) << 16 | uint32_t(head[3]) << 24;
    if (signature != (wdl ? WDL_SIGNATURE : DTZ_SIGNATURE)) {
        add_problem(load, "%s is no Syzygy table (wrong signature): left out", path);
        return false;
    }
    return true;
}

struct Ending {
    uint32_t code;
    int men;
};

// Checks the table files of one folder: the endings with a usable
// win/draw/loss file join `found` (once each), those with a bad file are
// blocked. Describes a folder that cannot be read or holds no table.
void scan_folder(const char* folder, Ending* found, int* found_count, TableLoad* load) {
    DIR* dir = opendir(folder);
    if (!dir) {
        add_problem(load, "folder %s cannot be read (%s)", folder, std::strerror(errno));
        return;
    }
    int files = 0;
    while (const dirent* entry = readdir(dir)) {
        uint32_t code;
        int men;
        bool wdl;
        if (!parse_table_name(entry->d_name, &code, &men, &wdl)) continue;
        ++files;
        if (!file_is_table(folder, entry->d_name, wdl, load)) {
            block_ending(code);
            continue;
        }
        if (!wdl) continue;
        bool seen = false;
        for (int i = 0; i < *found_count && !seen; ++i) seen = found[i].code == code;
        if (!seen && *found_count < MAX_ENDINGS) found[(*found_count)++] = Ending{code, men};
    }
    closedir(dir);
    if (files == 0) add_problem(load, "folder %s holds no Syzygy tables", folder);
}

// The library's bit order: a1 is bit 0, h8 bit 63; the board's sets count
// from a8, so the ranks are reversed.
uint64_t library_set(uint64_t set) { return __builtin_bswap64(set); }
unsigned library_square(int sq) { return unsigned(square64(sq) ^ 56); }

// The library's promotion codes (1 queen .. 4 knight) as the board's kinds.
constexpr int PROMOTION_KIND[5] = {0, QUEEN, ROOK, BISHOP, KNIGHT};

// Runs tb_init with standard output and error sent to /dev/null: the
// library prints a line for each file it refuses.
bool quiet_init(const char* path) {
    std::fflush(stdout);
    std::fflush(stderr);
    const int saved_out = dup(1), saved_err = dup(2), null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, 1);
        dup2(null, 2);
        close(null);
    }
    const bool ok = tb_init(path);
    std::fflush(stdout);
    std::fflush(stderr);
    if (saved_out >= 0) dup2(saved_out, 1), close(saved_out);
    if (saved_err >= 0) dup2(saved_err, 2), close(saved_err);
    return ok;
}

// The position is one the library may be asked about.
bool probe_allowed() {
    return table_men > 0 && (pos.castle_flags & 15) == 0 && __builtin_popcountll(pos.occupied) <= table_men &&
           !((blocked_count || blocked_all) && ending_blocked());
}

unsigned library_ep() { return pos.ep_square >= 0 ? library_square(pos.ep_square) : 0; }

// The position's men as both probes take them, in the library's order:
// white, black, then kings, queens, rooks, bishops, knights, pawns.
struct LibraryMen {
    uint64_t white, black, kings, queens, rooks, bishops, knights, pawns;
};
LibraryMen library_men() {
    const auto both = [](int kind) { return library_set(pos.kind_men[WHITE][kind] | pos.kind_men[BLACK][kind]); };
    return {library_set(pos.color_men[WHITE]), library_set(pos.color_men[BLACK]), both(KING), both(QUEEN),
            both(ROOK), both(BISHOP), both(KNIGHT), both(PAWN)};
}
#endif

}  // namespace

bool tables_supported() {
#ifdef VEXMOTH_HAVE_FATHOM
    return true;
#else
    return false;
#endif
}

TableLoad load_tables(const char* path) {
    TableLoad load{};
    table_men = 0;
    const bool empty = !path[0] || !std::strcmp(path, "<empty>");
#ifdef VEXMOTH_HAVE_FATHOM
    blocked_count = 0;
    blocked_all = 0;
    quiet_init("");  // the tables loaded before are let go
    if (empty) return load;
    Ending found[MAX_ENDINGS];
    int found_count = 0;
    char folder[4096];
    for (const char* p = path; *p;) {
        const char* end = std::strchr(p, ':');
        const size_t length = end ? size_t(end - p) : std::strlen(p);
        if (length > 0 && length < sizeof folder) {
            std::memcpy(folder, p, length);
            folder[length] = 0;
            scan_folder(folder, found, &found_count, &load);
        }
        p += length + (end ? 1 : 0);
    }
    // An ending counts when its win/draw/loss file is usable and neither of its files was refused.
    for (int i = 0; i < found_count; ++i) {
        if (is_blocked(found[i].code)) continue;
        ++load.tables;
        if (found[i].men > load.men) load.men = found[i].men;
    }
    if (!quiet_init(path)) {
        add_problem(&load, "the tables could not be loaded");
        load.tables = load.men = 0;
    }
    table_men = load.men < int(TB_LARGEST) ? load.men : int(TB_LARGEST);
#else
    if (!empty) add_problem(&load, "this build reads no endgame tables (it was made without libfathom)");
#endif
    return load;
}

int probe_wdl() {
#ifdef VEXMOTH_HAVE_FATHOM
    if (pos.fifty != 0 || !probe_allowed()) return -1;
    const LibraryMen men = library_men();
    const unsigned r = tb_probe_wdl(men.white, men.black, men.kings, men.queens, men.rooks, men.bishops, men.knights,
                                    men.pawns, 0, 0, library_ep(), pos.side == WHITE);
    return r == TB_RESULT_FAILED ? -1 : int(r);
#else
    return -1;
#endif
}

int probe_root(RootTableResult* entries, int* position_dtz) {
    const int count = pos.last_move[0] - pos.first_move[0];
    for (int i = 0; i < count; ++i) entries[i] = RootTableResult{-1, 0};
#ifdef VEXMOTH_HAVE_FATHOM
    if (!probe_allowed()) return -1;
    unsigned results[TB_MAX_MOVES];
    const LibraryMen men = library_men();
    const unsigned r = tb_probe_root(men.white, men.black, men.kings, men.queens, men.rooks, men.bishops, men.knights,
                                     men.pawns, unsigned(pos.fifty), 0, library_ep(), pos.side == WHITE, results);
    // Mated or stalemated: no move has a result, and the search says so itself.
    if (r == TB_RESULT_FAILED || r == TB_RESULT_CHECKMATE || r == TB_RESULT_STALEMATE) return -1;
    *position_dtz = int(TB_GET_DTZ(r));
    for (int k = 0; k < TB_MAX_MOVES && results[k] != TB_RESULT_FAILED; ++k) {
        const unsigned m = results[k];
        const int from = square_of64(int(TB_GET_FROM(m)) ^ 56), to = square_of64(int(TB_GET_TO(m)) ^ 56);
        const int promote = PROMOTION_KIND[TB_GET_PROMOTES(m) <= 4 ? TB_GET_PROMOTES(m) : 0];
        for (int i = 0; i < count; ++i) {
            const Move move = pos.move_list[pos.first_move[0] + i].move;
            if (move_from(move) == from && move_to(move) == to && move_promote(move) == promote)
                entries[i] = RootTableResult{int(TB_GET_WDL(m)), int(TB_GET_DTZ(m))};
        }
    }
    return int(TB_GET_WDL(r));
#else
    (void)position_dtz;
    return -1;
#endif
}
