/* A client of the library: loads it at run time by file name, looks `matrix` up by name and runs
 * a few operations, printing inputs, outputs and statuses.
 *
 *   dorvane_example [path-to-library]
 */
#include <stdint.h>
#include <stdio.h>

#include "dorvane.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#ifndef DORVANE_LIBRARY_FILE
#if defined(_WIN32)
#define DORVANE_LIBRARY_FILE "dorvane.dll"
#else
#define DORVANE_LIBRARY_FILE "libdorvane.so"
#endif
#endif

typedef int32_t(DORVANE_CALL *matrix_fn)(int32_t, const double *, uint32_t, uint32_t, const double *,
                                         uint32_t, uint32_t, double *, double *, int32_t *);

static const char *status_name(int32_t status) {
    switch (status) {
    case MATRIX_OK: return "MATRIX_OK";
    case MATRIX_ZERO_DIVISOR: return "MATRIX_ZERO_DIVISOR";
    case MATRIX_ZERO_LEADING: return "MATRIX_ZERO_LEADING";
    case MATRIX_SHAPE_MISMATCH: return "MATRIX_SHAPE_MISMATCH";
    case MATRIX_BAD_ARGUMENT: return "MATRIX_BAD_ARGUMENT";
    case MATRIX_UNKNOWN_OPERATION: return "MATRIX_UNKNOWN_OPERATION";
    case MATRIX_NO_MEMORY: return "MATRIX_NO_MEMORY";
    default: return "(not a status)";
    }
}

static void print_matrix(const char *name, const double *m, uint32_t rows, uint32_t cols) {
    uint32_t i, j;
    printf("  %s (%ux%u):\n", name, (unsigned)rows, (unsigned)cols);
    for (i = 0; i < rows; ++i) {
        printf("   ");
        for (j = 0; j < cols; ++j) {
            printf(" %22.17g", m[i * cols + j]);
        }
        printf("\n");
    }
}

static void report(const char *what, int32_t status) {
    printf("%s -> %s (%d)\n", what, status_name(status), (int)status);
}

int main(int argc, char **argv) {
    const char *file = argc > 1 ? argv[1] : DORVANE_LIBRARY_FILE;
    matrix_fn matrix_op;
#if defined(_WIN32)
    HMODULE library = LoadLibraryA(file);
    if (library == NULL) {
        fprintf(stderr, "cannot load %s (error %lu)\n", file, (unsigned long)GetLastError());
        return 1;
    }
    matrix_op = (matrix_fn)(void (*)(void))GetProcAddress(library, "matrix");
#else
    void *library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", file, dlerror());
        return 1;
    }
    *(void **)&matrix_op = dlsym(library, "matrix");
#endif
    if (matrix_op == NULL) {
        fprintf(stderr, "%s has no export named matrix\n", file);
        return 1;
    }

    {
        const double a[6] = {1, 2, 3, 4, 5, 6};
        const double b[6] = {7, 8, 9, 10, 11, 12};
        double sum[6], product[4];
        printf("a + b, a (2x3) * b (3x2)\n");
        print_matrix("a", a, 2, 3);
        print_matrix("b", b, 2, 3);
        report("'+'", matrix_op('+', a, 2, 3, b, 2, 3, sum, NULL, NULL));
        print_matrix("a + b", sum, 2, 3);
        report("'*'", matrix_op('*', a, 2, 3, b, 3, 2, product, NULL, NULL));
        print_matrix("a * b (b read as 3x2)", product, 2, 2);
    }
    {
        double m[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
        printf("\nin-place transpose\n");
        print_matrix("m", m, 3, 3);
        report("'x' with result = m", matrix_op('x', m, 3, 3, NULL, 0, 0, m, NULL, NULL));
        print_matrix("m", m, 3, 3);
    }
    {
        const double a[9] = {1, 2, 3, 2, 5, 1, 4, 1, 2};
        double det, inverse[9], check[9];
        int32_t swaps = -1;
        printf("\ndeterminant and inverse\n");
        print_matrix("a", a, 3, 3);
        report("'d'", matrix_op('d', a, 3, 3, NULL, 0, 0, &det, NULL, &swaps));
        print_matrix("det(a)", &det, 1, 1);
        report("'i'", matrix_op('i', a, 3, 3, NULL, 0, 0, inverse, NULL, NULL));
        print_matrix("inverse(a)", inverse, 3, 3);
        report("'*' a * inverse(a)", matrix_op('*', a, 3, 3, inverse, 3, 3, check, NULL, NULL));
        print_matrix("a * inverse(a)", check, 3, 3);
    }
    {
        const double singular[4] = {1, 2, 2, 4};
        double inverse[4];
        printf("\na singular matrix\n");
        print_matrix("s", singular, 2, 2);
        report("'i'", matrix_op('i', singular, 2, 2, NULL, 0, 0, inverse, NULL, NULL));
        report("'?' (no such operation)", matrix_op('?', singular, 2, 2, NULL, 0, 0, inverse, NULL, NULL));
    }
#if defined(_WIN32)
    FreeLibrary(library);
#else
    dlclose(library);
#endif
    return 0;
}
