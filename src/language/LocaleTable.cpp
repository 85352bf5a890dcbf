// Culture names to decimal Windows language identifiers. The table is read in
// this direction only.
#include <string>

#include "app/SetupManager.h"

namespace {

struct LocaleRow {
    const char* isoName;
    const char* lcid;
};

// Spanish is the traditional-sort identifier, Serbian is keyed by its script
// name without a region, and English is only the United Kingdom's.
constexpr LocaleRow kLocaleTable[] = {
    {"ar-AE", "14337"}, {"bg-BG", "1026"}, {"cs-CZ", "1029"}, {"hr-HR", "1050"},   {"da-DK", "1030"},
    {"fi-FI", "1035"},  {"fr-FR", "1036"}, {"ja-JP", "1041"}, {"el-GR", "1032"},   {"en-GB", "2057"},
    {"he-IL", "1037"},  {"it-IT", "1040"}, {"lt-LT", "1063"}, {"nb-NO", "1044"},   {"nl-NL", "1043"},
    {"pl-PL", "1045"},  {"pt-PT", "2070"}, {"ro-RO", "1048"}, {"ru-RU", "1049"},   {"sr-Latn", "2074"},
    {"sk-SK", "1051"},  {"sl-SI", "1060"}, {"es-ES", "1034"}, {"sv-SE", "1053"},   {"de-DE", "1031"},
    {"tr-TR", "1055"},  {"hu-HU", "1038"}, {"fa-IR", "1065"},
};

std::wstring WidenAscii(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

}  // namespace

std::wstring CSetupManager::GetCodeFromISOname(std::wstring isoName) const {
    std::wstring lcid;
    for (const LocaleRow& row : kLocaleTable) {
        if (isoName == WidenAscii(row.isoName)) lcid = WidenAscii(row.lcid);
    }
    return lcid;
}
