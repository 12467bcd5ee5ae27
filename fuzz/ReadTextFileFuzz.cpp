// Fuzzes text file reading on any bytes, and the line, token, number and path routines on the
// text it decodes: nothing may crash, and each routine's result must be consistent with its
// input.
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "utils/TextHelpers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace Quillmoren::Libraries;
using namespace Quillmoren::Libraries::Utils;

namespace {

std::wstring g_path;

void RemoveFile() {
    Platform::DeleteFile(g_path);
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void ExerciseText(const std::wstring& text) {
    std::vector<std::wstring> lines;
    const std::size_t count = SplitLines(text, lines);
    Check(count == lines.size() && count <= text.size());
    for (const std::wstring& line : lines) {
        Check(line.find(L'\n') == std::wstring::npos);
        Check(line.empty() || line.back() != L'\r');

        IsValidPathName(line);
        const bool number = IsNumber(line);
        Check(IsNumber(L" " + line + L"\t") == number);

        const std::wstring normal = NormalizePathList(line);
        Check(normal.find(L'/') == std::wstring::npos && normal.size() <= line.size());

        // A line taken apart at its first blank comes back together.
        if (line.find(L' ') != std::wstring::npos)
            Check(LeftOf(line, L" ") + L" " + RightOf(line, L" ") == line);
        LeftOfNoCase(line, L"error");
        Between(line, L"(", L")");

        for (const bool skip : {false, true}) {
            std::wstring rest = line;
            while (!rest.empty()) {
                const std::size_t before = rest.size();
                const std::wstring token = NextToken(rest, L",", skip);
                Check(rest.size() < before && token.find(L',') == std::wstring::npos);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A multi-byte locale, so that text without a mark goes through a real decoder.
    setenv("LC_ALL", "C.UTF-8", 1);
    Platform::InitialiseLocale();
    int errorNumber = 0;
    g_path = Platform::CreateTempFile(L"", L"fuz", 0, errorNumber);
    if (g_path.empty())
        std::abort();
    std::atexit(RemoveFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        Platform::COutputFile file;
        int errorNumber = 0;
        Check(file.Open(g_path, errorNumber));
        Check(file.Write(std::string_view(reinterpret_cast<const char*>(data), size)));
    }

    std::wstring text;
    CTextFileInfo info;
    const HRESULT status = ReadTextFile(g_path, text, &info);
    Check(status == S_OK);
    Check(info.FileSize() == size);
    Check(info.length == static_cast<std::int32_t>(text.size()));
    // No encoding gives more characters than bytes.
    Check(text.size() <= size);
    // The file's read decodes exactly as the bytes of a pipe read by the caller do.
    std::wstring decoded;
    Check(DecodeText(std::string_view(reinterpret_cast<const char*>(data), size), decoded) ==
              S_OK &&
          decoded == text);

    ExerciseText(text);
    return 0;
}
