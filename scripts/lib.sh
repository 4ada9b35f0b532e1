# Shared by the test and packaging scripts; sourced, not run.
#
# Every Python package these scripts install goes into a virtual environment
# (under build/venv unless the given interpreter already belongs to one), and
# cmake, ninja and ctest are those of the test dependencies in that
# environment: the machine's interpreters and tools are never changed.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Parallel build and test jobs of every script (the JOBS of the environment).
JOBS=${JOBS:-2}

die() {
    echo "error: $*" >&2
    exit 1
}

# pip_install PYTHON ARGS...: a quiet pip install with that interpreter. Build
# settings are passed with --config-settings, which pips older than 23.1 also
# know (they lack its short form -C).
pip_install() {
    local python=$1
    shift
    "$python" -m pip install --quiet --disable-pip-version-check "$@"
}

# interpreter_tag PYTHON: names the directories that belong to one interpreter,
# e.g. py3.11-1a2b3c4d: its version (with its ABI flags: py3.14d- for a debug
# build), then a hash of the interpreter itself, so
# that python3, python3.11 and python of one installation share one tag. The
# executable is resolved through its symbolic links; as a virtual
# environment's python is often a link to its base interpreter, the hash also
# takes sys.prefix, which tells the environment from its base. On a machine
# other than x86_64 the tag names the machine too (py3.11-aarch64-1a2b3c4d),
# as a Debian root of another architecture (scripts/foreign-root) has its
# interpreter at the very path the host's has.
interpreter_tag() {
    "$1" -c 'import hashlib, os, platform, sys
key = "%s\0%s" % (os.path.realpath(sys.executable), os.path.realpath(sys.prefix))
machine = platform.machine()
key += "" if machine == "x86_64" else "\0" + machine
print("py%d.%d%s-%s%s" % (*sys.version_info[:2], sys.abiflags, "" if machine == "x86_64" else machine + "-",
                          hashlib.sha1(key.encode()).hexdigest()[:8]))'
}

# requirements PYTHON GROUP: the packages of pyproject.toml's build-system
# ("build") or of one optional-dependency group ("test"), one per line.
requirements() {
    "$1" - "$root/pyproject.toml" "$2" <<'EOF'
import sys, tomllib
with open(sys.argv[1], "rb") as file:
    project = tomllib.load(file)
group = sys.argv[2]
packages = (project["build-system"]["requires"] if group == "build"
            else project["project"]["optional-dependencies"][group])
print("\n".join(packages))
EOF
}

# debian_python_part PYTHON PART: makes sure that Debian's own interpreter has
# a part that Debian ships in a package of its own: "venv" (ensurepip, without
# which `python -m venv` fails: python3.X-venv) or "dev" (the headers and
# library that the build needs: python3.X-dev, or python3.X-dbg for the debug
# interpreter). When the part is missing, root installs the package with
# apt-get, saying so in one line; anybody else (or QUORRA_NO_APT=1) gets one
# line naming the package, and the script fails. An interpreter that no Debian
# package holds is left alone: its own installation brings both parts.
debian_python_part() {
    local python=$1 part=$2 check
    case "$part" in
        venv) check='import ensurepip' ;;
        dev) check='import os, sys, sysconfig
