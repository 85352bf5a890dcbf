#include "framework/FileOps.h"

#include <windows.h>

#include "framework/Handles.h"

namespace fw {

bool FileCanBeOpened(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.IsValid();
}

bool DeleteOneFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }

}  // namespace fw
