# Cross-compiling for a Debian root of another architecture
# (scripts/foreign-root), with Debian's cross compiler for it and the root as
# the system root: its glibc, GoogleTest and Python. The environment names
# both, so that CMake's own test projects see them too:
#   QUORRA_FOREIGN_ROOT     the root's folder
#   QUORRA_FOREIGN_TRIPLET  the GNU triplet, e.g. aarch64-linux-gnu
# Programs built here run through qemu-user (binfmt_misc), which finds the
# root's loader and libraries when QEMU_LD_PREFIX names the root.
if(NOT DEFINED ENV{QUORRA_FOREIGN_ROOT} OR NOT DEFINED ENV{QUORRA_FOREIGN_TRIPLET})
  message(FATAL_ERROR "QUORRA_FOREIGN_ROOT and QUORRA_FOREIGN_TRIPLET must be set")
endif()
set(CMAKE_SYSTEM_NAME Linux)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "$ENV{QUORRA_FOREIGN_TRIPLET}")
set(CMAKE_SYSROOT "$ENV{QUORRA_FOREIGN_ROOT}")
set(CMAKE_CXX_COMPILER "$ENV{QUORRA_FOREIGN_TRIPLET}-g++")
set(CMAKE_LIBRARY_ARCHITECTURE "$ENV{QUORRA_FOREIGN_TRIPLET}")
# Headers, libraries and CMake packages from the root alone; programs (the
# interpreter among them, named by Python3_EXECUTABLE) wherever they are.
set(CMAKE_FIND_ROOT_PATH "$ENV{QUORRA_FOREIGN_ROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
