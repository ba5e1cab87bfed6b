"""The operations agree with NumPy's linear algebra on random matrices, to a tolerance."""
import numpy as np
import pytest

import dorvane

SIZES = [1, 2, 3, 5, 8, 17, 40]


@pytest.fixture
def rng():
    return np.random.default_rng(20261211)


@pytest.mark.parametrize("n", SIZES)
def test_product_and_elementwise(lib, rng, n):
    a = rng.standard_normal((n, n + 3))
    b = rng.standard_normal((n + 3, 2 * n))
    np.testing.assert_allclose(lib.multiply(a, b), a @ b, rtol=1e-12, atol=1e-12 * n)
    c = rng.standard_normal(a.shape)
    assert np.array_equal(lib.add(a, c), a + c)
    assert np.array_equal(lib.subtract(a, c), a - c)
    assert np.array_equal(lib.scale(a, 1.75), a * 1.75)
    square = rng.standard_normal((n, n))
    assert np.array_equal(lib.transpose(square), square.T)


@pytest.mark.parametrize("n", SIZES)
def test_determinant_and_inverse(lib, rng, n):
    a = rng.standard_normal((n, n)) + n * np.eye(n)
    np.testing.assert_allclose(lib.det(a), np.linalg.det(a), rtol=1e-10)
    np.testing.assert_allclose(lib.inv(a), np.linalg.inv(a), rtol=1e-9, atol=1e-12)


@pytest.mark.parametrize("n", SIZES)
def test_pivot_is_a_row_permutation(lib, rng, n):
    a = rng.standard_normal((n, n))
    rows = lib.pivot(a, np.eye(n))
    permutation = rows.companion
    assert np.array_equal(permutation @ a, rows.matrix)
    assert sorted(np.argmax(permutation, axis=1)) == list(range(n))
    # Greedy choice: each diagonal entry is the largest in magnitude of its column from there down.
    for col in range(n):
        assert abs(rows.matrix[col, col]) == np.max(np.abs(rows.matrix[col:, col]))


@pytest.mark.parametrize("n", SIZES)
def test_triangularize_with_identity_companion(lib, rng, n):
    a = rng.standard_normal((n, n))
    rows = lib.triangularize(a, np.eye(n))
    upper = np.triu(rows.matrix)
    np.testing.assert_allclose(rows.companion @ a, upper, rtol=1e-9, atol=1e-9)
    assert np.max(np.abs(np.tril(rows.matrix, -1)), initial=0.0) < 1e-12
    sign = -1.0 if rows.swaps % 2 else 1.0
    np.testing.assert_allclose(sign * np.prod(np.diag(upper)), np.linalg.det(a), rtol=1e-9)


@pytest.mark.parametrize("n", SIZES)
def test_lu_reconstructs_the_matrix(lib, rng, n):
    # Diagonally dominant, so that elimination without pivoting is stable.
    a = rng.standard_normal((n, n)) + 2 * n * np.eye(n)
    lower, upper = dorvane.unpack_lu(lib.lu(a))
    np.testing.assert_allclose(lower @ upper, a, rtol=1e-12, atol=1e-12 * n)
    assert np.array_equal(np.diag(lower), np.ones(n))


@pytest.mark.parametrize("rows, cols", [(1, 1), (2, 1), (3, 3), (5, 2), (8, 8), (20, 7), (33, 33)])
def test_qr_matches_numpy_up_to_signs(lib, rng, rows, cols):
    a = rng.standard_normal((rows, cols))
    q, r = lib.qr(a)
    assert q.shape == (rows, rows) and r.shape == (rows, cols)
    np.testing.assert_allclose(q @ r, a, rtol=1e-12, atol=1e-12 * rows)
    np.testing.assert_allclose(q.T @ q, np.eye(rows), atol=1e-13 * rows)
    assert np.max(np.abs(np.tril(r, -1)), initial=0.0) < 1e-12 * rows
    # numpy's R agrees row by row once the signs of the diagonals agree (the first cols columns
    # of Q likewise).
    q_ref, r_ref = np.linalg.qr(a, mode="complete")
    signs = np.sign(np.diag(r)) * np.sign(np.diag(r_ref))
    np.testing.assert_allclose(r[:cols], signs[:, None] * r_ref[:cols], rtol=1e-10, atol=1e-12 * rows)
    np.testing.assert_allclose(q[:, :cols], q_ref[:, :cols] * signs, rtol=1e-10, atol=1e-12 * rows)
