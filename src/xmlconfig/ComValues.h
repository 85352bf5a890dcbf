// Owners for the two COM value types the XML document class hands across
// COM: a BSTR and a VARIANT. Each frees its value when it goes, so logic code
// never calls SysFreeString or VariantClear itself.
#pragma once

#include <objbase.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <utility>

namespace xmlconfig {

class UniqueBstr {
public:
    UniqueBstr() noexcept = default;
    // A copy of the text, embedded zeros included.
    explicit UniqueBstr(const std::wstring& text)
        : m_bstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
        if (!m_bstr) throw std::bad_alloc();
    }
    UniqueBstr(UniqueBstr&& other) noexcept : m_bstr(other.Detach()) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        std::swap(m_bstr, other.m_bstr);
        return *this;
    }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    ~UniqueBstr() { ::SysFreeString(m_bstr); }

    BSTR Get() const noexcept { return m_bstr; }
    // Address for calls that hand out a new string.
    BSTR* Put() noexcept {
        ::SysFreeString(Detach());
        return &m_bstr;
    }
    // Gives up ownership.
    BSTR Detach() noexcept { return std::exchange(m_bstr, nullptr); }
    std::wstring Text() const { return m_bstr ? std::wstring(m_bstr, ::SysStringLen(m_bstr)) : std::wstring(); }

private:
    BSTR m_bstr = nullptr;
};

class UniqueVariant {
public:
    UniqueVariant() noexcept { ::VariantInit(&m_value); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { ::VariantClear(&m_value); }

    // The value to pass to a call that takes a VARIANT by value (the callee
    // does not take ownership).
    const VARIANT& Get() const noexcept { return m_value; }
    // Address for calls that hand out a new value.
    VARIANT* Put() noexcept {
        ::VariantClear(&m_value);
        return &m_value;
    }

    void SetText(const std::wstring& text) {
        UniqueBstr copy(text);
        V_VT(Put()) = VT_BSTR;
        V_BSTR(&m_value) = copy.Detach();
    }
    void SetBool(bool value) noexcept {
        V_VT(Put()) = VT_BOOL;
        V_BOOL(&m_value) = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    // Holds one more reference to the object.
    void SetUnknown(IUnknown* unknown) noexcept {
        V_VT(Put()) = VT_UNKNOWN;
        V_UNKNOWN(&m_value) = unknown;
        if (unknown) unknown->AddRef();
    }

private:
    VARIANT m_value;
};

}  // namespace xmlconfig
