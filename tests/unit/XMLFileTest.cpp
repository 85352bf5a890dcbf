// CXMLFile over MSXML 6.0, as the launcher uses it (Parts 3.2 and 6.1).
// Fixture documents are written in MSXML's normal form (double quotes, empty
// elements closed with "/>", no character references beyond &amp; and &lt;,
// LF line ends), so that a saved file can be compared byte for byte; only
// line ends are compared loosely, since MSXML on Windows writes CR LF.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "framework/ComPtr.h"
#include "framework/Handles.h"
#include "xmlconfig/XMLFile.h"

using testing_support::Narrow;
using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

// ---- Helpers ---------------------------------------------------------------

// Text as ISO-8859-1 (or windows-1252, for the characters it shares) bytes.
std::string Latin1(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        EXPECT_LE(static_cast<unsigned>(c), 0xFFu) << "not a Latin-1 character";
        bytes += static_cast<char>(c);
    }
    return bytes;
}

std::string Utf16LE(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

// MSXML on Windows ends lines with CR LF where Wine's writes LF.
std::string LineEndsAsLf(std::string bytes) {
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at)) bytes.erase(at, 1);
    return bytes;
}
std::string Utf16LineEndsAsLf(std::string bytes) {
    const std::string crlf("\r\0\n\0", 4);
    for (size_t at = bytes.find(crlf); at != std::string::npos; at = bytes.find(crlf, at)) bytes.erase(at, 2);
    return bytes;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A TCP listener on 127.0.0.1 that only tells whether anyone connected to it:
// the address that a document's external references point to. Winsock is
// loaded at run time, so the tests need no extra import library.
class LoopbackListener {
public:
    LoopbackListener() : m_ws2(::LoadLibraryW(L"ws2_32.dll")) {
        if (!m_ws2) return;
        Load(m_startup, "WSAStartup"), Load(m_cleanup, "WSACleanup"), Load(m_socket, "socket");
        Load(m_bind, "bind"), Load(m_listen, "listen"), Load(m_getsockname, "getsockname");
        Load(m_select, "select"), Load(m_closesocket, "closesocket"), Load(m_connect, "connect");
        if (!m_startup || !m_cleanup || !m_socket || !m_bind || !m_listen || !m_getsockname || !m_select ||
            !m_closesocket || !m_connect) {
            return;
        }
        WSADATA data;
        if (m_startup(MAKEWORD(2, 2), &data) != 0) return;
        m_started = true;
        m_listener = m_socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (m_listener == INVALID_SOCKET) return;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
        int length = sizeof(address);
        if (m_bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            m_listen(m_listener, 8) != 0 ||
            m_getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        m_port = static_cast<unsigned short>((address.sin_port & 0xFF) << 8 | (address.sin_port >> 8));
        m_address = address;
    }
    ~LoopbackListener() {
        if (m_listener != INVALID_SOCKET) m_closesocket(m_listener);
        if (m_started) m_cleanup();
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool Ready() const { return m_port != 0; }
    std::string Url(const std::string& file) const { return "http://127.0.0.1:" + std::to_string(m_port) + "/" + file; }
    // Whether a connection is waiting to be accepted.
    bool WasContacted() const {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_listener, &readable);
        timeval wait{0, 200000};
        return m_select(0, &readable, nullptr, nullptr, &wait) > 0;
    }
    // Connects to the listener as a fetch would: shows that WasContacted notices one.
    bool Contact() const {
        const SOCKET client = m_socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (client == INVALID_SOCKET) return false;
        const bool connected = m_connect(client, reinterpret_cast<const sockaddr*>(&m_address), sizeof(m_address)) == 0;
        m_closesocket(client);
        return connected;
    }

private:
    template <typename F>
    void Load(F& function, const char* name) {
        function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m_ws2.Get(), name)));
    }

    fw::UniqueModule m_ws2;
    decltype(&::WSAStartup) m_startup = nullptr;
    decltype(&::WSACleanup) m_cleanup = nullptr;
    decltype(&::socket) m_socket = nullptr;
    decltype(&::bind) m_bind = nullptr;
    decltype(&::listen) m_listen = nullptr;
    decltype(&::getsockname) m_getsockname = nullptr;
    decltype(&::select) m_select = nullptr;
    decltype(&::closesocket) m_closesocket = nullptr;
    decltype(&::connect) m_connect = nullptr;
    bool m_started = false;
    sockaddr_in m_address{};
    SOCKET m_listener = INVALID_SOCKET;
    unsigned short m_port = 0;
};

