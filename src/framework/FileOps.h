// Single-file operations on paths.
#pragma once

#include <string>

namespace fw {

// True when the file can be opened with no access rights asked, shared for
// reading: a file that another process holds without read sharing counts as
// missing too.
bool FileCanBeOpened(const std::wstring& path);
// Deletes a file; true when it was deleted.
bool DeleteOneFile(const std::wstring& path);

}  // namespace fw
