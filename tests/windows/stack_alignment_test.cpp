// Calls from 32-bit clients whose stack is aligned to 4 or 8 bytes only (code from other
// compilers may call like that): the export realigns, computes the same bits and, being cdecl,
// leaves the arguments for the caller to remove.
#include <windows.h>

#include "matrix_testing.h"

using namespace testing_support;

#if !defined(__i386__)
#error "the stack alignment tests are for 32-bit x86"
#endif

// Calls `fn` with the ten 32-bit arguments in `args`, with the stack pointer at the call
// instruction `shift` bytes below a 16-byte boundary. Reports the stack pointer at the call
// modulo 16 and how far the call moved the stack pointer (0 when the caller removes the
// arguments).
extern "C" int32_t dorvane_call_shifted(lib::entry_fn fn, uint32_t shift, const uint32_t *args,
                                        uint32_t *sp_mod_16, int32_t *sp_moved) __asm__("dorvane_call_shifted");

__asm__(
    ".text\n"
    ".globl dorvane_call_shifted\n"
    "dorvane_call_shifted:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl %ebx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    movl 8(%ebp), %eax\n"    // fn
    "    movl 12(%ebp), %ecx\n"   // shift
    "    movl 16(%ebp), %esi\n"   // args
    "    andl $-16, %esp\n"
    "    subl $48, %esp\n"        // room for the arguments, still 16-byte aligned
    "    subl %ecx, %esp\n"       // misaligned by `shift`
    "    xorl %edx, %edx\n"
    "1:  movl (%esi,%edx,4), %ebx\n"
    "    movl %ebx, (%esp,%edx,4)\n"
    "    incl %edx\n"
    "    cmpl $10, %edx\n"
    "    jne 1b\n"
    "    movl %esp, %edi\n"
    "    call *%eax\n"
    "    movl %esp, %ecx\n"
    "    subl %edi, %ecx\n"
    "    movl 24(%ebp), %edx\n"
    "    movl %ecx, (%edx)\n"
    "    andl $15, %edi\n"
    "    movl 20(%ebp), %edx\n"
    "    movl %edi, (%edx)\n"
    "    leal -12(%ebp), %esp\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebx\n"
    "    popl %ebp\n"
    "    ret\n");

namespace {

uint32_t word(const void *p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// A deterministic operand with mixed magnitudes and signs.
vec operand(size_t n, uint64_t seed) {
    vec m(n);
    uint64_t s = seed;
    for (double &x : m) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        x = from_bits((s >> 63) << 63 | (1020 + (s >> 40) % 7) << 52 | (s & 0x000fffffffffffffULL));
    }
    return m;
}

struct shaped_call {
    const char *name;
    char op;
    uint32_t a_rows, a_cols, b_rows, b_cols;
    size_t result_size, result2_size;
};

// Operations that take scratch memory, nest calls of the export and run the longest loops.
const shaped_call kCalls[] = {
    {"product", '*', 9, 7, 7, 11, 99, 0},
    {"product written over a", '*', 6, 6, 6, 6, 36, 0},
    {"triangularization with companion", 't', 7, 7, 7, 3, 49, 21},
    {"determinant", 'd', 8, 8, 0, 0, 1, 0},
    {"inverse", 'i', 7, 7, 0, 0, 49, 0},
    {"factorization", 'f', 6, 6, 0, 0, 36, 0},
    {"householder", 'h', 9, 5, 0, 0, 81, 45},
    {"scaling", '.', 5, 9, 1, 1, 45, 0},
};

struct outcome {
    int32_t status;
    int32_t swaps;
    vec a, b, result, result2;
};

// Runs one call, directly (shift < 0) or through the thunk with the given misalignment.
outcome run(const shaped_call &c, int shift, uint32_t *sp_mod_16, int32_t *sp_moved) {
    outcome o;
    o.a = operand(static_cast<size_t>(c.a_rows) * c.a_cols, 11);
    o.b = operand(static_cast<size_t>(c.b_rows) * c.b_cols, 23);
    o.result = canaries(c.result_size);
    o.result2 = canaries(c.result2_size);
    o.swaps = kSwapsCanary;
    double *result = std::string(c.name) == "product written over a" ? o.a.data() : o.result.data();
    const double *b = o.b.empty() ? nullptr : o.b.data();
    double *result2 = o.result2.empty() ? nullptr : o.result2.data();
    if (shift < 0) {
        o.status = lib::matrix(c.op, o.a.data(), c.a_rows, c.a_cols, b, c.b_rows, c.b_cols, result, result2, &o.swaps);
        return o;
    }
    const uint32_t args[10] = {static_cast<uint32_t>(c.op), word(o.a.data()), c.a_rows, c.a_cols, word(b),
                               c.b_rows, c.b_cols, word(result), word(result2), word(&o.swaps)};
    o.status = dorvane_call_shifted(lib::entry(), static_cast<uint32_t>(shift), args, sp_mod_16, sp_moved);
    return o;
}

class MisalignedStack : public ::testing::TestWithParam<int> {};

TEST_P(MisalignedStack, SameResultsAndTheCallerRemovesTheArguments) {
    const int shift = GetParam();
    for (const shaped_call &c : kCalls) {
        SCOPED_TRACE(c.name);
        const outcome expected = run(c, -1, nullptr, nullptr);
        ASSERT_EQ(MATRIX_OK, expected.status);
        uint32_t sp_mod_16 = 99;
        int32_t sp_moved = 99;
        const outcome got = run(c, shift, &sp_mod_16, &sp_moved);
        EXPECT_EQ(static_cast<uint32_t>((16 - shift) % 16), sp_mod_16) << "the thunk did not misalign the stack";
        EXPECT_EQ(0, sp_moved) << "the callee removed arguments: not cdecl";
        EXPECT_EQ(expected.status, got.status);
        EXPECT_EQ(expected.swaps, got.swaps);
        EXPECT_TRUE(same_bits(expected.a, got.a));
        EXPECT_TRUE(same_bits(expected.result, got.result));
        EXPECT_TRUE(same_bits(expected.result2, got.result2));
    }
}

INSTANTIATE_TEST_SUITE_P(Shift, MisalignedStack, ::testing::Values(0, 4, 8, 12));

// The load hook reports success on every load, and the export stays usable across reloads.
TEST(DllLoading, LoadsAndUnloadsRepeatedly) {
    for (int round = 0; round < 3; ++round) {
        HMODULE library = LoadLibraryA("dorvane.dll");
        ASSERT_NE(nullptr, library) << "error " << GetLastError();
        auto fn = reinterpret_cast<lib::entry_fn>(reinterpret_cast<void *>(GetProcAddress(library, "matrix")));
        ASSERT_NE(nullptr, fn);
        EXPECT_EQ(nullptr, GetProcAddress(library, "_matrix"));
        EXPECT_EQ(nullptr, GetProcAddress(library, "matrix@40"));
        double a[4] = {1, 2, 3, 4}, result[4];
        EXPECT_EQ(MATRIX_OK, fn('x', a, 2, 2, nullptr, 0, 0, result, nullptr, nullptr));
        EXPECT_TRUE(same_bits({1, 3, 2, 4}, vec(result, result + 4)));
        EXPECT_TRUE(FreeLibrary(library));
    }
}

}  // namespace
