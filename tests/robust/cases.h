// A table of calls of `matrix` for the robustness tests: every operation over a range of shapes
// and every way its buffers may coincide. A call is described by "slots": each argument pointer
// (a, b, result, result2) names one slot, several arguments may name the same slot (aliasing),
// and a slot is sized for the largest use that any of its arguments makes of it.
#ifndef DORVANE_ROBUST_CASES_H
#define DORVANE_ROBUST_CASES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "matrix_testing.h"

namespace robust {

// Pointer choice for one argument.
constexpr int kNull = -1;       // a null pointer
constexpr int kForbidden = -2;  // a non-null pointer that the operation must neither read nor write

struct call_case {
    std::string name;  // e.g. "t a=3x3 b=3x2 result=a result2=new"
    char op;
    uint32_t a_rows, a_cols, b_rows, b_cols;
    int a, b, result, result2;  // slot index, kNull or kForbidden
    bool with_swaps;
    // Element count of each slot, and whether the slot starts with operand values (true) or
    // with canaries (an output only).
    std::vector<size_t> slot_size;
    std::vector<bool> slot_is_operand;
    // Values of the operand slots: 0 dense pseudo-random, 1 half of the entries zero (reaches
    // zero pivots, skipped reflections and zero divisors).
    int values;
    // For calls that must be rejected: the status (MATRIX_BAD_ARGUMENT or MATRIX_SHAPE_MISMATCH),
    // and then nothing may be written or allocated; 0 for calls that are accepted.
    int32_t rejected_with;

    // Slots that the call may write when it succeeds (result and result2 when they are slots).
    bool writes(int slot) const;
};

// All cases of one operation, accepted ones and a few that its checks must reject ('+', '-', '.', '*', 'x', 'v', 't', 'd', 'i', 'f', 'h').
// With DORVANE_ROBUST_SMALL set in the environment, only the shapes that run quickly under
// valgrind.
std::vector<call_case> cases_for(char op);

// The eleven operation characters, and a word for each (for test names).
const std::vector<char> &operations();
std::string operation_name(char op);

// Initial contents of every slot of a case: operand values (seeded by the case and slot) or
// canaries; forbidden buffers are not part of it.
std::vector<std::vector<double>> initial_slots(const call_case &c);

// What a call left behind.
struct outcome {
    int32_t status;
    int32_t swaps;
    std::vector<std::vector<double>> slots;
};

// The four buffer arguments of a case, given the slot pointers and the forbidden pointer.
struct call_pointers {
    const double *a;
    const double *b;
    double *result;
    double *result2;
};
call_pointers pointers_for(const call_case &c, const std::vector<double *> &slots, double *forbidden);

// Runs the case on the given slot pointers (already holding the initial contents); `forbidden`
// is passed for kForbidden arguments. Reads the slots back into the outcome.
using entry_fn = lib::entry_fn;
outcome run_on(const call_case &c, entry_fn entry, const std::vector<double *> &slots, double *forbidden);

// Runs the case on ordinary heap vectors, each followed by a canary; the forbidden buffer is a
// block of canaries. `outside_intact` tells whether all these canaries came back unchanged.
outcome run_plain(const call_case &c, entry_fn entry, bool *outside_intact = nullptr);

// A readable difference between two outcomes, or an empty string when they are identical bit
// for bit (status, counter and every slot but those marked in `ignored`).
std::string difference(const outcome &expected, const outcome &actual, const std::vector<bool> &ignored = {});

// For a case that must be rejected: the difference between the outcome and "status
// rejected_with, *swaps 0, every buffer as it was"; empty when they agree or the case is accepted.
std::string rejection_difference(const call_case &c, const outcome &actual);

}  // namespace robust

#endif
