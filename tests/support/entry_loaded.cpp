// The entry under test is `matrix` from dorvane.dll, loaded by name at run time and looked up by
// name, the way a client program reaches it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "matrix_testing.h"

namespace {

lib::entry_fn load_entry() {
    HMODULE library = LoadLibraryA("dorvane.dll");
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load dorvane.dll (error %lu)\n", GetLastError());
        std::abort();
    }
    FARPROC symbol = GetProcAddress(library, "matrix");
    if (symbol == nullptr) {
        std::fprintf(stderr, "dorvane.dll has no export named matrix (error %lu)\n", GetLastError());
        std::abort();
    }
    return reinterpret_cast<lib::entry_fn>(reinterpret_cast<void *>(symbol));
}

}  // namespace

lib::entry_fn lib::entry() {
    static const entry_fn loaded = load_entry();
    return loaded;
}
