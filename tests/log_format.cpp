#include "log_format.h"

#include <cstdio>
#include <cstring>

namespace {

// A move as the log writes it: "e7e8", a promotion with its piece after a comma ("e7e8,q"), "a8a8" for none.
bool is_move(const std::string& m) {
    bool ok = m.size() == 4 || (m.size() == 6 && m[4] == ',' && std::strchr("qrbn", m[5]));
    for (size_t k = 0; ok && k < 4; ++k) ok = m[k] >= "a1"[k % 2] && m[k] <= "h8"[k % 2];
    return ok;
}

// A line the log may hold: a blank line, the table line, a switch line, the Elo line, an endgame-table line, "game N", an
// opponent's move or a search line. The numbers and the move are read, then written back as the engine writes them: the line
// must come out the same.
bool is_log_line(const std::string& line) {
    static const char* const flags[] = {"nullmove", "pre_prune", "tune", "research", "fractional", "nega_scout"};
    if (line.empty() || line == "No Hash Table used") return true;
    // The endgame tables of a syzygy_path line: the folders, then each problem and what was loaded.
    if ((line.rfind("Syzygy path ", 0) == 0 || line.rfind("Syzygy: ", 0) == 0) && line.size() > 12) return true;
    for (const char* flag : flags)
        if (line == std::string(flag) + " On" || line == std::string(flag) + " Off") return true;
    const char* l = line.c_str();
    char move[8] = "", text[400] = "";
    long long n = -1, a, b, c, d;
    if (std::sscanf(l, "Hash Size %lld.%lld mb, record size 10, records %lld", &a, &b, &n) == 3 && a >= 0) {
        std::snprintf(text, sizeof text, "Hash Size %lld.%02lld mb, record size 10, records %lld", a, b, n);
    } else if (std::sscanf(l, "Elo %lld (asked %lld)", &n, &a) == 2) {  // the strength limit of an elo line
        std::snprintf(text, sizeof text, "Elo %lld (asked %lld)", n, a);
    } else if (std::sscanf(l, "Elo off (asked %lld)", &a) == 1) {
        n = 0;
        std::snprintf(text, sizeof text, "Elo off (asked %lld)", a);
    } else if (std::sscanf(l, "Elo %lld", &n) == 1) {
        std::snprintf(text, sizeof text, "Elo %lld", n);
    } else if (std::sscanf(l, "game %lld", &n) == 1) {
        std::snprintf(text, sizeof text, "game %lld", n);
    } else if (std::sscanf(l, "%lld %7s score(%lld) iter(%lld) nps(%lld) hashhit (%lld)", &n, move, &a, &b, &c,
                           &d) == 6) {
        std::snprintf(text, sizeof text, "%4lld  %s score(%lld) iter(%lld) nps(%lld) hashhit (%lld)", n, move, a, b,
                      c, d);
    } else if (std::sscanf(l, "%lld %7s", &n, move) == 2) {
        std::snprintf(text, sizeof text, "%4lld  %s ", n, move);
    }
    return n >= 0 && line == text && (!*move || (n < 10000 && is_move(move)));
}

}  // namespace

std::string first_bad_log_line(const std::string& log) {
    if (log.empty()) return "<empty log>";
    for (size_t start = 0; start < log.size();) {
        const size_t end = log.find('\n', start);
        if (end == std::string::npos) return log.substr(start) + " <no newline>";
        if (!is_log_line(log.substr(start, end - start))) return log.substr(start, end - start);
        start = end + 1;
    }
    return "";
}
