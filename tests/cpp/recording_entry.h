// A stand-in for the library's `matrix` that records each call and returns a chosen status.
#ifndef DORVANE_RECORDING_ENTRY_H
#define DORVANE_RECORDING_ENTRY_H

#include <cstdint>
#include <vector>

namespace recording {

struct call {
    int32_t op;
    const double *a;
    uint32_t a_rows, a_cols;
    const double *b;
    uint32_t b_rows, b_cols;
    double *result;
    double *result2;
    int32_t *swaps;
    double b_first;  // b[0] at the time of the call when b is 1 by 1 (the scale factor), else 0
};

std::vector<call> &calls();
// The status that the next calls return.
void answer(int32_t status);

}  // namespace recording

#endif
