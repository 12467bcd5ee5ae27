// PC-lint text output: the line tests, the location forms and the steps that take one message
// apart.
#include "codeanalysis/PcLintAnalysisResultsReaderImpl.h"

#include "platform/FileSystem.h"
#include "utils/TextHelpers.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <mutex>
#include <optional>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {
namespace {

namespace Utils = Quillmoren::Libraries::Utils;
using Utils::IsBlank;
using Utils::IsDigit;
using Utils::IsWhiteSpace;
using Utils::Trim;
using Utils::TrimStart;
using Utils::TrimView;

constexpr std::wstring_view kWrapUp = L"--- Wrap-up for Module: ";
constexpr std::wstring_view kUnparsable = L"Unable to parse analysis results: ";

bool StartsWith(std::wstring_view s, std::wstring_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::wstring_view s, wchar_t c) {
    return !s.empty() && s.back() == c;
}

std::wstring_view StripTrailing(std::wstring_view s, wchar_t c) {
    while (!s.empty() && s.back() == c)
        s.remove_suffix(1);
    return s;
}

wchar_t Lower(wchar_t c) {
    if (c < 0x80)
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

/// Whether `word` (lower-case ASCII) stands at `at` in `text`, without regard to case.
bool MatchesNoCase(std::wstring_view text, std::size_t at, std::wstring_view word) {
    if (at + word.size() > text.size())
        return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (Lower(text[at + k]) != word[k])
            return false;
    return true;
}

std::wstring_view StripParentheses(std::wstring_view s) {
    if (s.size() >= 2 && s.front() == L'(' && s.back() == L')')
        return s.substr(1, s.size() - 2);
    return s;
}

/// Splits the text into lines at line feeds, as views into it: a copy of every line would double
/// the memory of a large output. Carriage returns at the end of a line are dropped, and a final
/// line feed adds no empty line.
std::vector<std::wstring_view> SplitLineViews(std::wstring_view text) {
    std::vector<std::wstring_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L'\n', start);
        lines.push_back(StripTrailing(text.substr(start, end == std::wstring_view::npos
                                                             ? std::wstring_view::npos
                                                             : end - start),
                                      L'\r'));
        if (end == std::wstring_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::size_t SkipBlanks(std::wstring_view s, std::size_t at) {
    while (at < s.size() && IsBlank(s[at]))
        ++at;
    return at;
}

std::size_t SkipDigits(std::wstring_view s, std::size_t at) {
    while (at < s.size() && IsDigit(s[at]))
        ++at;
    return at;
}

/// The words with which the tool names the kind of a message, as in "Warning 530:".
constexpr std::array<std::wstring_view, 5> kTypeWords = {L"error", L"warning", L"info", L"note",
                                                         L"supplemental"};

/// A message's kind and number, as in "warning 534: text", taken apart.
struct TypeNumber {
    std::wstring_view type;
    std::wstring_view number;
    std::size_t textStart = 0; ///< where the message text starts, after the colon and blanks
};

/// Whether a type word, blanks, a number and a colon stand at `at` in `s` ("Warning 530:",
/// "supplemental 891:"), the word in any case.
std::optional<TypeNumber> MatchTypeNumber(std::wstring_view s, std::size_t at) {
    for (const std::wstring_view word : kTypeWords) {
        if (!MatchesNoCase(s, at, word))
            continue;
        const std::size_t digits = SkipBlanks(s, at + word.size());
        if (digits == at + word.size())
            return std::nullopt;
        const std::size_t end = SkipDigits(s, digits);
        if (end == digits || end >= s.size() || s[end] != L':')
            return std::nullopt;
        return TypeNumber{s.substr(at, word.size()), s.substr(digits, end - digits),
                          SkipBlanks(s, end + 1)};
    }
    return std::nullopt;
}

/// A message whose location is written in one of the layouts with a column (or with a quoted
/// file name), taken apart; the views point into the text that was read.
struct ColumnLayout {
    std::wstring_view file;
    std::wstring_view line;
    TypeNumber kind;
};

/// `line [column] type number:` from `at` on, after at least one blank.
std::optional<ColumnLayout> MatchLineColumnType(std::wstring_view s, std::size_t at,
                                                bool columnRequired) {
    const std::size_t lineStart = SkipBlanks(s, at);
    const std::size_t lineEnd = SkipDigits(s, lineStart);
    if (lineStart == at || lineEnd == lineStart)
        return std::nullopt;
    std::size_t next = SkipBlanks(s, lineEnd);
    if (next == lineEnd)
        return std::nullopt;
    if (const std::size_t columnEnd = SkipDigits(s, next); columnEnd > next) {
        next = SkipBlanks(s, columnEnd);
        if (next == columnEnd)
            return std::nullopt;
    } else if (columnRequired) {
        return std::nullopt;
    }
    const std::optional<TypeNumber> kind = MatchTypeNumber(s, next);
    if (!kind)
        return std::nullopt;
    return ColumnLayout{{}, s.substr(lineStart, lineEnd - lineStart), *kind};
}

/// `"file" line [column] type number: text`, as a -format with a quoted file name writes it, and
/// `<name> line [column] type number: text`, a pseudo-file such as "<command line option>" in
/// the default layout (which may hold blanks, as a quoted name may). The quotes are not part of
/// the file; the brackets are.
std::optional<ColumnLayout> MatchDelimitedFile(std::wstring_view s) {
    if (s.empty() || (s.front() != L'"' && s.front() != L'<'))
        return std::nullopt;
    const bool quoted = s.front() == L'"';
    const std::size_t close = s.find(quoted ? L'"' : L'>', 1);
    if (close == std::wstring_view::npos || close == 1)
        return std::nullopt;
    std::optional<ColumnLayout> layout = MatchLineColumnType(s, close + 1, false);
    if (layout)
        layout->file = quoted ? s.substr(1, close - 1) : s.substr(0, close + 1);
    return layout;
}

/// `file:line[:column]: type number: text`, PC-lint Plus's compiler-like layout. The file is
/// what stands before the first colon that a digit follows (so a drive's colon is passed over);
/// it holds no ": ", which would make it a message of another layout.
std::optional<ColumnLayout> MatchCompilerLayout(std::wstring_view s) {
    for (std::size_t colon = s.find(L':'); colon != std::wstring_view::npos;
         colon = s.find(L':', colon + 1)) {
        if (colon + 1 >= s.size() || IsBlank(s[colon + 1]))
            return std::nullopt;
        if (colon == 0 || !IsDigit(s[colon + 1]))
            continue;
        const std::size_t lineEnd = SkipDigits(s, colon + 1);
        std::size_t end = lineEnd;
        if (end + 1 < s.size() && s[end] == L':' && IsDigit(s[end + 1]))
            end = SkipDigits(s, end + 1);
        if (end >= s.size() || s[end] != L':')
            return std::nullopt;
        const std::size_t typeStart = SkipBlanks(s, end + 1);
        if (typeStart == end + 1)
            return std::nullopt;
        const std::optional<TypeNumber> kind = MatchTypeNumber(s, typeStart);
        if (!kind)
            return std::nullopt;
        return ColumnLayout{s.substr(0, colon), s.substr(colon + 1, lineEnd - colon - 1), *kind};
    }
    return std::nullopt;
}

/// `file  line column  type number: text`, the default layout with the column added. The file
/// ends at the first run of blanks that a line, a column and the message's kind follow; it holds
/// no ": ", which would make it a message of another layout.
std::optional<ColumnLayout> MatchFileLineColumn(std::wstring_view s) {
    for (std::size_t blank = s.find(L' '); blank != std::wstring_view::npos && blank > 0;
         blank = s.find(L' ', SkipBlanks(s, blank))) {
        if (s[blank - 1] == L':')
            return std::nullopt;
        const std::size_t next = SkipBlanks(s, blank);
        if (next >= s.size() || !IsDigit(s[next]))
            continue;
        std::optional<ColumnLayout> layout = MatchLineColumnType(s, blank, true);
        if (layout) {
            layout->file = TrimView(s.substr(0, blank));
            return layout;
        }
    }
    return std::nullopt;
}

/// The layouts that carry a column, or quote or bracket the file name, in the order they are
/// tried.
std::optional<ColumnLayout> MatchColumnLayout(std::wstring_view s) {
    if (std::optional<ColumnLayout> layout = MatchDelimitedFile(s))
        return layout;
    if (std::optional<ColumnLayout> layout = MatchCompilerLayout(s))
        return layout;
    return MatchFileLineColumn(s);
}

/// Whether a line names a message's kind and number ("Warning 613:"), wherever it stands: such
/// a line that gives no issue shows a layout the reader does not know.
bool LooksLikeMessage(std::wstring_view line) {
    if (line.find(L':') == std::wstring_view::npos)
        return false;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (at > 0 && std::iswalpha(static_cast<wint_t>(line[at - 1])))
            continue;
        if (MatchTypeNumber(line, at))
            return true;
    }
    return false;
}

/// Whether a location token is that of no file, "(0):".
bool IsNoFileLocation(std::wstring_view token) {
    const std::wstring line = Utils::Between(token, L"(", L")");
    return Utils::IsNumber(line) && Utils::ToInt32(line) == 0;
}

/// The file of an issue: a path in the one form that every layout gives it, a pseudo-file
/// ("<stdin>") as the tool wrote it.
std::wstring IssueFile(const std::wstring& file) {
    return CAnalysisResultsReaderImpl::IsPseudoFileName(TrimView(file))
               ? file
               : Utils::NormalizePathList(file);
}

using Reader = CPcLintAnalysisResultsReaderImpl;
using Lines = std::vector<std::wstring_view>;

/// The working state of one message while it is taken apart. `at` is the last line that the
/// message has consumed; the steps that read following lines move it on.
struct Message {
    Message(const Lines& allLines, std::size_t first)
        : lines(allLines), at(first), header(allLines[first]) {}

    const Lines& lines;
    std::size_t at;
    std::wstring header; ///< the line at which the message starts
    std::wstring rest;   ///< what remains of the message while it is taken apart
    std::wstring file;
    std::wstring lineReference;
    std::wstring type;
    std::wstring numberText;
    std::int32_t number = 0;
    std::wstring text;
    std::vector<std::size_t> ignored; ///< lines it consumed without taking their text

    bool HasNextLine() const { return at + 1 < lines.size(); }
    std::wstring_view NextLine() const { return lines[at + 1]; }
};

/// The layouts with a column or a quoted file name say exactly where each part stands; they are
/// tried first, so that nothing in the text is taken for a location.
bool TakeColumnLayout(Message& m) {
    const std::optional<ColumnLayout> layout = MatchColumnLayout(m.rest);
    if (!layout)
        return false;
    m.file = std::wstring(layout->file);
    m.lineReference = std::wstring(layout->line);
    m.type = std::wstring(layout->kind.type);
    m.numberText = std::wstring(layout->kind.number);
    m.rest.erase(0, layout->kind.textStart);
    return true;
}

/// `file(12): text`: the first location token, with the file before it. A token at the start is
/// the location of no file with the line 0 only: the tool writes "(0): Info 766: ..." for notes
/// about a whole module, and no line of no file otherwise.
bool TakeLocationToken(Message& m) {
    const std::ptrdiff_t found = Reader::FindLocation(m.rest);
    if (found < 0)
        return false;
    const auto open = static_cast<std::size_t>(found);
    const std::size_t end = m.rest.find(L':', open) + 1;
    const std::wstring_view token = std::wstring_view(m.rest).substr(open, end - open);
    if (open == 0 && !IsNoFileLocation(token))
        return false;
    m.lineReference = Utils::Between(token, L"(", L")");
    m.file = m.rest.substr(0, open);
    m.rest.erase(0, end);
    return true;
}

/// `file(12)` alone on its line: the message follows on the next lines.
void TakeTrailingLocation(Message& m) {
    const std::size_t open = m.rest.rfind(L'(');
    m.lineReference = std::wstring(StripTrailing(std::wstring_view(m.rest).substr(open + 1), L')'));
    m.file = m.rest.substr(0, open);
    m.rest.clear();
}

/// `Info 766: text` without a location: a message about the module being wrapped up.
void TakeTypeNumber(Message& m, const std::wstring& module) {
    m.type = Utils::LeftOf(m.rest, L" ");
    m.numberText = Utils::Between(m.rest, L" ", L":");
    Utils::NextToken(m.rest, L": ", true);
    m.file = module;
    m.lineReference.clear();
}

/// `file  line  Warning 530: text`: file and line as the first two words.
void TakeFileAndLineWords(Message& m) {
    m.file = Utils::NextToken(m.rest, L" ", true);
    m.rest = Trim(m.rest);
    m.lineReference = Utils::NextToken(m.rest, L" ", true);
}

/// Takes the file and the line, and in the layouts that put them first the kind and the number,
/// off the front of the message.
void ReadLocation(Message& m, const std::wstring& module) {
    m.rest = TrimStart(m.header);
    if (TakeColumnLayout(m) || TakeLocationToken(m))
        return;
    if (Reader::HasTrailingLocation(m.rest))
        TakeTrailingLocation(m);
    else if (Reader::IsTypeNumberLine(m.rest))
        TakeTypeNumber(m, module);
    else
        TakeFileAndLineWords(m);
}

/// Appends the indented lines that continue a message whose line does not end in ")". An empty
/// line, a message line or an echoed source line ends the message and is left for the main loop;
/// a continuation that starts with "_" ends it and is consumed. Other lines are passed over.
void ReadContinuation(Message& m) {
    if (EndsWith(m.rest, L')'))
        return;
    while (m.HasNextLine()) {
        const std::wstring_view next = m.NextLine();
        if (next.empty() || Reader::IsMessageLine(next) || Reader::IsSourceLine(next))
            return;
        ++m.at;
        if (!Reader::IsContinuationLine(next)) {
            m.ignored.push_back(m.at);
            continue;
        }
        const std::wstring_view continued = TrimView(next);
        if (StartsWith(continued, L"_"))
            return;
        m.rest.append(L" ").append(continued);
    }
}

/// The message's number, and its kind when the location did not give it: `Warning 530:` at the
/// front of the rest.
void ReadNumber(Message& m) {
    if (!m.numberText.empty()) {
        m.numberText = Utils::LeftOf(m.numberText, L":");
    } else {
        std::wstring_view rest = TrimView(m.rest);
        while (!rest.empty() && rest.front() == L':')
            rest.remove_prefix(1);
        m.rest = std::wstring(rest);
        m.numberText = Trim(Utils::NextToken(m.rest, L":", true));
        m.type = Utils::LeftOf(m.numberText, L" ");
        m.numberText = Utils::RightOf(m.numberText, L" ");
    }
    m.number = Utils::ToInt32(m.numberText);
}

/// `(Error -- text)`: the kind stands inside the parentheses before "--", the text after it.
void ReadParenthesisedForm(Message& m) {
    m.rest = TrimStart(m.rest);
    if (!StartsWith(m.rest, L"("))
        return;
    const std::wstring type = Trim(Utils::NextToken(m.rest, L"--", true));
    m.type = type.substr(std::min(type.find_first_not_of(L'('), type.size()));
    if (EndsWith(m.rest, L')'))
        m.rest.pop_back();
}

/// `: Warning 529: text`, gathered from the lines after a location alone on its line: the number
/// and the text come from here.
void TakeNumberFromText(Message& m) {
    const std::wstring numberText = Utils::RightOf(Trim(Utils::Between(m.text, L":", L":")), L" ");
    m.number = Utils::ToInt32(numberText);
    const std::wstring after = Utils::RightOf(m.text, numberText);
    const std::size_t start = after.find_first_not_of(L": ");
    m.text = start == std::wstring::npos ? std::wstring() : after.substr(start);
}

/// The message's text: what remains of its lines, or, when nothing does, the following lines up
/// to the next message line or echoed source line. Empty lines do not end that gathering.
void GatherText(Message& m) {
    m.text = Trim(m.rest);
    if (!m.text.empty() || !m.HasNextLine())
        return;
    while (m.HasNextLine()) {
        const std::wstring_view next = m.NextLine();
        if (Reader::IsMessageLine(next) || StartsWith(next, L"     "))
            break;
        ++m.at;
        m.text.append(L" ").append(TrimView(next));
    }
    m.text = Trim(m.text);
    if (StartsWith(m.text, L":"))
        TakeNumberFromText(m);
}

/// Adds the issue that stands for a message whose issue was refused: number 0, the source as its
/// file and the message's last line, so that nothing the tool said goes unnoticed.
void ReportUnparsable(CAnalysisResultsReaderImpl& reader, const Message& m) {
    reader.AddIssue(reader.GetSourcePath(), std::to_wstring(m.at + 1), 0, m.type,
                    std::wstring(kUnparsable) + m.header);
}

/// Adds the message's issue when it has a number, a text and no negative line; false when it
/// lacks one of them.
bool AddMessageIssue(CAnalysisResultsReaderImpl& reader, const Message& m) {
    if (m.number <= 0 || m.text.empty() ||
        (!m.lineReference.empty() && Utils::ToInt32(m.lineReference) < 0))
        return false;
    if (!reader.AddIssue(IssueFile(m.file), m.lineReference, m.number, m.type,
                         std::wstring(StripParentheses(m.text))))
        ReportUnparsable(reader, m);
    return true;
}

/// `Error 322: text` at the start of the line, with no location.
bool AddLeadingErrorIssue(CAnalysisResultsReaderImpl& reader, const Message& m,
                          std::wstring& rest) {
    const std::wstring type = Utils::NextToken(rest, L" ", true);
    const std::int32_t number = Utils::ToInt32(Utils::NextToken(rest, L":", true));
    const std::wstring text = Trim(rest);
    if (number <= 0 || text.empty())
        return false;
    // With no file, a refusal is one that the report of the line would meet as well.
    reader.AddIssue(L"", m.lineReference, number, type, text);
    return true;
}

/// `file 17 Error 10: text`, the file holding blanks: the line is the last word before "Error".
bool AddFileLineErrorIssue(CAnalysisResultsReaderImpl& reader, const Message& m,
                           std::wstring_view before, std::wstring& rest) {
    const std::size_t blank = before.rfind(L' ');
    const std::wstring lineReference(before.substr(blank + 1));
    if (!Utils::IsNumber(lineReference))
        return false;
    const std::wstring numberText =
        TrimStart(Utils::RightOf(Trim(Utils::NextToken(rest, L":", true)), L" "));
    const std::int32_t number = Utils::ToInt32(numberText);
    const std::wstring text = Trim(rest);
    if (number <= 0 || text.empty())
        return false;
    const std::wstring file = IssueFile(std::wstring(before.substr(0, blank)));
    if (!reader.AddIssue(file, lineReference, number, L"", text))
        ReportUnparsable(reader, m);
    return true;
}

/// The last resort for a line that carries the word "error" in a layout of its own; false when
/// it gives no issue either.
bool AddErrorWordIssue(CAnalysisResultsReaderImpl& reader, const Message& m) {
    const std::wstring left = Utils::LeftOfNoCase(m.header, L"Error");
    std::wstring rest = m.header.substr(left.size());
    const std::wstring_view before = TrimView(left);
    if (before.empty())
        return AddLeadingErrorIssue(reader, m, rest);
    if (before.find(L'(') == std::wstring_view::npos &&
        before.find(L' ') != std::wstring_view::npos)
        return AddFileLineErrorIssue(reader, m, before, rest);
    return false;
}

} // namespace

bool CPcLintAnalysisResultsReaderImpl::IsCompletionLine(std::wstring_view line) {
    if (line.find(L"900") == std::wstring_view::npos)
        return false; // the common case, decided without taking the line apart
    std::wstring rest = Trim(line);
    const std::wstring first = Utils::NextToken(rest, L" ", true);
    const std::wstring second = Utils::NextToken(rest, L" ", true);
    bool kind = false;
    for (const std::wstring_view word : {L"info", L"note", L"warning", L"error"})
        kind = kind || (first.size() == word.size() && MatchesNoCase(first, 0, word));
    return kind && StripTrailing(second, L':') == L"900" &&
           !Utils::Between(rest, L"completion,", L"messages").empty();
}

bool CPcLintAnalysisResultsReaderImpl::IsMessageLine(std::wstring_view line) {
    if (line.size() <= 2 || (line[0] == L' ' && line[1] == L' '))
        return false;
    const std::wstring_view text = TrimView(line);
    // The first place where one of the words stands (inside longer words too), and whether a
    // colon follows it.
    static constexpr std::array<std::wstring_view, 5> kWords = {L"issue", L"info", L"note",
                                                                L"warning", L"error"};
    // PC-lint Plus's follow-ups ("supplemental 891:") name none of the words: only a line that
    // names it can be one of them.
    bool supplemental = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const wchar_t c = Lower(text[at]);
        if (c == L's') {
            supplemental = supplemental || MatchesNoCase(text, at, L"supplemental");
            continue;
        }
        if (c != L'i' && c != L'n' && c != L'w' && c != L'e')
            continue;
        for (const std::wstring_view word : kWords) {
            if (word.front() == c && MatchesNoCase(text, at, word))
                return text.find(L':', at + word.size()) != std::wstring_view::npos ||
                       HasTrailingLocation(text) || MatchColumnLayout(text).has_value();
        }
    }
    return HasTrailingLocation(text) || (supplemental && MatchColumnLayout(text).has_value());
}

