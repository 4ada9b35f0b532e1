"""The shape of a constant's datasheet."""

from typing import Literal, TypedDict

# A union of one-value literals, the same type as Literal["Seed", "Cached",
# ...] to a type checker; spelled so, the runtime object is a typing.Union
# too, which is what mypy's stubtest compares the checker's type with.
EntryStatus = Literal["Seed"] | Literal["Cached"] | Literal["Pending"] | Literal["External"]


class ConstantDatasheet(TypedDict):
    """One constant's datasheet, as ``Get`` and ``py_get_constant`` return it."""

    name: str
    status: EntryStatus
    uncertainty: float | None
    units: str
    value: float
