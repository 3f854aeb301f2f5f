// The C++ door of the test that every door reads a text alike
// (python/tests/test_doors.py): prints the citations of a file, read with
// tovrin::Language::scan in the language given, as JSON lines with the
// members tovrin scan --format json gives.
//
// usage: records_json LANG FILE
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tovrin.hpp"

namespace {

std::string json_string(const std::string &s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::cerr << "usage: records_json LANG FILE\n";
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const tovrin::Language l = tovrin::Config().language(argv[1]);
    for (const tovrin::Citation &c : l.scan(text.str()))
        std::cout << "{\"line\":" << c.line << ",\"column\":" << c.column
                  << ",\"offset\":" << c.offset << ",\"length\":" << c.length
                  << ",\"text\":" << json_string(c.text)
                  << ",\"canonical\":" << json_string(c.canonical)
                  << ",\"osis\":" << (c.osis ? json_string(*c.osis) : "null") << "}\n";
}