sys.exit(not os.path.isfile(os.path.join(sysconfig.get_path("include"), "Python.h")))' ;;
        *) die "debian_python_part: no part '$part'" ;;
    esac
    "$python" -c "$check" 2>/dev/null && return 0
    local executable package
    executable=$("$python" -c 'import os, sys; print(os.path.realpath(sys.executable))')
    command -v dpkg >/dev/null 2>&1 && dpkg -S "$executable" >/dev/null 2>&1 || return 0
    package=$("$python" -c 'import sys
debug = hasattr(sys, "gettotalrefcount")
print("python%d.%d-%s" % (*sys.version_info[:2], "dbg" if debug and sys.argv[1] == "dev" else sys.argv[1]))' "$part")
    if [ "$(id -u)" -ne 0 ] || [ "${QUORRA_NO_APT:-}" = 1 ] || ! command -v apt-get >/dev/null 2>&1; then
        die "$executable lacks its $part part: install Debian's $package (apt-get install $package)"
    fi
    echo "== installing $package with apt-get: $executable lacks its $part part"
    local output
    output=$({ apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package"; } 2>&1) ||
        { echo "$output" >&2; die "apt-get could not install $package"; }
    "$python" -c "$check" || die "$package is installed, yet $executable still lacks its $part part"
}

# new_venv PYTHON DIR: creates a fresh virtual environment in DIR, with a pip
# that understands --config-settings (22.1 and later).
new_venv() {
    debian_python_part "$1" venv
    rm -rf "$2"
    "$1" -m venv "$2" ||
        die "cannot create a virtual environment with $1 (on Debian: apt-get install python3-venv)"
    if ! "$2/bin/python" -c 'import sys, pip; sys.exit(tuple(map(int, pip.__version__.split(".")[:2])) < (22, 1))'; then
        pip_install "$2/bin/python" --upgrade "pip>=22.1"
    fi
}

# use_venv PYTHON: sets VENV_PYTHON and VENV_BIN to a virtual environment for
# that interpreter holding the build and test dependencies: the interpreter's
# own environment when it runs in one, else build/venv/<tag>, made on first use.
# Sets TAG to the interpreter's tag.
use_venv() {
    local python=$1
    command -v "$python" >/dev/null 2>&1 || die "no Python interpreter '$python' (set PYTHON)"
    local version
    version=$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])' 2>&1) ||
        die "cannot run $python: $version"
    "$python" -c 'import sys; sys.exit(sys.version_info < (3, 11))' ||
        die "$python is Python $version; veltrane needs 3.11 or later"
    TAG=$(interpreter_tag "$python")
    debian_python_part "$python" dev
    if "$python" -c 'import sys; sys.exit(sys.prefix == sys.base_prefix)'; then
        VENV_PYTHON=$("$python" -c 'import sys; print(sys.executable)')
    else
        local dir="$root/build/venv/$TAG"
        [ -x "$dir/bin/python" ] || new_venv "$python" "$dir"
        VENV_PYTHON=$dir/bin/python
    fi
    VENV_BIN=$(dirname "$VENV_PYTHON")
    local listed packages
    listed=$(requirements "$VENV_PYTHON" build && requirements "$VENV_PYTHON" test) ||
        die "cannot read the requirements from $root/pyproject.toml"
    mapfile -t packages <<<"$listed"
    pip_install "$VENV_PYTHON" "${packages[@]}"
    [ -x "$VENV_BIN/cmake" ] && [ -x "$VENV_BIN/ninja" ] ||
        die "the test dependencies in $VENV_BIN provide no cmake or ninja"
}

# install_checkout: builds the checkout (warnings are errors) in
# build/extension/$TAG and installs it into the environment of use_venv.
install_checkout() {
    echo "== installing veltrane"
    pip_install "$VENV_PYTHON" --no-build-isolation --force-reinstall --no-deps \
        --config-settings=build-dir="$root/build/extension/$TAG" \
        --config-settings=cmake.define.QUORRA_WERROR=ON "$root"
}

# local_gtest_prefix: the GoogleTest that scripts/run-tests unpacked into
# build/gtest for a user without root, or nothing when there is none.
local_gtest_prefix() {
    if [ -d "$root/build/gtest/usr" ]; then echo "$root/build/gtest/usr"; fi
}

# cmake_configure BUILD_DIR ARGS...: configures the project with the venv's
# cmake and ninja (and build/gtest's GoogleTest, if there is one), writing the
# output to BUILD_DIR/configure.log; on failure shows its end and names it.
cmake_configure() {
    local build=$1
    shift
    mkdir -p "$build"
    local log="$build/configure.log" gtest
    gtest=$(local_gtest_prefix)
    if ! "$VENV_BIN/cmake" -S "$root" -B "$build" -G Ninja \
        -DCMAKE_MAKE_PROGRAM="$VENV_BIN/ninja" -DPython3_EXECUTABLE="$VENV_PYTHON" \
        ${gtest:+-DCMAKE_PREFIX_PATH="$gtest"} "$@" >"$log" 2>&1; then
        tail -n 25 "$log" >&2
        die "CMake could not configure $build; the whole output is in $log"
    fi
}

# run_cpp_tests BUILD_DIR [CMAKE_ARG...] [-- [NAME=VALUE...] [CTEST_ARG...]]:
# the C++ suite in BUILD_DIR: configures it with cmake_configure and the CMake
# arguments, builds it (-j "$JOBS") and runs its tests with CTest (-j "$JOBS",
# --output-on-failure and the CTest arguments), with the NAME=VALUE settings
# added to CTest's environment.
run_cpp_tests() {
    local build=$1
    shift
    local configure=() environment=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        configure+=("$1")
        shift
    done
    [ $# -eq 0 ] || shift
    while [ $# -gt 0 ] && [[ $1 =~ ^[A-Za-z_][A-Za-z0-9_]*= ]]; do
        environment+=("$1")
        shift
    done
    cmake_configure "$build" ${configure[@]+"${configure[@]}"}
    "$VENV_BIN/cmake" --build "$build" -j "$JOBS"
    env ${environment[@]+"${environment[@]}"} \
        "$VENV_BIN/ctest" --test-dir "$build" --output-on-failure -j "$JOBS" "$@"
}
