// Text written into JSON strings and HTML pages: escaped, and always valid
// UTF-8, whatever bytes the input held.
#ifndef TOVRIN_ESCAPE_H
#define TOVRIN_ESCAPE_H

#include <string>
#include <string_view>

namespace tovrin::detail {

// `s` as a JSON string with its quotes. A byte that is not part of a
// well-formed UTF-8 sequence is written as the character of that code
// (Latin-1), so nothing is lost and the line stays valid JSON.
std::string json_string(std::string_view s);

// `s` escaped for HTML text and attributes; a stray byte shows as the
// replacement character.
std::string html_escape(std::string_view s);

} // namespace tovrin::detail

#endif
