#include "xmlconfig/XMLFile.h"

#include <msxml2.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>

#include "framework/Handles.h"
#include "xmlconfig/ComValues.h"

using xmlconfig::UniqueBstr;
using xmlconfig::UniqueVariant;

namespace {

// Identifiers of msxml6.h that MinGW's headers and import libraries lack.
const CLSID kClsidDOMDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const IID kIidIXMLDOMDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
const IID kIidIXMLDOMElement = {0x2933bf86, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

constexpr UINT kUtf16LE = 1200;
constexpr UINT kUtf16BE = 1201;
constexpr UINT kLatin1 = 28591;
constexpr UINT kAscii = 20127;
// Files larger than this are not read: no configuration file comes near it.
constexpr LONGLONG kMaxFileSize = 64LL * 1024 * 1024;

std::wstring HexCode(long code) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(code));
    return text;
}

[[noreturn]] void Fail(const std::wstring& what, HRESULT hr) { throw XMLException(what + L" (" + HexCode(hr) + L")"); }

void Check(HRESULT hr, const wchar_t* what) {
    if (FAILED(hr)) Fail(what, hr);
}

std::wstring SystemErrorText(DWORD error) { return HexCode(static_cast<long>(HRESULT_FROM_WIN32(error))); }

// ---- Reading the file and its prolog -------------------------------------

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    fw::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxFileSize) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(bytes.size() - done);
        if (!::ReadFile(file.Get(), &bytes[done], wanted, &read, nullptr)) return false;
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return true;
}

// The file's bytes seen as characters: single bytes (ASCII-compatible
// encodings, where every markup character of the prolog is one byte), or
// 16-bit units in either byte order.
class RawText {
public:
    RawText(const std::string& bytes, size_t start, size_t unit, bool bigEndian)
        : m_bytes(bytes), m_start(start), m_unit(unit), m_bigEndian(bigEndian) {}

    // The character at index i; 0 past the end.
    unsigned At(size_t i) const {
        const size_t at = m_start + i * m_unit;
        if (at + m_unit > m_bytes.size()) return 0;
        const auto byte = [&](size_t k) { return static_cast<unsigned char>(m_bytes[at + k]); };
        if (m_unit == 1) return byte(0);
        return m_bigEndian ? (byte(0) << 8 | byte(1)) : (byte(1) << 8 | byte(0));
    }
    bool StartsWith(size_t i, const char* ascii) const {
        for (; *ascii; ++ascii, ++i)
            if (At(i) != static_cast<unsigned char>(*ascii)) return false;
        return true;
    }
    // Index of the first occurrence at or after `from`, or npos.
    size_t Find(size_t from, const char* ascii) const {
        for (size_t i = from; m_start + i * m_unit < m_bytes.size(); ++i)
            if (StartsWith(i, ascii)) return i;
        return std::string::npos;
    }
    size_t ByteOffset(size_t i) const { return m_start + i * m_unit; }

private:
    const std::string& m_bytes;
    size_t m_start;
    size_t m_unit;
    bool m_bigEndian;
};

bool IsXmlSpace(unsigned c) { return c == 0x20 || c == 0x09 || c == 0x0D || c == 0x0A; }

