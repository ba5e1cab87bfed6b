// A C++ client of the library through the header-only layer dorvane.hpp: views over the
// caller's own arrays with statuses, then the checked functions that return owning matrices and
// throw dorvane::error.
//
//   dorvane_cpp_client
#include <cstdio>
#include <vector>

#include "dorvane.hpp"

namespace {

void print(const char *name, dorvane::const_view m) {
    std::printf("  %s (%ux%u):\n", name, static_cast<unsigned>(m.rows()), static_cast<unsigned>(m.cols()));
    for (uint32_t i = 0; i < m.rows(); ++i) {
        std::printf("   ");
        for (uint32_t j = 0; j < m.cols(); ++j) std::printf(" %22.17g", m(i, j));
        std::printf("\n");
    }
}

}  // namespace

int main() {
    // Views: the layer maps each operation onto `matrix` and returns its status.
    double a[6] = {1, 2, 3, 4, 5, 6};
    double b[6] = {7, 8, 9, 10, 11, 12};
    double product[4];
    std::printf("a (2x3) * b (3x2) into a caller buffer\n");
    const dorvane::status s = dorvane::multiply({a, 2, 3}, {b, 3, 2}, {product, 2, 2});
    std::printf("  %s\n", dorvane::status_text(s));
    print("a * b", {product, 2, 2});

    std::printf("\nthe same with a result buffer that is too small\n");
    std::printf("  %s\n", dorvane::status_text(dorvane::multiply({a, 2, 3}, {b, 3, 2}, {product, 1, 2})));

    std::printf("\nscaling a in place by -0.5\n");
    dorvane::scale({a, 2, 3}, -0.5, {a, 2, 3});
    print("a", {a, 2, 3});

    // Checked functions: owning results, exceptions for every status but MATRIX_OK.
    const dorvane::dense m(3, 3, std::vector<double>{1, 2, 3, 2, 5, 1, 4, 1, 2});
    std::printf("\ndeterminant, inverse, triangular form, LU and QR of\n");
    print("m", m);
    std::printf("  det(m) = %.17g\n", dorvane::checked::determinant(m));
    const dorvane::dense inv = dorvane::checked::inverse(m);
    print("inverse(m)", inv);
    print("m * inverse(m)", dorvane::checked::multiply(m, inv));
    const auto triangle = dorvane::checked::triangularize(m);
    print("triangular form", triangle.matrix);
    std::printf("  row exchanges: %d\n", static_cast<int>(triangle.swaps));
    print("L\\U packed", dorvane::checked::factorize(m));
    const auto qr = dorvane::checked::householder(m);
    print("Q", qr.q);
    print("R", qr.r);
    print("Q * R", dorvane::checked::multiply(qr.q, qr.r));

    std::printf("\na singular matrix\n");
    try {
        dorvane::checked::inverse(dorvane::dense(2, 2, std::vector<double>{1, 2, 2, 4}));
        std::printf("  no error (unexpected)\n");
        return 1;
    } catch (const dorvane::error &e) {
        std::printf("  dorvane::error, status %d: %s\n", static_cast<int>(e.code()), e.what());
    }
    return 0;
}
