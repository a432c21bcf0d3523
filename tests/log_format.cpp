#include "log_format.h"

#include <regex>

namespace {

// "%4d  MOVE": the move number right-aligned in four columns, then the move ("e7e8,q"; "a8a8" for none).
const std::string NUMBERED_MOVE = R"(( {3}\d| {2}\d{2}| \d{3}|\d{4})  [a-h][1-8][a-h][1-8](,[qrbn])?)";
const std::regex SEARCH_LINE(NUMBERED_MOVE + R"( score\(-?\d+\) iter\(-?\d+\) nps\(-?\d+\) hashhit \(-?\d+\))");
const std::regex OTHER_LINE("|No Hash Table used|Hash Size \\d+\\.\\d+ mb, record size 10, records \\d+|game \\d+|"
                            "(nullmove|pre_prune|tune|research|fractional|nega_scout) O(n|ff)|" +
                            NUMBERED_MOVE + " ");

}  // namespace

bool is_search_line(const std::string& line) { return std::regex_match(line, SEARCH_LINE); }

bool is_log_line(const std::string& line) { return is_search_line(line) || std::regex_match(line, OTHER_LINE); }

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
