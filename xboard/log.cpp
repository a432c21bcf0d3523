// The log file, vexmolog.txt: settings, games, opponent moves and one line
// per search, flushed after every line so the file is complete at all times.
#include <cstdarg>

#include "xboard/xboard.h"

FILE* log_file;

void log_printf(const char* format, ...) {
    if (!log_file) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log_file, format, args);
    va_end(args);
    std::fflush(log_file);
}
