#include "base/high_contrast.h"

#include <windows.h>

#include <cwchar>

#include "base/registry.h"

bool HighContrastOn() {
    HIGHCONTRASTW contrast{sizeof contrast, 0, nullptr};
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) contrast.dwFlags = 0;
    if (!(contrast.dwFlags & HCF_AVAILABLE)) {
        UniqueRegKey key;
        wchar_t flags[16] = {};
        if (OpenKeyForRead(HKEY_CURRENT_USER, HighContrastKeyPath, key) == ERROR_SUCCESS &&
            ReadTextValue(key.get(), L"Flags", flags))
            contrast.dwFlags = wcstoul(flags, nullptr, 10);
    }
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}
