"""Nothing is cached between calls: every listing is a new list holding a new
str for each name."""

import pytest


@pytest.mark.parametrize("listing", ["py_list_constants", "py_list_quarks"])
def test_each_listing_makes_new_strings(core, listing):
    first = getattr(core, listing)()
    second = getattr(core, listing)()
    assert first == second
    assert first is not second
    assert [a is b for a, b in zip(first, second)] == [False] * len(first)
