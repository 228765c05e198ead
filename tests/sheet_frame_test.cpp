// The sheet built from the program's page table, as the sheet callback shapes it.
#include <gtest/gtest.h>

#include "tests/support/modeless_sheet.h"
#include "tests/support/registry_fixture.h"

namespace {

class SheetFrame : public InstalledRegistryTest {};

TEST_F(SheetFrame, CallbackGivesTheSheetIconsNoHelpAndCentring) {
    ModelessSheet sheet;
    EXPECT_NE(SendMessageW(sheet.window(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageW(sheet.window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(GetWindowLongW(sheet.window(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
    EXPECT_NE(GetWindowLongW(sheet.window(), GWL_STYLE) & DS_CENTER, 0);
}

}  // namespace
