"""The built-in catalogue of named numbers, as the tests expect to find it:
every name, seed value and unit, and every count, comes from this table."""

# (name, value of a seed or None for a derived entry, units), in catalogue order:
# the ten seeds, then the seven derived entries.
CATALOGUE = [
    ("b3", 24.0, "dimensionless"),
    ("chi_eff", 72.0, "dimensionless"),
    ("n_gen", 3.0, "count"),
    ("roots_total", 288.0, "count"),
    ("visible_sector", 125.0, "count"),
    ("sterile_sector", 163.0, "count"),
    ("phi", 1.618033988749895, "dimensionless"),
    ("gamma_em", 0.5772156649015329, "dimensionless"),
    ("jc_constant", 153.0, "count"),
    ("logic_closure", 288.0, "count"),
    ("v_higgs_mev", None, "MeV"),
    ("sterile_check", None, "count"),
    ("n_gen_sq", None, "count"),
    ("h0_central", None, "km/s/Mpc"),
    ("w0_central", None, "dimensionless"),
    ("m_tau_mev", None, "MeV"),
    ("topo_gen_check", None, "count"),
]

# Sorted by the UTF-8 bytes of the names, as every listing is.
CONSTANT_NAMES = sorted((name for name, _, _ in CATALOGUE), key=str.encode)
CONSTANT_COUNT = len(CATALOGUE)
SEED_VALUES = {name: value for name, value, _ in CATALOGUE if value is not None}
DERIVED = [name for name, value, _ in CATALOGUE if value is None]
UNITS = {name: units for name, _, units in CATALOGUE}
