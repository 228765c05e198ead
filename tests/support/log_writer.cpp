// log_writer NAME COUNT: appends COUNT entries to the error log, entry i with the message
// NAME followed by 300 dots and the code i, at the fixed test time. Four of these run at
// once to show that appends of several processes never mix.
#include <cstdlib>
#include <string>

#include "settings/error_log.h"
#include "tests/support/error_log.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    reg_set_clock(FixedLocalTime);
    const std::wstring message = std::wstring(argv[1]) + std::wstring(300, L'.');
    for (int i = 0, count = _wtoi(argv[2]); i < count; ++i) reg_log_error(53, message.c_str(), i);
    return 0;
}
