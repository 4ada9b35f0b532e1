"""The formulas registry from Python: PyFormulasRegistry and py_list_constants."""

import pytest

from catalogue import CONSTANT_COUNT, CONSTANT_NAMES, DERIVED, SEED_VALUES


@pytest.fixture
def registry(core):
    return core.PyFormulasRegistry()


def test_listing_is_byte_sorted_and_complete(core):
    names = core.py_list_constants()
    assert names == CONSTANT_NAMES
    assert names == sorted(SEED_VALUES.keys() | set(DERIVED), key=str.encode)
    assert len(names) == len(set(names)) == len(core.PyFormulasRegistry()) == CONSTANT_COUNT


def test_listing_is_a_fresh_list_each_call(core):
    first = core.py_list_constants()
    first.clear()
    assert core.py_list_constants() == CONSTANT_NAMES


@pytest.mark.parametrize("name, value", SEED_VALUES.items())
def test_seeds_give_their_catalogue_value(registry, name, value):
    result = registry.get(name)
    assert type(result) is float
    assert result == value
    assert registry.get(name=name) == value


@pytest.mark.parametrize("name", DERIVED)
def test_derived_entries_are_not_evaluated(registry, name):
    assert registry.get(name) == 0.0


@pytest.mark.parametrize("name", [
    "", "B3", " b3", "b3 ", "b3\x00", "b3\x00x", "PHI", "ph", "phi_", "`", "a`b", "caf\u00e9",
    "\u03c6", "\U0001d6d7", "n" * 10_000,
])
def test_unknown_names_raise_key_error_with_the_name_verbatim(registry, name):
    with pytest.raises(KeyError) as info:
        registry.get(name)
    assert info.value.args == (f"constant `{name}` not found in registry",)
    assert type(info.value) is KeyError
    assert info.value.__cause__ is None


def test_key_error_str_shows_the_message_in_quotes(registry):
    with pytest.raises(KeyError) as info:
        registry.get("B3")
    assert str(info.value) == "'constant `B3` not found in registry'"


def test_instances_are_independent_and_stay_complete(core):
    first = core.PyFormulasRegistry()
    second = core.PyFormulasRegistry()
    assert first is not second
    for _ in range(3):
        assert first.get("b3") == second.get("b3") == 24.0
    assert len(first) == len(second) == CONSTANT_COUNT
