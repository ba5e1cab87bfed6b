"""dorvane for Python: dense double-precision matrix arithmetic through the library's one export.

The shared library (libdorvane.so on Linux, dorvane.dll on Windows, which needs a 32-bit Python
for the 32-bit build) is loaded with ctypes. Where from: the ``path`` given to :class:`Library`,
else the ``DORVANE_LIBRARY`` environment variable, else a copy beside this package, else the
platform's usual names through the system's library search.

Matrices go in and come out as 2-D NumPy arrays of float64; inputs of another type, order or
layout are copied to C-contiguous float64 first and are never modified. A status other than
MATRIX_OK raises a subclass of :class:`MatrixError` that names it::

    import numpy as np
    import dorvane

    a = np.array([[1.0, 2.0], [3.0, 4.0]])
    dorvane.det(a)                 # -2.0
    dorvane.inv(a)                 # 2x2 array
    dorvane.inv(np.ones((2, 2)))   # raises dorvane.ZeroDivisorError (MATRIX_ZERO_DIVISOR, 2)
"""

import collections
import ctypes
import ctypes.util
import os
import sys
import threading

import numpy as np

__all__ = [
    "Library", "load",
    "MatrixError", "ZeroDivisorError", "ZeroLeadingError", "ShapeMismatchError", "BadArgumentError",
    "UnknownOperationError", "NoMemoryError",
    "Pivoted", "QR",
    "add", "subtract", "scale", "multiply", "transpose", "pivot", "triangularize", "det", "inv", "lu",
    "qr", "unpack_lu",
    "OK", "ZERO_DIVISOR", "ZERO_LEADING", "SHAPE_MISMATCH", "BAD_ARGUMENT", "UNKNOWN_OPERATION", "NO_MEMORY",
]

OK = 0
ZERO_DIVISOR = 2
ZERO_LEADING = 4
SHAPE_MISMATCH = 8
BAD_ARGUMENT = 12
UNKNOWN_OPERATION = 16
NO_MEMORY = 24


class MatrixError(Exception):
    """A status other than MATRIX_OK. ``status`` is the number, ``name`` its MATRIX_ name and
    ``operation`` the operation character of the call."""

    status = None
    name = "MATRIX_?"
    meaning = "not a status of the library"

    def __init__(self, operation, status=None):
        if status is not None:
            self.status = status
        self.operation = operation
        super().__init__("%s (%s) from %r: %s" % (self.name, self.status, operation, self.meaning))


class ZeroDivisorError(MatrixError, ArithmeticError):
    status, name, meaning = ZERO_DIVISOR, "MATRIX_ZERO_DIVISOR", "a diagonal element to divide by is exactly zero"


class ZeroLeadingError(MatrixError, ArithmeticError):
    status, name, meaning = ZERO_LEADING, "MATRIX_ZERO_LEADING", "element (0, 0) of the operand is exactly zero"


class ShapeMismatchError(MatrixError, ValueError):
    status, name, meaning = SHAPE_MISMATCH, "MATRIX_SHAPE_MISMATCH", "the dimensions do not fit the operation"


class BadArgumentError(MatrixError, ValueError):
    status, name, meaning = (BAD_ARGUMENT, "MATRIX_BAD_ARGUMENT",
                             "a required matrix is missing or a required dimension is 0")


class UnknownOperationError(MatrixError, ValueError):
    status, name, meaning = UNKNOWN_OPERATION, "MATRIX_UNKNOWN_OPERATION", "no operation has this character"


class NoMemoryError(MatrixError, MemoryError):
    status, name, meaning = NO_MEMORY, "MATRIX_NO_MEMORY", "a scratch buffer could not be obtained"


_ERRORS = {cls.status: cls for cls in (ZeroDivisorError, ZeroLeadingError, ShapeMismatchError, BadArgumentError,
                                       UnknownOperationError, NoMemoryError)}

Pivoted = collections.namedtuple("Pivoted", "matrix companion swaps")
Pivoted.__doc__ = """Rows of a square matrix after pivoting or elimination, the companion after the same
row operations (None when no companion was given) and the number of row exchanges."""
QR = collections.namedtuple("QR", "q r")

_DOUBLE_P = ctypes.POINTER(ctypes.c_double)
_UINT32_MAX = 0xFFFFFFFF


