// Compiles the rest of a kernel file for one instruction-set level: include it after every
// other header, inside no namespace, with DORVANE_TARGET set to the target string ("avx2",
// "avx512f", ...), and end the file with DORVANE_TARGET_END. Everything defined in between must
// live in that level's own namespace (no inline functions or templates shared with other
// files), so that no code of a higher level can stand in for a baseline function at link time.
#define DORVANE_PRAGMA_TEXT(x) _Pragma(#x)
#define DORVANE_PRAGMA(x) DORVANE_PRAGMA_TEXT(x)
#if defined(__clang__)
DORVANE_PRAGMA(clang attribute push(__attribute__((target(DORVANE_TARGET))), apply_to = function))
#define DORVANE_TARGET_END _Pragma("clang attribute pop")
#elif defined(__GNUC__)
#pragma GCC push_options
DORVANE_PRAGMA(GCC target(DORVANE_TARGET))
#define DORVANE_TARGET_END _Pragma("GCC pop_options")
#endif
