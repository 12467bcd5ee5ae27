// The XML services over libxml2: the event parser with whole runs of character data, and the
// document tree.
#include "utils/XmlServices.h"

#include "platform/Encoding.h"
#include "platform/FileSystem.h"

#include <climits>
#include <cstring>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <mutex>

namespace Quillmoren::Libraries::Utils {
namespace {

namespace Platform = Quillmoren::Libraries::Platform;

const xmlChar* X(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

std::wstring Wide(const xmlChar* text) {
    return text == nullptr ? std::wstring()
                           : Platform::DecodeUtf8(reinterpret_cast<const char*>(text));
}

std::wstring Wide(const xmlChar* begin, const xmlChar* end) {
    return Platform::DecodeUtf8(std::string_view(reinterpret_cast<const char*>(begin),
                                                 static_cast<std::size_t>(end - begin)));
}

/// UTF-8 for a document tree: characters that XML cannot hold (most control characters, lone
/// surrogates, bytes that did not decode) become U+FFFD, so that a saved file always reads back.
std::string XmlUtf8(std::wstring_view text) {
    std::wstring clean(text);
    for (wchar_t& c : clean) {
        const auto u = static_cast<char32_t>(c);
        const bool allowed = u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) ||
                             (u >= 0xE000 && u <= 0xFFFD) || (u >= 0x10000 && u <= 0x10FFFF);
        if (!allowed)
            c = 0xFFFD;
    }
    return Platform::EncodeUtf8(clean);
}

/// No document may reach outside itself: every external entity, DTD or schema is refused.
xmlParserInputPtr RefuseExternal(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternal);
    });
}

void IgnoreError(void*, xmlErrorPtr) {}

/// Attributes of one start-element event, as libxml2 hands them over (five pointers each:
/// local name, prefix, namespace, value begin, value end).
class CAttributes : public ISAXAttributes {
public:
    CAttributes(const xmlChar** attributes, int count) : m_attributes(attributes), m_count(count) {}

    int getLength() const override { return m_count; }

    HRESULT getValueFromName(std::wstring_view uri, std::wstring_view localName,
                             std::wstring& value) const override {
        const std::string name = Platform::EncodeUtf8(localName);
        const std::string space = Platform::EncodeUtf8(uri);
        for (int i = 0; i < m_count; ++i) {
            const xmlChar** a = m_attributes + 5 * i;
            const char* ns = reinterpret_cast<const char*>(a[2]);
            if (name == reinterpret_cast<const char*>(a[0]) &&
                (space.empty() ? ns == nullptr || *ns == '\0' : ns != nullptr && space == ns)) {
                value = Wide(a[3], a[4]);
                return S_OK;
            }
        }
        value.clear();
        return E_INVALIDARG;
    }

    std::wstring getQName(int index) const override {
        if (index < 0 || index >= m_count)
            return {};
        const xmlChar** a = m_attributes + 5 * index;
        return a[1] != nullptr ? Wide(a[1]) + L":" + Wide(a[0]) : Wide(a[0]);
    }

    std::wstring getValue(int index) const override {
        if (index < 0 || index >= m_count)
            return {};
        const xmlChar** a = m_attributes + 5 * index;
        return Wide(a[3], a[4]);
    }

private:
    const xmlChar** m_attributes;
    int m_count;
};

/// What one parse keeps beside libxml2's own context.
struct CSaxState {
    ISAXContentHandler* content = nullptr;
    ISAXErrorHandler* error = nullptr;
    std::string pending; ///< character data since the last tag, in UTF-8
    HRESULT handlerFailure = S_OK;
};

CSaxState& StateOf(void* context) {
    return *static_cast<CSaxState*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

void Check(void* context, HRESULT result) {
    if (Succeeded(result))
        return;
    CSaxState& state = StateOf(context);
    if (Succeeded(state.handlerFailure))
        state.handlerFailure = result;
    xmlStopParser(static_cast<xmlParserCtxtPtr>(context));
}

/// Hands the run of character data collected since the last tag to the handler, whole.
void Flush(void* context) {
    CSaxState& state = StateOf(context);
    if (state.pending.empty())
        return;
    const std::wstring text = Platform::DecodeUtf8(state.pending);
    state.pending.clear();
    if (state.content != nullptr)
        Check(context, state.content->characters(text));
}

void OnStartDocument(void* context) {
    xmlSAX2StartDocument(context); // keeps the internal subset's declarations
    CSaxState& state = StateOf(context);
    if (state.content != nullptr)
        Check(context, state.content->startDocument());
}

void OnEndDocument(void* context) {
    Flush(context);
    xmlSAX2EndDocument(context);
    CSaxState& state = StateOf(context);
    if (state.content != nullptr)
        Check(context, state.content->endDocument());
}

std::wstring QualifiedName(const xmlChar* localName, const xmlChar* prefix) {
    return prefix != nullptr ? Wide(prefix) + L":" + Wide(localName) : Wide(localName);
}

void OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix,
                    const xmlChar* uri, int, const xmlChar**, int attributeCount, int,
                    const xmlChar** attributes) {
    Flush(context);
    CSaxState& state = StateOf(context);
    if (state.content == nullptr)
        return;
    const CAttributes list(attributes, attributeCount);
    Check(context, state.content->startElement(Wide(uri), Wide(localName),
                                               QualifiedName(localName, prefix), &list));
}

