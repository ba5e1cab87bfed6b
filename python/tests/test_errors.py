"""Statuses become exceptions that name them; loading failures say what was tried."""
import ctypes

import numpy as np
import pytest

import dorvane


@pytest.mark.parametrize("call, error, status, name, also", [
    (lambda lib: lib.inv([[1, 2], [2, 4]]), dorvane.ZeroDivisorError, 2, "MATRIX_ZERO_DIVISOR", ArithmeticError),
    (lambda lib: lib.lu([[1, 2, 3], [2, 4, 5], [1, 1, 1]]), dorvane.ZeroDivisorError, 2, "MATRIX_ZERO_DIVISOR", ArithmeticError),
    (lambda lib: lib.lu([[0, 1], [1, 0]]), dorvane.ZeroLeadingError, 4, "MATRIX_ZERO_LEADING", ArithmeticError),
    (lambda lib: lib.add(np.ones((2, 3)), np.ones((3, 2))), dorvane.ShapeMismatchError, 8,
     "MATRIX_SHAPE_MISMATCH", ValueError),
    (lambda lib: lib.multiply(np.ones((2, 3)), np.ones((2, 3))), dorvane.ShapeMismatchError, 8,
     "MATRIX_SHAPE_MISMATCH", ValueError),
    (lambda lib: lib.qr(np.ones((2, 3))), dorvane.ShapeMismatchError, 8, "MATRIX_SHAPE_MISMATCH", ValueError),
    (lambda lib: lib.det(np.ones((2, 3))), dorvane.ShapeMismatchError, 8, "MATRIX_SHAPE_MISMATCH", ValueError),
    (lambda lib: lib.pivot(np.eye(2), np.ones((3, 1))), dorvane.ShapeMismatchError, 8, "MATRIX_SHAPE_MISMATCH",
     ValueError),
    (lambda lib: lib.det(np.empty((0, 0))), dorvane.BadArgumentError, 12, "MATRIX_BAD_ARGUMENT", ValueError),
    (lambda lib: lib.add(np.empty((0, 2)), np.empty((0, 2))), dorvane.BadArgumentError, 12,
     "MATRIX_BAD_ARGUMENT", ValueError),
])
def test_status_raises_its_own_exception(lib, call, error, status, name, also):
    with pytest.raises(error) as caught:
        call(lib)
    assert isinstance(caught.value, dorvane.MatrixError)
    assert isinstance(caught.value, also)
    assert caught.value.status == status
    assert caught.value.name == name
    assert name in str(caught.value) and "(%d)" % status in str(caught.value)


def test_unknown_operation_through_the_raw_call(lib):
    a = np.eye(2)
    result = np.full((2, 2), 7.0)
    swaps = ctypes.c_int32(99)
    assert lib.call("?", a, a, result, None, swaps) == dorvane.UNKNOWN_OPERATION
    assert swaps.value == 0
    swaps.value = 99
    assert lib.call(0x100 | ord("A"), a, a, result, None, swaps) == dorvane.UNKNOWN_OPERATION
    assert swaps.value == 0
    assert (result == 7.0).all()


def test_failed_call_leaves_nothing_half_done(lib):
    a = np.array([[1.0, 2.0], [2.0, 4.0]])
    before = a.copy()
    with pytest.raises(dorvane.ZeroDivisorError):
        lib.inv(a)
    assert np.array_equal(before, a)


@pytest.mark.parametrize("value", [np.ones(3), np.ones((2, 2, 2)), 5.0])
def test_non_matrices_are_refused_before_the_call(lib, value):
    with pytest.raises(ValueError, match="2-D"):
        lib.inv(value)
    with pytest.raises(ValueError, match="2-D"):
        lib.multiply(np.eye(2), value)


def test_scalar_must_hold_one_value(lib):
    with pytest.raises(ValueError, match="scalar"):
        lib.scale(np.eye(2), [1.0, 2.0])
    assert lib.scale([[1.0, 2.0]], np.array([[3.0]])).tolist() == [[3.0, 6.0]]


def test_library_path_argument_and_environment(lib, monkeypatch, tmp_path):
    missing = str(tmp_path / "no-such-library.so")
    with pytest.raises(OSError, match="no-such-library"):
        dorvane.Library(missing)
    monkeypatch.setenv("DORVANE_LIBRARY", missing)
    with pytest.raises(OSError, match="DORVANE_LIBRARY"):
        dorvane.Library()
    # An explicit path wins over the environment.
    assert dorvane.Library(lib.path).det([[2.0]]) == 2.0


def test_module_functions_use_the_loaded_library(lib):
    dorvane.load(lib.path)
    assert dorvane.det([[0, 2], [3, 0]]) == -6.0
    assert dorvane.multiply([[1, 2]], [[3], [4]]).tolist() == [[11.0]]


def test_without_a_path_a_library_beside_the_package_is_found(lib, monkeypatch, tmp_path):
    import importlib.util
    import shutil
    import sys
    package = tmp_path / "dorvane_copy"
    package.mkdir()
    shutil.copy(dorvane.__file__, package / "__init__.py")
    shutil.copy(lib.path, package / ("dorvane.dll" if sys.platform == "win32" else "libdorvane.so.0"))
    spec = importlib.util.spec_from_file_location("dorvane_copy", package / "__init__.py")
    module = importlib.util.module_from_spec(spec)
    monkeypatch.setitem(sys.modules, "dorvane_copy", module)
    spec.loader.exec_module(module)
    monkeypatch.delenv("DORVANE_LIBRARY", raising=False)
    found = module.Library()
    assert found.path.startswith(str(package))
    assert found.det([[0, 2], [3, 0]]) == -6.0
