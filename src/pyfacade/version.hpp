#pragma once
// The package's version, the module's __version__ and the result of
// PyFormulasRegistry.version(). It is pyproject.toml's, handed over by the
// build as QUORRA_VERSION.

namespace quorra::py {

inline constexpr const char* version_text = QUORRA_VERSION;

}  // namespace quorra::py
