// For users of high-contrast themes: whether one is on, so that what the program draws
// itself (the orientation picture, the About banner) takes the theme's colours.
#pragma once

// True while the user has a high-contrast theme on: what the program draws itself is
// then drawn in the theme's colours (GetSysColor). A system without a high-contrast
// feature of its own (Wine 8 always reports it off and unavailable) is asked where
// Windows keeps the user's setting: "Flags" of HighContrastKeyPath under
// HKEY_CURRENT_USER, a decimal number of HCF_* bits.
bool HighContrastOn();
inline constexpr wchar_t HighContrastKeyPath[] = L"Control Panel\\Accessibility\\HighContrast";
