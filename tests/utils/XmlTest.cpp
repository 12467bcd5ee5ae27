// The XML services and the XML reading framework, with real documents through libxml2.
#include "TestSupport.h"
#include "utils/XmlFileReader.h"
#include "utils/XmlServices.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>

#include <unistd.h>

using namespace Quillmoren::Libraries::Utils;

namespace {

/// Records every event with its path and text, and every key that found a handler.
class RecordingReader : public CXmlFileReader<RecordingReader> {
public:
    RecordingReader() : CXmlFileReader(this) {}
    void OnEvent(wchar_t kind) override {
        std::wstring entry = std::wstring(1, kind) + L" " + GetPath();
        if (kind == L'c')
            entry += L" [" + GetElementText() + L"]";
        events.push_back(entry);
        DispatchEvent(kind);
    }
    void RegisterHandlers() override {
        for (const std::wstring& key : keys)
            RegisterHandler(key, &RecordingReader::Hit);
    }
    bool InvokeHandler(const std::wstring& key) override {
        tried.push_back(key);
        m_key = key;
        return CXmlFileReader::InvokeHandler(key);
    }
    void Hit() {
        hits.push_back(m_key);
        if (m_key.rfind(L"s,", 0) == 0) {
            value = GetAttribute(L"value");
            flag = GetAttributeBool(L"flag");
            number = GetAttributeInt(L"n");
        }
    }

    std::vector<std::wstring> keys;
    std::vector<std::wstring> events;
    std::vector<std::wstring> tried;
    std::vector<std::wstring> hits;
    std::wstring value;
    bool flag = false;
    std::int32_t number = 0;

private:
    std::wstring m_key;
};

} // namespace

TEST(XmlFileReader, RaisesEventsInDocumentOrder) {
    RecordingReader reader;
    ASSERT_TRUE(reader.ParseDocument(L"<doc><message><file>a.c</file></message></doc>"));
    EXPECT_EQ(reader.events,
              (std::vector<std::wstring>{L"s /doc", L"s /doc/message", L"s /doc/message/file",
                                         L"c /doc/message/file [a.c]", L"e /doc/message/file",
                                         L"e /doc/message", L"e /doc"}));
    EXPECT_EQ(reader.GetPath(), L"");
}

TEST(XmlFileReader, BuildsTheNineKeys) {
    RecordingReader reader;
    reader.keys = {L"x"}; // any handler at all, so that keys are looked up
    ASSERT_TRUE(reader.ParseDocument(L"<doc/>"));
    const std::vector<std::wstring> root(reader.tried.begin(), reader.tried.begin() + 9);
    EXPECT_EQ(root,
              (std::vector<std::wstring>{L"s,*,*", L"s,/doc", L"s,*,/*", L"s,*,//doc", L"s,-1,doc",
                                         L"s,-2,", L"s,-2*,", L"s,-3,", L"s,-3*,"}));
    reader.tried.clear();
    ASSERT_TRUE(reader.ParseDocument(L"<doc><message><file/></message></doc>"));
    const std::vector<std::wstring> file(reader.tried.begin() + 18, reader.tried.begin() + 27);
    EXPECT_EQ(file, (std::vector<std::wstring>{L"s,*,*", L"s,/doc/message/file",
                                               L"s,*,/doc/message/*", L"s,*,//file", L"s,-1,file",
                                               L"s,-2,message/file", L"s,-2*,message/*",
                                               L"s,-3,doc/message/file", L"s,-3*,doc/message/*"}));
    EXPECT_EQ(GetPathTail(L"/a/b/c", 2), L"b/c");
    EXPECT_EQ(GetPathTail(L"/a", 2), L"");
    EXPECT_EQ(GetPathTailPattern(L"/a/b/c", 3), L"a/b/*");
}

TEST(XmlFileReader, HandlersRunForEveryMatchingKey) {
    RecordingReader reader;
    reader.keys = {L"s,/doc/m", L"s,-1,m", L"c,/doc/m", L"e,*,*"};
    ASSERT_TRUE(reader.ParseDocument(
        L"<doc><m value='v' flag='TRUE' n=' -42x'>t &amp; u<![CDATA[ <v> ]]>&#65;</m></doc>"));
    EXPECT_EQ(reader.hits,
              (std::vector<std::wstring>{L"s,/doc/m", L"s,-1,m", L"c,/doc/m", L"e,*,*", L"e,*,*"}));
    EXPECT_EQ(reader.value, L"v");
    EXPECT_TRUE(reader.flag);
    EXPECT_EQ(reader.number, -42);
    // Text, an entity, a CDATA section and a character reference arrive as one piece.
    EXPECT_EQ(reader.events[2], L"c /doc/m [t & u <v> A]");
}

