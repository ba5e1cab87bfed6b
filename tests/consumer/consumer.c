/* Links the installed library and calls `matrix` through dorvane.h; exits 0 when the answers are
 * the expected ones. */
#include <stdio.h>
#include <string.h>

#include <dorvane.h>

int main(void) {
    const double a[4] = {1, 2, 3, 4};
    const double b[4] = {5, 6, 7, 8};
    const double expected[4] = {19, 22, 43, 50};
    const double singular[4] = {1, 2, 2, 4};
    double product[4], inverse[4];
    int32_t status = matrix('*', a, 2, 2, b, 2, 2, product, NULL, NULL);
    if (status != MATRIX_OK || memcmp(product, expected, sizeof product) != 0) {
        fprintf(stderr, "product: status %d, %g %g %g %g\n", (int)status, product[0], product[1], product[2],
                product[3]);
        return 1;
    }
    status = matrix('i', singular, 2, 2, NULL, 0, 0, inverse, NULL, NULL);
    if (status != MATRIX_ZERO_DIVISOR) {
        fprintf(stderr, "inverse of a singular matrix: status %d\n", (int)status);
        return 1;
    }
    printf("consumer_c: product and zero divisor as expected\n");
    return 0;
}
