// lintwrap: runs a lint tool, echoes its output and turns its findings into the exit status.
#include "platform/Encoding.h"
#include "wrapper/Wrapper.h"

int main(int argc, char** argv) {
    namespace Platform = Quillmoren::Libraries::Platform;
    Platform::InitialiseLocale();
    std::vector<std::wstring> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Platform::DecodeAnsi(argv[i]));
    return ToProcessStatus(WrapperMain(arguments));
}