// COM for the test's thread, and a sandbox folder for its files.
class XMLFileFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_com.Succeeded()); }

    std::wstring Put(const std::wstring& name, const std::string& bytes) const {
        const std::wstring path = m_box / name;
        WriteFileBytes(path, bytes);
        return path;
    }
    // The attribute as the launcher reads it: a fresh object, a 1024 buffer.
    static std::wstring Read(const std::wstring& path, const std::wstring& name,
                             const std::wstring& element = L"root/language") {
        CXMLFile file(path, L"", false);
        wchar_t buffer[1024];
        buffer[0] = L'\0';
        file.GetAttribute(buffer, element, name, 0);
        return buffer;
    }
    static unsigned Count(const std::wstring& path, const std::wstring& element = L"root/language") {
        return CXMLFile(path, L"", false).GetValueCount(element);
    }
    // The names in the sandbox folder: shows that no temporary file is left.
    std::vector<std::wstring> Entries() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        fw::UniqueFindHandle find(::FindFirstFileW((m_box.Path() + L"\\*").c_str(), &data));
        if (!find) return names;
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (::FindNextFileW(find.Get(), &data));
        std::sort(names.begin(), names.end());
        return names;
    }

    fw::ComInitializer m_com;
    testing_support::SandboxFolder m_box{L"XMLFile"};
};

using Names = std::vector<std::wstring>;

// ---- XMLException ------------------------------------------------------------

TEST(XMLFileExceptionTest, FromCodeHasTheCodeAndAnEmptyMessage) {
    const XMLException error(-2147467259);
    EXPECT_EQ(error.Code(), -2147467259);
    EXPECT_EQ(error.Message(), L"");
}

TEST(XMLFileExceptionTest, FromMessageHasTheMessageAndCodeZero) {
    const XMLException error(std::wstring(L"Cannot save \u00a7"));
    EXPECT_EQ(error.Message(), L"Cannot save \u00a7");
    EXPECT_EQ(error.Code(), 0);
}

TEST(XMLFileExceptionTest, CopyAndAssignmentTakeBothFieldsAndTheBaseAnswersVirtually) {
    const XMLException original(7);
    XMLException copy(original);
    EXPECT_EQ(copy.Code(), 7);
    copy = XMLException(std::wstring(L"text"));
    EXPECT_EQ(copy.Message(), L"text");
    EXPECT_EQ(copy.Code(), 0);
    try {
        throw XMLException(std::wstring(L"thrown"));
    } catch (const XMLError& base) {
        EXPECT_EQ(base.Message(), L"thrown");
    }
}

// ---- Opening -------------------------------------------------------------------

using XMLFileOpenTest = XMLFileFixture;

TEST_F(XMLFileOpenTest, WithoutComOnTheThreadTheConstructorThrowsXMLException) {
    const std::wstring path = Put(L"a.xml", "<root><language/></root>");
    bool threw = false;
    std::wstring message;
    std::thread([&] {
        try {
            CXMLFile file(path, L"", false);
        } catch (const XMLException& error) {
            threw = true;
            message = error.Message();
        }
    }).join();
    EXPECT_TRUE(threw);
    EXPECT_NE(message.find(L"DOMDocument60"), std::wstring::npos) << Narrow(message);
}

