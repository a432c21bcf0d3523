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
// last line without its newline counts as incomplete), "" when all are, and
// "<empty log>" for an empty log.
std::string first_bad_log_line(const std::string& log);