void OnEndElement(void* context, const xmlChar* localName, const xmlChar* prefix,
                  const xmlChar* uri) {
    Flush(context);
    CSaxState& state = StateOf(context);
    if (state.content != nullptr)
        Check(context, state.content->endElement(Wide(uri), Wide(localName),
                                                 QualifiedName(localName, prefix)));
}

void OnCharacters(void* context, const xmlChar* text, int length) {
    StateOf(context).pending.append(reinterpret_cast<const char*>(text),
                                    static_cast<std::size_t>(length));
}

void OnReference(void*, const xmlChar*) {
    // A reference to an entity that is not expanded contributes nothing.
}

void OnComment(void*, const xmlChar*) {}

void OnProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data) {
    Flush(context);
    CSaxState& state = StateOf(context);
    if (state.content != nullptr)
        Check(context, state.content->processingInstruction(Wide(target), Wide(data)));
}

void OnError(void* context, xmlErrorPtr error) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    if (parser == nullptr || parser->_private == nullptr || error == nullptr)
        return;
    CSaxState& state = *static_cast<CSaxState*>(parser->_private);
    if (state.error == nullptr)
        return;
    std::wstring message = Wide(reinterpret_cast<const xmlChar*>(error->message));
    while (!message.empty() && message.back() == L'\n')
        message.pop_back();
    const HRESULT code =
        static_cast<HRESULT>(0xC00CE000u | (static_cast<unsigned>(error->code) & 0xFFF));
    if (error->level == XML_ERR_WARNING)
        state.error->ignorableWarning(message, code);
    else if (error->level == XML_ERR_ERROR)
        state.error->error(message, code);
    else
        state.error->fatalError(message, code);
}

/// Keeps the first error of a tree build as "line N: message".
void KeepFirstError(void* context, xmlErrorPtr error) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    if (parser == nullptr || parser->_private == nullptr || error == nullptr ||
        error->level == XML_ERR_WARNING)
        return;
    auto& kept = *static_cast<std::wstring*>(parser->_private);
    if (!kept.empty())
        return;
    std::wstring message = Wide(reinterpret_cast<const xmlChar*>(error->message));
    while (!message.empty() && (message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    kept = L"line " + std::to_wstring(error->line) + L": " + message;
}

/// Parses `bytes` with `sax` (or the tree builder when null) into a context of its own. For the
/// tree builder, `privateData` may be a `std::wstring` that receives the first error.
xmlDocPtr ReadMemory(const std::string& bytes, const char* encoding, int options,
                     const xmlSAXHandler* sax, void* privateData, bool& wellFormed) {
    InitialiseLibrary();
    wellFormed = false;
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (context == nullptr)
        return nullptr;
    if (sax != nullptr)
        std::memcpy(context->sax, sax, sizeof(xmlSAXHandler));
    else
        context->sax->serror = privateData != nullptr ? KeepFirstError : IgnoreError;
    context->_private = privateData;
    xmlDocPtr doc = xmlCtxtReadMemory(context, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, encoding, options);
    wellFormed = doc != nullptr && context->wellFormed != 0;
    xmlFreeParserCtxt(context);
    return doc;
}

constexpr int kSafeOptions = XML_PARSE_NONET;

} // namespace

HRESULT CSaxXmlReader::putContentHandler(ISAXContentHandler* handler) {
    m_content = handler;
    return S_OK;
}

HRESULT CSaxXmlReader::putErrorHandler(ISAXErrorHandler* handler) {
    m_error = handler;
    return S_OK;
}

HRESULT CSaxXmlReader::putFeature(std::wstring_view name, bool) {
    // Errors are reported as they come; validation would need schemas from outside the
    // document, which are never fetched.
    return name == L"exhaustive-errors" || name == L"schema-validation" ? S_OK : E_INVALIDARG;
}

