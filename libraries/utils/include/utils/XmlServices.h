// The XML services the libraries build on: an event-driven parser over an in-memory document,
// and a document tree that can be built, loaded, searched and saved indented. Over libxml2.
#pragma once

#include "utils/Result.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Quillmoren::Libraries::Utils {

/// The attributes of the element being started; valid only during `startElement`.
class ISAXAttributes {
public:
    virtual ~ISAXAttributes() = default;
    virtual int getLength() const = 0;
    /// The value of the attribute with this namespace and local name; E_INVALIDARG when absent.
    virtual HRESULT getValueFromName(std::wstring_view uri, std::wstring_view localName,
                                     std::wstring& value) const = 0;
    virtual std::wstring getQName(int index) const = 0;
    virtual std::wstring getValue(int index) const = 0;
};

/// Receives a document's content events. Character data between two tags (text, CDATA sections
/// and character references together) arrives as one `characters` call.
class ISAXContentHandler {
public:
    virtual ~ISAXContentHandler() = default;
    virtual std::int32_t AddRef() = 0;
    virtual std::int32_t Release() = 0;
    virtual HRESULT putDocumentLocator() { return S_OK; }
    virtual HRESULT startDocument() = 0;
    virtual HRESULT endDocument() = 0;
    virtual HRESULT startPrefixMapping(std::wstring_view /*prefix*/, std::wstring_view /*uri*/) {
        return S_OK;
    }
    virtual HRESULT endPrefixMapping(std::wstring_view /*prefix*/) { return S_OK; }
    virtual HRESULT startElement(std::wstring_view uri, std::wstring_view localName,
                                 std::wstring_view qualifiedName,
                                 const ISAXAttributes* attributes) = 0;
    virtual HRESULT endElement(std::wstring_view uri, std::wstring_view localName,
                               std::wstring_view qualifiedName) = 0;
    virtual HRESULT characters(std::wstring_view text) = 0;
    virtual HRESULT ignorableWhitespace(std::wstring_view /*text*/) { return S_OK; }
    virtual HRESULT processingInstruction(std::wstring_view /*target*/,
                                          std::wstring_view /*data*/) {
        return S_OK;
    }
    virtual HRESULT skippedEntity(std::wstring_view /*name*/) { return S_OK; }
};

/// Receives the parser's errors; the parse's own result says whether it succeeded.
class ISAXErrorHandler {
public:
    virtual ~ISAXErrorHandler() = default;
    virtual std::int32_t AddRef() = 0;
    virtual std::int32_t Release() = 0;
    virtual HRESULT error(std::wstring_view message, HRESULT code) = 0;
    virtual HRESULT fatalError(std::wstring_view message, HRESULT code) = 0;
    virtual HRESULT ignorableWarning(std::wstring_view message, HRESULT code) = 0;
};

/// HRESULT of a document that is not well formed.
inline constexpr HRESULT E_XML_NOT_WELL_FORMED = static_cast<HRESULT>(0xC00CE501u);

/// An event-driven parser over a whole document held in memory. The text is already decoded, so
/// whatever encoding the document declares is ignored. Nothing outside the document is ever
/// fetched: no external entity, DTD or schema, and entity expansion stays bounded.
class CSaxXmlReader {
public:
    HRESULT putContentHandler(ISAXContentHandler* handler);
    HRESULT putErrorHandler(ISAXErrorHandler* handler);
    /// Accepts "exhaustive-errors" and "schema-validation" (which validates nothing that would
    /// have to be fetched); E_INVALIDARG for other names.
    HRESULT putFeature(std::wstring_view name, bool value);
    /// Parses the document; S_OK when it is well formed, a failure code otherwise. Events before
    /// an error have been delivered.
    HRESULT parse(std::wstring_view document);

private:
    ISAXContentHandler* m_content = nullptr;
    ISAXErrorHandler* m_error = nullptr;
};

class CXmlDocument;

/// An element of a `CXmlDocument`; a light handle that the document owns. A null element (from
/// a search that found nothing) answers every query with an empty result.
class CXmlElement {
public:
    CXmlElement() = default;
    bool IsNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    std::wstring GetName() const;
    /// The text of the element and everything inside it.
    std::wstring GetText() const;
    HRESULT SetText(std::wstring_view text);
    /// The attribute's value, or empty when absent; `found` tells which.
    std::wstring GetAttribute(std::wstring_view name, bool* found = nullptr) const;
    HRESULT SetAttribute(std::wstring_view name, std::wstring_view value);
    HRESULT AppendChild(CXmlElement child);
    /// Child elements of this name (all children for an empty name), in document order.
    std::vector<CXmlElement> GetChildElements(std::wstring_view name = {}) const;

private:
    friend class CXmlDocument;
    explicit CXmlElement(void* node) : m_node(node) {}
    void* m_node = nullptr;
};

/// A document tree: built from nothing or loaded from a file, searched, edited, and saved as
/// indented UTF-8. Loading never fetches anything from outside the file; saving replaces the
/// target whole or leaves it as it was.
class CXmlDocument {
public:
    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    /// Loads a file; S_OK, or a failure code with the document left empty.
    HRESULT Load(const std::wstring& path);
    /// Why the latest `Load` failed: the system's reason, or the parser's first error as
    /// "line N: message"; empty after one that succeeded.
    const std::wstring& GetLoadError() const;
    /// Parses a document held in memory.
    HRESULT LoadXml(std::wstring_view text);
    HRESULT Save(const std::wstring& path) const;
    /// The document as indented UTF-8 text, as `Save` writes it.
    std::string ToUtf8() const;

    /// The XML declaration is written by `Save` itself; a processing instruction with the target
    /// "xml" is accepted and leaves the document as it is.
    HRESULT AppendProcessingInstruction(std::wstring_view target, std::wstring_view data);
    /// A new element that belongs to the document and is placed where `AppendChild` puts it.
    CXmlElement CreateElement(std::wstring_view name);
    /// Makes the element the document element (the document holds one).
    HRESULT AppendChild(CXmlElement element);
    CXmlElement GetDocumentElement() const;
    /// The first element of this name in document order, or a null element.
    CXmlElement FindFirstElement(std::wstring_view name) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace Quillmoren::Libraries::Utils
