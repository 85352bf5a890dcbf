// Owner of one COM interface pointer, and COM initialisation as an object.
#pragma once

#include <objbase.h>
#include <utility>

namespace fw {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr& other) noexcept : m_p(other.m_p) {
        if (m_p) m_p->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    void Reset() noexcept {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }
    // Address for calls that hand out a new reference.
    T** Put() noexcept {
        Reset();
        return &m_p;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

private:
    T* m_p = nullptr;
};

// Initialises COM on this thread for the lifetime of the object, and
// uninitialises it again only if the initialisation succeeded.
class ComInitializer {
public:
    ComInitializer() noexcept : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComInitializer() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ComInitializer(const ComInitializer&) = delete;
    ComInitializer& operator=(const ComInitializer&) = delete;
    bool Succeeded() const noexcept { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

}  // namespace fw
