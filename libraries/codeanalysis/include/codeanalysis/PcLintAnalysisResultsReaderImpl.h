// The reader of PC-lint's plain-text output.
#pragma once

#include "codeanalysis/AnalysisResultsReaderImpl.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

/// Reads PC-lint's text output in all the layouts the tool is commonly configured for (location in
/// parentheses after the file name, file and line as separate words, messages without a location
/// under a module's wrap-up, messages spread over several lines) in one pass, up to the closing
/// "900" completion note. A line that looks like a message but cannot be stored becomes an issue
/// of its own that reports the line, so that nothing the tool said goes unnoticed.
class CPcLintAnalysisResultsReaderImpl : public CAnalysisResultsReaderImpl {
public:
    using CAnalysisResultsReaderImpl::CAnalysisResultsReaderImpl;

    bool Parse() override;
    bool ReadFile(const std::wstring& path, bool checkDuplicates) override;
    bool ReadFileText(const std::wstring& path, std::wstring text, bool checkDuplicates) override;

    // The line tests, public so that they can be checked on their own.
    static bool IsCompletionLine(std::wstring_view line);
    static bool IsMessageLine(std::wstring_view line);
    static bool HasTrailingLocation(std::wstring_view text);
    static bool IsSourceLine(std::wstring_view line);
    static bool IsContinuationLine(std::wstring_view line);
    static bool IsLocationToken(std::wstring_view text);
    static bool IsTypeNumberLine(std::wstring_view text);
    /// Position of the "(" of the first location token such as "(12):", or -1.
    static std::ptrdiff_t FindLocation(std::wstring_view text);

private:
    /// Reads the lines up to the completion note: the messages, the module of each wrap-up and
    /// the line that a line before a message names.
    void ReadLines(const std::vector<std::wstring_view>& lines);
    /// Reads the message that starts at `lines[first]` and adds its issue; returns the last line
    /// it consumed.
    std::size_t ReadMessage(const std::vector<std::wstring_view>& lines, std::size_t first,
                            const std::wstring& module, const std::wstring& lastLineReference);
    /// Notes `lines[index]` as unread when it looks like a message.
    void NoteIfUnread(const std::vector<std::wstring_view>& lines, std::size_t index);
};

} // namespace Quillmoren::Libraries::CodeAnalysis
