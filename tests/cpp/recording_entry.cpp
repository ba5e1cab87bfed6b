#include "recording_entry.h"

#include "dorvane.h"

namespace {
int32_t next_status = MATRIX_OK;
}

std::vector<recording::call> &recording::calls() {
    static std::vector<call> list;
    return list;
}

void recording::answer(int32_t status) { next_status = status; }

extern "C" int32_t DORVANE_CALL matrix(int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols,
                                       const double *b, uint32_t b_rows, uint32_t b_cols, double *result,
                                       double *result2, int32_t *swaps) {
    const double b_first = (b != nullptr && b_rows == 1 && b_cols == 1) ? b[0] : 0.0;
    recording::calls().push_back({op, a, a_rows, a_cols, b, b_rows, b_cols, result, result2, swaps, b_first});
    return next_status;
}
