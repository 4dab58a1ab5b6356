// The plural form of a catalogue's messages for a number, as the catalogue's
// "Plural-Forms" header gives it: a C expression in n.
#pragma once

#include <optional>
#include <string>

struct plural_rule {
    unsigned forms = 2;
    std::string expression = "n != 1";
};

// The rule a header states; nothing when it states none or one that cannot
// be evaluated (then the catalogue's plural messages are not used).
std::optional<plural_rule> plural_rule_from_header(const std::string& header);

// The form's index for n; nothing when the expression is malformed, divides
// by zero or names a form the catalogue does not have.
std::optional<unsigned> plural_form(const plural_rule& rule, unsigned long n);
