// A compiled gettext catalogue (.mo) read whole into memory. The file ships
// with the application version, but is read as any file is: every offset and
// length is checked against the file, and a fault gives no catalogue.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "companion/plural_rule.h"

struct message_catalogue {
    // By msgid (for a plural message, its singular msgid): the translations,
    // one for each plural form.
    std::map<std::string, std::vector<std::string>> messages;
    std::optional<plural_rule> plural;
};

// The catalogue in a .mo file's bytes, of either byte order.
std::optional<message_catalogue> parse_message_catalogue(const std::string& bytes);

// The file at path, if it is a regular file of at most a megabyte that parses.
std::optional<message_catalogue> read_message_catalogue(const std::string& path);