bool IsNameStart(unsigned c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

// The code page of an encoding name in an XML declaration of a file in a
// single-byte layout; 0 for names this class does not handle.
UINT CodePageFromName(std::string name) {
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    static const struct {
        const char* name;
        UINT codePage;
    } kNames[] = {
        {"UTF-8", CP_UTF8},        {"ISO-8859-1", kLatin1},   {"ISO_8859-1", kLatin1},   {"LATIN1", kLatin1},
        {"US-ASCII", kAscii},      {"ASCII", kAscii},         {"WINDOWS-1250", 1250},    {"WINDOWS-1251", 1251},
        {"WINDOWS-1252", 1252},    {"WINDOWS-1253", 1253},    {"WINDOWS-1254", 1254},    {"WINDOWS-1255", 1255},
        {"WINDOWS-1256", 1256},    {"WINDOWS-1257", 1257},    {"WINDOWS-1258", 1258},    {"ISO-8859-2", 28592},
        {"ISO-8859-3", 28593},     {"ISO-8859-4", 28594},     {"ISO-8859-5", 28595},     {"ISO-8859-6", 28596},
        {"ISO-8859-7", 28597},     {"ISO-8859-8", 28598},     {"ISO-8859-9", 28599},     {"ISO-8859-13", 28603},
        {"ISO-8859-15", 28605},
    };
    for (const auto& entry : kNames)
        if (name == entry.name) return entry.codePage;
    return 0;
}

// What the file's beginning tells before any parser sees it.
struct Prolog {
    // False: never handed to the parser (a DTD, an encoding this class does
    // not handle, or a start that is not XML).
    bool usable = false;
    std::string head;  // byte-order mark and XML declaration, as bytes
    bool declaration = false;
    UINT codePage = 0;
};

// Reads the byte-order mark, the XML declaration and the rest of the prolog
// (white space, comments, processing instructions) up to the root element.
// A document type declaration makes the file unusable: together with MSXML's
// ProhibitDTD this keeps every DTD, and so every external entity or external
// subset, away from the parser, also under MSXML implementations that ignore
// ProhibitDTD (Wine's does).
Prolog ReadProlog(const std::string& bytes) {
    Prolog prolog;
    const auto byteAt = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0x100u; };
    size_t start = 0;
    size_t unit = 1;
    bool bigEndian = false;
    UINT layoutCodePage = 0;  // the code page the layout fixes, if it does
    if (byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) {
        start = 3;
        layoutCodePage = CP_UTF8;
    } else if ((byteAt(0) == 0xFF && byteAt(1) == 0xFE && byteAt(2) == 0 && byteAt(3) == 0) ||
               (byteAt(0) == '<' && byteAt(1) == 0 && byteAt(2) == 0)) {
        return prolog;  // UTF-32
    } else if (byteAt(0) == 0xFF && byteAt(1) == 0xFE) {
        start = 2, unit = 2, layoutCodePage = kUtf16LE;
    } else if (byteAt(0) == 0xFE && byteAt(1) == 0xFF) {
        start = 2, unit = 2, bigEndian = true, layoutCodePage = kUtf16BE;
    } else if (byteAt(0) == '<' && byteAt(1) == 0) {
        unit = 2, layoutCodePage = kUtf16LE;
    } else if (byteAt(0) == 0 && byteAt(1) == '<') {
        unit = 2, bigEndian = true, layoutCodePage = kUtf16BE;
    }
    const RawText text(bytes, start, unit, bigEndian);

    size_t i = 0;
    UINT declaredCodePage = CP_UTF8;  // XML's default
    if (text.StartsWith(0, "<?xml") && IsXmlSpace(text.At(5))) {
        const size_t end = text.Find(5, "?>");
        if (end == std::string::npos) return prolog;
        prolog.declaration = true;
        i = end + 2;
        const size_t name = text.Find(5, "encoding");
        if (name != std::string::npos && name < end) {
            size_t k = name + 8;
            while (IsXmlSpace(text.At(k))) ++k;
            if (text.At(k++) != '=') return prolog;
            while (IsXmlSpace(text.At(k))) ++k;
            const unsigned quote = text.At(k++);
            if (quote != '"' && quote != '\'') return prolog;
            std::string encoding;
            for (; k < end && text.At(k) != quote; ++k) encoding += static_cast<char>(text.At(k) & 0x7F);
            declaredCodePage = CodePageFromName(encoding);
        }
    }
    prolog.head = bytes.substr(0, text.ByteOffset(i));
    prolog.codePage = layoutCodePage != 0 ? layoutCodePage : declaredCodePage;
    if (prolog.codePage == 0) return prolog;

    for (;;) {
        while (IsXmlSpace(text.At(i))) ++i;
        const char* close = text.StartsWith(i, "<!--") ? "-->" : text.StartsWith(i, "<?") ? "?>" : nullptr;
        if (!close) break;
        const size_t end = text.Find(i + 2, close);
        if (end == std::string::npos) return prolog;
        i = end + std::char_traits<char>::length(close);
    }
    // Only the root element may come now: "<!" here is a DTD (or an error).
    prolog.usable = text.At(i) == '<' && IsNameStart(text.At(i + 1));
    return prolog;
}

// ---- Writing the document back --------------------------------------------

std::wstring DecodeUtf8(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) throw XMLException(L"MSXML did not serialise the document as UTF-8.");
    std::wstring text(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, &text[0], length);
    return text;
}

// The text of MSXML's serialisation, which is UTF-8 (see Serialize), or
// UTF-16 where it says so with a byte-order mark.
std::wstring DecodeSerialisation(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
        return text;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return DecodeUtf8(bytes.substr(3));
    return DecodeUtf8(bytes);
}

