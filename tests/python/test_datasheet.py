"""py_get_constant: datasheets parsed from exact JSON text by the json module."""

import json
import sys
import types

import pytest

from catalogue import SEED_VALUES, UNITS


def expected_sheet(name):
    return {
        "name": name,
        "status": "Seed" if name in SEED_VALUES else "Pending",
        "uncertainty": None,
        "units": UNITS[name],
        "value": SEED_VALUES.get(name, 0.0),
    }


@pytest.mark.parametrize("name", UNITS)
def test_every_datasheet_of_the_catalogue(core, name):
    sheet = core.py_get_constant(name)
    assert sheet == expected_sheet(name)
    assert list(sheet) == ["name", "status", "uncertainty", "units", "value"]
    assert type(sheet["value"]) is float
    assert core.py_get_constant(name=name) == sheet


class RecordingJson(types.ModuleType):
    """Stands in for the json module and records the texts it is given."""

    def __init__(self):
        super().__init__("json")
        self.texts = []

    def loads(self, text):
        self.texts.append(text)
        return json.loads(text)


@pytest.fixture
def recording_json(monkeypatch):
    fake = RecordingJson()
    monkeypatch.setitem(sys.modules, "json", fake)
    return fake


def test_datasheet_text_is_compact_byte_ordered_json(core, recording_json):
    core.py_get_constant("b3")
    core.py_get_constant("n_gen_sq")
    core.py_get_constant("gamma_em")
    assert recording_json.texts == [
        '{"name":"b3","status":"Seed","uncertainty":null,"units":"dimensionless","value":24.0}',
        '{"name":"n_gen_sq","status":"Pending","uncertainty":null,"units":"count","value":0.0}',
        '{"name":"gamma_em","status":"Seed","uncertainty":null,"units":"dimensionless",'
        '"value":0.5772156649015329}',
    ]
    assert len(recording_json.texts[0].encode()) == 85
    assert all(type(text) is str for text in recording_json.texts)


def test_json_is_imported_on_every_call(core, monkeypatch):
    assert core.py_get_constant("phi")["value"] == 1.618033988749895
    replacement = types.ModuleType("json")
    replacement.loads = lambda text: ("replaced", text)
    monkeypatch.setitem(sys.modules, "json", replacement)
    assert core.py_get_constant("phi")[0] == "replaced"
    monkeypatch.undo()
    assert core.py_get_constant("phi")["value"] == 1.618033988749895


def test_loads_errors_pass_unchanged(core, monkeypatch):
    error = ValueError("parser broke")

    def failing_loads(text):
        raise error

    replacement = types.ModuleType("json")
    replacement.loads = failing_loads
    monkeypatch.setitem(sys.modules, "json", replacement)
    with pytest.raises(ValueError) as info:
        core.py_get_constant("b3")
    assert info.value is error


def test_json_import_failure_passes_unchanged(core, monkeypatch):
    monkeypatch.setitem(sys.modules, "json", None)
    with pytest.raises(ImportError, match="json"):
        core.py_get_constant("b3")


def test_module_without_loads_gives_attribute_error(core, monkeypatch):
    monkeypatch.setitem(sys.modules, "json", types.ModuleType("json"))
    with pytest.raises(AttributeError, match="loads"):
        core.py_get_constant("b3")


@pytest.mark.parametrize("name", ["B3", " b3", "b3 ", "b3\x00", "na`me", "\u00e9t\u00e9"])
def test_unknown_name_raises_key_error(core, name):
    with pytest.raises(KeyError) as info:
        core.py_get_constant(name)
    assert info.value.args == (f"constant `{name}` not found in registry",)


def test_empty_name_is_a_panic_and_the_next_call_works(core):
    with pytest.raises(BaseException) as info:
        core.py_get_constant("")
    assert type(info.value).__name__ == "PanicException"
    assert info.value.args == ("py_get_constant: name must be non-empty",)
    assert core.py_get_constant(name="b3")["value"] == 24.0


def test_type_check_comes_before_the_empty_name_check(core):
    with pytest.raises(TypeError, match="^argument 'name': 'bytes' object cannot be converted"):
        core.py_get_constant(b"")


def test_returned_dicts_are_independent(core):
    first = core.py_get_constant("b3")
    first["value"] = -1.0
    first["extra"] = True
    assert core.py_get_constant("b3") == expected_sheet("b3")
