// The language of an earlier installation: the brand library first, then the
// installation's CommonConfig.xml, then its ConfigurationWizard.xml.
#include <cwchar>
#include <string>

#include "app/SetupManager.h"
#include "app/SetupStrings.h"
#include "framework/FileOps.h"
#include "framework/Library.h"
#include "xmlconfig/XMLFile.h"

namespace {

constexpr size_t kTextCapacity = 1024;
constexpr wchar_t kLanguageElement[] = L"root/language";
constexpr wchar_t kIsoNameAttribute[] = L"ISOname";
constexpr wchar_t kCodeAttribute[] = L"code";
constexpr wchar_t kAbsentIsoName[] = L"\u00a7|VT_NULL|\u00a7";

using GetLangFunction = bool(__cdecl*)(wchar_t* buffer, int capacity);

// A language code from a configuration file goes onto the installer's
// command line, so only a plain number of 1 to 5 digits is taken; any other
// text counts as no code at all.
bool IsLanguageCode(const std::wstring& code) {
    if (code.empty() || code.size() > 5) return false;
    for (wchar_t c : code) {
        if (c < L'0' || c > L'9') return false;
    }
    return true;
}

std::wstring ReadLanguageAttribute(CXMLFile& file, wchar_t (&buffer)[kTextCapacity], const wchar_t* attribute) {
    file.GetAttribute(buffer, kLanguageElement, attribute, 0);
    return std::wstring(buffer, ::wcsnlen(buffer, kTextCapacity));
}

// Writes one attribute of the language element of CommonConfig.xml, when the
// file is there and has that element.
void CopyIntoCommonConfig(const std::wstring& commonConfig, const wchar_t* attribute, const std::wstring& value) {
    if (!fw::FileCanBeOpened(commonConfig)) return;
    CXMLFile file(commonConfig, L"", false);
    if (file.GetValueCount(kLanguageElement) == 0) return;
    file.SetAttribute(kLanguageElement, attribute, value);
    file.Save();
}

}  // namespace

bool CSetupManager::GetLangFromBrandLibrary() {
    wchar_t buffer[kTextCapacity] = {};
    fw::CLibrary library;
    if (!library.Load(L"brandyu.dll")) return false;
    const GetLangFunction getLang = library.Function<GetLangFunction>("GetLang");
    if (!getLang) return false;
    if (!getLang(buffer, static_cast<int>(kTextCapacity))) return false;

    // A library that writes no terminator still cannot make us read past the buffer.
    const std::wstring lcid = GetCodeFromISOname(std::wstring(buffer, ::wcsnlen(buffer, kTextCapacity)));
    if (!lcid.empty()) m_strLanguage = L" /l" + lcid;
    return true;
}

bool CSetupManager::GetLangFromCommonConfig() {
    if (!fw::FileCanBeOpened(m_strCommonConfig)) return false;
    CXMLFile file(m_strCommonConfig, L"", false);
    if (file.GetValueCount(kLanguageElement) == 0) return false;

    wchar_t buffer[kTextCapacity] = {};
    const std::wstring isoName = ReadLanguageAttribute(file, buffer, kIsoNameAttribute);
    if (!isoName.empty() && isoName != kAbsentIsoName) {
        const std::wstring lcid = GetCodeFromISOname(isoName);
        if (!lcid.empty()) m_strLanguage = L" /l" + lcid;
        return true;
    }

    const std::wstring code = ReadLanguageAttribute(file, buffer, kCodeAttribute);
    if (!IsLanguageCode(code)) return false;
    m_strLanguage = L" /l" + code;
    return true;
}

bool CSetupManager::GetLangFromWizardConfiguration() {
    CXMLFile wizard(m_strWizardConfig, L"", false);
    if (wizard.GetValueCount(kLanguageElement) == 0) return false;

    wchar_t isoBuffer[kTextCapacity] = {};
    const std::wstring isoName = ReadLanguageAttribute(wizard, isoBuffer, kIsoNameAttribute);
    if (setup::UpperAscii(isoName).find(L"NULL") == std::wstring::npos) {
        const std::wstring lcid = GetCodeFromISOname(isoName);
        if (!lcid.empty()) m_strLanguage = L" /l" + lcid;
        CopyIntoCommonConfig(m_strCommonConfig, kIsoNameAttribute, isoName);
        return true;
    }

    wchar_t codeBuffer[kTextCapacity] = {};
    const std::wstring code = ReadLanguageAttribute(wizard, codeBuffer, kCodeAttribute);
    if (!IsLanguageCode(code)) return false;
    m_strLanguage = L" /l" + code;
    CopyIntoCommonConfig(m_strCommonConfig, kCodeAttribute, code);
    return true;
}
