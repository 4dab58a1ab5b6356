#pragma once

#include <string>

// Doubles as text in the C locale's form, whatever the process's locale: the
// shortest text that reads back to the same value, and a strict reader that
// takes only what the writer can write (an optional '-', digits with at most
// one point, an optional exponent) and the whole of it.
//
// The release build's compiler (g++ 10) has no std::to_chars or
// std::from_chars for floating point, so both builds use this one path.
std::string decimal_text(double value);
bool read_decimal(const std::string& text, double& value);
