// The first steps of 'v' and 't' written out literally: what the outputs hold when a call stops
// after `steps` complete column steps (a refused pivot step stops the call there).
#ifndef DORVANE_ROBUST_ROW_STEPS_H
#define DORVANE_ROBUST_ROW_STEPS_H

#include <cstdint>
#include <vector>

namespace robust {

struct row_state {
    std::vector<double> result;   // n x n
    std::vector<double> result2;  // n x m
    int32_t swaps;
};

// op is 'v' (exchanges only) or 't' (exchanges and elimination); the companion has m columns.
row_state row_steps(char op, const double *a, uint32_t n, const double *b, uint32_t m, uint32_t steps);

}  // namespace robust

#endif