TEST_F(XMLFileOpenTest, TheFileIsNotHeldOpen) {
    const std::wstring path = Put(L"a.xml", "<root><language/></root>");
    CXMLFile file(path, L"", false);
    EXPECT_EQ(file.GetValueCount(L"root/language"), 1u);
    EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

// ---- GetValueCount ---------------------------------------------------------------

using XMLFileCountTest = XMLFileFixture;

TEST_F(XMLFileCountTest, CountsTheLanguageElementsDirectlyInTheRootElement) {
    EXPECT_EQ(Count(Put(L"0.xml", "<root><other/><nested><language/></nested></root>")), 0u);
    EXPECT_EQ(Count(Put(L"1.xml", "<?xml version=\"1.0\"?>\n<root>\n\t<language code=\"1040\"/>\n</root>\n")), 1u);
    EXPECT_EQ(Count(Put(L"2.xml", "<root><language/><other><language/></other><language/></root>")), 2u);
    EXPECT_EQ(Count(Put(L"other-root.xml", "<config><language/></config>")), 0u);
}

TEST_F(XMLFileCountTest, OtherPathsCountTheirElements) {
    const std::wstring path = Put(L"a.xml", "<root><a><b/><b/><b/></a></root>");
    CXMLFile file(path, L"", false);
    EXPECT_EQ(file.GetValueCount(L"root/a/b"), 3u);
    EXPECT_EQ(file.GetValueCount(L"root"), 1u);
    EXPECT_EQ(file.GetValueCount(L"root/missing"), 0u);
}

TEST_F(XMLFileCountTest, MissingFileOrFolderCountsZero) {
    EXPECT_EQ(Count(m_box / L"missing.xml"), 0u);
    EXPECT_EQ(Count(m_box / L"no-folder\\missing.xml"), 0u);
    EXPECT_EQ(Count(m_box.Path()), 0u);  // a folder, not a file
}

TEST_F(XMLFileCountTest, UnparsableFilesCountZero) {
    EXPECT_EQ(Count(Put(L"empty.xml", "")), 0u);
    EXPECT_EQ(Count(Put(L"unclosed.xml", "<root><language></root>")), 0u);
    EXPECT_EQ(Count(Put(L"two-roots.xml", "<root><language/></root><root><language/></root>")), 0u);
    EXPECT_EQ(Count(Put(L"text.xml", "language=it-IT\r\n")), 0u);
    EXPECT_EQ(Count(Put(L"binary.xml", std::string("\x00\x01\xFF\xFE<\x00", 6))), 0u);
    EXPECT_EQ(Count(Put(L"bad-utf8.xml", "<root><language ISOname=\"\xC3\"/></root>")), 0u);
    EXPECT_EQ(Count(Put(L"undeclared-entity.xml", "<root><language/>&unknown;</root>")), 0u);
}

TEST_F(XMLFileCountTest, EncodingsItCannotWriteBackCountZero) {
    EXPECT_EQ(Count(Put(L"sjis.xml", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><root><language/></root>")), 0u);
    EXPECT_EQ(Count(Put(L"utf32.xml", std::string("<\0\0\0r\0\0\0", 8))), 0u);
}

TEST_F(XMLFileCountTest, AnInvalidPathThrowsXMLException) {
    CXMLFile file(Put(L"a.xml", "<root><language/></root>"), L"", false);
    EXPECT_THROW(file.GetValueCount(L"root/[language"), XMLException);
    // Without a document nothing is evaluated.
    EXPECT_EQ(CXMLFile(m_box / L"missing.xml", L"", false).GetValueCount(L"root/[language"), 0u);
}

// ---- Documents with a DTD ----------------------------------------------------------

using XMLFileDtdTest = XMLFileFixture;

// Which outcome: the document is refused before any parser sees it (MSXML's
// ProhibitDTD on Windows; Wine's MSXML ignores that property, so the class
// checks the prolog itself). It counts zero although the document has one
// language element of its own, and Save leaves it alone.
TEST_F(XMLFileDtdTest, DocumentWithExternalEntitiesIsRefusedAndNothingIsFetched) {
    LoopbackListener listener;
    ASSERT_TRUE(listener.Ready());
    Put(L"entity.xml", "<language ISOname=\"fetched\"/>");
    const std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE root SYSTEM \"" + listener.Url("subset.dtd") + "\" [\n"
        "<!ENTITY remote SYSTEM \"" + listener.Url("entity.xml") + "\">\n"
        "<!ENTITY local SYSTEM \"file:///C:/setup-tests/XMLFile/entity.xml\">\n"
        "<!ENTITY relative SYSTEM \"entity.xml\">\n"
        "]>\n"
        "<root>&remote;&local;&relative;<language ISOname=\"inline\"/></root>\n";
    const std::wstring path = Put(L"CommonConfig.xml", document);
    {
        CXMLFile file(path, L"", false);
        EXPECT_EQ(file.GetValueCount(L"root/language"), 0u);
        EXPECT_EQ(file.GetValueCount(L"root"), 0u);
        wchar_t buffer[1024] = L"x";
        file.GetAttribute(buffer, L"root/language", L"ISOname", 0);
        EXPECT_STREQ(buffer, L"");
        file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
        file.Save();
    }
    EXPECT_FALSE(listener.WasContacted());
    ASSERT_TRUE(listener.Contact());
    EXPECT_TRUE(listener.WasContacted());  // the probe itself works
    EXPECT_EQ(ReadFileBytes(path), document);
    EXPECT_EQ(Entries(), (Names{L"CommonConfig.xml", L"entity.xml"}));
    RecordProperty("dtd_outcome", "refused before parsing: counts 0, never written, nothing fetched");
}

TEST_F(XMLFileDtdTest, AnInternalSubsetAloneIsRefusedToo) {
    EXPECT_EQ(Count(Put(L"a.xml",
                        "<?xml version=\"1.0\"?>\n<!-- c -->\n<?pi x?>\n"
                        "<!DOCTYPE root [<!ATTLIST language code CDATA \"1040\">]>\n"
                        "<root><language/></root>\n")),
              0u);
    EXPECT_EQ(Count(Put(L"bom.xml", "\xEF\xBB\xBF<!DOCTYPE root><root><language/></root>")), 0u);
    EXPECT_EQ(Count(Put(L"utf16.xml", Utf16LE(L"\xFEFF<!DOCTYPE root><root><language/></root>"))), 0u);
    EXPECT_EQ(Count(Put(L"utf16-no-bom.xml", Utf16LE(L"<!DOCTYPE root><root><language/></root>"))), 0u);
}

TEST_F(XMLFileDtdTest, TheWordsOfADtdInsideCommentsOrTextAreNoDtd) {
    const std::wstring path = Put(L"a.xml",
                                  "<?xml version=\"1.0\"?>\n<!-- <!DOCTYPE root SYSTEM \"x.dtd\"> -->\n"
                                  "<root><language ISOname=\"&lt;!DOCTYPE\"/><![CDATA[<!DOCTYPE x>]]></root>\n");
    EXPECT_EQ(Count(path), 1u);
    EXPECT_EQ(Read(path, L"ISOname"), L"<!DOCTYPE");
}

// ---- GetAttribute -------------------------------------------------------------------

using XMLFileGetAttributeTest = XMLFileFixture;

TEST_F(XMLFileGetAttributeTest, ReadsTheAttributeOfTheFirstElement) {
    const std::wstring path = Put(L"a.xml",
                                  "<root><language ISOname=\"de-DE\" code=\"1031\"/>"
                                  "<language ISOname=\"it-IT\" code=\"1040\"/></root>");
    EXPECT_EQ(Read(path, L"ISOname"), L"de-DE");
    EXPECT_EQ(Read(path, L"code"), L"1031");
}

TEST_F(XMLFileGetAttributeTest, MissingAttributeElementOrFileGivesTheEmptyText) {
    const std::wstring path = Put(L"a.xml", "<root><language code=\"1031\" empty=\"\"/><text>x</text></root>");
    const struct {
        std::wstring file, element, attribute;
    } cases[] = {
        {path, L"root/language", L"ISOname"},  {path, L"root/language", L"empty"},
        {path, L"root/missing", L"code"},      {path, L"root/text/text()", L"code"},
        {m_box / L"missing.xml", L"root/language", L"code"},
    };
    for (const auto& c : cases) {
        CXMLFile file(c.file, L"", false);
        wchar_t buffer[1024];
        std::fill(std::begin(buffer), std::end(buffer), L'x');
        file.GetAttribute(buffer, c.element, c.attribute, 0);
        EXPECT_EQ(buffer[0], L'\0') << Narrow(c.element) << " " << Narrow(c.attribute);
    }
}

TEST_F(XMLFileGetAttributeTest, ALongValueIsCutToTheBufferAndTerminated) {
    const std::wstring path = Put(L"a.xml", "<root><language ISOname=\"" + std::string(1500, 'a') + "\"/></root>");
    EXPECT_EQ(Read(path, L"ISOname"), std::wstring(1023, L'a'));

    CXMLFile file(path, L"", false);
    wchar_t small[8];
    file.GetAttribute(small, L"root/language", L"ISOname", 0);
    EXPECT_STREQ(small, L"aaaaaaa");

    // Nothing is written past the capacity given.
    wchar_t guarded[16];
    std::fill(std::begin(guarded), std::end(guarded), L'#');
    file.GetAttribute(guarded, L"root/language", L"ISOname", 0, 5);
    EXPECT_EQ(std::wstring(guarded, 16), std::wstring(L"aaaa") + L'\0' + std::wstring(11, L'#'));
    file.GetAttribute(guarded, L"root/language", L"ISOname", 0, 0);
    EXPECT_EQ(guarded[0], L'a');
    file.GetAttribute(guarded, L"root/language", L"ISOname", 0, 1);
    EXPECT_EQ(guarded[0], L'\0');
    EXPECT_EQ(guarded[1], L'a');
}

TEST_F(XMLFileGetAttributeTest, TheCutNeverSplitsASurrogatePair) {
    const std::wstring path = Put(L"a.xml", Narrow(L"<root><language ISOname=\"abcdef\U0001F600xyz\"/></root>"));
    CXMLFile file(path, L"", false);
    wchar_t buffer[8];
    file.GetAttribute(buffer, L"root/language", L"ISOname", 0);
    EXPECT_STREQ(buffer, L"abcdef");
    wchar_t wider[9];
    file.GetAttribute(wider, L"root/language", L"ISOname", 0);
    EXPECT_STREQ(wider, L"abcdef\U0001F600");
}

TEST_F(XMLFileGetAttributeTest, NonAsciiValuesComeBackIntactInEveryEncoding) {
    const std::wstring vtNull = L"\u00a7|VT_NULL|\u00a7";
    const std::wstring body = L"<root><language ISOname=\"" + vtNull + L"\" code=\"caf\u00e9\"/></root>";
    EXPECT_EQ(Read(Put(L"utf8.xml", Narrow(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + body)), L"ISOname"), vtNull);
    EXPECT_EQ(Read(Put(L"utf8-bare.xml", Narrow(body)), L"ISOname"), vtNull);
    EXPECT_EQ(Read(Put(L"utf8-bom.xml", "\xEF\xBB\xBF" + Narrow(body)), L"ISOname"), vtNull);
    const std::wstring latin1 = Put(L"latin1.xml", Latin1(L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body));
    EXPECT_EQ(Read(latin1, L"ISOname"), vtNull);
    EXPECT_EQ(Read(latin1, L"code"), L"caf\u00e9");
    EXPECT_EQ(Read(Put(L"utf16.xml", Utf16LE(L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body)), L"ISOname"),
              vtNull);
    EXPECT_EQ(Read(Put(L"cp1252.xml", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>"
                                      "<root><language ISOname=\"\x80 \xA7\"/></root>"),
                   L"ISOname"),
              L"\u20ac \u00a7");
    EXPECT_EQ(Read(Put(L"references.xml", "<root><language ISOname=\"&#xA7;|VT_NULL|&#167;\"/></root>"), L"ISOname"),
              vtNull);
}

// ---- SetAttribute and Save ---------------------------------------------------------

using XMLFileSaveTest = XMLFileFixture;

// An ISO-8859-1 configuration with everything Save must keep.
const std::wstring kLatin1Document =
    L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
    L"<!-- Gemeinsame Konfiguration f\u00fcr \"Ger\u00e4te\" -->\n"
    L"<root version=\"2\">\n"
    L"\t<!-- Sprache der Installation -->\n"
    L"\t<language ISOname=\"de-DE\" code=\"1031\"/>\n"
    L"  <name lang=\"fr\">Caf\u00e9 cr\u00e8me &amp; co, \u00a7 4 &lt;b/&gt;</name>\n"
    L"\t<paths>\n"
    L"\t\t<path id=\"1\" value=\"C:\\Program Files\\Zantor\"/>\n"
    L"\t  <path id=\"2\" value=\"\"/>\n"
    L"\t</paths>\n"
    L"</root>\n";

TEST_F(XMLFileSaveTest, Latin1DocumentChangesInTheOneAttributeOnly) {
    const std::string original = Latin1(kLatin1Document);
    const std::wstring path = Put(L"CommonConfig.xml", original);
    {
        CXMLFile file(path, L"", false);
        ASSERT_EQ(file.GetValueCount(L"root/language"), 1u);
        file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
        file.Save();
    }
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), Replace(original, "ISOname=\"de-DE\"", "ISOname=\"it-IT\""));
    EXPECT_EQ(Entries(), (Names{L"CommonConfig.xml"}));
}

TEST_F(XMLFileSaveTest, Latin1DocumentTakesNonAsciiValuesAsLatin1Bytes) {
    const std::string original = Latin1(kLatin1Document);
    const std::wstring path = Put(L"CommonConfig.xml", original);
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"ISOname", L"\u00a7|VT_NULL|\u00a7");
        file.SetAttribute(L"root/language", L"code", L"\u20ac \U0001F600");  // not in ISO-8859-1
        file.Save();
    }
    std::string expected = Replace(original, "ISOname=\"de-DE\"", "ISOname=\"\xA7|VT_NULL|\xA7\"");
    expected = Replace(expected, "code=\"1031\"", "code=\"&#8364; &#128512;\"");
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), expected);
    EXPECT_EQ(Read(path, L"ISOname"), L"\u00a7|VT_NULL|\u00a7");
    EXPECT_EQ(Read(path, L"code"), L"\u20ac \U0001F600");
}