TEST(XmlFileReader, AttributeBoolValues) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"TRUE", true}, {L"True", true}, {L"1", true}, {L"yes", false},
        {L"0", false},   {L"2", false},   {L"", false},
    };
    for (const auto& [text, expected] : cases) {
        RecordingReader reader;
        reader.keys = {L"s,/doc"};
        ASSERT_TRUE(reader.ParseDocument(L"<doc flag='" + std::wstring(text) + L"'/>"));
        EXPECT_EQ(reader.flag, expected) << text;
    }
}

TEST(XmlFileReader, PrefixesWhiteSpaceAndSignature) {
    RecordingReader reader;
    ASSERT_TRUE(
        reader.ParseDocument(L"\u00EF\u00BB\u00BF<?xml version='1.0' encoding='windows-1252'?>\n"
                             L"<doc xmlns:x='urn:x'>\n <x:item/>\n</doc>"));
    EXPECT_EQ(reader.events,
              (std::vector<std::wstring>{L"s /doc", L"c /doc [\n ]", L"s /doc/x:item",
                                         L"e /doc/x:item", L"c /doc [\n]", L"e /doc"}));
    EXPECT_FALSE(reader.ParseDocument(L"\u00EF\u00BB\u00BF"));
}

TEST(XmlFileReader, BrokenDocumentKeepsTheEventsBeforeTheError) {
    RecordingReader reader;
    EXPECT_FALSE(reader.ParseDocument(L"<doc><a>1</a><b></doc>"));
    EXPECT_EQ(reader.events[0], L"s /doc");
    EXPECT_EQ(reader.events[2], L"c /doc/a [1]");
    // The next parse starts from an empty path.
    reader.events.clear();
    ASSERT_TRUE(reader.ParseDocument(L"<x/>"));
    EXPECT_EQ(reader.events[0], L"s /x");
}

TEST(XmlServices, NothingOutsideTheDocumentIsRead) {
    Testing::CTestFolder folder;
    const std::wstring secret = folder.Write(L"secret.txt", "TOP-SECRET");
    const std::string path = Quillmoren::Libraries::Platform::EncodeUtf8(secret);
    RecordingReader reader;
    reader.ParseDocument(L"<?xml version='1.0'?><!DOCTYPE doc [<!ENTITY x SYSTEM 'file://" +
                         Quillmoren::Libraries::Platform::DecodeUtf8(path) + L"'>]><doc>&x;</doc>");
    for (const std::wstring& event : reader.events)
        EXPECT_EQ(event.find(L"TOP-SECRET"), std::wstring::npos) << "leaked";

    CXmlDocument document;
    const std::wstring file =
        folder.Write(L"doc.xml", "<?xml version='1.0'?><!DOCTYPE doc [<!ENTITY x SYSTEM 'file://" +
                                     path + "'>]><doc>&x;</doc>");
    if (document.Load(file) == S_OK) {
        EXPECT_EQ(document.ToUtf8().find("TOP-SECRET"), std::string::npos);
    }
}

TEST(XmlServices, EntityExpansionStaysBounded) {
    std::wstring bomb = L"<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol 'lol'>";
    bomb += L"<!ENTITY lol1 '&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;'>";
    for (int i = 2; i <= 9; ++i) {
        const std::wstring previous = L"&lol" + std::to_wstring(i - 1) + L";";
        std::wstring body;
        for (int k = 0; k < 10; ++k)
            body += previous;
        bomb += L"<!ENTITY lol" + std::to_wstring(i) + L" '" + body + L"'>";
    }
    bomb += L"]><lolz>&lol9;</lolz>";
    const auto start = std::chrono::steady_clock::now();
    RecordingReader reader;
    reader.ParseDocument(bomb);
    CXmlDocument document;
    document.LoadXml(bomb);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    for (const std::wstring& event : reader.events)
        EXPECT_LT(event.size(), 1000u);
    EXPECT_LT(document.ToUtf8().size(), 100000u);
}

