// A command line as one text, built and split with the rules of the Windows C runtime.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Quillmoren::Libraries::Platform {

/// Joins arguments into one command line. Each argument that is empty or holds white space or a
/// double quote is quoted, with backslashes and quotes escaped, so that `SplitCommandLine` gives
/// back exactly the same arguments.
std::wstring BuildCommandLine(const std::vector<std::wstring>& arguments);

/// Splits a command line into arguments: blanks and tabs separate arguments outside quotes, a
/// double quote opens or closes a quoted part, 2n backslashes before a quote give n backslashes,
/// 2n+1 give n backslashes and a literal quote, two quotes inside a quoted part give one literal
/// quote, and other backslashes are literal. The program name follows the same rules as every
/// other argument, so that any Linux path survives a round trip.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

/// Reads the first argument of a command line with the rules of `SplitCommandLine`: its text goes
/// to `first` and the result is what follows it (separators included). An empty line gives an
/// empty `first` and an empty result.
std::wstring_view SplitFirstArgument(std::wstring_view commandLine, std::wstring& first);

} // namespace Quillmoren::Libraries::Platform