TEST_F(XMLFileSaveTest, Utf8DocumentStaysUtf8WithItsByteOrderMark) {
    const std::string original =
        "\xEF\xBB\xBF" + Narrow(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                L"<root>\n"
                                L"\t<language ISOname=\"\u00a7|VT_NULL|\u00a7\" code=\"1040\"/>\n"
                                L"  <note>\u20ac 5, \U0001F600, \u00e9t\u00e9</note>\n"
                                L"</root>\n");
    const std::wstring path = Put(L"CommonConfig.xml", original);
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"code", L"1036");
        file.Save();
    }
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), Replace(original, "code=\"1040\"", "code=\"1036\""));
}

TEST_F(XMLFileSaveTest, Utf16DocumentStaysUtf16) {
    const std::wstring text = L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                              L"<root>\n\t<language ISOname=\"\u00a7|VT_NULL|\u00a7\" code=\"\u20ac\"/>\n</root>\n";
    const std::wstring path = Put(L"a.xml", Utf16LE(text));
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
        file.Save();
    }
    std::wstring expected = text;
    expected.replace(expected.find(L"\u00a7|VT_NULL|\u00a7"), 11, L"it-IT");
    EXPECT_EQ(Utf16LineEndsAsLf(ReadFileBytes(path)), Utf16LE(expected));
}

