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

}  // namespace
