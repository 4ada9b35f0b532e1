"""veltrane: physics constants, the quark mass ladder and the CKM matrix.

The data and the queries on it live in the native core, ``veltrane._quorra_core``.
"""

from veltrane import _quorra_core

__version__: str = _quorra_core.__version__
