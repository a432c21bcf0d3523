#include "log_format.h"

#include <cctype>
#include <cstring>

namespace {

// Reads the literal text at pos.
bool literal(const std::string& s, size_t& pos, const char* text) {
    const size_t n = std::strlen(text);
    if (s.compare(pos, n, text) != 0) return false;
    pos += n;
    return true;
}

// Reads an optionally signed decimal number at pos.
bool number(const std::string& s, size_t& pos) {
    if (pos < s.size() && s[pos] == '-') ++pos;
    const size_t start = pos;
    while (pos < s.size() && std::isdigit((unsigned char)s[pos])) ++pos;
    return pos > start;
}

bool square(const std::string& s, size_t& pos) {
    if (pos + 2 > s.size() || s[pos] < 'a' || s[pos] > 'h' || s[pos + 1] < '1' || s[pos + 1] > '8') return false;
    pos += 2;
    return true;
}

// "e2e4", "e7e8,q" or "a8a8" (no move).
bool move(const std::string& s, size_t& pos) {
    if (!square(s, pos) || !square(s, pos)) return false;
    if (pos + 2 <= s.size() && s[pos] == ',' && std::strchr("qrbn", s[pos + 1]) && s[pos + 1]) pos += 2;
    return true;
}

// "%4d  MOVE": the move number right-aligned in four columns.
bool numbered_move(const std::string& s, size_t& pos) {
    if (s.size() < 6) return false;
    size_t digits = 0;
    while (digits < 4 && s[3 - digits] != ' ') ++digits;
    for (size_t i = 0; i < 4; ++i)
        if (i < 4 - digits ? s[i] != ' ' : !std::isdigit((unsigned char)s[i])) return false;
    if (digits == 0) return false;
    pos = 4;
    return literal(s, pos, "  ") && move(s, pos);
}

bool table_line(const std::string& s) {
    size_t pos = 0;
    if (!literal(s, pos, "Hash Size ") || !number(s, pos) || !literal(s, pos, ".") || !number(s, pos) ||
        !literal(s, pos, " mb, record size 10, records ") || !number(s, pos))
        return false;
    return pos == s.size();
}

}  // namespace

bool is_search_line(const std::string& s) {
    size_t pos = 0;
    if (!numbered_move(s, pos)) return false;
    for (const char* field : {" score(", ") iter(", ") nps(", ") hashhit ("})
        if (!literal(s, pos, field) || !number(s, pos)) return false;
    return literal(s, pos, ")") && pos == s.size();
}

bool is_log_line(const std::string& s) {
    if (s.empty() || s == "No Hash Table used" || table_line(s) || is_search_line(s)) return true;
    for (const char* name : {"nullmove", "pre_prune", "tune", "research", "fractional", "nega_scout"})
        for (const char* state : {" On", " Off"})
            if (s == std::string(name) + state) return true;
    size_t pos = 0;
    if (literal(s, pos, "game ") && number(s, pos) && pos == s.size()) return true;
    pos = 0;
    return numbered_move(s, pos) && literal(s, pos, " ") && pos == s.size();
}

std::string first_bad_log_line(const std::string& log) {
    if (log.empty()) return "<empty log>";
    size_t start = 0;
    while (start < log.size()) {
        const size_t end = log.find('\n', start);
        if (end == std::string::npos) return log.substr(start) + " <no newline>";
        const std::string line = log.substr(start, end - start);
        if (!is_log_line(line)) return line;
        start = end + 1;
    }
    return "";
}