TEST_F(XMLFileSaveTest, Windows1252DocumentStaysWindows1252) {
    const std::string original = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
                                 "<root>\n\t<language ISOname=\"de-DE\" price=\"\x80 5\"/>\n</root>\n";
    const std::wstring path = Put(L"a.xml", original);
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"ISOname", L"\u20ac\u00a7\u0100");
        file.Save();
    }
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), Replace(original, "\"de-DE\"", "\"\x80\xA7&#256;\""));
}

TEST_F(XMLFileSaveTest, TheDeclarationIsKeptByteForByteAndNoneIsAdded) {
    const std::string odd = "<?xml version='1.0'   encoding='iso-8859-1' standalone='yes' ?>\n"
                            "<root><language ISOname=\"de-DE\"/></root>\n";
    const std::string bare = "<root>\n  <language ISOname=\"de-DE\"/>\n</root>\n";
    for (const std::string& original : {odd, bare}) {
        const std::wstring path = Put(L"a.xml", original);
        {
            CXMLFile file(path, L"", false);
            file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
            file.Save();
        }
        EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), Replace(original, "de-DE", "it-IT"));
    }
}

// Only MSXML's own normalisations: quotes, character references, line ends.
TEST_F(XMLFileSaveTest, OnlyMsxmlsOwnNormalisationsHappen) {
    const std::wstring path = Put(L"a.xml",
                                  "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                  "<root a='single'>\r\n\t<language ISOname='de-DE' code=\"&#49;031\"/>\r\n"
                                  "\t<t>caf&#233; &#x20AC;</t>\r\n</root>\r\n");
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
        file.Save();
    }
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
              "<root a=\"single\">\n\t<language ISOname=\"it-IT\" code=\"1031\"/>\n"
              "\t<t>caf\xE9 &#8364;</t>\n</root>\n");
}

