// The statistics record of a results reader.
#include "codeanalysis/Issue.h"

#include <ctime>

namespace Quillmoren::Libraries::CodeAnalysis {

void CIssueStatistics::RecordIssue(std::int32_t number, std::int32_t category, bool fatal) {
    LastIssueTime = static_cast<std::int64_t>(std::time(nullptr));
    ++IssueCount;
    if (HighestCategory < category)
        HighestCategory = category;
    ++CategoryCounts[category];
    CMessageTally& tally = MessageCounts[number];
    tally.Number = number;
    tally.Category = category;
    ++tally.Count;
    if (fatal)
        FatalSeen = true;
}

void CIssueStatistics::Reset() {
    *this = CIssueStatistics();
}

} // namespace Quillmoren::Libraries::CodeAnalysis
