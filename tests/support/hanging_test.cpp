// A test that hangs on purpose, for the test bed's check that a hang is ended and named.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/test_steps.h"

TEST(TestBed, HangsOnPurpose) {
    NoteTestStep(L"waiting for ever");
    Sleep(INFINITE);
}