TEST_F(XMLFileSaveTest, AnUnchangedDocumentIsWrittenBackAsItWas) {
    const std::string original = Latin1(kLatin1Document);
    const std::wstring path = Put(L"a.xml", original);
    CXMLFile(path, L"", false).Save();
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), original);
}

TEST_F(XMLFileSaveTest, MarkupCharactersInAValueRoundTrip) {
    const std::wstring value = L"a\"b<c>&d'e \u00a7";
    const std::wstring path = Put(L"a.xml", "<root><language ISOname=\"x\"/></root>");
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"ISOname", value);
        file.Save();
    }
    EXPECT_EQ(Read(path, L"ISOname"), value);
    EXPECT_EQ(Count(path), 1u);
}

TEST_F(XMLFileSaveTest, OnlyTheFirstElementAtThePathChanges) {
    const std::string original = "<root>\n\t<language code=\"1\"/>\n\t<language code=\"2\"/>\n</root>\n";
    const std::wstring path = Put(L"a.xml", original);
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"code", L"9");
        file.SetAttribute(L"root/missing", L"code", L"9");  // nothing: no such element
        file.Save();
    }
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), Replace(original, "code=\"1\"", "code=\"9\""));
}

TEST_F(XMLFileSaveTest, ANewAttributeIsAddedToTheElement) {
    const std::wstring path = Put(L"a.xml", "<root><language ISOname=\"de-DE\"/></root>\n");
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"code", L"1031");
        file.Save();
    }
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), "<root><language ISOname=\"de-DE\" code=\"1031\"/></root>\n");
}

