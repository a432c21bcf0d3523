// vexmoth-uci: the engine for GUIs that speak UCI. The start-up sequence,
// then one command line after another until "quit" or the end of input.
// No arguments, no environment and no files are read or written: GUIs
// start engines in any directory, and the options come from "setoption".
#include "uci/uci.h"

namespace {

char line[INPUT_LINE_SIZE];  // the command line being carried out, cut into words

}  // namespace

int main() {
    start_uci_engine();
    while (next_command_line(line)) run_command(line);
    return 0;
}
