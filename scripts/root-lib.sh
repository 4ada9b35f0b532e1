# The making, caching and entering of Debian roots, shared by
# scripts/debian-root (Debian unstable, this machine's architecture) and
# scripts/foreign-root (other Debian releases and architectures, run through
# qemu-user); sourced, not run.
#
# The sourcing script sets, before calling root_main "$@":
#   root_tool   its name, for messages (debian-root)
#   suite       the Debian suite (sid, bookworm, ...)
#   arch        the Debian architecture, or "" for this machine's own
#   packages    array: what apt-get installs into the root
#   recipe      bumped when the way the root is made changes
#   root_label  the root's folder in the cache, without the key (debian-root)
#   root_lock   the lock file's name in the cache
# and, when its commands take a first argument (the root's name), puts it in
# root_self_args and root_usage_prefix after sourcing.
#
# run/shell options:
#   --src DIR        the checkout bound at /src, read-write (default: this
#                    script's checkout). The command starts in /src, or in the
#                    matching folder below it when started inside DIR.
#   --bind SRC:DST   bind one more host folder or file at DST (DST must exist
#                    in the root, or be below /mnt, a tmpfs for the run)
#   --bind-ro SRC:DST the same, read-only
#   --env NAME=VALUE set a variable in the command's environment
#
# A command runs as root in a private mount namespace: /proc, a small /dev
# (tmpfs with null, zero, full, random, urandom, tty, a private devpts and
# /dev/shm), a tmpfs /tmp and the binds above exist only for its lifetime, and
# disappear with it however it ends. The host's /dev is never bound.
# Its environment is clean: PATH, HOME=/root, LANG=C.UTF-8, CI and TERM when
# set, the CA bundle variables for pip, and whatever --env adds.
#
# A root is made with debootstrap (installed with apt-get when missing) from
# the same Debian mirror the host's apt uses, in a temporary folder that is
# renamed into place only once complete, so an interrupted build is never
# reused. It is cached in
#   ${VELTRANE_ROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veltrane}/<root_label>-<key>
# where <key> is a hash of the suite, the architecture (for a foreign root)
# and the package list: a second run, from any checkout on this machine,
# reuses it; a changed package list makes a new one. Delete the folder to
# force a rebuild.
#
# Environment: VELTRANE_DEBIAN_MIRROR overrides the mirror.

root_die() {
    echo "$root_tool: $*" >&2
    exit 1
}

root_init() {
    [ "$(id -u)" -eq 0 ] || root_die "needs root (debootstrap, chroot and mount namespaces)"
    script_dir=$(cd "$(dirname "$0")" && pwd)
    checkout=$(cd "$script_dir/.." && pwd)
    self=$script_dir/$(basename "$0")
    home=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
    cache_dir=${VELTRANE_ROOT_CACHE:-${XDG_CACHE_HOME:-$home/.cache}/veltrane}
    # This machine's own roots keep the key they always had.
    key_lines=("recipe=$recipe" "suite=$suite")
    [ -n "$arch" ] && key_lines+=("arch=$arch")
    key=$(printf '%s\n' "${key_lines[@]}" "${packages[@]}" | sha256sum | cut -c1-12)
    root_dir=$cache_dir/$root_label-$key
    ca_bundle=/etc/ssl/certs/ca-certificates.crt
}

# The host's Debian mirror: the first deb URI that serves the main archive
# (not the security archive) in /etc/apt/sources.list or sources.list.d.
host_mirror() {
    local uri
    uri=$(
        {
            grep -h -E '^[[:space:]]*URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null |
                sed -E 's/^[[:space:]]*URIs:[[:space:]]*//' | tr ' ' '\n'
            grep -h -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
                sed -E 's/\[[^]]*\]//' | awk '{print $2}'
        } | grep -E '^https?://[^ ]*/debian/?$' | head -1
    ) || true
    echo "${uri:-http://deb.debian.org/debian}"
}

