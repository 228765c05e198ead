#include <gtest/gtest.h>

#include "base/globals.h"
#include "base/messages.h"
#include "base/texts.h"
#include "res/resource.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/registry_fixture.h"

namespace {

TEST(ErrorText, ComposedFromSentenceCodeAndSystemText) {
    const std::wstring pattern = LoadText(IDS_ERROR_TEXT);
    EXPECT_EQ(ComposeErrorText(pattern.c_str(), L"Failed to delete form.", 5, L"Access denied.\r\n"),
              L"Failed to delete form.\nError # 5: Access denied.\r\n");
    EXPECT_EQ(ComposeErrorText(pattern.c_str(), L"x", 0x80000000u, L""), L"x\nError # -2147483648: ");
    EXPECT_EQ(ComposeErrorText(pattern.c_str(), L"x", 0xFFFFFFFFu, L"t"), L"x\nError # -1: t");
}

TEST(ErrorText, SystemTextOfKnownAndUnknownCodes) {
    EXPECT_EQ(SystemErrorText(5), SystemText(5));
    EXPECT_FALSE(SystemErrorText(5).empty());
    EXPECT_TRUE(SystemErrorText(0x2FFFFFFF).empty());
}

TEST(PrinterMessage, Substitutions) {
    EXPECT_EQ(ExpandPrinterMessage(L"Do you want to delete selected profile?"),
              L"Do you want to delete selected profile?");
    EXPECT_EQ(ExpandPrinterMessage(L"%PRINTER_NAME% and %PRINTER_NAME%"), L"Lumarel Printer and Lumarel Printer");
    EXPECT_EQ(ExpandPrinterMessage(L"%printer_name%"), L"%printer_name%");
    EXPECT_EQ(ExpandPrinterMessage(L"a\\nb"), L"a\nb");
    EXPECT_EQ(ExpandPrinterMessage(L"C:\\temp\\x"), L"C:\\temp\\x");
    EXPECT_EQ(ExpandPrinterMessage(L"\\\\n"), L"\\\n");  // the second backslash pairs with n
    EXPECT_EQ(ExpandPrinterMessage(L"%PRINTER_NAME%%PRINTER_NAME\\n"), L"Lumarel Printer%PRINTER_NAME\n");
    EXPECT_EQ(ExpandPrinterMessage(L""), L"");
}

TEST(ErrorBox, NothingShownWithoutAnError) {
    MessageBoxWatcher watcher;
    SetLastError(0);
    EXPECT_EQ(ShowErrorBox(L"Failed.", 0, nullptr), 0);
    EXPECT_TRUE(watcher.boxes().empty());
}

TEST(ErrorBox, LastErrorStandsInForCodeZero) {
    MessageBoxWatcher watcher;
    SetLastError(5);
    EXPECT_EQ(ShowErrorBox(L"Failed to delete form.", 0, nullptr), 5);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].caption, L"Lumarel Printer properties");
    EXPECT_EQ(watcher.boxes()[0].text, L"Failed to delete form.\nError # 5: " + SystemText(5));
}

TEST(ErrorBox, CodeWithoutSystemTextStillShown) {
    MessageBoxWatcher watcher;
    EXPECT_EQ(ShowErrorBox(L"Odd.", 0xE0000001u, nullptr), static_cast<int>(0xE0000001u));
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, L"Odd.\nError # -536870911: ");
}

// A failure carries the code taken when it happened: a later last error does not stand in.
TEST(ErrorBox, FailureShowsItsOwnCodeAndTheKeyName) {
    MessageBoxWatcher watcher;
    SetLastError(5);
    EXPECT_EQ(ShowFailure({IDS_USER_KEY_OPEN_FAILED, 0}, nullptr), 0);
    EXPECT_EQ(ShowFailure({}, nullptr), 0);
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_EQ(ShowFailure({IDS_USER_KEY_OPEN_FAILED, 2}, nullptr), 2);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, L"Failed to open registry key\nHKCU\\Software\\LumarelPrinter\nError # 2: " + SystemText(2));
}

TEST(PrinterMessageBox, ReturnsTheAnswerAndShowsTheExpandedText) {
    MessageBoxWatcher watcher;
    watcher.answerWith(IDNO);
    EXPECT_EQ(ShowPrinterMessage(L"Delete from %PRINTER_NAME%?\\nSure?", nullptr, MB_YESNO), IDNO);
    watcher.answerWith(IDYES);
    EXPECT_EQ(ShowPrinterMessage(L"Again?", nullptr, MB_YESNO), IDYES);
    ASSERT_EQ(watcher.boxes().size(), 2u);
    EXPECT_EQ(watcher.boxes()[0].text, L"Delete from Lumarel Printer?\nSure?");
    EXPECT_EQ(watcher.boxes()[0].caption, SheetCaption);
}

}  // namespace