TEST(XmlDocument, BuildSaveLoadAndSearch) {
    Testing::CTestFolder folder;
    CXmlDocument document;
    EXPECT_EQ(document.AppendProcessingInstruction(L"xml", L"version=\"1.0\""), S_OK);
    CXmlElement root = document.CreateElement(L"doc");
    ASSERT_FALSE(root.IsNull());
    EXPECT_EQ(document.AppendChild(root), S_OK);
    EXPECT_EQ(document.AppendChild(document.CreateElement(L"second")), E_FAIL);
    for (const wchar_t* text : {L"a < b & c", L"ünï\u20AC", L"bell\a"}) {
        CXmlElement message = document.CreateElement(L"message");
        message.SetText(text);
        message.SetAttribute(L"kind", L"\"quoted\" & <more>");
        root.AppendChild(message);
    }
    EXPECT_TRUE(document.CreateElement(L"not a name").IsNull());
    EXPECT_EQ(root.AppendChild(root), E_INVALIDARG);
    const std::wstring path = folder.File(L"out.xml");
    ASSERT_EQ(document.Save(path), S_OK);
    const std::string saved = Testing::CTestFolder::Read(path);
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<doc>\n  <message", 0), 0u)
        << saved;

    CXmlDocument loaded;
    ASSERT_EQ(loaded.Load(path), S_OK);
    const std::vector<CXmlElement> messages =
        loaded.GetDocumentElement().GetChildElements(L"message");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].GetText(), L"a < b & c");
    EXPECT_EQ(messages[1].GetText(), L"ünï\u20AC");
    EXPECT_EQ(messages[2].GetText(), L"bell\uFFFD"); // what XML cannot hold is replaced
    EXPECT_EQ(messages[0].GetAttribute(L"kind"), L"\"quoted\" & <more>");
    bool found = true;
    EXPECT_EQ(messages[0].GetAttribute(L"missing", &found), L"");
    EXPECT_FALSE(found);
    EXPECT_EQ(loaded.FindFirstElement(L"message").GetText(), L"a < b & c");
    EXPECT_TRUE(loaded.FindFirstElement(L"nothing").IsNull());
    EXPECT_NE(loaded.Load(folder.File(L"missing.xml")), S_OK);
    folder.Write(L"broken.xml", "<doc><a></doc>");
    EXPECT_EQ(loaded.Load(folder.File(L"broken.xml")), E_XML_NOT_WELL_FORMED);
    EXPECT_EQ(loaded.FindFirstElement(L"message").GetText(), L"a < b & c"); // kept as it was
}

TEST(XmlDocument, ALoadThatFailsSaysWhyAndWhere) {
    Testing::CTestFolder folder;
    const struct {
        const char* bytes;
        const wchar_t* error; // the start of the error text
    } cases[] = {
        {"<doc>\n  <a>\n</doc>\n", L"line 3: Opening and ending tag mismatch: a line 2 and doc"},
        {"<doc>\n<a b=\"1\" b=\"2\"/>\n</doc>", L"line 2: Attribute b redefined"},
        {"\x7F"
         "ELF binary",
         L"line 1: Start tag expected"},
        {"", L"line 1: Document is empty"},
    };
    CXmlDocument document;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(document.Load(folder.Write(L"bad.xml", c.bytes)), E_XML_NOT_WELL_FORMED);
        EXPECT_EQ(document.GetLoadError().rfind(c.error, 0), 0u)
            << Quillmoren::Libraries::Platform::EncodeUtf8(document.GetLoadError());
    }
    EXPECT_NE(document.Load(folder.File(L"missing.xml")), S_OK);
    EXPECT_EQ(document.GetLoadError(), L"No such file or directory");
    EXPECT_EQ(document.Load(folder.Write(L"good.xml", "<doc/>")), S_OK);
    EXPECT_TRUE(document.GetLoadError().empty());
}

TEST(XmlDocument, SaveNeverWritesThroughALinkAtItsNewFilesName) {
    Testing::CTestFolder folder;
    const std::wstring victim = folder.Write(L"victim", "not to be overwritten");
    const std::wstring path = folder.Write(L"out.xml", "<old/>");
    const std::filesystem::path link = path + L".tmp" + std::to_wstring(getpid());
    std::filesystem::create_symlink(std::filesystem::path(victim), link);
    CXmlDocument document;
    ASSERT_EQ(document.AppendChild(document.CreateElement(L"new")), S_OK);
    ASSERT_EQ(document.Save(path), S_OK);
    EXPECT_EQ(Testing::CTestFolder::Read(victim), "not to be overwritten");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(Testing::CTestFolder::Read(path).find("<new/>"), std::string::npos);
    // Only the target, the victim and the link are there: no new file stays behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Native()),
                            std::filesystem::directory_iterator()),
              3);
    EXPECT_NE(document.Save(folder.File(L"no/such/folder/out.xml")), S_OK);
}
