// Every scratch request of every call in the case table is refused in turn: the 1st, the 2nd,
// ... until a call runs with no request left to refuse. A refused request must end the call
// with MATRIX_NO_MEMORY, leave every block released, and leave written only what the operation
// may have written by then:
//   '*' and 'd': nothing.
//   'v' and 't': one request per column step; refusing step j leaves the outputs and *swaps as
//                the first j complete steps made them.
//   'i': its own block first (refused: nothing written), then the steps of the nested 't',
//        whose work so far is in result.
//   'h': its two blocks first (refused: nothing written), then the in-place products of the
//        steps; a refused product leaves both outputs partly reduced.
// Operands that are not outputs, and buffers that the operation must not touch, never change.
#include <cstdio>

#include "cases.h"
#include "matrix_testing.h"
#include "row_steps.h"
#include "test_heap.h"

namespace {

using robust::call_case;
using robust::outcome;

// Requests that one call makes when nothing is refused, where the operation documents it;
// -1 where it depends on the data.
long documented_requests(const call_case &c) {
    // The order: a for 'v' and 't', otherwise the operand (b when it is given).
    const long n = c.op == 'v' || c.op == 't' || c.b < 0 ? c.a_rows : c.b_rows;
    switch (c.op) {
    case '+': case '-': case '.': case 'x': case 'f': return 0;
    case '*': return c.result == c.a || c.result == c.b ? 1 : 0;
    case 'v': case 't': return n;
    case 'd': case 'i': return 1 + n;
    default: return -1;
    }
}

// The outcome expected after the nth request was refused; slots whose contents are not
// determined are marked in `ignored`.
outcome expected_after_refusal(const call_case &c, long nth, std::vector<bool> &ignored) {
    const auto initial = robust::initial_slots(c);
    outcome e{MATRIX_NO_MEMORY, c.with_swaps ? 0 : testing_support::kSwapsCanary, initial};
    ignored.assign(initial.size(), false);
    const double *b = c.b >= 0 ? initial[c.b].data() : nullptr;
    auto place = [&](int slot, const std::vector<double> &values) {
        std::copy(values.begin(), values.end(), e.slots[slot].begin());
    };
    switch (c.op) {
    case 'v': case 't': {
        const uint32_t n = c.a_rows;
        const robust::row_state s =
            robust::row_steps(c.op, initial[c.a].data(), n, b, c.b_cols, static_cast<uint32_t>(nth - 1));
        place(c.result, s.result);
        if (b != nullptr) place(c.result2, s.result2);
        if (c.with_swaps) e.swaps = s.swaps;
        break;
    }
    case 'i': {
        if (nth == 1) break;
        const int operand = c.b >= 0 ? c.b : c.a;
        const uint32_t n = c.b >= 0 ? c.b_rows : c.a_rows;
        const std::vector<double> id = testing_support::identity(n);
        place(c.result, robust::row_steps('t', initial[operand].data(), n, id.data(), n,
                                          static_cast<uint32_t>(nth - 2)).result);
        break;
    }
    case 'h':
        if (nth > 2) {
            ignored[c.result] = true;
            ignored[c.result2] = true;
        }
        break;
    default:
        break;
    }
    return e;
}

long g_cases = 0;
long g_injected = 0;

class AllocationFailures : public ::testing::TestWithParam<char> {};

TEST_P(AllocationFailures, EveryRequestRefusedInTurn) {
    const char op = GetParam();
    const robust::entry_fn entry = lib::entry();
    long injected = 0;
    const std::vector<call_case> cases = robust::cases_for(op);
    for (const call_case &c : cases) {
        test_heap::reset();
        bool intact = false;
        const outcome reference = robust::run_plain(c, entry, &intact);
        const long requests = test_heap::requests();
        EXPECT_EQ(0, test_heap::outstanding()) << c.name;
        EXPECT_TRUE(intact) << c.name << ": a canary outside the shapes changed";
        const std::string rejection = robust::rejection_difference(c, reference);
        EXPECT_TRUE(rejection.empty()) << c.name << ": " << rejection;
        const long documented = c.rejected_with != 0 ? 0 : documented_requests(c);
        if (documented >= 0) {
            EXPECT_EQ(documented, requests) << c.name << ": scratch requests";
        }
        for (long nth = 1;; ++nth) {
            test_heap::reset();
            test_heap::fail_request(nth);
            const outcome actual = robust::run_plain(c, entry, &intact);
            const bool refused = test_heap::failure_delivered();
            EXPECT_EQ(0, test_heap::outstanding()) << c.name << ", request " << nth << " refused: blocks not released";
            EXPECT_TRUE(intact) << c.name << ", request " << nth << " refused: a canary outside the shapes changed";
            if (!refused) {
                EXPECT_EQ(requests + 1, nth) << c.name << ": requests differ from run to run";
                const std::string diff = robust::difference(reference, actual);
                EXPECT_TRUE(diff.empty()) << c.name << ", nothing refused: " << diff;
                break;
            }
            ++injected;
            std::vector<bool> ignored;
            const outcome expected = expected_after_refusal(c, nth, ignored);
            const std::string diff = robust::difference(expected, actual, ignored);
            EXPECT_TRUE(diff.empty()) << c.name << ", request " << nth << " of " << requests << " refused: " << diff;
            if (nth > requests) {
                ADD_FAILURE() << c.name << ": request " << nth << " was made only after an earlier refusal";
                break;
            }
            if (!diff.empty()) break;
        }
        ++g_cases;
    }
    g_injected += injected;
    std::printf("[ sweep    ] '%c': %zu cases, %ld refused requests\n", op, cases.size(), injected);
}

std::string op_name(const ::testing::TestParamInfo<char> &info) { return robust::operation_name(info.param); }

INSTANTIATE_TEST_SUITE_P(EveryOperation, AllocationFailures, ::testing::ValuesIn(robust::operations()), op_name);

class Totals : public ::testing::Environment {
public:
    void TearDown() override {
        if (g_cases != 0) std::printf("[ sweep    ] %ld cases, %ld allocation failures injected\n", g_cases, g_injected);
    }
};
const auto *const g_totals = ::testing::AddGlobalTestEnvironment(new Totals);

}  // namespace
