#include "task_state/decimal_text.h"

#include <locale.h>

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The C locale as an object, made once: printf and strtod follow the calling
// thread's locale, which the program may have set to the desktop's.
locale_t c_numeric_locale() {
    static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
    return locale;
}

// Switches the calling thread to the C locale for one formatting.
class c_locale_scope {
  public:
    c_locale_scope() : previous_(uselocale(c_numeric_locale())) {}
    ~c_locale_scope() { uselocale(previous_); }
    c_locale_scope(const c_locale_scope&) = delete;
    c_locale_scope& operator=(const c_locale_scope&) = delete;

  private:
    locale_t previous_;
};

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// [-]digits[.digits][(e|E)[+|-]digits] with at least one digit before the
// exponent: what the writer writes for a finite value.
bool is_decimal_form(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && text[i] == '-') ++i;
    std::size_t digits = 0;
    for (; i < n && is_digit(text[i]); ++i) ++digits;
    if (i < n && text[i] == '.') {
        for (++i; i < n && is_digit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponent_digits = 0;
        for (; i < n && is_digit(text[i]); ++i) ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    return i == n;
}

}  // namespace

std::string decimal_text(double value) {
    const c_locale_scope c_locale;
    char buffer[64];
    // 17 significant digits always read back to the same double; fewer often
    // do, and the shortest is the easiest to read.
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value) break;
    }
    return buffer;
}

bool read_decimal(const std::string& text, double& value) {
    if (!is_decimal_form(text)) return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = strtod_l(text.c_str(), &end, c_numeric_locale());
    if (end != text.c_str() + text.size()) return false;
    // Too large for a double is refused rather than taken as infinity. Too
    // small reads as what strtod gives, 0 or a subnormal: the BOINC library
    // sets flush-to-zero for the whole process when it loads (libboinc
    // 7.16.16 and 7.20.5 carry fast-math start-up code: MXCSR FTZ and DAZ on
    // x86), so a subnormal that was written may read back as 0, and refusing
    // it would leave the reader without a state.
    if (errno == ERANGE && std::isinf(parsed)) return false;
    value = parsed;
    return true;
}
