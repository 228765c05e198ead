#include "base/windows_version.h"

OSVERSIONINFOW WindowsVersion() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;  // 276
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // the version decides which device mode is written
#endif
    if (!GetVersionExW(&version)) {
        // Unknown: taken for a current Windows NT.
        version.dwMajorVersion = 6;
        version.dwPlatformId = VER_PLATFORM_WIN32_NT;
    }
    return version;
}
