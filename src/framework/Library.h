// A library loaded by name for the duration of one operation.
#pragma once

#include <windows.h>

#include "framework/Handles.h"

namespace fw {

class CLibrary {
public:
    // Loads the library through the system's library search order.
    bool Load(const wchar_t* name) {
        m_module.Reset(::LoadLibraryW(name));
        return m_module.IsValid();
    }
    // The exported function `name` as a pointer of type F, or null.
    template <typename F>
    F Function(const char* name) const {
        return m_module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m_module.Get(), name)))
                        : nullptr;
    }

private:
    UniqueModule m_module;
};

}  // namespace fw
