// The options file on arbitrary bytes: whatever the lines say, each of the six search switches is left 0 or 1.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int* const flags[] = {&nega_scout, &nullmove, &pre_prune, &fractional_extension, &tune, &research};
    for (int* flag : flags) *flag = 1;
    static uint8_t empty[1];  // fmemopen wants a buffer even for no bytes; read only
    FILE* f = fmemopen(size ? const_cast<uint8_t*>(data) : empty, size, "r");
    FUZZ_CHECK(f != nullptr);
    read_options_file(f);
    std::fclose(f);
    for (int* flag : flags) FUZZ_CHECK(*flag == 0 || *flag == 1);
    return 0;
}