TEST_F(XMLFileSaveTest, SavingTwiceKeepsTheDeclarationAndBothChanges) {
    const std::string original = Latin1(kLatin1Document);
    const std::wstring path = Put(L"a.xml", original);
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"ISOname", L"fr-FR");
        file.Save();
        file.SetAttribute(L"root/language", L"code", L"1036");
        file.Save();
    }
    const std::string expected = Replace(Replace(original, "\"de-DE\"", "\"fr-FR\""), "\"1031\"", "\"1036\"");
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(path)), expected);
}

TEST_F(XMLFileSaveTest, TheDestructorDoesNotSave) {
    const std::string original = "<root><language ISOname=\"de-DE\"/></root>";
    const std::wstring path = Put(L"a.xml", original);
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
    }
    EXPECT_EQ(ReadFileBytes(path), original);
}

TEST_F(XMLFileSaveTest, AMissingFileIsNeverWritten) {
    const std::wstring path = m_box / L"CommonConfig.xml";
    {
        CXMLFile file(path, L"", false);
        file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
        file.Save();
    }
    EXPECT_FALSE(PathExists(path));
    EXPECT_EQ(Entries(), Names{});
}

TEST_F(XMLFileSaveTest, AnUnparsableFileIsNeverWritten) {
    for (const std::string& original : {std::string("<root><language ISOname=\"de-DE\"></root>"), std::string()}) {
        const std::wstring path = Put(L"CommonConfig.xml", original);
        {
            CXMLFile file(path, L"", false);
            file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
            file.Save();
        }
        EXPECT_EQ(ReadFileBytes(path), original);
        EXPECT_EQ(Entries(), (Names{L"CommonConfig.xml"}));
    }
}

