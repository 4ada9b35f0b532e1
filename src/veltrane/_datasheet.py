"""The shape of a constant's datasheet."""

from typing import Literal, TypedDict

EntryStatus = Literal["Seed", "Cached", "Pending", "External"]


class ConstantDatasheet(TypedDict):
    """One constant's datasheet, as ``Get`` and ``py_get_constant`` return it."""

    name: str
    status: EntryStatus
    uncertainty: float | None
    units: str
    value: float | None
