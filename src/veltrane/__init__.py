"""veltrane: physics constants, the quark mass ladder and the CKM matrix.

The data and the queries on it live in the native core, ``veltrane._quorra_core``;
the functions here are its documented entry points.
"""

from veltrane import _quorra_core
from veltrane._datasheet import ConstantDatasheet, EntryStatus

__version__: str = _quorra_core.__version__

__all__ = ["ConstantDatasheet", "EntryStatus", "Get", "__version__", "list_constants", "list_quarks"]


def list_constants() -> list[str]:
    """Names of every constant of the catalogue, in byte-wise sorted order."""
    return _quorra_core.py_list_constants()


def list_quarks() -> list[str]:
    """Names of the six Standard-Model quarks, in byte-wise sorted order."""
    return _quorra_core.py_list_quarks()


def Get(name: str) -> ConstantDatasheet:  # noqa: N802 - public name of the package
    """The datasheet of the constant ``name``.

    Raises ``KeyError`` when no constant has that name.
    """
    return _quorra_core.py_get_constant(name)
