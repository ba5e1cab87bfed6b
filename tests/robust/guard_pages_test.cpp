// Every call of the case table on buffers that end exactly at an inaccessible page (or, in the
// second layout, start right after one), with every buffer that the operation must neither read
// nor write passed as a pointer into an inaccessible page. Zero-element buffers point at an
// inaccessible page as well. A touch outside a shape faults; the fault is caught and reported
// with the case and the buffer it hit. Results must equal a run on ordinary buffers.
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <tuple>

#include "cases.h"
#include "matrix_testing.h"

namespace {

using robust::call_case;

enum class layout { end_at_guard, start_after_guard };

// Owns the mappings of one case.
class guard_arena {
public:
    explicit guard_arena(layout where) : where_(where), page_(static_cast<size_t>(sysconf(_SC_PAGESIZE))) {
        forbidden_ = map(page_);
        protect(forbidden_, page_);
    }
    guard_arena(const guard_arena &) = delete;
    guard_arena &operator=(const guard_arena &) = delete;
    ~guard_arena() {
        for (const auto &m : mappings_) munmap(m.first, m.second);
    }

    double *forbidden() const { return static_cast<double *>(forbidden_); }

    // A buffer of `count` doubles next to an inaccessible page; zero elements: the forbidden page.
    double *buffer(size_t count) {
        if (count == 0) {
            regions_.push_back({forbidden_, 0});
            return forbidden();
        }
        const size_t bytes = count * sizeof(double);
        const size_t pages = (bytes + page_ - 1) / page_;
        char *base = static_cast<char *>(map((pages + 1) * page_));
        char *start;
        if (where_ == layout::end_at_guard) {
            protect(base + pages * page_, page_);
            start = base + pages * page_ - bytes;
        } else {
            protect(base, page_);
            start = base + page_;
        }
        regions_.push_back({start, bytes});
        return reinterpret_cast<double *>(start);
    }

    // Which buffer an address belongs to, or lies just outside of.
    std::string locate(const void *address, const call_case &c) const {
        const char *p = static_cast<const char *>(address);
        const char *f = static_cast<const char *>(forbidden_);
        for (size_t s = 0; s < regions_.size(); ++s) {
            const char *start = static_cast<const char *>(regions_[s].first);
            const long offset = static_cast<long>(p - start);
            if (regions_[s].second != 0 && offset >= -static_cast<long>(page_) &&
                offset < static_cast<long>(regions_[s].second + page_)) {
                if (s >= c.slot_size.size()) return "the swaps counter, byte offset " + std::to_string(offset);
                std::string names;
                const int slot = static_cast<int>(s);
                for (auto arg : {std::make_pair(c.a, "a"), std::make_pair(c.b, "b"), std::make_pair(c.result, "result"),
                                 std::make_pair(c.result2, "result2")}) {
                    if (arg.first == slot) names += (names.empty() ? "" : "=") + std::string(arg.second);
                }
                return names + " (" + std::to_string(c.slot_size[s]) + " elements) at byte offset " +
                       std::to_string(offset);
            }
        }
        if (p >= f && p < f + page_) {
            return "a buffer that must not be touched (or one of zero elements), byte " + std::to_string(p - f);
        }
        char text[64];
        std::snprintf(text, sizeof text, "address %p", address);
        return text;
    }

private:
    void *map(size_t bytes) {
        void *m = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED) {
            std::perror("mmap");
            std::abort();
        }
        mappings_.push_back({m, bytes});
        return m;
    }
    static void protect(void *at, size_t bytes) {
        if (mprotect(at, bytes, PROT_NONE) != 0) {
            std::perror("mprotect");
            std::abort();
        }
    }

    layout where_;
    size_t page_;
    void *forbidden_ = nullptr;
    std::vector<std::pair<void *, size_t>> mappings_;
    std::vector<std::pair<void *, size_t>> regions_;
};

sigjmp_buf g_fault_jump;
void *volatile g_fault_address = nullptr;
volatile sig_atomic_t g_fault_signal = 0;

void on_fault(int signal, siginfo_t *info, void *) {
    g_fault_signal = signal;
    g_fault_address = info->si_addr;
    siglongjmp(g_fault_jump, 1);
}

