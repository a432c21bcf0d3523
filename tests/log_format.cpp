#include "log_format.h"

#include <cctype>

namespace {

// Matches the line against a pattern of literal text and placeholders: '%' a number, '#' a number
// that may be negative, '@' a move ("e7e8,q"; "a8a8" for none), '^' the move number right-aligned in
// four columns.
bool matches(const std::string& line, const char* pattern) {
    size_t at = 0;
    const auto digits = [&](size_t most) {
        const size_t start = at;
        while (at < line.size() && at - start < most && std::isdigit((unsigned char)line[at])) ++at;
        return at > start;
    };
    const auto in = [&](char low, char high) { return at < line.size() && line[at] >= low && line[at] <= high; };
    for (const char* p = pattern; *p; ++p) {
        switch (*p) {
        case '#':
            if (at < line.size() && line[at] == '-') ++at;
            [[fallthrough]];
        case '%':
            if (!digits(size_t(-1))) return false;
            break;
        case '^': {
            const size_t start = at;
            while (at < start + 3 && at < line.size() && line[at] == ' ') ++at;
            if (!digits(4) || at != start + 4) return false;
            break;
        }
        case '@':
            for (int k = 0; k < 4; ++k, ++at)
                if (!(k % 2 ? in('1', '8') : in('a', 'h'))) return false;
            if (at + 1 < line.size() && line[at] == ',' && std::string("qrbn").find(line[at + 1]) != std::string::npos)
                at += 2;
            break;
        default:
            if (at >= line.size() || line[at++] != *p) return false;
        }
    }
    return at == line.size();
}

// A line the log may hold: the table line, a switch line, a blank line, "game N", an opponent's move or a
// search line.
bool is_log_line(const std::string& line) {
    static const char* const patterns[] = {"^  @ score(#) iter(#) nps(#) hashhit (#)", "", "No Hash Table used",
                                           "Hash Size %.% mb, record size 10, records %", "game %", "^  @ "};
    static const char* const flags[] = {"nullmove", "pre_prune", "tune", "research", "fractional", "nega_scout"};
    for (const char* pattern : patterns)
        if (matches(line, pattern)) return true;
    for (const char* flag : flags)
        if (line == std::string(flag) + " On" || line == std::string(flag) + " Off") return true;
    return false;
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
