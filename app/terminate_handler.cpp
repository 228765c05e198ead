// The C++ runtime's default terminate handler prints the demangled type of an
// uncaught exception, and linking it brings the whole demangler (tens of kilobytes).
// This program lets no exception escape, and a GUI program has no console to print
// to: ending at once is all the handler has to do.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
