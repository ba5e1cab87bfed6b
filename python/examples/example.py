"""A Python client of dorvane: a few operations on NumPy arrays, and a status as an exception.

    DORVANE_LIBRARY=path/to/libdorvane.so python3 python/examples/example.py [path-to-library]
"""
import os
import sys

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
import dorvane  # noqa: E402


def main():
    library = dorvane.load(sys.argv[1] if len(sys.argv) > 1 else None)
    print("library:", library.path)
    np.set_printoptions(precision=17, suppress=False, linewidth=120)

    a = np.array([[1.0, 2.0, 3.0], [2.0, 5.0, 1.0], [4.0, 1.0, 2.0]])
    print("a =\n", a)
    print("det(a) =", dorvane.det(a))
    inverse = dorvane.inv(a)
    print("inv(a) =\n", inverse)
    print("a * inv(a) =\n", dorvane.multiply(a, inverse))

    rows = dorvane.triangularize(a, np.eye(3))
    print("triangular form, %d row exchange(s) =\n" % rows.swaps, rows.matrix)

    lower, upper = dorvane.unpack_lu(dorvane.lu(a))
    print("L =\n", lower, "\nU =\n", upper)

    q, r = dorvane.qr(np.array([[1.0, 2.0], [3.0, 4.0], [5.0, 6.0]]))
    print("Q =\n", q, "\nR =\n", r)

    try:
        dorvane.inv([[1.0, 2.0], [2.0, 4.0]])
    except dorvane.ZeroDivisorError as error:
        print("inv of a singular matrix:", error)
    try:
        dorvane.add(np.ones((2, 3)), np.ones((3, 2)))
    except dorvane.ShapeMismatchError as error:
        print("2x3 + 3x2:", error)


if __name__ == "__main__":
    main()