HRESULT CSaxXmlReader::parse(std::wstring_view document) {
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    xmlSAXVersion(&sax, 2);
    sax.startDocument = OnStartDocument;
    sax.endDocument = OnEndDocument;
    sax.startElementNs = OnStartElement;
    sax.endElementNs = OnEndElement;
    sax.characters = OnCharacters;
    sax.cdataBlock = OnCharacters;
    sax.ignorableWhitespace = OnCharacters;
    sax.reference = OnReference;
    sax.comment = OnComment;
    sax.processingInstruction = OnProcessingInstruction;
    sax.serror = OnError;

    CSaxState state;
    state.content = m_content;
    state.error = m_error;
    bool wellFormed = false;
    xmlDocPtr doc = ReadMemory(Platform::EncodeUtf8(document), "UTF-8",
                               kSafeOptions | XML_PARSE_IGNORE_ENC, &sax, &state, wellFormed);
    if (doc != nullptr)
        xmlFreeDoc(doc);
    if (Failed(state.handlerFailure))
        return state.handlerFailure;
    return wellFormed ? S_OK : E_XML_NOT_WELL_FORMED;
}

struct CXmlDocument::State {
    xmlDocPtr doc = nullptr;
    std::wstring loadError;
    std::vector<xmlNodePtr> created; ///< elements made here, freed unless the tree took them
};

CXmlDocument::CXmlDocument() : m_state(std::make_unique<State>()) {
    InitialiseLibrary();
    m_state->doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
}

CXmlDocument::~CXmlDocument() {
    for (xmlNodePtr node : m_state->created)
        if (node->parent == nullptr)
            xmlFreeNode(node);
    if (m_state->doc != nullptr)
        xmlFreeDoc(m_state->doc);
}

HRESULT CXmlDocument::Load(const std::wstring& path) {
    m_state->loadError.clear();
    std::string bytes;
    int error = 0;
    if (!Platform::ReadWholeFile(path, bytes, error)) {
        m_state->loadError = Platform::ErrorText(error);
        return HResultFromErrno(error);
    }
    bool wellFormed = false;
    xmlDocPtr doc =
        ReadMemory(bytes, nullptr, kSafeOptions, nullptr, &m_state->loadError, wellFormed);
    if (doc == nullptr || !wellFormed) {
        if (doc != nullptr)
            xmlFreeDoc(doc);
        if (m_state->loadError.empty())
            m_state->loadError = L"not a well-formed XML document";
        return E_XML_NOT_WELL_FORMED;
    }
    xmlFreeDoc(m_state->doc);
    m_state->doc = doc;
    return S_OK;
}

const std::wstring& CXmlDocument::GetLoadError() const {
    return m_state->loadError;
}

HRESULT CXmlDocument::LoadXml(std::wstring_view text) {
    bool wellFormed = false;
    xmlDocPtr doc = ReadMemory(Platform::EncodeUtf8(text), "UTF-8",
                               kSafeOptions | XML_PARSE_IGNORE_ENC, nullptr, nullptr, wellFormed);
    if (doc == nullptr || !wellFormed) {
        if (doc != nullptr)
            xmlFreeDoc(doc);
        return E_XML_NOT_WELL_FORMED;
    }
    xmlFreeDoc(m_state->doc);
    m_state->doc = doc;
    return S_OK;
}

std::string CXmlDocument::ToUtf8() const {
    xmlChar* memory = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(m_state->doc, &memory, &size, "UTF-8", 1);
    std::string text(reinterpret_cast<const char*>(memory),
                     size > 0 ? static_cast<std::size_t>(size) : 0);
    xmlFree(memory);
    return text;
}

HRESULT CXmlDocument::Save(const std::wstring& path) const {
    // Written beside the target, through the descriptor that created the new file, and moved
    // over it: a reader sees the old file or the new one, and a link that someone put at the
    // new file's name is never written through.
    const std::string text = ToUtf8();
    Platform::CReplacementFile file;
    int error = 0;
    if (!file.Create(path, L".tmp", error) || !file.Write(text, error) || !file.Commit(error))
        return HResultFromErrno(error);
    return S_OK;
}

HRESULT CXmlDocument::AppendProcessingInstruction(std::wstring_view target,
                                                  std::wstring_view data) {
    if (target == L"xml")
        return S_OK; // the declaration: `Save` writes it
    const std::string name = XmlUtf8(target);
    if (xmlValidateName(X(name), 0) != 0)
        return E_INVALIDARG;
    xmlNodePtr node = xmlNewDocPI(m_state->doc, X(name), X(XmlUtf8(data)));
    if (node == nullptr)
        return E_OUTOFMEMORY;
    xmlAddChild(reinterpret_cast<xmlNodePtr>(m_state->doc), node);
    return S_OK;
}

