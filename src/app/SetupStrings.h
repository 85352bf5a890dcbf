// The launcher's shared string rules: exact comparison is std::wstring's own;
// these add ASCII-only upper-casing and case folding, trimming, replacement
// and printf-style formatting.
#pragma once

#include <cstdarg>
#include <string>

namespace setup {

// Changes a-z to A-Z and leaves every other character as it is.
std::wstring UpperAscii(std::wstring text);
// True when both texts are equal once A-Z and a-z are folded together
// (allocates nothing, so it cannot fail).
bool EqualsNoCaseAscii(const std::wstring& a, const std::wstring& b);
// Removes trailing, then leading white space (the C runtime's wide test).
std::wstring TrimWhiteSpace(std::wstring text);
// Replaces every occurrence of `what`; inserted text is not searched again.
std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with);
// The text before the last backslash; empty when there is none.
std::wstring TextBeforeLastBackslash(const std::wstring& path);

// Wide printf formatting (%s takes a wide string, %d an int) into at most
// `capacity` characters.
std::wstring FormatV(size_t capacity, const wchar_t* format, va_list args);
std::wstring Format(const wchar_t* format, ...);

// The launcher's directory: its own program path read into a buffer of
// `capacity` characters, a-z upper-cased, cut before the last backslash.
// A launcher at the root of a drive gives the bare drive, such as "E:".
std::wstring LauncherDirectory(unsigned capacity);

}  // namespace setup