// Catches SIGSEGV and SIGBUS for the lifetime of the object.
class fault_catcher {
public:
    fault_catcher() {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_sigaction = on_fault;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(SIGSEGV, &action, &old_segv_);
        sigaction(SIGBUS, &action, &old_bus_);
    }
    fault_catcher(const fault_catcher &) = delete;
    fault_catcher &operator=(const fault_catcher &) = delete;
    ~fault_catcher() {
        sigaction(SIGSEGV, &old_segv_, nullptr);
        sigaction(SIGBUS, &old_bus_, nullptr);
    }

private:
    struct sigaction old_segv_;
    struct sigaction old_bus_;
};

struct guarded_call {
    bool faulted;
    int32_t status;
};

// The call with SIGSEGV and SIGBUS caught: a fault returns here through siglongjmp.
guarded_call call_guarded(robust::entry_fn entry, const call_case &c, const robust::call_pointers &p, int32_t *swaps) {
    fault_catcher catcher;
    if (sigsetjmp(g_fault_jump, 1) == 0) {
        const int32_t status = entry(c.op, p.a, c.a_rows, c.a_cols, p.b, c.b_rows, c.b_cols, p.result, p.result2, swaps);
        return {false, status};
    }
    return {true, -1};
}

long g_cases_run = 0;

class GuardPages : public ::testing::TestWithParam<std::tuple<char, layout>> {};

TEST_P(GuardPages, NoElementOutsideAShapeIsTouched) {
    const char op = std::get<0>(GetParam());
    const layout where = std::get<1>(GetParam());
    const robust::entry_fn entry = lib::entry();
    const std::vector<call_case> cases = robust::cases_for(op);
    ASSERT_FALSE(cases.empty());
    long faults = 0;
    for (const call_case &c : cases) {
        const robust::outcome expected = robust::run_plain(c, entry);

        guard_arena arena(where);
        std::vector<double *> slots;
        const auto initial = robust::initial_slots(c);
        for (size_t s = 0; s < initial.size(); ++s) {
            slots.push_back(arena.buffer(initial[s].size()));
            if (!initial[s].empty()) std::memcpy(slots.back(), initial[s].data(), initial[s].size() * sizeof(double));
        }
        // The counter sits at the very end of a page too.
        int32_t *swaps = c.with_swaps ? reinterpret_cast<int32_t *>(arena.buffer(1)) + 1 : nullptr;
        const robust::call_pointers p = robust::pointers_for(c, slots, arena.forbidden());

        const guarded_call call = call_guarded(entry, c, p, swaps);
        ++g_cases_run;
        if (call.faulted) {
            ++faults;
            ADD_FAILURE() << c.name << ": signal " << g_fault_signal << " touching "
                          << arena.locate(g_fault_address, c);
            continue;
        }
        robust::outcome actual{call.status, swaps != nullptr ? *swaps : testing_support::kSwapsCanary, {}};
        for (size_t s = 0; s < slots.size(); ++s) actual.slots.emplace_back(slots[s], slots[s] + c.slot_size[s]);
        const std::string diff = robust::difference(expected, actual);
        EXPECT_TRUE(diff.empty()) << c.name << ": " << diff;
        const std::string rejection = robust::rejection_difference(c, actual);
        EXPECT_TRUE(rejection.empty()) << c.name << ": " << rejection;
    }
    std::printf("[ guard    ] '%c' %s: %zu cases, %ld faults\n", op,
                where == layout::end_at_guard ? "ending at a guard page" : "starting after a guard page",
                cases.size(), faults);
}

std::string case_name(const ::testing::TestParamInfo<std::tuple<char, layout>> &info) {
    return robust::operation_name(std::get<0>(info.param)) +
           (std::get<1>(info.param) == layout::end_at_guard ? "_EndAtGuard" : "_StartAfterGuard");
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, GuardPages,
                         ::testing::Combine(::testing::ValuesIn(robust::operations()),
                                            ::testing::Values(layout::end_at_guard, layout::start_after_guard)),
                         case_name);

class CaseCount : public ::testing::Environment {
public:
    void TearDown() override {
        if (g_cases_run != 0) std::printf("[ guard    ] %ld guarded calls in all\n", g_cases_run);
    }
};
const auto *const g_count = ::testing::AddGlobalTestEnvironment(new CaseCount);

}  // namespace
