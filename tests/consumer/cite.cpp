// Prints every citation of a Czech text: as written, canonical, OSIS.
#include <fstream>
#include <iostream>
#include <sstream>
#include <tovrin.hpp>

int main(int argc, char **argv) {
    std::ifstream file(argc > 1 ? argv[1] : "");
    std::stringstream text;
    text << file.rdbuf();
    const tovrin::Language cz = tovrin::Config().language("cz");
    for (const tovrin::Citation &c : cz.scan(text.str()))
        std::cout << c.text << " | " << c.canonical << " | " << c.osis.value_or("-") << '\n';
}
