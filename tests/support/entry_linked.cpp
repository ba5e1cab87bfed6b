// The entry under test is the library that the executable links.
#include "matrix_testing.h"

lib::entry_fn lib::entry() { return &::matrix; }
