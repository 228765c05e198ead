#include <gtest/gtest.h>

#include "app/switches.h"

namespace {

struct Case {
    const wchar_t* tail;
    int noGeneral;
    int noPaper;
};

TEST(Switches, RecognisedTokens) {
    const Case cases[] = {
        {L"", 0, 0},
        {L"/nogeneral", 1, 0},
        {L"/nopaper", 0, 1},
        {L"/NOGENERAL   /nopaper", 1, 1},
        {L"/NoPaper /nopaper /NOPAPER", 0, 1},  // repeated
        {L"  /nopaper  ", 0, 1},                // leading and trailing spaces
        {L"/other /nogeneral extra", 1, 0},     // unknown tokens are ignored
    };
    for (const Case& c : cases) {
        Switches s = ParseSwitches(c.tail);
        EXPECT_EQ(s.noGeneral, c.noGeneral) << c.tail;
        EXPECT_EQ(s.noPaper, c.noPaper) << c.tail;
    }
}

TEST(Switches, TokensThatAreNotSwitches) {
    const wchar_t* tails[] = {
        L"/nogeneral,/nopaper", L"/nogeneral/nopaper", L"-nopaper", L"\"/nopaper\"",
        L"/nopaper\t",          // a tab belongs to the token
        L"/nopapers", L"nopaper", L"/no paper",
        L"/NOPAPER\u0130",      // only A to Z fold
    };
    for (const wchar_t* tail : tails) {
        Switches s = ParseSwitches(tail);
        EXPECT_EQ(s.noGeneral, 0) << tail;
        EXPECT_EQ(s.noPaper, 0) << tail;
    }
}

TEST(Switches, NonAsciiLettersDoNotFold) {
    // U+212A KELVIN SIGN folds to "k" in some case mappings; only A to Z may fold here.
    EXPECT_EQ(ParseSwitches(L"/nogeneral\u212A").noGeneral, 0);
    EXPECT_EQ(ParseSwitches(nullptr).noPaper, 0);
}

TEST(Switches, ExportAndImportForms) {
    using Action = TransferCommand::Action;
    using M = MergeChoice;
    struct Form {
        const wchar_t* tail;
        bool transfer;  // a form of its own, not the sheet's switches
        bool understood;
        Action action;
        const wchar_t* file;
        bool passwords, plainValues;
        MergeChoice onConflict;
    };
    const Form forms[] = {
        {L"/nopaper /export a.lpsettings", false, true, Action::Export, L"", false, false, M::Skip},
        {L"/EXPORT \"C:\\My Files\\all.lpsettings\" /Passwords /settings", true, true, Action::Export,
         L"C:\\My Files\\all.lpsettings", true, true, M::Skip},
        {L"/import	b.lpsettings", true, true, Action::Import, L"b.lpsettings", false, false, M::Skip},
        {L"/import /replace b.lpsettings /settings", true, true, Action::Import, L"b.lpsettings", false, true,
         M::Replace},
        {L"/import b /keepboth", true, true, Action::Import, L"b", false, false, M::KeepBoth},
        {L"/import b /replace /skip", true, false, Action::Import, L"b", false, false, M::Skip},  // two answers
        {L"/import b /passwords", true, false, Action::Import, L"b", false, false, M::Skip},      // export's
        {L"/export a /replace", true, false, Action::Export, L"a", false, false, M::Skip},       // import's
        {L"/export", true, false, Action::Export, L"", false, false, M::Skip},                   // no file
        {L"/export a b", true, false, Action::Export, L"a", false, false, M::Skip},              // two files
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(std::wstring(form.tail));
        TransferCommand command;
        ASSERT_EQ(ParseTransferCommand(form.tail, command), form.transfer);
        if (!form.transfer) continue;
        EXPECT_EQ(command.understood, form.understood);
        EXPECT_EQ(command.action, form.action);
        EXPECT_EQ(command.file, form.file);
        EXPECT_EQ(command.passwords, form.passwords);
        EXPECT_EQ(command.plainValues, form.plainValues);
        EXPECT_EQ(command.onConflict, form.onConflict);
    }
}

}  // namespace
