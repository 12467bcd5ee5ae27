// Fuzzes the command-line splitter and the lossless text conversion: any bytes decode, any split
// command line builds back into one that splits the same way, and a stream decoded in two pieces
// gives the same text as decoded whole.
#include "platform/CommandLine.h"
#include "platform/Encoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace Quillmoren::Libraries::Platform;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The stream decoder's interesting paths are those of a multi-byte character set.
    setenv("LC_ALL", "C.UTF-8", 1);
    InitialiseLocale();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::wstring text = DecodeUtf8(bytes);
    if (EncodeUtf8(text) != bytes)
        std::abort();

    const std::vector<std::wstring> arguments = SplitCommandLine(text);
    if (SplitCommandLine(BuildCommandLine(arguments)) != arguments)
        std::abort();
    std::wstring first;
    const std::wstring_view rest = SplitFirstArgument(text, first);
    if (!arguments.empty() && (first != arguments.front() || rest.size() >= text.size()))
        std::abort();

    const std::size_t cut = size == 0 ? 0 : data[0] % size;
    CAnsiStreamDecoder decoder;
    std::wstring pieces;
    decoder.Decode(bytes.substr(0, cut), pieces);
    decoder.Decode(bytes.substr(cut), pieces);
    decoder.Finish(pieces);
    if (pieces != DecodeAnsi(bytes))
        std::abort();
    return 0;
}