# Runs "$@" in the root, in the current (already private) mount namespace:
# mounts /proc, a fresh /dev and /tmp, then chroots.
chroot_in_namespace() {
    local r=$1
    shift
    mount -t proc proc "$r/proc"
    mount -t tmpfs -o mode=0755,nosuid dev "$r/dev"
    mknod -m 666 "$r/dev/null" c 1 3
    mknod -m 666 "$r/dev/zero" c 1 5
    mknod -m 666 "$r/dev/full" c 1 7
    mknod -m 666 "$r/dev/random" c 1 8
    mknod -m 666 "$r/dev/urandom" c 1 9
    mknod -m 666 "$r/dev/tty" c 5 0
    mkdir "$r/dev/pts" "$r/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$r/dev/pts"
    ln -s pts/ptmx "$r/dev/ptmx"
    mount -t tmpfs -o mode=1777,nosuid,nodev shm "$r/dev/shm"
    ln -s /proc/self/fd "$r/dev/fd"
    ln -s /proc/self/fd/0 "$r/dev/stdin"
    ln -s /proc/self/fd/1 "$r/dev/stdout"
    ln -s /proc/self/fd/2 "$r/dev/stderr"
    mount -t tmpfs -o mode=1777,nosuid,nodev tmp "$r/tmp"
    if [ -f /etc/resolv.conf ] && [ -f "$r/etc/resolv.conf" ]; then
        mount --bind -o ro "$(readlink -f /etc/resolv.conf)" "$r/etc/resolv.conf"
    fi
    if [ "${bind_host_ca:-1}" = 1 ] && [ -f "$ca_bundle" ] && [ -f "$r$ca_bundle" ]; then
        mount --bind -o ro "$ca_bundle" "$r$ca_bundle"
    fi
    exec chroot "$r" "$@"
}