TEST_F(XMLFileSaveTest, AReadOnlyFileThrowsAndStaysAsItWasWithNoTemporaryFile) {
    const std::string original = "<root><language ISOname=\"de-DE\"/></root>";
    const std::wstring path = Put(L"CommonConfig.xml", original);
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    CXMLFile file(path, L"", false);
    file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
    try {
        file.Save();
        ADD_FAILURE() << "Save did not throw";
    } catch (const XMLException& error) {
        EXPECT_NE(error.Message().find(path), std::wstring::npos) << Narrow(error.Message());
    }
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(Entries(), (Names{L"CommonConfig.xml"}));
    EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
}

// The replacement itself fails (another process holds the file without
// sharing): the temporary file goes again and the file stays as it was.
TEST_F(XMLFileSaveTest, AFailedReplacementThrowsAndLeavesNoTemporaryFile) {
    const std::string original = "<root><language ISOname=\"de-DE\"/></root>";
    const std::wstring path = Put(L"CommonConfig.xml", original);
    CXMLFile file(path, L"", false);
    file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
    {
        fw::UniqueFileHandle holder(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_THROW(file.Save(), XMLException);
    }
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(Entries(), (Names{L"CommonConfig.xml"}));
}

TEST_F(XMLFileSaveTest, AFolderThatWentAwayThrowsAndNothingIsCreated) {
    const std::wstring folder = m_box / L"common";
    const std::wstring path = folder + L"\\CommonConfig.xml";
    WriteFileBytes(path, "<root><language ISOname=\"de-DE\"/></root>");
    CXMLFile file(path, L"", false);
    ASSERT_EQ(file.GetValueCount(L"root/language"), 1u);
    ASSERT_TRUE(testing_support::RemoveTreeForce(folder));
    file.SetAttribute(L"root/language", L"ISOname", L"it-IT");
    EXPECT_THROW(file.Save(), XMLException);
    EXPECT_FALSE(PathExists(folder));
    EXPECT_EQ(Entries(), Names{});
}

// As the wizard source does: the wizard file stays open while CommonConfig.xml
// is opened, written and released.
TEST_F(XMLFileSaveTest, TwoObjectsOnTwoFilesAtOnce) {
    const std::string wizard = "<root><language ISOname=\"null\" code=\"1040\"/></root>\n";
    const std::string common = Latin1(kLatin1Document);
    const std::wstring wizardPath = Put(L"ConfigurationWizard.xml", wizard);
    const std::wstring commonPath = Put(L"CommonConfig.xml", common);
    {
        CXMLFile wizardFile(wizardPath, L"", false);
        ASSERT_EQ(wizardFile.GetValueCount(L"root/language"), 1u);
        wchar_t code[1024];
        code[0] = L'\0';
        wizardFile.GetAttribute(code, L"root/language", L"code", 0);
        {
            CXMLFile commonFile(commonPath, L"", false);
            ASSERT_EQ(commonFile.GetValueCount(L"root/language"), 1u);
            commonFile.SetAttribute(L"root/language", L"code", code);
            commonFile.Save();
        }
        wchar_t name[1024];
        name[0] = L'\0';
        wizardFile.GetAttribute(name, L"root/language", L"ISOname", 0);
        EXPECT_STREQ(name, L"null");
    }
    EXPECT_EQ(ReadFileBytes(wizardPath), wizard);
    EXPECT_EQ(LineEndsAsLf(ReadFileBytes(commonPath)), Replace(common, "code=\"1031\"", "code=\"1040\""));
    EXPECT_EQ(Read(commonPath, L"ISOname"), L"de-DE");
    EXPECT_EQ(Entries(), (Names{L"CommonConfig.xml", L"ConfigurationWizard.xml"}));
}

}  // namespace
