#include "framework/TextFile.h"

#include <fcntl.h>
#include <io.h>

namespace fw {

bool CTextFile::Open(const std::wstring& path, unsigned flags, CFileError* error) {
    Close();
    const bool write = (flags & modeWrite) != 0;
    const DWORD access = write ? GENERIC_WRITE : GENERIC_READ;
    const DWORD share = write ? 0 : (FILE_SHARE_READ | FILE_SHARE_WRITE);
    const DWORD disposition = (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;

    UniqueFileHandle handle(::CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        if (error) *error = CFileError::FromOsError(::GetLastError(), path);
        return false;
    }

    // The descriptor takes over the handle, and the stream the descriptor.
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle.Get()),
                                     (write ? _O_WRONLY : _O_RDONLY) | _O_TEXT);
    if (fd == -1) {
        if (error) *error = CFileError(CFileError::generic, 0, path);
        return false;
    }
    handle.Release();
    FILE* stream = ::_fdopen(fd, write ? "wt" : "rt");
    if (!stream) {
        ::_close(fd);
        if (error) *error = CFileError(CFileError::generic, 0, path);
        return false;
    }
    m_file.Reset(stream);
    return true;
}

void CTextFile::Close() { m_file.Reset(); }

bool CTextFile::ReadLine(std::wstring& line) {
    line.clear();
    if (!m_file) return false;
    int c;
    bool readAny = false;
    while ((c = std::fgetc(m_file.Get())) != EOF) {
        readAny = true;
        if (c == '\n') return true;
        line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return readAny;
}

bool CTextFile::WriteBytes(const std::string& bytes) {
    if (!m_file) return false;
    return std::fwrite(bytes.data(), 1, bytes.size(), m_file.Get()) == bytes.size();
}

}  // namespace fw
