// Reading INI files with the system's profile reader.
#pragma once

#include <string>

namespace fw {

// The value of `key` in `section` of the INI file `path`, or `defaultText`
// when the file, section or key is missing; cut to capacity - 1 characters.
std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                               const std::wstring& defaultText, unsigned capacity);

}  // namespace fw
