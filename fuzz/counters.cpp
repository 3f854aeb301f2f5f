// Where the coverage counters of -fsanitize=fuzzer live: the linker's
// bounds of their section. Compiled without coverage instrumentation, since
// in an instrumented file these declarations clash with the pass's own and
// the counters end up unregistered. Without the section (the replay
// program) the weak symbols are null.
#include <cstdint>

extern "C" {
extern std::uint8_t __start___sancov_cntrs[] __attribute__((weak));
extern std::uint8_t __stop___sancov_cntrs[] __attribute__((weak));
}

std::uint8_t *fuzz_counters_begin() { return __start___sancov_cntrs; }
std::uint8_t *fuzz_counters_end() { return __stop___sancov_cntrs; }
