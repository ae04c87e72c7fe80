#!/bin/sh
# Runs a test program in a private mount and network namespace with X
# sockets of its own: weston takes the first free X display from :0, and its
# socket there would be one that another test's server is about to make. The
# socket folder /tmp/.X11-unix and the abstract sockets (one set per network
# namespace) are then its own, and gone with it; the lock files stay in the
# shared /tmp, where each server claims its number atomically. (A private /tmp
# would also hide a build or checkout under /tmp.) As root, or else in a user namespace of its own
# (unshare -r), where the kernel allows one; where neither is possible it
# fails and says why.
#   tests/e2e/private_namespace.sh PROGRAM [ARGUMENTS...]
set -eu
if refusal=$(unshare -m -n true 2>&1); then
    namespace="-m -n"
elif unshare -r -m -n true 2>/dev/null; then
    namespace="-r -m -n"
else
    echo "private_namespace.sh: cannot make a private mount and network namespace here ($refusal):" \
         "run as root, or allow unprivileged user namespaces (sysctl kernel.unprivileged_userns_clone=1)" >&2
    exit 1
fi
# unshare makes the new namespace's mounts private, so the tmpfs stays in it.
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
# shellcheck disable=SC2086
exec unshare $namespace sh -c \
    'mount -t tmpfs -o mode=1777 marel-x11 /tmp/.X11-unix && MAREL_PRIVATE_NAMESPACE=1 exec "$@"' \
    private_namespace.sh "$@"
