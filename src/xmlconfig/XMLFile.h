// The XML document class: CXMLFile, one XML file read
// and written through MSXML 6.0 (DOMDocument60) over COM, and XMLException,
// what it throws when the library fails.
//
// COM must be initialised on the calling thread for the object's whole life
// (fw::ComInitializer); the class never initialises it itself.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>

#include "framework/ComPtr.h"

struct IXMLDOMDocument2;
struct IXMLDOMElement;

// The base of the library's exceptions: a message and a code.
class XMLError {
public:
    // A code and an empty message.
    explicit XMLError(int code) : m_nCode(code) {}
    // A message and the code 0.
    explicit XMLError(std::wstring message) : m_strMessage(std::move(message)) {}
    XMLError(const XMLError&) = default;
    XMLError& operator=(const XMLError&) = default;
    virtual ~XMLError() = default;

    virtual const std::wstring& Message() const { return m_strMessage; }
    virtual int Code() const { return m_nCode; }

private:
    std::wstring m_strMessage;
    int m_nCode = 0;
};

// Thrown when the XML library fails: MSXML 6.0 is not available (or COM is
// not initialised), a path expression is not valid, or a save cannot be done.
class XMLException : public XMLError {
public:
    explicit XMLException(int code) : XMLError(code) {}
    explicit XMLException(const std::wstring& message) : XMLError(message) {}
    XMLException(const XMLException&) = default;
    XMLException& operator=(const XMLException&) = default;
    ~XMLException() override = default;
};

class CXMLFile {
public:
    // Opens the document in the file at `path`. A file that is missing, cannot
    // be read, cannot be parsed, carries a document type declaration (DTD) or
    // is in an encoding this class cannot write back counts as no document:
    // zero elements at every path, and Save never writes it. The second text
    // and the flag are not used. Throws XMLException when MSXML 6.0 cannot be
    // created (COM not initialised, class not registered).
    CXMLFile(const std::wstring& path, const std::wstring& unusedText, bool unusedFlag);
    // Releases the document; does not save.
    ~CXMLFile();
    CXMLFile(const CXMLFile&) = delete;
    CXMLFile& operator=(const CXMLFile&) = delete;

    // The number of elements at a slash path such as L"root/language" (an
    // XPath location path from the document). Throws XMLException for a path
    // that is not a valid expression.
    unsigned GetValueCount(const std::wstring& elementPath) const;

    // Writes the value of the attribute of the first element at the path into
    // the buffer of `capacity` characters, terminator included: the empty text
    // when there is no such element or attribute; a value too long is cut to
    // capacity - 1 characters (never between the two halves of a surrogate
    // pair). Always zero-terminated; nothing is written when capacity is 0.
    // The int is not used.
    void GetAttribute(wchar_t* buffer, const std::wstring& elementPath, const std::wstring& attributeName,
                      int unused, size_t capacity) const;
    // The same for an array, whose size is the capacity.
    template <size_t N>
    void GetAttribute(wchar_t (&buffer)[N], const std::wstring& elementPath, const std::wstring& attributeName,
                      int unused) const {
        GetAttribute(buffer, elementPath, attributeName, unused, N);
    }

    // Sets the attribute on the first element at the path; nothing when there
    // is none (or no document).
    void SetAttribute(const std::wstring& elementPath, const std::wstring& attributeName, const std::wstring& value);

    // Writes the document back to its file, in the file's own encoding, with
    // its byte-order mark and XML declaration exactly as they were. Writes a
    // temporary file beside it first and then replaces the file with it, so
    // the file is either as it was or wholly new. Does nothing when there is
    // no document. Throws XMLException when the file cannot be replaced (it is
    // read-only, its folder is gone, ...); the file and its folder are then as
    // they were.
    void Save();

private:
    fw::ComPtr<IXMLDOMElement> FirstElement(const std::wstring& elementPath) const;
    std::string Serialize() const;

    std::wstring m_strPath;
    fw::ComPtr<IXMLDOMDocument2> m_pDocument;
    bool m_bLoaded = false;
    // The file's leading bytes, written back unchanged: its byte-order mark
    // and its XML declaration, where it has them.
    std::string m_strHead;
    bool m_bDeclaration = false;
    // The encoding of the file as a Windows code page (CP_UTF8, 1200 for
    // UTF-16LE, 1201 for UTF-16BE, 28591 for ISO-8859-1, ...).
    UINT m_nCodePage = 0;
};
