// Numbers in protocol lines and in the options file. They are read as the C
// library's scanning reads "%d" (base 10) or "%i" (base 0: decimal, 0x
// hexadecimal, leading 0 octal): white space, a sign, digits. Scanning a
// number too large for an int is undefined; here it saturates instead.
#include <climits>
#include <cstdlib>

#include "xboard/xboard.h"

const char* read_number(const char* text, int base, int* value) {
    char* end;
    const long long n = std::strtoll(text, &end, base);  // saturates at the long long range
    if (end == text) return nullptr;
    *value = n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : int(n);
    return end;
}

// A front end may send any count of centiseconds or seconds; the clock words
// stay within eleven days either way, so that the budgets, elapsed times and
// remaining times computed from them never leave the int range.
int clock_ms(int count, int unit_ms) {
    const long long ms = (long long)count * unit_ms;
    return ms > CLOCK_LIMIT_MS ? CLOCK_LIMIT_MS : ms < -CLOCK_LIMIT_MS ? -CLOCK_LIMIT_MS : int(ms);
}
