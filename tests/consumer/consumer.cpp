// Uses the installed C++ layer (dorvane.hpp); exits 0 when the answers are the expected ones.
#include <cstdio>
#include <vector>

#include <dorvane.hpp>

int main() {
    const dorvane::dense m(2, 2, std::vector<double>{0, 2, 3, 0});
    const double det = dorvane::checked::determinant(m);
    const dorvane::dense inv = dorvane::checked::inverse(m);
    if (det != -6.0 || inv.values() != std::vector<double>{0, 1.0 / 3.0, 0.5, 0}) {
        std::fprintf(stderr, "determinant %g, inverse %g %g %g %g\n", det, inv(0, 0), inv(0, 1), inv(1, 0), inv(1, 1));
        return 1;
    }
    try {
        dorvane::checked::factorize(dorvane::dense(2, 2, std::vector<double>{0, 1, 1, 0}));
        std::fprintf(stderr, "no exception for a zero leading element\n");
        return 1;
    } catch (const dorvane::error &e) {
        if (e.code() != dorvane::status::zero_leading) {
            std::fprintf(stderr, "unexpected error: %s\n", e.what());
            return 1;
        }
    }
    std::printf("consumer_cpp: determinant, inverse and zero leading element as expected\n");
    return 0;
}