bool CPcLintAnalysisResultsReaderImpl::HasTrailingLocation(std::wstring_view text) {
    if (!EndsWith(text, L')'))
        return false;
    const std::size_t open = text.rfind(L'(');
    if (open == std::wstring_view::npos || open == 0)
        return false;
    // Only a line number: a message ends in parentheses of its own often enough, as in
    // "Loss of precision (initialization) (31 bits to 8 bits)".
    const std::wstring_view inner = TrimView(StripTrailing(text.substr(open + 1), L')'));
    return !inner.empty() && SkipDigits(inner, 0) == inner.size();
}

bool CPcLintAnalysisResultsReaderImpl::IsSourceLine(std::wstring_view line) {
    if (line.empty() || IsMessageLine(line))
        return false;
    if (line.size() >= 5 && line.substr(0, 5) == L"     ")
        return true;
    const std::wstring_view text = TrimView(line);
    return !text.empty() && (text.front() == L'#' || text.front() == L'}');
}

bool CPcLintAnalysisResultsReaderImpl::IsContinuationLine(std::wstring_view line) {
    return (line.size() >= 5 && line.substr(0, 4) == L"    " && line[4] != L' ') ||
           StartsWith(line, L"(Error --");
}

bool CPcLintAnalysisResultsReaderImpl::IsLocationToken(std::wstring_view text) {
    if (!EndsWith(text, L':'))
        return false;
    const std::wstring_view inner = TrimView(StripTrailing(text, L':'));
    if (inner.size() < 2 || inner.front() != L'(' || inner.back() != L')')
        return false;
    return inner == L"()" || Utils::IsNumber(inner.substr(1, inner.size() - 2));
}

