#include "escape.h"

#include <cstddef>

#include "internal.h"

namespace tovrin::detail {

namespace {

// Writes one byte of text as valid UTF-8 for JSON and HTML: bytes that are
// not part of a well-formed sequence are passed to `invalid`.
template <typename Valid, typename Invalid>
void utf8_bytes(std::string_view s, Valid valid, Invalid invalid) {
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= n && !(len == 2 && c < 0xC2);
        for (std::size_t k = 1; ok && k < len; ++k)
            ok = (p[i + k] & 0xC0) == 0x80;
        if (!ok) {
            invalid(c);
            ++i;
            continue;
        }
        valid(s.data() + i, len);
        i += len;
    }
}

} // namespace

std::string json_string(std::string_view s) {
    std::string r = "\"";
    utf8_bytes(
        s,
        [&](const char *p, std::size_t len) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (len == 1 && (c < 0x20 || c == '"' || c == '\\')) {
                static const char *hex = "0123456789abcdef";
                switch (c) {
                case '"': r += "\\\""; break;
                case '\\': r += "\\\\"; break;
                case '\n': r += "\\n"; break;
                case '\r': r += "\\r"; break;
                case '\t': r += "\\t"; break;
                default:
                    r += "\\u00";
                    r += hex[c >> 4];
                    r += hex[c & 15];
                }
            } else {
                r.append(p, len);
            }
        },
        // A byte that is not UTF-8 is written as the character of that code
        // (Latin-1), so nothing is lost and the line stays valid JSON.
        [&](unsigned char c) {
            static const char *hex = "0123456789abcdef";
            r += "\\u00";
            r += hex[c >> 4];
            r += hex[c & 15];
        });
    return r + "\"";
}

std::string html_escape(std::string_view s) {
    std::string r;
    utf8_bytes(
        s,
        [&](const char *p, std::size_t len) {
            if (len == 1) {
                switch (*p) {
                case '&': r += "&amp;"; return;
                case '<': r += "&lt;"; return;
                case '>': r += "&gt;"; return;
                case '"': r += "&quot;"; return;
                // HTML has no NUL (and a C caller's string would end there).
                case '\0': r += "\xEF\xBF\xBD"; return;
                default: break;
                }
            }
            r.append(p, len);
        },
        // The page is UTF-8: a stray byte shows as the replacement character.
        [&](unsigned char) { r += "\xEF\xBF\xBD"; });
    return r;
}

} // namespace tovrin::detail

extern "C" char *tovrin_json_string(const char *s, size_t n) {
    return tovrin::detail::heap_copy(tovrin::detail::json_string(std::string_view(s, n)));
}

extern "C" char *tovrin_html_escape(const char *s, size_t n) {
    return tovrin::detail::heap_copy(tovrin::detail::html_escape(std::string_view(s, n)));
}
