// Text from the slot as the screen may show it. The task's account writes the
// slot, so a name may hold any bytes: malformed UTF-8, controls that would
// move or hide the rest of the line, or far more than a line can show.
#pragma once

#include <cstddef>
#include <string>

// Each malformed sequence (its longest well-formed start) as one U+FFFD.
std::u32string decode_utf8(const std::string& bytes);
std::string encode_utf8(const std::u32string& code_points);

// Code points a shown name never holds: controls (C0, DEL, C1), line and
// paragraph separators, and the isolate controls, which could close the
// isolate that keeps the name from reordering the rest of the line.
bool is_kept_out_of_names(char32_t c);

// The name as the status line shows it: decoded as above, without the
// characters kept out, and cut to at most longest_code_points with an
// ellipsis so that the numbers and the run state stay on the line.
std::u32string shown_name(const std::string& bytes, std::size_t longest_code_points);

// Printable ASCII as it is, every other byte '?': for what goes to the window
// manager (the title), where nothing the task writes may arrive as a control
// or a malformed character.
std::string printable_ascii(const std::string& text);
