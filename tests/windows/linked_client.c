/* A C client linked against the import library: the public header's declaration (dllimport,
 * cdecl) must reach the DLL's export. Prints "N passed, N failed". */
#include <stdio.h>

#include "dorvane.h"

static int passed, failed;

static void check(int ok, const char *what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("FAILED: %s\n", what);
    }
}

int main(void) {
    const double a[4] = {4, 7, 2, 6};
    const double diagonal[4] = {2, 0, 0, 4};
    double det = 0, result[4] = {0, 0, 0, 0};
    int32_t swaps = 99;
    check(matrix('d', a, 2, 2, NULL, 0, 0, &det, NULL, &swaps) == MATRIX_OK && det == 10.0 && swaps == 0,
          "determinant of [[4, 7], [2, 6]] is 10");
    check(matrix('I', NULL, 0, 0, diagonal, 2, 2, result, NULL, NULL) == MATRIX_OK && result[0] == 0.5 &&
              result[1] == 0 && result[2] == 0 && result[3] == 0.25,
          "inverse of diag(2, 4), operand in b");
    check(matrix('?', a, 2, 2, NULL, 0, 0, result, NULL, &swaps) == MATRIX_UNKNOWN_OPERATION && swaps == 0,
          "unknown operation");
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