// One character in a single-byte code page, or false when it has none.
bool EncodeSingleByte(UINT codePage, const wchar_t* units, int count, unsigned codePoint, char& byte) {
    if (codePage == kLatin1 || codePage == kAscii) {
        if (codePoint > (codePage == kLatin1 ? 0xFFu : 0x7Fu)) return false;
        byte = static_cast<char>(codePoint);
        return true;
    }
    char out[8];
    BOOL usedDefault = FALSE;
    const int length =
        ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, count, out, sizeof(out), nullptr, &usedDefault);
    if (length == 0 && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        throw XMLException(L"The code page " + std::to_wstring(codePage) + L" is not available.");
    }
    if (length != 1 || usedDefault) return false;
    byte = out[0];
    return true;
}

// The text in the file's encoding. A character that a single-byte encoding
// lacks is written as a character reference; only attribute values set
// through SetAttribute can bring such characters, and a reference is what
// they mean there.
std::string Encode(const std::wstring& text, UINT codePage) {
    std::string bytes;
    if (codePage == kUtf16LE || codePage == kUtf16BE) {
        for (wchar_t c : text) {
            const char low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
            bytes += codePage == kUtf16LE ? low : high;
            bytes += codePage == kUtf16LE ? high : low;
        }
        return bytes;
    }
    if (codePage == CP_UTF8) {
        if (text.empty()) return bytes;
        const int size = static_cast<int>(text.size());
        const int length =
            ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, nullptr, 0, nullptr, nullptr);
        if (length <= 0) throw XMLException(L"The document holds text that UTF-8 cannot encode.");
        bytes.resize(static_cast<size_t>(length));
        ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, &bytes[0], length, nullptr, nullptr);
        return bytes;
    }
    for (size_t i = 0; i < text.size();) {
        unsigned codePoint = text[i];
        int count = 1;
        if (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1])) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            count = 2;
        }
        char byte;
        if (EncodeSingleByte(codePage, &text[i], count, codePoint, byte)) {
            bytes += byte;
        } else {
            bytes += "&#" + std::to_string(codePoint) + ";";
        }
        i += count;
    }
    return bytes;
}

// While it lives, the document's XML declaration says UTF-8, so that MSXML
// serialises in UTF-8 everywhere: Windows' MSXML writes the encoding that the
// declaration names, Wine's writes UTF-8 whatever the declaration says.
class Utf8Declaration {
public:
    explicit Utf8Declaration(IXMLDOMDocument2* document) : m_document(document) {
        fw::ComPtr<IXMLDOMNode> first;
        Check(document->get_firstChild(first.Put()), L"Cannot read the document's first node");
        DOMNodeType type = NODE_INVALID;
        UniqueBstr name;
        if (!first || FAILED(first->get_nodeType(&type)) || type != NODE_PROCESSING_INSTRUCTION ||
            FAILED(first->get_nodeName(name.Put())) || name.Text() != L"xml") {
            return;  // no declaration: MSXML writes UTF-8 anyway
        }
        fw::ComPtr<IXMLDOMProcessingInstruction> utf8;
        Check(document->createProcessingInstruction(UniqueBstr(L"xml").Get(),
                                                    UniqueBstr(L"version=\"1.0\" encoding=\"UTF-8\"").Get(),
                                                    utf8.Put()),
              L"Cannot create an XML declaration");
        fw::ComPtr<IXMLDOMNode> replaced;
        Check(document->replaceChild(utf8.Get(), first.Get(), replaced.Put()),
              L"Cannot replace the XML declaration");
        m_original = first;
        m_replacement = utf8;
    }
    ~Utf8Declaration() {
        if (!m_original) return;
        fw::ComPtr<IXMLDOMNode> replaced;
        m_document->replaceChild(m_original.Get(), m_replacement.Get(), replaced.Put());
    }
    Utf8Declaration(const Utf8Declaration&) = delete;
    Utf8Declaration& operator=(const Utf8Declaration&) = delete;

private:
    IXMLDOMDocument2* m_document;
    fw::ComPtr<IXMLDOMNode> m_original;
    fw::ComPtr<IXMLDOMProcessingInstruction> m_replacement;
};