bool CPcLintAnalysisResultsReaderImpl::IsTypeNumberLine(std::wstring_view text) {
    return Utils::IsNumber(Utils::Between(text, L" ", L":"));
}

std::ptrdiff_t CPcLintAnalysisResultsReaderImpl::FindLocation(std::wstring_view text) {
    for (std::size_t open = text.find(L'('); open != std::wstring_view::npos;
         open = text.find(L'(', open + 1)) {
        const std::size_t colon = text.find(L':', open);
        if (colon == std::wstring_view::npos)
            return -1;
        if (IsLocationToken(text.substr(open, colon - open + 1)))
            return static_cast<std::ptrdiff_t>(open);
    }
    return -1;
}

bool CPcLintAnalysisResultsReaderImpl::ReadFile(const std::wstring& path, bool checkDuplicates) {
    std::lock_guard lock(Lock());
    Reset();
    if (path.empty() || !Platform::PathExists(path))
        return false;
    std::wstring text;
    Utils::ReadTextFile(path, text); // an unreadable file leaves the text empty
    return ReadFileText(path, std::move(text), checkDuplicates);
}

bool CPcLintAnalysisResultsReaderImpl::ReadFileText(const std::wstring& path, std::wstring text,
                                                    bool checkDuplicates) {
    std::lock_guard lock(Lock());
    SetSourcePath(path);
    return ReadText(std::move(text), checkDuplicates);
}

