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
#
# Built against a glibc newer than 2.28, the runtime also binds a few glibc
# symbols at newer versions; those references are redirected to
# src/compat/old_glibc.cpp, which binds the old versions or provides the
# function from older interfaces.

include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)

# --exclude-libs, --gc-sections and --wrap below are options of the GNU
# linker, which gold, lld and mold take too. Elsewhere the runtime is still
# linked statically, without them: its symbols are then not kept private,
# and no glibc symbols are redirected.
set(QUORRA_GNU_LINKER OFF)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  check_linker_flag(CXX "LINKER:--exclude-libs,ALL,--gc-sections,--wrap=quorra_probe"
                    QUORRA_LINKER_TAKES_GNU_OPTIONS)
  if(QUORRA_LINKER_TAKES_GNU_OPTIONS)
    set(QUORRA_GNU_LINKER ON)
  endif()
endif()

check_cxx_source_compiles([=[
#include <features.h>
#if !defined(__GLIBC__) || __GLIBC__ != 2 || __GLIBC_MINOR__ <= 28
#error "not a glibc newer than 2.28"
#endif
#if !defined(__x86_64__) && !defined(__aarch64__)
#error "old symbol versions are known for x86_64 and aarch64 only"
#endif
int main() { return 0; }
]=] QUORRA_GLIBC_NEWER_THAN_2_28)

# The glibc symbols above GLIBC_2.28 that the static runtime or the module can
# refer to, each with a __wrap_ in src/compat/old_glibc.cpp. Today the runtime
# refers to __libc_single_threaded and arc4random only; the pthread functions
# are those of parts it links when the module uses them (std::shared_mutex,
# std::pmr pools, thread-specific data). --gc-sections drops the wrappers that
# nothing calls, and with them their imports.
set(QUORRA_OLD_GLIBC_SYMBOLS
  pthread_once pthread_key_create __pthread_key_create pthread_key_delete
  pthread_getspecific pthread_setspecific
  pthread_rwlock_rdlock pthread_rwlock_wrlock pthread_rwlock_unlock
  __libc_single_threaded arc4random)

function(quorra_static_runtime target)
  target_link_options(${target} PRIVATE -static-libstdc++)
  if(NOT QUORRA_GNU_LINKER)
    message(STATUS "${target}: the linker takes no GNU options, so the static C++ runtime "
                   "is linked without --exclude-libs, --gc-sections or --wrap")
    return()
  endif()
  # --gc-sections drops the parts of the runtime that nothing uses, and with
  # them the imports of wrappers below that nothing calls.
  target_link_options(${target} PRIVATE "LINKER:--exclude-libs,ALL" "LINKER:--gc-sections")
  if(QUORRA_GLIBC_NEWER_THAN_2_28)
    set(shim ${PROJECT_SOURCE_DIR}/src/compat/old_glibc.cpp)
    target_sources(${target} PRIVATE ${shim})
    set_property(SOURCE ${shim} TARGET_DIRECTORY ${target} APPEND PROPERTY
      COMPILE_OPTIONS -ffunction-sections -fdata-sections)
    foreach(symbol IN LISTS QUORRA_OLD_GLIBC_SYMBOLS)
      target_link_options(${target} PRIVATE "LINKER:--wrap=${symbol}")
    endforeach()
  endif()
endfunction()