CXmlElement CXmlDocument::CreateElement(std::wstring_view name) {
    const std::string utf8 = XmlUtf8(name);
    if (xmlValidateName(X(utf8), 0) != 0)
        return {};
    xmlNodePtr node = xmlNewDocNode(m_state->doc, nullptr, X(utf8), nullptr);
    if (node == nullptr)
        return {};
    m_state->created.push_back(node);
    return CXmlElement(node);
}

HRESULT CXmlDocument::AppendChild(CXmlElement element) {
    if (element.IsNull())
        return E_POINTER;
    if (xmlDocGetRootElement(m_state->doc) != nullptr)
        return E_FAIL; // a document has one document element
    auto* node = static_cast<xmlNodePtr>(element.m_node);
    xmlUnlinkNode(node);
    xmlDocSetRootElement(m_state->doc, node);
    return S_OK;
}

CXmlElement CXmlDocument::GetDocumentElement() const {
    return CXmlElement(xmlDocGetRootElement(m_state->doc));
}

CXmlElement CXmlDocument::FindFirstElement(std::wstring_view name) const {
    const std::string wanted = Platform::EncodeUtf8(name);
    // Depth first, in document order, without recursion: documents may nest deeply.
    xmlNodePtr node = xmlDocGetRootElement(m_state->doc);
    while (node != nullptr) {
        if (node->type == XML_ELEMENT_NODE && wanted == reinterpret_cast<const char*>(node->name))
            return CXmlElement(node);
        if (node->children != nullptr && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr)
            node = node->parent != nullptr && node->parent->type == XML_ELEMENT_NODE ? node->parent
                                                                                     : nullptr;
        if (node != nullptr)
            node = node->next;
    }
    return {};
}

std::wstring CXmlElement::GetName() const {
    return m_node == nullptr ? std::wstring() : Wide(static_cast<xmlNodePtr>(m_node)->name);
}

std::wstring CXmlElement::GetText() const {
    if (m_node == nullptr)
        return {};
    xmlChar* content = xmlNodeGetContent(static_cast<xmlNodePtr>(m_node));
    std::wstring text = Wide(content);
    xmlFree(content);
    return text;
}

HRESULT CXmlElement::SetText(std::wstring_view text) {
    if (m_node == nullptr)
        return E_POINTER;
    auto* node = static_cast<xmlNodePtr>(m_node);
    xmlNodeSetContent(node, nullptr);
    // Added as plain text: an '&' in it is a character, not the start of an entity reference.
    const std::string utf8 = XmlUtf8(text);
    xmlNodeAddContentLen(node, X(utf8), static_cast<int>(utf8.size()));
    return S_OK;
}

std::wstring CXmlElement::GetAttribute(std::wstring_view name, bool* found) const {
    if (found != nullptr)
        *found = false;
    if (m_node == nullptr)
        return {};
    const std::string utf8 = Platform::EncodeUtf8(name);
    xmlChar* value = xmlGetProp(static_cast<xmlNodePtr>(m_node), X(utf8));
    if (value == nullptr)
        return {};
    if (found != nullptr)
        *found = true;
    std::wstring text = Wide(value);
    xmlFree(value);
    return text;
}

HRESULT CXmlElement::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (m_node == nullptr)
        return E_POINTER;
    const std::string utf8 = XmlUtf8(name);
    if (xmlValidateName(X(utf8), 0) != 0)
        return E_INVALIDARG;
    return xmlSetProp(static_cast<xmlNodePtr>(m_node), X(utf8), X(XmlUtf8(value))) != nullptr
               ? S_OK
               : E_OUTOFMEMORY;
}

HRESULT CXmlElement::AppendChild(CXmlElement child) {
    if (m_node == nullptr || child.m_node == nullptr)
        return E_POINTER;
    auto* node = static_cast<xmlNodePtr>(child.m_node);
    for (xmlNodePtr up = static_cast<xmlNodePtr>(m_node); up != nullptr; up = up->parent)
        if (up == node)
            return E_INVALIDARG; // an element cannot go inside itself
    xmlUnlinkNode(node);
    return xmlAddChild(static_cast<xmlNodePtr>(m_node), node) != nullptr ? S_OK : E_FAIL;
}

std::vector<CXmlElement> CXmlElement::GetChildElements(std::wstring_view name) const {
    std::vector<CXmlElement> children;
    if (m_node == nullptr)
        return children;
    const std::string wanted = Platform::EncodeUtf8(name);
    for (xmlNodePtr node = static_cast<xmlNodePtr>(m_node)->children; node != nullptr;
         node = node->next) {
        if (node->type == XML_ELEMENT_NODE &&
            (wanted.empty() || wanted == reinterpret_cast<const char*>(node->name)))
            children.push_back(CXmlElement(node));
    }
    return children;
}

} // namespace Quillmoren::Libraries::Utils
