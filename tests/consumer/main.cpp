// A C++ program against tovrin.hpp: the same configuration, through the
// C++ layer only (no malloc/free, no raw records).
#include <iostream>
#include <sstream>
#include <string_view>

#include <tovrin.hpp>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: consumer_cpp BIBL.INI\n";
        return 2;
    }
    const tovrin::Config config(argv[1]);
    const auto xx = config.find("xx");
    const auto yy = config.find("yy");
    if (!xx || !yy) {
        std::cerr << "consumer_cpp: no languages xx and yy\n";
        return 1;
    }
    std::cout << "expand " << tovrin::expand_bl("Mt 5,3n. 7; L 6,20-22", *xx, *yy) << '\n';
    std::cout << "translate " << tovrin::trans_cite("Mt 5,3-7", *xx, *yy).value_or("(none)")
              << '\n';
    const tovrin::CheckResult r = tovrin::check("Mt 5,3-", *xx);
    std::cout << "check " << static_cast<int>(r.failed) << " at " << r.position << '\n';
    std::cout << "tokens";
    for (const tovrin::Token &t : tovrin::tokens("1. J 2,1nn", *xx))
        std::cout << ' ' << t.kind << ':' << t.text;
    std::cout << '\n';
    std::istringstream in("Blessed (Mt 5,3; L 6,20).\n");
    std::ostringstream out;
    const bool scanned =
        tovrin::scan(in, out, *xx, [&](std::string_view c) { out << '<' << c << '>'; });
    std::cout << "scan " << scanned << ' ' << out.str();
    return 0;
}