def _default_names():
    if sys.platform == "win32" or sys.platform == "cygwin":
        names = ["dorvane.dll", "libdorvane.dll"]
    elif sys.platform == "darwin":
        names = ["libdorvane.0.dylib", "libdorvane.dylib"]
    else:
        names = ["libdorvane.so.0", "libdorvane.so"]
    # A copy beside this package comes first, then the system's search (on Windows from Python
    # 3.8 on: the program's folder and the system folders, not PATH).
    here = os.path.dirname(os.path.abspath(__file__))
    candidates = [os.path.join(here, name) for name in names if os.path.exists(os.path.join(here, name))]
    candidates += names
    found = ctypes.util.find_library("dorvane")
    if found and found not in candidates:
        candidates.append(found)
    return candidates


def _as_matrix(x, what):
    """A C-contiguous float64 2-D array with the values of x (x itself when it already is one)."""
    array = np.ascontiguousarray(x, dtype=np.float64)
    if array.ndim != 2:
        raise ValueError("%s must be a 2-D array, not %d-D" % (what, array.ndim))
    if array.shape[0] > _UINT32_MAX or array.shape[1] > _UINT32_MAX:
        raise ValueError("%s has a dimension that does not fit 32 bits: %r" % (what, array.shape))
    return array


_SPARE = ctypes.c_double(0.0)


def _pointer(array):
    if array is None:
        return None
    if array.size == 0:
        # Matrices without elements still need a non-null buffer (a 0-by-0 inverse, a companion
        # without columns); nothing is read from it or written to it.
        return ctypes.cast(ctypes.pointer(_SPARE), _DOUBLE_P)
    return array.ctypes.data_as(_DOUBLE_P)


def _dims(array):
    return (0, 0) if array is None else array.shape


