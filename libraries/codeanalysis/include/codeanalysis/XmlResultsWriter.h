// Writing XML documents of results and categories: the indenting pass they share.
#pragma once

namespace Quillmoren::Libraries::Utils {
class CXmlDocument;
}

namespace Quillmoren::Libraries::CodeAnalysis {

/// Makes the document ready to be saved indented; false for a document without a document
/// element. The document tree is indented as it is saved, so nothing has to be rewritten.
bool IndentXmlDocument(const Utils::CXmlDocument& document);

} // namespace Quillmoren::Libraries::CodeAnalysis
