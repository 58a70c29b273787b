// Runtime trimming for the static exe.
#include <cstdlib>

namespace __gnu_cxx {

// The default handler prints a demangled type name, which pulls the whole
// demangler into the exe; every exception is caught at the dispatch point
// anyway, so a terminate is simply an abort.
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