bool CPcLintAnalysisResultsReaderImpl::Parse() {
    std::lock_guard lock(Lock());
    const bool hasText = !Text().empty();
    if (hasText)
        ReadLines(SplitLineViews(Text()));
    Summarize();
    return hasText || Statistics().FatalSeen;
}

void CPcLintAnalysisResultsReaderImpl::ReadLines(const std::vector<std::wstring_view>& lines) {
    std::wstring module;
    std::wstring lastLineReference;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::wstring_view current = lines[i];
        if (IsCompletionLine(current))
            break;
        if (const std::size_t wrapUp = current.find(kWrapUp); wrapUp != std::wstring_view::npos)
            module = Trim(current.substr(wrapUp + kWrapUp.size()));
        if (IsMessageLine(current)) {
            i = ReadMessage(lines, i, module, lastLineReference);
            lastLineReference.clear();
        } else {
            lastLineReference = Trim(Utils::Between(current, L"line", L":"));
            NoteIfUnread(lines, i);
        }
    }
}

std::size_t
CPcLintAnalysisResultsReaderImpl::ReadMessage(const std::vector<std::wstring_view>& lines,
                                              std::size_t first, const std::wstring& module,
                                              const std::wstring& lastLineReference) {
    Message m(lines, first);
    ReadLocation(m, module);
    m.rest = TrimStart(m.rest);
    if (m.lineReference.empty())
        m.lineReference = lastLineReference;
    ReadContinuation(m);
    ReadNumber(m);
    ReadParenthesisedForm(m);
    GatherText(m);
    // A message that gave an issue leaves unread only the lines it passed over; one that gave
    // none leaves all of its lines unread.
    if (AddMessageIssue(*this, m) || AddErrorWordIssue(*this, m)) {
        for (const std::size_t line : m.ignored)
            NoteIfUnread(lines, line);
    } else {
        for (std::size_t line = first; line <= m.at; ++line)
            NoteIfUnread(lines, line);
    }
    return m.at;
}

void CPcLintAnalysisResultsReaderImpl::NoteIfUnread(const std::vector<std::wstring_view>& lines,
                                                    std::size_t index) {
    if (LooksLikeMessage(lines[index]))
        AddUnreadLine(static_cast<std::int32_t>(index + 1), lines[index]);
}

} // namespace Quillmoren::Libraries::CodeAnalysis
