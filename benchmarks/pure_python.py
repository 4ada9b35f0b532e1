"""The module's operations written in plain Python, as a yardstick for the
native core: the same data, the same per-call registry builds, the same errors."""

from __future__ import annotations

import importlib.metadata
import json
from dataclasses import dataclass, field

VERSION = importlib.metadata.version("veltrane")


@dataclass(slots=True)
class FormulaEntry:
    name: str
    value: float
    units: str
    uncertainty: float | None = None
    status: str = "Seed"
    expression: str | None = None
    dependencies: list[str] = field(default_factory=list)


SEEDS = [
    ("b3", 24.0, "dimensionless"), ("chi_eff", 72.0, "dimensionless"), ("n_gen", 3.0, "count"),
    ("roots_total", 288.0, "count"), ("visible_sector", 125.0, "count"),
    ("sterile_sector", 163.0, "count"), ("phi", 1.618033988749895, "dimensionless"),
    ("gamma_em", 0.5772156649015329, "dimensionless"), ("jc_constant", 153.0, "count"),
    ("logic_closure", 288.0, "count"),
]
DERIVED = [
    ("v_higgs_mev", "246220", "MeV", ()),
    ("sterile_check", "roots_total - visible_sector", "count", ("roots_total", "visible_sector")),
    ("n_gen_sq", "n_gen * n_gen", "count", ("n_gen",)),
    ("h0_central", "70", "km/s/Mpc", ()),
    ("w0_central", "-1", "dimensionless", ()),
    ("m_tau_mev", "1776.86", "MeV", ()),
    ("topo_gen_check", "chi_eff / b3", "count", ("chi_eff", "b3")),
]


def with_builtins() -> dict[str, FormulaEntry]:
    registry: dict[str, FormulaEntry] = {}
    for name, value, units in SEEDS:
        registry[name] = FormulaEntry(name, value, units)
    for name, expression, units, dependencies in DERIVED:
        registry[name] = FormulaEntry(name, 0.0, units, None, "Pending", expression, list(dependencies))
    return registry


class FormulasRegistry:
    __slots__ = ("_entries",)

    def __init__(self) -> None:
        self._entries = with_builtins()

    def get(self, name: str) -> float:
        entry = self._entries.get(name)
        if entry is None:
            raise KeyError(f"constant `{name}` not found in registry")
        return entry.value

    def __len__(self) -> int:
        return len(self._entries)

    @staticmethod
    def version() -> str:
        return VERSION


def list_constants() -> list[str]:
    return sorted(with_builtins())


QUARKS = [
    ("up", 1, 12, 764.665760128228, 0.003105620015141857),
    ("down", 1, 11, 1237.2551899207474, 0.005024998740641489),
    ("strange", 2, 8, 5241.0970900186985, 0.02128623625220818),
    ("charm", 2, 5, 22201.643549995544, 0.09016994374947422),
    ("bottom", 3, 4, 35923.013870002665, 0.14589803375031543),
    ("top", 3, 0, 246220.0, 1.0),
]


@dataclass(slots=True)
class Quark:
    name: str
    generation: int
    phi_exponent: int
    mass_mev: float
    mass_ratio: float
    attributes: dict[str, float] = field(default_factory=dict)


def list_quarks() -> list[str]:
    registry = {row[0]: Quark(*row) for row in QUARKS}
    return sorted(registry)


class QuarkRegistry:
    __slots__ = ("_quarks",)

    def __init__(self) -> None:
        self._quarks: dict[str, Quark] = {}

    def __len__(self) -> int:
        return len(self._quarks)


def get_constant(name: str) -> dict:
    if not name:
        raise ValueError("name must be non-empty")
    entry = with_builtins().get(name)
    if entry is None:
        raise KeyError(f"constant `{name}` not found in registry")
    sheet = {
        "name": entry.name, "status": entry.status, "uncertainty": entry.uncertainty,
        "units": entry.units, "value": entry.value,
    }
    return json.loads(json.dumps(sheet, separators=(",", ":"), sort_keys=True))


class CKMMatrix:
    __slots__ = ("elements", "jarlskog_j")

    def __init__(self) -> None:
        self.elements = (1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0)
        self.jarlskog_j = 0.0

    @staticmethod
    def from_topology() -> "CKMMatrix":
        return CKMMatrix()

    def jarlskog(self) -> float:
        return self.jarlskog_j

    def is_unitary(self, tol: float) -> bool:
        tol = float(tol)
        e = self.elements
        worst = 0.0
        for i in (0, 3, 6):
            deviation = abs(e[i] * e[i] + e[i + 1] * e[i + 1] + e[i + 2] * e[i + 2] - 1.0)
            if deviation > worst:
                worst = deviation
        return tol >= worst
