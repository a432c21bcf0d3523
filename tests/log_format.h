// The lines the engine writes to vexmolog.txt, recognised without the engine's
// own code: a checker for the log tests and the protocol fuzzer.
#pragma once

#include <string>

// True when the line (without its newline) is one the log may hold: the
// table line, a switch line, a blank line, "game N", an opponent's move or
// a search line.
bool is_log_line(const std::string& line);
// True for "%4d  MOVE score(N) iter(N) nps(N) hashhit (N)".
bool is_search_line(const std::string& line);
// The first line of the log that is not a complete log line (the text of a
// last line without its newline counts as incomplete), or "" when all are.
// Returns "<empty log>" for a log without its opening table line.
std::string first_bad_log_line(const std::string& log);
