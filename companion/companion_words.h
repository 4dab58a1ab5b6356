// The companion's words in the language of the desktop that starts it, from
// gettext catalogues that ship flat beside the companion in the project's
// directory: <companion's file name>_<language>.mo. A language without a
// catalogue, or a message a catalogue lacks, is shown in English.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "companion/message_catalogue.h"

struct companion_words {
    std::optional<message_catalogue> catalogue;
    // The locale's decimal mark (LC_NUMERIC), which may take more than a byte.
    std::string decimal_mark = ".";
};

// The languages to look for, best first, as gettext takes them from the
// environment: LANGUAGE's list (unless the locale is C), then the first of
// LC_ALL, LC_MESSAGES and LANG that is set; each "ll_CC" also as "ll".
// getenv is a parameter for tests.
std::vector<std::string> desktop_languages(const char* (*getenv)(const char*));

// The catalogue file for a language beside an executable.
std::string catalogue_path(const std::string& executable, const std::string& language);

// The words for this process: its languages, its own executable
// (/proc/self/exe, which names the project directory's file through the
// slot's link) and LC_NUMERIC's decimal mark.
companion_words desktop_words();

// A message in the catalogue's language, else as given.
std::string translate(const companion_words& words, const char* message);
std::string translate_plural(const companion_words& words, const char* singular, const char* plural,
                             unsigned long n);

// The format with "%s" (in turn) and "%N$s" (by number) replaced by the
// values and "%%" by "%"; anything else is kept as written, so that a faulty
// catalogue can garble a message but never reach past its values.
std::string fill_in(const std::string& format, std::initializer_list<std::string> values);
