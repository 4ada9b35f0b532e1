# quorra_static_runtime(<target>): link a shared library with its own copy of
# the C++ standard library, so that it needs no libstdc++ of the system it is
# installed on and its wheel can claim an old manylinux tag. The copy's
# symbols are kept private to the library (--exclude-libs), so that a
# libstdc++ loaded by somebody else in the same process neither replaces nor
# is replaced by them.
#
# The unwinder stays the system's libgcc_s, which every manylinux platform
# provides. A private copy (-static-libgcc) would break a thread's forced
# unwinding: pthread_exit unwinds with libgcc_s, and the private copy's
# personality routine then works on a context it never initialised and
# aborts. tests/cpp/runtime checks both exceptions and forced unwinding
# through a library linked this way.

function(quorra_static_runtime target)
  # --gc-sections drops the parts of the runtime that nothing uses.
  target_link_options(${target} PRIVATE
    -static-libstdc++ "LINKER:--exclude-libs,ALL" "LINKER:--gc-sections")
endfunction()
