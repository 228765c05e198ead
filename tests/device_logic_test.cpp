// The device pages' logic that needs no window and no printer.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "device/device_pages.h"
#include "device/printer_access.h"

namespace {

TEST(ResolutionText, NamesTheTwoFaxModesOnly) {
    EXPECT_EQ(ResolutionText(600, 600), L"600 x 600 DPI");
    EXPECT_EQ(ResolutionText(204, 98), L"204 x 98 DPI - Standard FAX mode");
    EXPECT_EQ(ResolutionText(204, 196), L"204 x 196 DPI - Fine FAX mode");
    EXPECT_EQ(ResolutionText(98, 204), L"98 x 204 DPI");
    EXPECT_EQ(ResolutionText(-1, 300), L"-1 x 300 DPI");
}

TEST(CenteredPicturePosition, HalvesTruncateTowardZero) {
    POINT at = CenteredPicturePosition({0, 0, 50, 46}, 35, 45);
    EXPECT_EQ(at.x, 7);
    EXPECT_EQ(at.y, 0);
    at = CenteredPicturePosition({10, 20, 40, 50}, 45, 35);  // larger than the control
    EXPECT_EQ(at.x, 10 + (-15) / 2);
    EXPECT_EQ(at.x, 3);
    EXPECT_EQ(at.y, 18);
}

// The separators of the locales the lengths are checked in; the last is a user's own
// choice of a separator of two units, with Swiss grouping.
const NumberSeparators English{L".", L","}, German{L",", L"."}, Japanese{L".", L","}, TwoUnits{L"::", L"'"};

TEST(FormatPaperSize, MillimetresOrInchesWithTwoDecimalsAndTheUsersSeparator) {
    struct Row {
        const NumberSeparators& separators;
        const wchar_t *width, *length, *widthInches, *lengthInches;
    };
    for (const Row& row : {Row{English, L"210.00", L"297.00", L"8.27", L"11.69"},
                           Row{German, L"210,00", L"297,00", L"8,27", L"11,69"},
                           Row{Japanese, L"210.00", L"297.00", L"8.27", L"11.69"},
                           Row{TwoUnits, L"210::00", L"297::00", L"8::27", L"11::69"}}) {
        PaperSizeText a4 = FormatPaperSize({2100, 2970}, MetricUnits, row.separators);
        EXPECT_EQ(a4.width, row.width);
        EXPECT_EQ(a4.length, row.length);
        EXPECT_EQ(a4.unit, L"mm");
        a4 = FormatPaperSize({2100, 2970}, EnglishUnits, row.separators);
        EXPECT_EQ(a4.width, row.widthInches);
        EXPECT_EQ(a4.length, row.lengthInches);
        EXPECT_EQ(a4.unit, L"in");
    }
    PaperSizeText letter = FormatPaperSize({2159, 2794}, 7, English);  // any unit but metric is inches
    EXPECT_EQ(letter.width, L"8.50");
    EXPECT_EQ(letter.length, L"11.00");
    EXPECT_EQ(FormatLength(11890, German), L"11890,00") << "never grouped";
}

TEST(ParseLength, TakesDigitsWithOneDecimalMarkOfTheUsersFormatOrNothing) {
    constexpr double None = -1;
    struct Row {
        const NumberSeparators& separators;
        const wchar_t* text;
        double length;
    };
    for (const Row& row : {
             Row{English, L"210.5", 210.5}, {English, L" \t12.5 ", 12.5}, {English, L".5", 0.5}, {English, L"5.", 5},
             {English, L"210,5", None}, {English, L"1,189", None}, {English, L"1.2.3", None},
             {English, L"100abc", None}, {English, L"100 mm", None}, {English, L"1e2", None}, {English, L"-3", None},
             {English, L"+3", None}, {English, L"0x10", None}, {English, L"1 2", None},
             {German, L"210,5", 210.5}, {German, L",5", 0.5}, {German, L"1,189", 1.189},
             // The full stop is German grouping, but "210.5" cannot be grouped: a decimal point.
             {German, L"210.5", 210.5}, {German, L"210.50", 210.5}, {German, L"1.189", None},
             {German, L"210.500", None}, {German, L"1.189,5", None}, {German, L"210,5.0", None},
             {Japanese, L"210.5", 210.5}, {Japanese, L"1.189", 1.189}, {Japanese, L"210,5", None},
             {TwoUnits, L"210::5", 210.5}, {TwoUnits, L"210.5", 210.5}, {TwoUnits, L"1.189", 1.189},
             {TwoUnits, L"210:5", None}, {TwoUnits, L"210,5", None}, {TwoUnits, L"1'189", None},
             // Arabic-Indic, Extended Arabic-Indic and full-width digits, and their stops.
             {English, L"\x0662\x0661\x0660\x066B\x0665", 210.5}, {English, L"\x06F2\x06F9\x06F7", 297},
             {English, L"\xFF12\xFF11\xFF10\xFF0E\xFF15", 210.5}, {German, L"\x0661\x066B\x0661\x0668\x0669", None},
             {English, L"\x0662\x0661x", None}, {English, L"\x0669\x0669\x0669\x0669\x0669\x0669\x0669", 9999999}}) {
        const std::optional<double> length = ParseLength(row.text, row.separators);
        if (row.length == None) {
            EXPECT_FALSE(length) << row.text << " read as " << length.value_or(0);
        } else {
            EXPECT_DOUBLE_EQ(length.value_or(None), row.length) << row.text;
        }
    }
    for (const wchar_t* none : {L"", L" ", L"abc", L"inf", L"nan", L".", L"-", L"e5"}) {
        EXPECT_FALSE(ParseLength(none, English)) << none;
        EXPECT_FALSE(ParseLength(none, German)) << none;
    }
}

TEST(IsAcceptableNewForm, NeedsANewNameAndSizesWithinInclusiveLimits) {
    std::vector<FormEntry> forms = {{L"Letter", FORM_BUILTIN, {215900, 279400}, {0, 0, 215900, 279400}}};
    EXPECT_TRUE(IsAcceptableNewForm(L"Mine", 25, 1189, forms));
    EXPECT_TRUE(IsAcceptableNewForm(L"Mine", 841, 25, forms));
    EXPECT_FALSE(IsAcceptableNewForm(L"Mine", 24.99, 100, forms));
    EXPECT_FALSE(IsAcceptableNewForm(L"Mine", 841.01, 100, forms));
    EXPECT_FALSE(IsAcceptableNewForm(L"Mine", 100, 24.99, forms));
    EXPECT_FALSE(IsAcceptableNewForm(L"Mine", 100, 1189.01, forms));
    EXPECT_FALSE(IsAcceptableNewForm(L"Letter", 100, 100, forms));
    EXPECT_TRUE(IsAcceptableNewForm(L"LETTER", 100, 100, forms));
    EXPECT_FALSE(IsAcceptableNewForm(L"", 100, 100, forms));
    EXPECT_TRUE(IsAcceptableNewForm(L" ", 100, 100, {}));
    EXPECT_TRUE(IsAcceptableNewForm(L"Inches", 0.99 * 25.4, 46.8 * 25.4, forms));
    EXPECT_FALSE(IsAcceptableNewForm(L"Inches", 0.98 * 25.4, 100, forms));
}

TEST(ToThousandthsOfMillimetre, ScalesByUnit) {
    EXPECT_DOUBLE_EQ(ToThousandthsOfMillimetre(8.5, EnglishUnits), 215900);
    EXPECT_DOUBLE_EQ(ToThousandthsOfMillimetre(11, EnglishUnits), 279400);
    EXPECT_DOUBLE_EQ(ToThousandthsOfMillimetre(210, MetricUnits), 210000);
}

TEST(IsDeletableUserForm, TheFirstFormOfThatExactNameDecides) {
    std::vector<FormEntry> forms = {{L"Label", FORM_BUILTIN, {1, 1}, {0, 0, 1, 1}},
                                    {L"Label", FORM_USER, {1, 1}, {0, 0, 1, 1}},
                                    {L"Mine", FORM_USER, {1, 1}, {0, 0, 1, 1}},
                                    {L"Tray", FORM_PRINTER, {1, 1}, {0, 0, 1, 1}}};
    EXPECT_FALSE(IsDeletableUserForm(forms, L"Label", true));
    EXPECT_TRUE(IsDeletableUserForm(forms, L"Mine", true));
    EXPECT_FALSE(IsDeletableUserForm(forms, L"Mine", false));
    EXPECT_FALSE(IsDeletableUserForm(forms, L"mine", true));
    EXPECT_FALSE(IsDeletableUserForm(forms, L"Tray", true));
    EXPECT_FALSE(IsDeletableUserForm({}, L"Mine", true));
}

TEST(DeviceModeWriteLevel, MachineWideBeforeWindows2000) {
    EXPECT_EQ(DeviceModeWriteLevel(3), 2);
    EXPECT_EQ(DeviceModeWriteLevel(4), 2);
    EXPECT_EQ(DeviceModeWriteLevel(5), 9);
    EXPECT_EQ(DeviceModeWriteLevel(10), 9);
}

DEVMODEW FilledMode() {
    DEVMODEW mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmFields = DM_COPIES;
    mode.dmCopies = 4;
    mode.dmOrientation = DMORIENT_PORTRAIT;
    mode.dmPaperSize = DMPAPER_A4;
    std::memset(mode.dmFormName, 0x41, sizeof mode.dmFormName);  // no terminator
    return mode;
}

TEST(EditPaper, SetsNumberAndAtMostThirtyOneUnitsOfTheName) {
    DEVMODEW mode = FilledMode();
    const std::wstring name = L"Lumarel Continuous Banner Paper 4 x 10in";
    EditPaper(mode, 256, name.c_str());
    EXPECT_EQ(mode.dmPaperSize, 256);
    EXPECT_EQ(std::wstring(mode.dmFormName), name.substr(0, 31));
    EXPECT_EQ(mode.dmFields, static_cast<DWORD>(DM_COPIES | DM_PAPERSIZE | DM_FORMNAME));
    EXPECT_EQ(mode.dmCopies, 4);
    EXPECT_EQ(mode.dmOrientation, DMORIENT_PORTRAIT);
    EditPaper(mode, 1, L"US Letter");
    EXPECT_EQ(std::wstring(mode.dmFormName), L"US Letter");
}

TEST(EditDeviceSettings, TakesTheLowSixteenBitsOfEachResolution) {
    DEVMODEW mode = FilledMode();
    EditDeviceSettings(mode, {DMORIENT_LANDSCAPE, 40000, 65536 + 300});
    EXPECT_EQ(mode.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(mode.dmPrintQuality, -25536);
    EXPECT_EQ(mode.dmYResolution, 300);
    EXPECT_EQ(mode.dmFields, static_cast<DWORD>(DM_COPIES | 0x2401));
    EXPECT_EQ(mode.dmPaperSize, DMPAPER_A4);
}

// What a spooler answer is trusted for: every pointer followed must lie inside it.
TEST(SpoolerAnswerChecks, DeviceModesAndTextsAreTrustedOnlyInsideTheAnswer) {
    alignas(8) BYTE backing[1024] = {};
    BYTE* answer = backing + 64;
    const size_t size = 512;
    auto modeAt = [&](size_t offset, WORD dmSize, WORD extra) {
        auto* mode = reinterpret_cast<DEVMODEW*>(answer + offset);
        mode->dmSize = dmSize;
        mode->dmDriverExtra = extra;
        return mode;
    };
    EXPECT_TRUE(DeviceModeFits(answer, size, modeAt(64, sizeof(DEVMODEW), 0)));
    EXPECT_TRUE(DeviceModeFits(answer, size, modeAt(64, sizeof(DEVMODEW), size - 64 - sizeof(DEVMODEW))));
    EXPECT_FALSE(DeviceModeFits(answer, size, modeAt(64, sizeof(DEVMODEW), size - 64 - sizeof(DEVMODEW) + 1)))
        << "driver part past the answer";
    EXPECT_TRUE(DeviceModeFits(answer, size, modeAt(64, DeviceModeBytesUsed, 0)));
    EXPECT_FALSE(DeviceModeFits(answer, size, modeAt(64, DeviceModeBytesUsed - 1, 0))) << "short of dmFormName";
    EXPECT_FALSE(DeviceModeFits(answer, size, modeAt(64, 0, 0)));
    EXPECT_FALSE(DeviceModeFits(answer, size, modeAt(size - DeviceModeBytesUsed + 2, DeviceModeBytesUsed, 0)))
        << "its fields past the answer";
    EXPECT_FALSE(DeviceModeFits(answer, size, nullptr));
    EXPECT_FALSE(DeviceModeFits(answer, size, reinterpret_cast<DEVMODEW*>(backing))) << "before the answer";
    EXPECT_FALSE(DeviceModeFits(answer, size, reinterpret_cast<DEVMODEW*>(answer + size))) << "just after it";

    auto* text = reinterpret_cast<wchar_t*>(answer + size - 8);
    wmemcpy(text, L"abc", 4);
    EXPECT_TRUE(TextFits(answer, size, text));
    text[3] = L'd';
    EXPECT_FALSE(TextFits(answer, size, text)) << "terminated only past the answer";
    EXPECT_FALSE(TextFits(answer, size, nullptr));
    EXPECT_FALSE(TextFits(answer, size, reinterpret_cast<wchar_t*>(backing)));

    std::memset(backing, 0, sizeof backing);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(answer);
    info->pDevMode = modeAt(sizeof(PRINTER_INFO_2W) + 8, sizeof(DEVMODEW), 0);
    info->pPrinterName = reinterpret_cast<wchar_t*>(answer + sizeof(PRINTER_INFO_2W));  // empty, terminated
    EXPECT_TRUE(PrinterInfo2Fits(answer, size));
    EXPECT_FALSE(PrinterInfo2Fits(answer, sizeof(PRINTER_INFO_2W) - 1)) << "not even the record";
    info->pComment = reinterpret_cast<wchar_t*>(backing);
    EXPECT_FALSE(PrinterInfo2Fits(answer, size)) << "a text outside";
    info->pComment = nullptr;
    info->pDevMode = nullptr;
    EXPECT_FALSE(PrinterInfo2Fits(answer, size)) << "no device mode";
}

}  // namespace
