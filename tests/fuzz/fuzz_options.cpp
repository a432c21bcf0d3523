// The options file on arbitrary bytes, against the same file with every line cut to the 255 characters the
// reader keeps: both must set the table size, the threads and the six search switches alike, so the tail of a
// long line is never taken for a line of its own.
#include "fuzz_support.h"

namespace {

struct Settings {
    int hash, threads, flags[SEARCH_OPTION_COUNT];
};

Settings read_settings(const uint8_t* data, size_t size) {
    Settings s{};
    for (const SearchOption& o : search_options) *o.flag = 1;
    thread_option = 1;
    static uint8_t empty[1];  // fmemopen wants a buffer even for no bytes; read only
    FILE* f = fmemopen(size ? const_cast<uint8_t*>(data) : empty, size, "r");
    FUZZ_CHECK(f != nullptr);
    s.hash = read_options_file(f);
    std::fclose(f);
    s.threads = thread_option;
    for (int i = 0; i < SEARCH_OPTION_COUNT; ++i) s.flags[i] = *search_options[i].flag;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string cut;
    size_t length = 0;  // of the line being copied
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            cut += '\n';
            length = 0;
        } else if (length++ < 255) {
            cut += char(data[i]);
        }
    }
    const Settings read = read_settings(data, size);
    const Settings expected = read_settings(reinterpret_cast<const uint8_t*>(cut.data()), cut.size());
    FUZZ_CHECK(!std::memcmp(&read, &expected, sizeof read));
    return 0;
}