# The build, run inside a private mount namespace (so that whatever debootstrap
# mounts goes away with it, even when it is interrupted).
build_in_namespace() {
    local tmp=$1 mirror=$2
    local apt_opts=(-o Acquire::Check-Valid-Until=false -o APT::Install-Recommends=false)
    # debootstrap checks the Release file's signature, not its date. For a
    # foreign architecture it runs the second stage through the binfmt_misc
    # handler that foreign-root registered.
    debootstrap --variant=minbase --components=main ${arch:+--arch="$arch"} "$suite" "$tmp" "$mirror"
    cat >"$tmp/etc/apt/apt.conf.d/80veltrane" <<EOT
// A Debian index may be past its Valid-Until date on the mirror.
Acquire::Check-Valid-Until "false";
APT::Install-Recommends "false";
EOT
    echo "deb $mirror $suite main" >"$tmp/etc/apt/sources.list"
    rm -f "$tmp/etc/apt/sources.list.d/"*.sources
    mkdir -p "$tmp/etc/ssl/certs" "$tmp/src" "$tmp/mnt"
    cp "$ca_bundle" "$tmp$ca_bundle"
    # Whatever debootstrap left mounted goes now; chroot_in_namespace mounts afresh.
    umount -R "$tmp/proc" 2>/dev/null || true
    umount -R "$tmp/sys" 2>/dev/null || true
    cp --remove-destination /etc/resolv.conf "$tmp/etc/resolv.conf" 2>/dev/null || true
    (
        bind_host_ca=0 # ca-certificates writes its own bundle there
        chroot_in_namespace "$tmp" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
            DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 sh -ec "
            apt-get ${apt_opts[*]} update
            apt-get ${apt_opts[*]} install -y ${packages[*]}
            apt-get clean
            rm -rf /var/lib/apt/lists/*
        "
    )
    # ca-certificates makes its own bundle; the host's (which pip needs: it may
    # hold a certificate Debian's lacks) is copied over it, and bound over it
    # again at run time, so that a changed host bundle counts.
    cp "$ca_bundle" "$tmp$ca_bundle"
    printf '%s\n' "${key_lines[@]}" "mirror=$mirror" "${packages[@]}" >"$tmp/.veltrane-root"
}

# root_prepare: called before a root is made or entered; a foreign root's
# script redefines it, after sourcing this file, to make its emulator work.
root_prepare() { :; }
root_self_args=()

build() {
    root_prepare
    if [ -f "$root_dir/.veltrane-root" ]; then
        return 0
    fi
    mkdir -p "$cache_dir"
    exec 9>"$cache_dir/$root_lock"
    echo "$root_tool: waiting for the lock on $cache_dir/$root_lock" >&2
    flock 9
    if [ -f "$root_dir/.veltrane-root" ]; then
        exec 9>&-
        return 0
    fi
    if ! command -v debootstrap >/dev/null 2>&1; then
        echo "$root_tool: installing debootstrap" >&2
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    fi
    # Leftovers of interrupted builds of this root: nothing is mounted in them
    # (their mounts lived in namespaces that are gone), so they can be deleted.
    # Other roots' builds, which may be running under their own locks, are
    # left alone. (The folders are not named .building-*, as older copies of
    # debian-root in other checkouts delete every such folder they find.)
    local old
    for old in "$cache_dir"/.making-"$key".*; do
        [ -e "$old" ] && rm -rf --one-file-system "$old"
    done
    local mirror tmp
    mirror=${VELTRANE_DEBIAN_MIRROR:-$(host_mirror)}
    tmp=$(mktemp -d "$cache_dir/.making-$key.XXXXXX")
    chmod 755 "$tmp" # apt downloads as the root's _apt user, who must get in
    echo "$root_tool: making the Debian $suite ${arch:+$arch }root from $mirror in $tmp (takes several minutes${arch:+, longer under emulation})" >&2
    local start=$SECONDS
    if ! unshare --mount --propagation private --fork -- bash "$self" "${root_self_args[@]}" __build "$tmp" "$mirror"; then
        rm -rf --one-file-system "$tmp"
        root_die "making the root failed (see above)"
    fi
    mv -T "$tmp" "$root_dir"
    echo "$root_tool: made $root_dir in $((SECONDS - start))s" >&2
    exec 9>&-
}

run() {
    local src=$checkout
    local binds=() envs=()
    while [ $# -gt 0 ]; do
        case "$1" in
            --src) src=$(cd "$2" && pwd); shift 2 ;;
            --bind) binds+=("$2"); shift 2 ;;
            --bind-ro) binds+=("ro:$2"); shift 2 ;;
            --env) envs+=("$2"); shift 2 ;;
            --) shift; break ;;
            *)
                # The sourcing script's own options, if it has any.
                if declare -F root_run_option >/dev/null && root_run_option "$@"; then
                    shift "$root_run_option_shift"
                    binds+=("${root_run_binds[@]}")
                    envs+=("${root_run_envs[@]}")
                    root_run_binds=() root_run_envs=()
                else
                    root_die "unknown option '$1' (the command goes after --)"
                fi
                ;;
        esac
    done
    [ $# -gt 0 ] || root_die "no command: say $root_tool ${root_usage_prefix:-}run -- COMMAND [ARG...]"
    build
    # The folder inside /src that matches the current one, when inside the checkout.
    local here=$PWD workdir=/src
    case "$here/" in
        "$src"/*) workdir=/src${here#"$src"} ;;
    esac
    local env_vars=(
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
        HOME=/root LANG=C.UTF-8
        SSL_CERT_FILE=$ca_bundle PIP_CERT=$ca_bundle REQUESTS_CA_BUNDLE=$ca_bundle
        PIP_DISABLE_PIP_VERSION_CHECK=1
    )
    [ -n "${CI:-}" ] && env_vars+=("CI=$CI")
    [ -n "${TERM:-}" ] && env_vars+=("TERM=$TERM")
    [ -n "${PIP_DEFAULT_TIMEOUT:-}" ] && env_vars+=("PIP_DEFAULT_TIMEOUT=$PIP_DEFAULT_TIMEOUT")
    env_vars+=("${envs[@]}")
    unshare --mount --propagation private --fork -- bash "$self" "${root_self_args[@]}" __run "$root_dir" "$src" "$workdir" \
        "${#binds[@]}" "${binds[@]}" "${#env_vars[@]}" "${env_vars[@]}" "$@"
}

# Inside the namespace: bind the checkout and the extra binds, then chroot.
run_in_namespace() {
    local r=$1 src=$2 workdir=$3 n i
    shift 3
    mount --bind "$src" "$r/src"
    mount -t tmpfs -o mode=0755 mnt "$r/mnt"
    n=$1
    shift
    for ((i = 0; i < n; i++)); do
        local bind=$1 read_only=0
        shift
        case "$bind" in ro:*) read_only=1 bind=${bind#ro:} ;; esac
        local from=${bind%%:*} to=${bind#*:}
        [ -e "$from" ] || root_die "--bind: no $from on the host"
        case "$to" in
            /mnt/*) if [ -d "$from" ]; then mkdir -p "$r$to"; else mkdir -p "$(dirname "$r$to")"; touch "$r$to"; fi ;;
        esac
        [ -e "$r$to" ] || root_die "--bind: no $to in the root (use a folder below /mnt)"
        mount --bind "$from" "$r$to"
        [ "$read_only" = 0 ] || mount -o remount,bind,ro "$r$to"
    done
    n=$1
    shift
    local env_vars=("${@:1:n}")
    shift "$n"
    chroot_in_namespace "$r" /usr/bin/env -i "${env_vars[@]}" sh -c 'cd "$1" && shift && exec "$@"' sh "$workdir" "$@"
}

# root_main COMMAND ARGS...: the commands every root script has.
root_main() {
    root_init
    local cmd=${1:-}
    [ $# -gt 0 ] && shift
    case "$cmd" in
        build) build; echo "$root_dir" ;;
        path) build; echo "$root_dir" ;;
        run) run "$@" ;;
        shell) run "$@" -- bash -l ;;
        __build) build_in_namespace "$@" ;;
        __run) run_in_namespace "$@" ;;
        *) root_die "say ${root_usage_prefix:-}build, path, run [OPTIONS] -- COMMAND, or shell" ;;
    esac
}
