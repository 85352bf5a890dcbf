// Move-only owners for the system handles the launcher uses. Each kind knows
// its own invalid value and its own release call; logic code never releases
// a handle by hand.
#pragma once

#include <windows.h>
#include <cstdio>
#include <utility>

namespace fw {

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept : m_value(Traits::Invalid()) {}
    explicit UniqueResource(Type value) noexcept : m_value(value) {}
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { Reset(); }

    Type Get() const noexcept { return m_value; }
    bool IsValid() const noexcept { return m_value != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Releases the current value (if any) and takes ownership of a new one.
    void Reset(Type value = Traits::Invalid()) noexcept {
        if (IsValid()) Traits::Close(m_value);
        m_value = value;
    }
    // Gives up ownership without releasing.
    Type Release() noexcept { return std::exchange(m_value, Traits::Invalid()); }
    // Address for APIs that return a handle through an out parameter.
    Type* Put() noexcept {
        Reset();
        return &m_value;
    }

private:
    Type m_value;
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::FreeLibrary(h); }
};
struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};
// Files opened with CreateFileW report failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};
// Process and thread handles report failure as a null handle.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::CloseHandle(h); }
};
struct StdioFileTraits {
    using Type = FILE*;
    static Type Invalid() { return nullptr; }
    static void Close(Type f) { std::fclose(f); }
};
struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::LocalFree(h); }
};

using UniqueHKey = UniqueResource<RegKeyTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueFindHandle = UniqueResource<FindTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueKernelHandle = UniqueResource<KernelHandleTraits>;
using UniqueStdioFile = UniqueResource<StdioFileTraits>;
using UniqueLocalMemory = UniqueResource<LocalMemoryTraits>;

}  // namespace fw

namespace fw {

struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::DestroyWindow(h); }
};
using UniqueWindow = UniqueResource<WindowTraits>;

}  // namespace fw
