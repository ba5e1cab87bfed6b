"""Exact results of each operation on small cases, with the operand order that tells a from b."""
import numpy as np
import pytest

from conftest import assert_bits

A = [[1.0, 2.0], [3.0, 4.0]]
B = [[5.0, 6.0], [7.0, 8.0]]


@pytest.mark.parametrize("operation, args, expected", [
    ("add", (A, B), [[6, 8], [10, 12]]),
    ("subtract", (A, B), [[-4, -4], [-4, -4]]),
    ("subtract", (B, A), [[4, 4], [4, 4]]),
    ("multiply", (A, B), [[19, 22], [43, 50]]),
    ("multiply", (B, A), [[23, 34], [31, 46]]),
    ("multiply", ([[1, 2, 3], [4, 5, 6]], [[1], [0], [-1]]), [[-2], [-2]]),
    ("scale", ([[1, -2, 3]], -0.5), [[-0.5, 1, -1.5]]),
    ("scale", ([[0.0, 1.0]], [[2.0]]), [[0, 2]]),
    ("transpose", ([[0, 1, 2], [3, 4, 5], [6, 7, 8]],), [[0, 3, 6], [1, 4, 7], [2, 5, 8]]),
    ("inv", ([[2, 0], [0, 4]],), [[0.5, 0], [0, 0.25]]),
    ("lu", ([[2, 1], [4, 5]],), [[2, 1], [2, 3]]),
])
def test_exact_results(lib, operation, args, expected):
    assert_bits(expected, getattr(lib, operation)(*args))


def test_signed_zeros_survive_the_round_trip(lib):
    assert_bits([[0.0]], lib.add([[0.0]], [[-0.0]]))
    assert_bits([[-0.0]], lib.subtract([[-0.0]], [[0.0]]))
    assert_bits([[-0.0, -2.0]], lib.scale([[-0.0, -1.0]], 2.0))


def test_determinant_counts_the_row_exchange(lib):
    assert lib.det([[0, 2], [3, 0]]) == -6.0
    assert lib.det([[2, 0], [0, 3]]) == 6.0
    assert isinstance(lib.det([[5.0]]), float)


def test_pivot_reorders_rows_and_the_companion(lib):
    # Column 0 brings up row 1 (|-2| is the first of the largest), column 1 then exchanges rows 1
    # and 2; the identity as companion records the permutation.
    rows = lib.pivot([[1, 5, 0], [-2, 0, 1], [2, 7, 3]], np.eye(3))
    assert_bits([[-2, 0, 1], [2, 7, 3], [1, 5, 0]], rows.matrix)
    assert_bits([[0, 1, 0], [0, 0, 1], [1, 0, 0]], rows.companion)
    assert rows.swaps == 2
    alone = lib.pivot([[1, 2], [3, 4]])
    assert_bits([[3, 4], [1, 2]], alone.matrix)
    assert alone.companion is None and alone.swaps == 1


def test_triangularize_applies_every_row_operation_to_the_companion(lib):
    # [[1, 2], [4, 6]]: exchange, factor -(1/4), row 1 becomes [1 + 4 * -0.25, 2 + 6 * -0.25].
    rows = lib.triangularize([[1, 2], [4, 6]], [[10], [20]])
    assert_bits([[4, 6], [0, 0.5]], rows.matrix)
    assert_bits([[20], [5]], rows.companion)
    assert rows.swaps == 1


def test_companion_without_columns_and_empty_matrices(lib):
    rows = lib.triangularize([[1, 2], [4, 6]], np.empty((2, 0)))
    assert rows.companion.shape == (2, 0) and rows.swaps == 1
    assert lib.inv(np.empty((0, 0))).shape == (0, 0)
    q, r = lib.qr(np.empty((3, 0)))
    assert_bits(np.eye(3), q)
    assert r.shape == (3, 0)


def test_qr_of_small_cases(lib):
    q, r = lib.qr([[5.0]])
    assert_bits([[-1.0]], q)
    assert_bits([[-5.0]], r)
    # The column [3, 4]: alpha 5, v [8, 4]; R keeps the rounding residue -2^-51 below the diagonal.
    q, r = lib.qr([[3.0], [4.0]])
    assert_bits([[-5.0], [-2.0 ** -51]], r)
    np.testing.assert_allclose(q, [[-0.6, -0.8], [-0.8, 0.6]], rtol=0, atol=1e-15)


def test_inputs_are_converted_and_left_alone(lib):
    """Integer, Fortran-ordered and strided inputs give the results of their float64 copies."""
    base = np.arange(16, dtype=np.float64).reshape(4, 4) ** 2 + np.eye(4)
    strided = base[::2, ::2]
    fortran = np.asfortranarray(base)
    before = base.copy()
    assert_bits(lib.multiply(np.ascontiguousarray(strided), np.ascontiguousarray(strided)),
                lib.multiply(strided, strided))
    assert_bits(lib.inv(np.ascontiguousarray(base)), lib.inv(fortran))
    assert_bits(lib.add(base, base), lib.add(base.astype(np.int64), base.astype(np.float32)))
    assert_bits(before, base)
    assert_bits(before, fortran)
    assert_bits([[2, 4]], lib.add([[1, 2]], [[1, 2]]))


def test_unpack_lu_splits_the_packed_factors(lib):
    import dorvane
    lower, upper = dorvane.unpack_lu(lib.lu([[2, 1], [4, 5]]))
    assert_bits([[1, 0], [2, 1]], lower)
    assert_bits([[2, 1], [0, 3]], upper)
