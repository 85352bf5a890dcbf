// Stand-ins for a brand's library brandyu.dll, one build per behaviour:
//   BRAND_CULTURE      GetLang answers true with the culture name in the
//                      environment variable BRANDYU_CULTURE (it-IT when unset);
//   BRAND_FALSE        GetLang answers false;
//   BRAND_UNTERMINATED GetLang fills the whole buffer and writes no terminator;
//   BRAND_NO_EXPORT    the library has no GetLang at all.
#include <windows.h>

#if defined(BRAND_CULTURE) || defined(BRAND_FALSE) || defined(BRAND_UNTERMINATED)
extern "C" __declspec(dllexport) bool __cdecl GetLang(wchar_t* buffer, int capacity) {
#if defined(BRAND_FALSE)
    (void)buffer;
    (void)capacity;
    return false;
#elif defined(BRAND_UNTERMINATED)
    for (int i = 0; i < capacity; ++i) buffer[i] = L'x';
    return true;
#else
    wchar_t culture[64] = L"it-IT";
    ::GetEnvironmentVariableW(L"BRANDYU_CULTURE", culture, 64);
    lstrcpynW(buffer, culture, capacity);
    return true;
#endif
}
#else
extern "C" __declspec(dllexport) int __cdecl SomethingElse() { return 0; }
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
