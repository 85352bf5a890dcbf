// The running program's own file.
#pragma once

#include <string>

namespace fw {

// The full path of the running program file, as the system reports it into a
// buffer of `capacity` characters (a longer path comes back cut).
std::wstring ModuleFileName(unsigned capacity);

}  // namespace fw