std::string SaveToMemory(IXMLDOMDocument2* document) {
    fw::ComPtr<IStream> stream;
    Check(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), L"Cannot create a memory stream");
    UniqueVariant destination;
    destination.SetUnknown(stream.Get());
    const HRESULT hr = document->save(destination.Get());
    if (hr != S_OK) Fail(L"MSXML could not serialise the document", hr);
    LARGE_INTEGER zero{};
    ULARGE_INTEGER size{};
    Check(stream->Seek(zero, STREAM_SEEK_END, &size), L"Cannot measure the serialised document");
    Check(stream->Seek(zero, STREAM_SEEK_SET, nullptr), L"Cannot rewind the serialised document");
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    ULONG read = 0;
    if (!bytes.empty()) {
        Check(stream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &read), L"Cannot read the serialised document");
    }
    bytes.resize(read);
    return bytes;
}

// A new file beside a target, deleted again unless Keep is called.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::wstring& target) {
        static LONG s_counter = 0;
        DWORD error = ERROR_FILE_EXISTS;
        for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
            const std::wstring path = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(::InterlockedIncrement(&s_counter)) + L".tmp";
            m_file.Reset(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
            if (m_file) {
                m_strPath = path;
                return;
            }
            error = ::GetLastError();
        }
        throw XMLException(L"Cannot create a temporary file beside " + target + L" (" + SystemErrorText(error) + L")");
    }
    ~TemporaryFile() {
        m_file.Reset();
        if (!m_strPath.empty()) ::DeleteFileW(m_strPath.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& Path() const { return m_strPath; }

    // Writes all bytes through to the disk and closes the file.
    void Write(const std::string& bytes) {
        for (size_t done = 0; done < bytes.size();) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            if (!::WriteFile(m_file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
                WriteFailed(::GetLastError());
            }
            done += written;
        }
        if (!::FlushFileBuffers(m_file.Get())) WriteFailed(::GetLastError());
        m_file.Reset();
    }
    // The file has become the target: nothing to delete any more.
    void Keep() { m_strPath.clear(); }

private:
    [[noreturn]] void WriteFailed(DWORD error) const {
        throw XMLException(L"Cannot write " + m_strPath + L" (" + SystemErrorText(error) + L")");
    }

    std::wstring m_strPath;
    fw::UniqueFileHandle m_file;
};

// Replaces the file's content without ever leaving it half-written.
void ReplaceFileContent(const std::wstring& path, const std::string& bytes) {
    // Windows refuses to replace a read-only file; Wine does not, so ask first.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        throw XMLException(L"Cannot save " + path + L": the file is read-only.");
    }
    TemporaryFile temporary(path);
    temporary.Write(bytes);
    if (!::MoveFileExW(temporary.Path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        throw XMLException(L"Cannot replace " + path + L" (" + SystemErrorText(error) + L")");
    }
    temporary.Keep();
}

}  // namespace

// ---- CXMLFile ---------------------------------------------------------------

CXMLFile::CXMLFile(const std::wstring& path, const std::wstring& /*unusedText*/, bool /*unusedFlag*/)
    : m_strPath(path) {
    Check(::CoCreateInstance(kClsidDOMDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidIXMLDOMDocument2,
                             m_pDocument.PutVoid()),
          L"MSXML 6.0 (DOMDocument60) is not available");
    Check(m_pDocument->put_async(VARIANT_FALSE), L"MSXML refuses synchronous loading");
    Check(m_pDocument->put_preserveWhiteSpace(VARIANT_TRUE), L"MSXML refuses to keep white space");
    // Refusals are tolerated here: ReadProlog keeps every DTD from the parser.
    (void)m_pDocument->put_resolveExternals(VARIANT_FALSE);
    (void)m_pDocument->put_validateOnParse(VARIANT_FALSE);
    UniqueVariant prohibit;
    prohibit.SetBool(true);
    (void)m_pDocument->setProperty(UniqueBstr(L"ProhibitDTD").Get(), prohibit.Get());

    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return;
    const Prolog prolog = ReadProlog(bytes);
    if (!prolog.usable) return;

    // The parser reads the bytes already read, from memory: it never opens
    // the file (or anything else) itself.
    fw::ComPtr<IStream> stream;
    Check(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), L"Cannot create a memory stream");
    ULONG written = 0;
    Check(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), L"Cannot fill a memory stream");
    LARGE_INTEGER zero{};
    Check(stream->Seek(zero, STREAM_SEEK_SET, nullptr), L"Cannot rewind a memory stream");
    UniqueVariant source;
    source.SetUnknown(stream.Get());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(m_pDocument->load(source.Get(), &loaded)) || loaded != VARIANT_TRUE) return;
    fw::ComPtr<IXMLDOMDocumentType> doctype;
    if (SUCCEEDED(m_pDocument->get_doctype(doctype.Put())) && doctype) return;

    m_bLoaded = true;
    m_strHead = prolog.head;
    m_bDeclaration = prolog.declaration;
    m_nCodePage = prolog.codePage;
}

