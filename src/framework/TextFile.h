// A buffered text file on the C runtime's stream layer: opened through the
// system (so that a failure carries its system error), then read or written
// in text mode, one byte per character.
#pragma once

#include <string>

#include "framework/FileError.h"
#include "framework/Handles.h"

namespace fw {

class CTextFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000,  // create, or empty an existing file
    };

    CTextFile() = default;
    virtual ~CTextFile() = default;
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // modeRead opens an existing file for reading, shared with readers and
    // writers. modeCreate | modeWrite creates or empties the file and keeps it
    // to this process alone while it is open. On failure the file stays
    // closed and `error` (when given) describes why.
    bool Open(const std::wstring& path, unsigned flags, CFileError* error = nullptr);
    bool IsOpen() const { return m_file.IsValid(); }
    void Close();

    // Reads the next line without its line end, each byte as one character
    // (U+0000 to U+00FF). Answers false at the end of the file.
    bool ReadLine(std::wstring& line);

    // Writes bytes as they are (text mode turns "\n" into CR LF) and answers
    // whether all of them were written.
    bool WriteBytes(const std::string& bytes);

private:
    UniqueStdioFile m_file;
};

}  // namespace fw
