// The C++ runtime's default terminate handler prints the demangled type of an
// uncaught exception, and linking it brings the whole demangler (tens of kilobytes).
// This program lets no exception escape, and a GUI program has no console to print
// to: ending at once is all the handler has to do.
#include <cstdlib>
#include <functional>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The containers' failure paths. The runtime's own versions build std::logic_error and
// its kin, whose copy-on-write message strings bring a second string implementation
// and more (about 37 KB). A size past what a container can hold is a request for more
// memory than there is, and ends as running out of it does, where the program handles
// that; the others are faults of the program itself, which the default path would end in
// terminate: they end at once.
namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_bad_function_call() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
}  // namespace std
