// The line rules by which the message list import reads the tool's message list: entry numbers and
// ranges, the title column, titles before "--", the explanation's indent and its paragraphs.
#pragma once

#include "codeanalysis/MessageDatabase.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Quillmoren::Libraries::CodeAnalysis {

/// The line with each tab replaced by the blanks up to the next stop (every `stop` columns).
std::wstring ExpandTabs(std::wstring_view line, std::size_t stop = 4);

/// True when the line begins with a decimal digit, or with a blank and then a digit.
bool BeginsWithNumber(std::wstring_view line);

/// Splits the number off the front of an entry line: the text before the first blank (the whole
/// line when there is none; nothing when the line begins with a blank). "1001-1005" gives the
/// number text "1001" and the range end "1005"; a number without "-" an empty range end.
void SplitNumberRange(std::wstring_view line, std::wstring& numberText, std::wstring& rangeEnd);

/// True for an entry number of digits followed by "X"s ("2XX", "12XX"): such an entry describes a
/// range of messages (the internal errors), whose members have entries of their own.
bool IsRangeDescription(std::wstring_view numberText);

/// The column where the text after the entry number and its blanks starts (the title column),
/// with that text in `rest`. -1, with an empty rest, for a line that begins with a blank; the
/// line's length for a line that is all number.
std::int32_t FindTitleColumn(std::wstring_view line, std::wstring& rest);

/// Splits "title -- text" at the first "--" after the start: the title trimmed, and the text
/// after the "--" and the one character behind it. Without such a "--" the title is empty, the
/// text is all of `text`, and the answer is false.
bool SplitTitle(std::wstring_view text, std::wstring& title, std::wstring& rest);

/// The line from the title column on, or from its first non-blank character when that comes
/// earlier, so that an explanation line indented less than the title keeps all of its text.
std::wstring CutIndent(std::wstring_view line, std::int32_t column);

/// Rebuilds `InfoText` from `Lines`: lines that start with text are joined into paragraphs with
/// single blanks; an empty line, or one indented further (a code example), ends the paragraph
/// and is kept as it is.
void JoinLines(CMessageRecord& entry);

} // namespace Quillmoren::Libraries::CodeAnalysis
