import os
import sys

import numpy as np
import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), os.pardir))

import dorvane  # noqa: E402


@pytest.fixture(scope="session")
def lib():
    """The library under test: DORVANE_LIBRARY, else the usual names. Not finding it is a failure,
    not a reason to skip."""
    return dorvane.load()


def assert_bits(expected, actual):
    """Same shape and the same bit pattern in every element (sign of zero included)."""
    expected = np.asarray(expected, dtype=np.float64)
    assert isinstance(actual, np.ndarray) and actual.dtype == np.float64
    assert actual.shape == expected.shape
    if not np.array_equal(expected.view(np.uint64), actual.view(np.uint64)):
        raise AssertionError("bits differ:\nexpected %r\nactual   %r" % (expected, actual))
