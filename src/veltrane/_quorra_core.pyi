"""PyO3 module entry point. Wired as `veltrane._quorra_core`."""

from typing import Final, SupportsFloat, SupportsIndex, final

from veltrane._datasheet import ConstantDatasheet

__version__: Final[str]
__all__ = [
    "PyFormulasRegistry",
    "PyQuarkRegistry",
    "PyCKMMatrix",
    "py_list_constants",
    "py_list_quarks",
    "py_get_constant",
    "__version__",
]

@final
class PyFormulasRegistry:
    """Python wrapper for [`FormulasRegistry`]."""

    def __new__(cls) -> PyFormulasRegistry: ...
    def __len__(self) -> int: ...
    def get(self, name: str) -> float:
        """Retrieve the numeric value for `name`."""
    @staticmethod
    def version() -> str:
        """Library-version round-trip helper."""

@final
class PyQuarkRegistry:
    """Python wrapper for [`QuarkRegistry`]."""

    def __new__(cls) -> PyQuarkRegistry: ...
    def __len__(self) -> int: ...

@final
class PyCKMMatrix:
    """Python wrapper for [`CKMMatrix`]."""

    # No constructor: calling the class raises TypeError, and instances come
    # only from from_topology(). Stubs cannot forbid the call itself.
    @staticmethod
    def from_topology() -> PyCKMMatrix:
        """Build the CKM matrix from the underlying topology."""
    def is_unitary(self, tol: SupportsFloat | SupportsIndex) -> bool:
        """`True` when the matrix is unitary within `tol`."""
    def jarlskog(self) -> float:
        """CP-violation Jarlskog invariant J."""

def py_list_constants() -> list[str]:
    """Native-accelerated twin of `veltrane.list_constants`.

    Returns all known constant names from the FormulasRegistry."""

def py_list_quarks() -> list[str]:
    """Native-accelerated twin of `veltrane.list_quarks`.

    Returns all SM quark names from the QuarkRegistry."""

def py_get_constant(name: str) -> ConstantDatasheet:
    """Native-accelerated twin of `veltrane.Get` for the constants branch.

    Returns a JSON-serialised dict with `name`, `value`, `units`,
    `uncertainty`, and `status` fields — matching the Python constant
    datasheet schema so callers don't need to branch.

    Raises `PyKeyError` when `name` is not in the registry."""
