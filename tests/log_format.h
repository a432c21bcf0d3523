// The lines the engine writes to vexmolog.txt, recognised without the engine's own code: a checker for the
// log tests and the protocol fuzzer.
#pragma once

#include <string>

// The first line of the log that is not one the engine writes (a last line without its newline counts as cut
// short), "" when there is none, and "<empty log>" for an empty log.
std::string first_bad_log_line(const std::string& log);
