// Issues, line-shift records, owning issue arrays and the running statistics of a reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Quillmoren::Libraries::CodeAnalysis {

/// One finding of an analysis tool: message number and text, the file and line it refers to,
/// and the index of the category it was sorted into (-1 when none was found). A value type.
class CIssue {
public:
    CIssue(std::int32_t id, std::int32_t number, std::wstring text, std::int32_t category,
           std::wstring file, std::int32_t line)
        : m_id(id), m_number(number), m_text(std::move(text)), m_category(category),
          m_file(std::move(file)), m_line(line) {}
    virtual ~CIssue() = default;
    CIssue(const CIssue&) = default;
    CIssue& operator=(const CIssue&) = default;

    std::int32_t GetId() const { return m_id; }
    std::int32_t GetNumber() const { return m_number; }
    const std::wstring& GetText() const { return m_text; }
    std::int32_t GetCategory() const { return m_category; }
    const std::wstring& GetFile() const { return m_file; }
    std::int32_t GetLine() const { return m_line; }

private:
    std::int32_t m_id;
    std::int32_t m_number;
    std::wstring m_text;
    std::int32_t m_category;
    std::wstring m_file;
    std::int32_t m_line;
};

/// Follows where one issue's line has moved to as lines are inserted into or removed from its
/// file.
struct CIssueDelta {
    std::int32_t InitialLine = 0;
    std::int32_t CurrentLine = 0;
};

/// A growable array of element pointers that deletes its elements on `RemoveAll` and on
/// destruction when `OwnsElements` is set (false on construction). Null elements are allowed.
template <typename T> class CIssueArrayT {
public:
    CIssueArrayT() = default;
    virtual ~CIssueArrayT() {
        try {
            RemoveAll();
        } catch (...) {
            // An element that throws while it is deleted must not take the array with it.
        }
    }
    CIssueArrayT(const CIssueArrayT&) = delete;
    CIssueArrayT& operator=(const CIssueArrayT&) = delete;

    void SetOwnsElements(bool ownsElements) { m_ownsElements = ownsElements; }
    bool GetOwnsElements() const { return m_ownsElements; }

    /// Appends an element and returns its index.
    std::size_t Add(T* element) {
        m_elements.push_back(element);
        return m_elements.size() - 1;
    }
    std::size_t GetCount() const { return m_elements.size(); }
    bool IsEmpty() const { return m_elements.empty(); }
    /// Grows with null elements or shrinks, dropping (not deleting) the pointers cut off.
    void SetCount(std::size_t count) { m_elements.resize(count, nullptr); }
    /// The element at an index; null for an index outside the array.
    T* GetAt(std::size_t index) const {
        return index < m_elements.size() ? m_elements[index] : nullptr;
    }
    /// Replaces the pointer at an index (without deleting the old one); false outside the array.
    bool SetAt(std::size_t index, T* element) {
        if (index >= m_elements.size())
            return false;
        m_elements[index] = element;
        return true;
    }
    T* operator[](std::size_t index) const { return GetAt(index); }

    void RemoveAll() {
        if (m_ownsElements) {
            for (T* element : m_elements)
                delete element;
        }
        m_elements.clear();
    }

private:
    std::vector<T*> m_elements;
    bool m_ownsElements = false;
};

class CIssueArray : public CIssueArrayT<CIssue> {
public:
    ~CIssueArray() override = default;
};

class CIssueDeltaArray : public CIssueArrayT<CIssueDelta> {
public:
    ~CIssueDeltaArray() override = default;
};

/// The count of one message number, and the category of its latest issue.
struct CMessageTally {
    std::int32_t Number = 0;
    std::int32_t Count = 0;
    std::int32_t Category = 0;
};

/// The running counts of a reader: issues, per category, per message number.
struct CIssueStatistics {
    std::int64_t LastIssueTime = 0;
    std::int32_t IssueCount = 0;
    std::int32_t HighestCategory = -1;
    bool FatalSeen = false;
    std::map<std::int32_t, std::int32_t> CategoryCounts;
    std::map<std::int32_t, CMessageTally> MessageCounts;

    /// Counts one added issue.
    void RecordIssue(std::int32_t number, std::int32_t category, bool fatal);
    void Reset();
};

/// The lines of a read that name a message's kind and number (such as "Warning 613:") but gave
/// no issue: a sign that the output uses a layout the reader does not know.
struct CUnreadLines {
    /// How many there were.
    std::size_t Count = 0;
    /// The first few, as 1-based line numbers in the text and the lines themselves.
    std::vector<std::pair<std::int32_t, std::wstring>> First;

    static constexpr std::size_t kKept = 5;
};

} // namespace Quillmoren::Libraries::CodeAnalysis