class Library:
    """The loaded shared library. ``path`` overrides ``DORVANE_LIBRARY`` and the usual names."""

    def __init__(self, path=None):
        if path is None:
            path = os.environ.get("DORVANE_LIBRARY") or None
        candidates = [os.fspath(path)] if path is not None else _default_names()
        failures = []
        for candidate in candidates:
            try:
                self._dll = ctypes.CDLL(candidate)
                break
            except OSError as error:
                failures.append("%s: %s" % (candidate, error))
        else:
            hint = ""
            if sys.platform == "win32" and sys.maxsize > 2 ** 32:
                hint = " (the Windows build of dorvane is 32-bit: it loads into a 32-bit Python only)"
            raise OSError("cannot load the dorvane library%s; set DORVANE_LIBRARY or pass its path. Tried: %s"
                          % (hint, "; ".join(failures)))
        self.path = candidates[len(failures)]
        self.function = self._dll.matrix
        self.function.restype = ctypes.c_int32
        self.function.argtypes = [ctypes.c_int32,
                                  _DOUBLE_P, ctypes.c_uint32, ctypes.c_uint32,
                                  _DOUBLE_P, ctypes.c_uint32, ctypes.c_uint32,
                                  _DOUBLE_P, _DOUBLE_P, ctypes.POINTER(ctypes.c_int32)]

    def call(self, op, a=None, b=None, result=None, result2=None, swaps=None):
        """One call of ``matrix`` on prepared arrays (C-contiguous float64, 2-D, or None); returns
        the status. ``op`` is a one-character string or the integer itself. ``swaps``, when given, is a ctypes.c_int32 that receives the counter."""
        a_rows, a_cols = _dims(a)
        b_rows, b_cols = _dims(b)
        return self.function(op if isinstance(op, int) else ord(op), _pointer(a), a_rows, a_cols, _pointer(b), b_rows, b_cols,
                             _pointer(result), _pointer(result2),
                             None if swaps is None else ctypes.byref(swaps))

    def _run(self, op, a=None, b=None, result=None, result2=None, swaps=None):
        status = self.call(op, a, b, result, result2, swaps)
        if status != OK:
            raise _ERRORS.get(status, MatrixError)(op, status)

    def add(self, a, b):
        """a + b, element by element; both r-by-c."""
        a, b = _as_matrix(a, "a"), _as_matrix(b, "b")
        result = np.empty(a.shape)
        self._run("+", a, b, result)
        return result

    def subtract(self, a, b):
        """a - b, element by element; both r-by-c."""
        a, b = _as_matrix(a, "a"), _as_matrix(b, "b")
        result = np.empty(a.shape)
        self._run("-", a, b, result)
        return result

    def scale(self, m, scalar):
        """scalar * m, each element multiplied once; scalar is a number or a 1-by-1 matrix."""
        m = _as_matrix(m, "m")
        factor = np.array(scalar, dtype=np.float64)
        if factor.size != 1:
            raise ValueError("the scalar must be a number or a 1-by-1 matrix, not of shape %r" % (factor.shape,))
        factor = factor.reshape(1, 1)
        result = np.empty(m.shape)
        self._run(".", m, factor, result)
        return result

    def multiply(self, a, b):
        """The product a (m x n) times b (n x p), each element summed in ascending k."""
        a, b = _as_matrix(a, "a"), _as_matrix(b, "b")
        result = np.empty((a.shape[0], b.shape[1]))
        self._run("*", a, b, result)
        return result

    def transpose(self, m):
        """The transpose of a square matrix."""
        m = _as_matrix(m, "m")
        result = np.empty((m.shape[1], m.shape[0]))
        self._run("x", m, None, result)
        return result

    def _rows(self, op, m, companion):
        m = _as_matrix(m, "m")
        result = np.empty(m.shape)
        result2 = None
        if companion is not None:
            companion = _as_matrix(companion, "companion")
            result2 = np.empty(companion.shape)
        swaps = ctypes.c_int32(0)
        self._run(op, m, companion, result, result2, swaps)
        return Pivoted(result, result2, swaps.value)

    def pivot(self, m, companion=None):
        """Partial-pivoting row exchanges of the square m, column by column, without elimination;
        the companion (n rows, any columns) gets the same exchanges. Returns a Pivoted."""
        return self._rows("v", m, companion)

    def triangularize(self, m, companion=None):
        """Gaussian elimination of the square m with partial pivoting to upper-triangular form
        (rounding residues below the diagonal are left as they are); the companion gets the same
        row operations. Returns a Pivoted."""
        return self._rows("t", m, companion)

    def det(self, m):
        """The determinant of a square matrix (at least 1 by 1), as a float."""
        m = _as_matrix(m, "m")
        result = np.empty((1, 1))
        self._run("d", m, None, result)
        return float(result[0, 0])

    def inv(self, m):
        """The inverse of a square matrix; ZeroDivisorError when elimination meets a zero pivot."""
        m = _as_matrix(m, "m")
        result = np.empty(m.shape)
        self._run("i", m, None, result)
        return result

    def lu(self, m):
        """Doolittle factorization without pivoting, L and U packed in one matrix: unit lower L
        strictly below the diagonal, U on and above it (see unpack_lu). ZeroLeadingError when
        m[0, 0] is zero, ZeroDivisorError when a later diagonal element of U is."""
        m = _as_matrix(m, "m")
        result = np.empty(m.shape)
        self._run("f", m, None, result)
        return result

    def qr(self, m):
        """Householder reduction of an m-by-n matrix with n <= m: QR(q (m x m), r (m x n)) with
        m = q @ r. The diagonal of r is negative (zero where a column has nothing left to reduce);
        what lies below it is rounding residue, not set to zero."""
        m = _as_matrix(m, "m")
        q = np.eye(m.shape[0])  # with no column the library reflects nothing and leaves q as it is
        r = np.empty(m.shape)
        self._run("h", m, None, q, r)
        return QR(q, r)


def unpack_lu(packed):
    """(L, U) from the packed result of lu(): L unit lower triangular, U upper triangular."""
    packed = np.asarray(packed, dtype=np.float64)
    return np.tril(packed, -1) + np.eye(packed.shape[0]), np.triu(packed)


_default = None
_default_lock = threading.Lock()


def load(path=None):
    """Loads the library (see Library) and makes it the one that the module's functions use."""
    global _default
    library = Library(path)
    with _default_lock:
        _default = library
    return library


def _library():
    global _default
    with _default_lock:
        if _default is None:
            _default = Library()
        return _default


def add(a, b):
    return _library().add(a, b)


def subtract(a, b):
    return _library().subtract(a, b)


def scale(m, scalar):
    return _library().scale(m, scalar)


def multiply(a, b):
    return _library().multiply(a, b)


def transpose(m):
    return _library().transpose(m)


def pivot(m, companion=None):
    return _library().pivot(m, companion)


def triangularize(m, companion=None):
    return _library().triangularize(m, companion)


def det(m):
    return _library().det(m)


def inv(m):
    return _library().inv(m)


def lu(m):
    return _library().lu(m)


def qr(m):
    return _library().qr(m)


for _name in ("add", "subtract", "scale", "multiply", "transpose", "pivot", "triangularize", "det", "inv", "lu",
              "qr"):
    globals()[_name].__doc__ = getattr(Library, _name).__doc__ + "\n\nUses the library that load() chose."
del _name