CXMLFile::~CXMLFile() = default;

unsigned CXMLFile::GetValueCount(const std::wstring& elementPath) const {
    if (!m_bLoaded) return 0;
    fw::ComPtr<IXMLDOMNodeList> nodes;
    Check(m_pDocument->selectNodes(UniqueBstr(elementPath).Get(), nodes.Put()), L"Not a valid element path");
    long length = 0;
    if (!nodes || FAILED(nodes->get_length(&length)) || length < 0) return 0;
    return static_cast<unsigned>(length);
}

fw::ComPtr<IXMLDOMElement> CXMLFile::FirstElement(const std::wstring& elementPath) const {
    fw::ComPtr<IXMLDOMElement> element;
    if (!m_bLoaded) return element;
    fw::ComPtr<IXMLDOMNode> node;
    Check(m_pDocument->selectSingleNode(UniqueBstr(elementPath).Get(), node.Put()), L"Not a valid element path");
    if (node && FAILED(node->QueryInterface(kIidIXMLDOMElement, element.PutVoid()))) element.Reset();
    return element;
}

void CXMLFile::GetAttribute(wchar_t* buffer, const std::wstring& elementPath, const std::wstring& attributeName,
                            int /*unused*/, size_t capacity) const {
    if (!buffer || capacity == 0) return;
    std::wstring value;
    if (const fw::ComPtr<IXMLDOMElement> element = FirstElement(elementPath)) {
        UniqueVariant attribute;
        if (SUCCEEDED(element->getAttribute(UniqueBstr(attributeName).Get(), attribute.Put())) &&
            V_VT(&attribute.Get()) == VT_BSTR && V_BSTR(&attribute.Get())) {
            value.assign(V_BSTR(&attribute.Get()), ::SysStringLen(V_BSTR(&attribute.Get())));
        }
    }
    size_t length = std::min(value.size(), capacity - 1);
    if (length < value.size() && length > 0 && IS_HIGH_SURROGATE(value[length - 1])) --length;
    std::wmemcpy(buffer, value.data(), length);
    buffer[length] = L'\0';
}

void CXMLFile::SetAttribute(const std::wstring& elementPath, const std::wstring& attributeName,
                            const std::wstring& value) {
    const fw::ComPtr<IXMLDOMElement> element = FirstElement(elementPath);
    if (!element) return;
    UniqueVariant text;
    text.SetText(value);
    Check(element->setAttribute(UniqueBstr(attributeName).Get(), text.Get()), L"Cannot set the attribute");
}

std::string CXMLFile::Serialize() const {
    std::wstring text;
    {
        // Only the declaration's own bytes name the file's encoding; they are
        // written back from m_strHead, so what MSXML writes there is dropped.
        const bool declaresOtherThanUtf8 = m_bDeclaration && m_nCodePage != CP_UTF8;
        std::optional<Utf8Declaration> utf8;
        if (declaresOtherThanUtf8) utf8.emplace(m_pDocument.Get());
        text = DecodeSerialisation(SaveToMemory(m_pDocument.Get()));
    }
    bool serialisedDeclaration = false;
    if (text.compare(0, 5, L"<?xml") == 0 && text.size() > 5 && IsXmlSpace(text[5])) {
        const size_t end = text.find(L"?>");
        if (end == std::wstring::npos) throw XMLException(L"MSXML wrote an unterminated XML declaration.");
        text.erase(0, end + 2);
        serialisedDeclaration = true;
    }
    if (serialisedDeclaration && !m_bDeclaration) {
        // The file had none: drop the one MSXML added, with its line break.
        if (text.compare(0, 2, L"\r\n") == 0) text.erase(0, 2);
        else if (text.compare(0, 1, L"\n") == 0) text.erase(0, 1);
    } else if (!serialisedDeclaration && m_bDeclaration) {
        text.insert(0, L"\r\n");
    }
    return m_strHead + Encode(text, m_nCodePage);
}

void CXMLFile::Save() {
    if (!m_bLoaded) return;
    ReplaceFileContent(m_strPath, Serialize());
}
