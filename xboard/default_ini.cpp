// A build step, not part of the engine: writes the default options file,
// the same text the engine writes when vexmo.ini is missing, to the path
// given. The package installs this copy and the launcher puts it in a
// user's data directory before the engine's first run there, so that run
// already reads "hash 20" instead of playing without a table.
#include <cstdio>

#include "xboard/xboard.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    FILE* f = std::fopen(argv[1], "w");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    write_default_options(f);
    const bool write_failed = std::ferror(f) != 0;
    if (std::fclose(f) != 0 || write_failed) {
        std::perror(argv[1]);
        std::remove(argv[1]);  // no partial file for the build to take as done
        return 1;
    }
    return 0;
}
