// A framework for reading XML documents: parser events routed to member functions of a derived
// reader by keys over the current element path, such as "s,/doc/message".
#pragma once

#include "utils/Result.h"
#include "utils/TextHelpers.h"
#include "utils/XmlServices.h"

#include <cwctype>
#include <map>
#include <string>
#include <string_view>

namespace Quillmoren::Libraries::Utils {

/// Reference counting and the element path for a content handler. `Release` never destroys: the
/// handler lives inside its reader.
class CXmlContentBase : public ISAXContentHandler {
public:
    std::int32_t AddRef() override { return ++m_referenceCount; }
    std::int32_t Release() override {
        if (--m_referenceCount <= 0)
            m_referenceCount = 0;
        return m_referenceCount;
    }
    HRESULT startElement(std::wstring_view, std::wstring_view, std::wstring_view qualifiedName,
                         const ISAXAttributes*) override {
        m_path.append(L"/").append(qualifiedName);
        return S_OK;
    }
    HRESULT endElement(std::wstring_view, std::wstring_view, std::wstring_view) override {
        const std::size_t slash = m_path.rfind(L'/');
        m_path.erase(slash == std::wstring::npos ? 0 : slash);
        return S_OK;
    }

    /// "/" and the qualified name of each open element, outermost first.
    std::wstring GetPath() const { return m_path; }

protected:
    /// The element path without a copy, valid until the next element event.
    const std::wstring& Path() const { return m_path; }
    void ClearPath() { m_path.clear(); }

private:
    std::int32_t m_referenceCount = 0;
    std::wstring m_path;
};

/// An error handler that records nothing: whether a parse failed is the parse's own result.
class CXmlErrorBase : public ISAXErrorHandler {
public:
    std::int32_t AddRef() override { return ++m_referenceCount; }
    std::int32_t Release() override {
        if (--m_referenceCount <= 0)
            m_referenceCount = 0;
        return m_referenceCount;
    }
    HRESULT error(std::wstring_view, HRESULT) override { return S_OK; }
    HRESULT fatalError(std::wstring_view, HRESULT) override { return S_OK; }
    HRESULT ignorableWarning(std::wstring_view, HRESULT) override { return S_OK; }

private:
    std::int32_t m_referenceCount = 0;
};

/// The part of `path` after its n-th "/" from the end: the last n element names; empty when the
/// path has fewer than n names. A view into `path`.
constexpr std::wstring_view PathTailView(std::wstring_view path, int n) {
    std::size_t at = path.size();
    for (int k = 0; k < n; ++k) {
        if (at == 0)
            return {};
        at = path.rfind(L'/', at - 1);
        if (at == std::wstring_view::npos)
            return {};
    }
    return path.substr(at + 1);
}

/// `PathTailView` with its last name cut off, leaving the "/" before it ("a/b/" of "a/b/c");
/// empty when the tail is empty or a single name.
constexpr std::wstring_view PathTailStemView(std::wstring_view path, int n) {
    const std::wstring_view tail = PathTailView(path, n);
    const std::size_t slash = tail.rfind(L'/');
    if (tail.empty() || slash == std::wstring_view::npos)
        return {};
    return tail.substr(0, slash + 1);
}

/// The part of `path` after its n-th "/" from the end: the last n element names; empty when the
/// path has fewer than n names.
inline std::wstring GetPathTail(std::wstring_view path, int n) {
    return std::wstring(PathTailView(path, n));
}

/// `GetPathTail` with its last name replaced by "*" (message/file becomes message/*).
inline std::wstring GetPathTailPattern(std::wstring_view path, int n) {
    const std::wstring_view stem = PathTailStemView(path, n);
    return stem.empty() ? std::wstring() : std::wstring(stem) + L"*";
}

/// Reads a document through the event parser and routes every event to a handler of `T`, a
/// member function without arguments, registered under a key: the event kind ('s' start, 'c'
/// character data, 'e' end), a comma and a pattern over the element path. The derived reader
/// registers its handlers (`RegisterHandlers`) and decides how events are routed (`OnEvent`,
/// usually through the general matcher `DispatchEvent`).
template <typename T> class CXmlFileReader : public CXmlContentBase {
public:
    using Handler = void (T::*)();

    explicit CXmlFileReader(T* owner = nullptr) : m_owner(owner) {}
    ~CXmlFileReader() override = default;
    CXmlFileReader(const CXmlFileReader&) = delete;
    CXmlFileReader& operator=(const CXmlFileReader&) = delete;

    /// Parses a whole document; true when the parser reports success. Handlers have run for the
    /// events before a failure.
    bool ParseDocument(const std::wstring& document) {
        RegisterHandlers();
        ClearPath(); // a parse after a failed one starts from the top
        m_attributes = nullptr;
        CSaxXmlReader parser;
        CXmlErrorBase errors;
        if (Failed(parser.putContentHandler(this)) || Failed(parser.putErrorHandler(&errors)) ||
            Failed(parser.putFeature(L"exhaustive-errors", true)) ||
            Failed(parser.putFeature(L"schema-validation", true)))
            return false;
        std::wstring_view text(document);
        // A UTF-8 signature read as three single-byte characters.
        if (text.size() > 2 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF)
            text.remove_prefix(3);
        const HRESULT result = parser.parse(text);
        m_attributes = nullptr; // the list belonged to the parse
        return Succeeded(result);
    }

    HRESULT startDocument() override { return S_OK; }
    HRESULT endDocument() override { return S_OK; }
    HRESULT startElement(std::wstring_view uri, std::wstring_view localName,
                         std::wstring_view qualifiedName,
                         const ISAXAttributes* attributes) override {
        m_attributes = attributes;
        CXmlContentBase::startElement(uri, localName, qualifiedName, attributes);
        OnEvent(L's');
        m_attributes = nullptr; // the list lives only as long as the parser's call
        return S_OK;
    }
    HRESULT endElement(std::wstring_view uri, std::wstring_view localName,
                       std::wstring_view qualifiedName) override {
        OnEvent(L'e');
        return CXmlContentBase::endElement(uri, localName, qualifiedName);
    }
    HRESULT characters(std::wstring_view text) override {
        m_text.assign(text);
        OnEvent(L'c');
        return S_OK;
    }

    /// Routes one event; called after the path, attributes or text were brought up to date.
    virtual void OnEvent(wchar_t kind) = 0;
    /// Puts the reader's keys and handlers into the handler table.
    virtual void RegisterHandlers() = 0;

    /// The general matcher: tries the nine keys of the event, each found one runs its handler.
    /// The keys are built one after the other in one buffer, so that an event costs no
    /// allocation once the buffer has grown to the longest key.
    virtual void DispatchEvent(wchar_t kind) {
        if (!HasHandlers())
            return;
        const std::wstring_view path = Path();
        const std::size_t last = path.rfind(L'/');
        const std::wstring_view leaf =
            last == std::wstring_view::npos ? path : path.substr(last + 1);
        using namespace std::string_view_literals;
        auto tryKey = [&](std::wstring_view selector, std::wstring_view pattern,
                          std::wstring_view suffix) {
            m_key.assign(1, kind).append(selector).append(pattern).append(suffix);
            InvokeHandler(m_key);
        };
        // A form that no registered key has cannot match: its key is not even built.
        auto wanted = [&](int form) { return (m_forms & (1u << form)) != 0; };
        if (wanted(0))
            tryKey(L",*,*"sv, {}, {});
        if (wanted(1))
            tryKey(L","sv, path, {});
        if (wanted(2) && last != std::wstring_view::npos) // no parent outside the document
            tryKey(L",*,"sv, path.substr(0, last), L"/*"sv);
        if (wanted(3))
            tryKey(L",*,//"sv, leaf, {});
        if (wanted(4))
            tryKey(L",-1,"sv, leaf, {});
        if (wanted(5))
            tryKey(L",-2,"sv, PathTailView(path, 2), {});
        if (wanted(6)) {
            const std::wstring_view stem = PathTailStemView(path, 2);
            tryKey(L",-2*,"sv, stem, stem.empty() ? L""sv : L"*"sv);
        }
        if (wanted(7))
            tryKey(L",-3,"sv, PathTailView(path, 3), {});
        if (wanted(8)) {
            const std::wstring_view stem = PathTailStemView(path, 3);
            tryKey(L",-3*,"sv, stem, stem.empty() ? L""sv : L"*"sv);
        }
    }

    virtual std::wstring GetElementText() const { return m_text; }

    virtual std::wstring GetAttribute(const std::wstring& name) const {
        std::wstring value;
        if (m_attributes == nullptr || Failed(m_attributes->getValueFromName(L"", name, value)))
            return {};
        return value;
    }

    virtual std::int32_t GetAttributeInt(const std::wstring& name) const {
        return ToInt32(GetAttribute(name));
    }

    virtual bool GetAttributeBool(const std::wstring& name) const {
        const std::wstring value = GetAttribute(name);
        if (value == L"1")
            return true;
        if (value.size() != 4)
            return false;
        std::wstring lower = value;
        for (wchar_t& c : lower)
            c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        return lower == L"true";
    }

    /// Runs the handler registered under `key` on the owner; false when none ran.
    virtual bool InvokeHandler(const std::wstring& key) {
        const auto found = m_handlers.find(key);
        if (found == m_handlers.end() || m_owner == nullptr)
            return false;
        (m_owner->*(found->second))();
        return true;
    }

    virtual bool HasHandlers() const { return !m_handlers.empty(); }

protected:
    /// Registers (or replaces) the handler of a key.
    void RegisterHandler(const std::wstring& key, Handler handler) {
        m_handlers[key] = handler;
        m_forms |= KeyForms(key);
    }
    const std::map<std::wstring, Handler>& Handlers() const { return m_handlers; }

private:
    /// The bit of the matcher's key form (in the order the matcher tries them) that `key` has;
    /// every bit for a key of no such form, so that it is looked up whatever it is.
    static unsigned KeyForms(std::wstring_view key) {
        if (key.size() < 2 || key[1] != L',')
            return ~0u;
        const std::wstring_view rest = key.substr(2);
        auto startsWith = [&](std::wstring_view prefix) {
            return rest.substr(0, prefix.size()) == prefix;
        };
        if (rest == L"*,*")
            return 1u << 0;
        if (startsWith(L"/"))
            return 1u << 1;
        if (startsWith(L"*,//"))
            return 1u << 3;
        if (startsWith(L"*,"))
            return 1u << 2;
        if (startsWith(L"-1,"))
            return 1u << 4;
        if (startsWith(L"-2,"))
            return 1u << 5;
        if (startsWith(L"-2*,"))
            return 1u << 6;
        if (startsWith(L"-3,"))
            return 1u << 7;
        if (startsWith(L"-3*,"))
            return 1u << 8;
        return ~0u;
    }

    const ISAXAttributes* m_attributes = nullptr;
    std::wstring m_text;
    T* m_owner;
    std::map<std::wstring, Handler> m_handlers;
    std::wstring m_key;   // the key being tried, kept to reuse its storage
    unsigned m_forms = 0; // the key forms of the registered keys, one bit each
};

} // namespace Quillmoren::Libraries::Utils
