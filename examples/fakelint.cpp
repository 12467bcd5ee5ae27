// fakelint: a stand-in for the lint tool that replays a recorded session.
//
//   fakelint [--exit-code N] [--delay-ms N] SESSION [LINT-ARGUMENT...]
//
// Each line of SESSION is written to standard output as it stands, except lines that begin with
// "2>", which go (without the marker) to standard error. Each line is flushed at once, after a
// pause of --delay-ms milliseconds, so that an echo can be watched as it arrives. The lint
// arguments are accepted and ignored, as a real lint run's options would be.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    int exitCode = 0;
    int delayMs = 0;
    const char* session = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--exit-code") == 0 && i + 1 < argc) {
            exitCode = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--delay-ms") == 0 && i + 1 < argc) {
            delayMs = std::atoi(argv[++i]);
        } else if (session == nullptr) {
            session = argv[i];
        }
    }
    if (session == nullptr) {
        std::fprintf(stderr, "usage: fakelint [--exit-code N] [--delay-ms N] SESSION [ARG...]\n");
        return 2;
    }
    std::FILE* in = std::fopen(session, "rb");
    if (in == nullptr) {
        std::fprintf(stderr, "fakelint: cannot open %s: %s\n", session, std::strerror(errno));
        return 2;
    }
    std::string line;
    int c;
    auto emit = [&] {
        if (delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        std::FILE* out = stdout;
        std::string_view text = line;
        if (text.substr(0, 2) == "2>") {
            out = stderr;
            text.remove_prefix(2);
        }
        std::fwrite(text.data(), 1, text.size(), out);
        std::fflush(out);
        line.clear();
    };
    while ((c = std::fgetc(in)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            emit();
    }
    if (!line.empty())
        emit();
    std::fclose(in);
    return exitCode;
}
