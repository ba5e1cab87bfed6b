// The product kernels of one level under the names that kernels/levels.h declares. Included by
// gemm_<level>.cpp inside the level's namespace, after the anonymous namespace that holds
// gemm_body.h.
void multiply(size_t m, size_t n, size_t p, const double *a, const double *b, double *c) {
    product(m, n, p, a, b, c);
}

void multiply_add(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b,
                  size_t ldb, double *c, size_t ldc) {
    product_add(m, n, p, a, lda, b, ldb, c, ldc);
}
