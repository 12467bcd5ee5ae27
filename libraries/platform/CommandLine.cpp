// Building and splitting command lines with the quoting rules of the Windows C runtime.
#include "platform/CommandLine.h"

namespace Quillmoren::Libraries::Platform {
namespace {

bool NeedsQuotes(const std::wstring& argument) {
    if (argument.empty())
        return true;
    for (const wchar_t c : argument)
        if (c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\r' || c == L'\f' ||
            c == L'"')
            return true;
    return false;
}

bool IsSeparator(wchar_t c) {
    return c == L' ' || c == L'\t';
}

} // namespace

std::wstring BuildCommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) {
        if (!line.empty())
            line.push_back(L' ');
        if (!NeedsQuotes(argument)) {
            line += argument;
            continue;
        }
        line.push_back(L'"');
        std::size_t backslashes = 0;
        for (const wchar_t c : argument) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            // Backslashes before a quote are doubled, and the quote itself is escaped.
            line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
            backslashes = 0;
            line.push_back(c);
        }
        // Backslashes before the closing quote are doubled so that it stays a closing quote.
        line.append(2 * backslashes, L'\\');
        line.push_back(L'"');
    }
    return line;
}

/// Reads one argument that starts at `i` (not a separator) and returns the position after it.
static std::size_t ReadArgument(std::wstring_view line, std::size_t i, std::wstring& argument) {
    const std::size_t n = line.size();
    bool quoted = false;
    while (i < n && (quoted || !IsSeparator(line[i]))) {
        if (line[i] == L'\\') {
            std::size_t backslashes = 0;
            while (i < n && line[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < n && line[i] == L'"') {
                argument.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument.push_back(L'"');
                    ++i;
                }
            } else {
                argument.append(backslashes, L'\\');
            }
        } else if (line[i] == L'"') {
            if (quoted && i + 1 < n && line[i + 1] == L'"') {
                argument.push_back(L'"'); // "" inside quotes is one literal quote
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            argument.push_back(line[i++]);
        }
    }
    return i;
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> arguments;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsSeparator(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::wstring argument;
        i = ReadArgument(line, i, argument);
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::wstring_view SplitFirstArgument(std::wstring_view line, std::wstring& first) {
    first.clear();
    std::size_t i = 0;
    while (i < line.size() && IsSeparator(line[i]))
        ++i;
    if (i >= line.size())
        return {};
    return line.substr(ReadArgument(line, i, first));
}

} // namespace Quillmoren::Libraries::Platform
