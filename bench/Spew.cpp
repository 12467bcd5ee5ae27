// spew: writes N bytes of lint-like text lines to standard output as fast as it can, in 64 KiB
// writes; the tool side of the wrapper benchmarks.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const long long total = argc > 1 ? std::atoll(argv[1]) : 1024;
    const std::string line = "src/module.c(1234): warning 534: Ignoring return value of function "
                             "'printf(const char *, ...)'\n";
    std::string block;
    while (block.size() < 65536)
        block += line;
    long long left = total;
    while (left > 0) {
        const std::size_t n = left < static_cast<long long>(block.size())
                                  ? static_cast<std::size_t>(left)
                                  : block.size();
        if (std::fwrite(block.data(), 1, n, stdout) != n)
            return 1;
        left -= static_cast<long long>(n);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
