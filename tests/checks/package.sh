#!/usr/bin/env bash
# The Debian package's checks, one per call, as CTest runs them:
#   package.sh CHECK BUILD_DIR SOURCE_DIR
# `make` builds the package with cpack and unpacks it (the other checks'
# fixture); the others look at what it made. The configure has found every
# tool they run; one gone since is a failure.
set -euo pipefail
check="$1" build="$2" source="$3"
work="$build/package-check"
app_id=org.example.marel
expected="$(cat "$source/tests/checks/installed-files.txt")"

fail() { echo "FAIL: $*" >&2; exit 1; }
need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is not installed"
    done
}

need dpkg-deb
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
# Another architecture's package (a cross build's) when MAREL_DEB_ARCH names it.
deb="$build/marel_${version}_${MAREL_DEB_ARCH:-$(dpkg --print-architecture)}.deb"

case "$check" in
make)
    need cpack dpkg-shlibdeps file
    rm -rf "$work" "$build"/marel_*.deb
    mkdir -p "$work"
    (cd "$build" && cpack -G DEB) >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log" >&2; fail "cpack -G DEB"; }
    [ -f "$deb" ] || fail "cpack made no $deb"
    dpkg-deb -x "$deb" "$work/unpacked"
    echo "made $deb"
    ;;
files)
    packaged="$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./usr/||' | sort)"
    [ "$packaged" = "$expected" ] || fail "the package holds:
$packaged
expected, under /usr:
$expected"
    echo "$packaged"
    ;;
modes)
    # Folders 0755 and files 0644, the program 0755, all owned by root.
    modes="$(dpkg-deb -c "$deb" | awk '{print $1, $2, $6}')"
    if echo "$modes" | grep -vE '^(drwxr-xr-x root/root \./usr/(.*/)?|-rwxr-xr-x root/root \./usr/bin/marel|-rw-r--r-- root/root \./usr/share/.*)$'; then
        fail "files or folders above have unexpected modes or owners"
    fi
    echo "modes and owners as expected"
    ;;
depends)
    depends="$(dpkg-deb -f "$deb" Depends)"
    echo "Depends: $depends"
    # dpkg-shlibdeps names the libraries the binary links against, with
    # versions where the library's package gives one (libx11-6 gives none).
    for library in 'libc6 (>= ' 'libstdc++6 (>= ' 'libglut3.12 (>= ' 'libglu1-mesa | libglu1' 'libxrandr2 (>= ' \
                   'libxi6 (>= ' 'libx11-6'; do
        [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library"
    done
    ;;
apt)
    need apt-get
    # Every dependency can be met from the archive (a dry run: nothing is installed).
    apt-get -s -o Debug::NoLocking=1 install "$deb" >"$work/apt.log" 2>&1 \
        || { cat "$work/apt.log" >&2; fail "apt cannot install the package"; }
    echo "apt could install it: $(grep -c '^Inst ' "$work/apt.log") package(s) including itself"
    ;;
lintian)
    need lintian
    # Errors and warnings fail; the informational tags are shown.
    status=0
    lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 || status=$?
    grep -v 'running with root privileges' "$work/lintian.log" || true
    [ "$status" -eq 0 ] || fail "lintian reports errors or warnings (status $status)"
    echo "lintian: no errors, no warnings"
    ;;
desktop)
    need desktop-file-validate
    entry="$work/unpacked/usr/share/applications/$app_id.desktop"
    validation="$(desktop-file-validate "$entry" 2>&1)"
    [ -z "$validation" ] || fail "desktop-file-validate: $validation"
    grep -qx "Icon=$app_id" "$entry" || fail "the desktop entry names another icon"
    echo "desktop-file-validate: nothing to say"
    ;;
appstream)
    need appstreamcli
    # The software centres' metainfo: valid down to the pedantic notes (a
    # validation that would fetch the addresses is left out: no network
    # needed), and its id and launchable name the desktop entry installed.
    metainfo="$work/unpacked/usr/share/metainfo/$app_id.metainfo.xml"
    appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.log" 2>&1 \
        || { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
    # Errors, warnings, infos and pedantic notes each start a line with their
    # letter, and none may appear, but one: AppStream before 1.0 (Debian 12's
    # 0.16) does not know the <developer> element, which 1.0 wants instead of
    # the <developer_name> it calls deprecated, and notes it as unknown.
    appstream_version="$(appstreamcli --version | sed -n 's/^AppStream version: //p')"
    notes="$(grep -E '^[EWIP]: ' "$work/appstream.log" || true)"
    if [[ "$appstream_version" == 0.* ]]; then
        notes="$(echo "$notes" | grep -Ev "^I: $app_id:[0-9]+: unknown-tag developer\$" || true)"
    fi
    [ -z "$notes" ] || { cat "$work/appstream.log" >&2; fail "appstreamcli $appstream_version has something to say"; }
    grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
        || fail "the metainfo launches no $app_id.desktop"
    echo "appstreamcli $appstream_version validate --pedantic: nothing to say"
    ;;
man)
    need man
    page="$work/unpacked/usr/share/man/man6/marel.6.gz"
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "man --warnings: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q 'EXIT STATUS' || fail "the manual page does not render"
    echo "man --warnings: nothing to say"
    ;;
*)
    fail "no check called $check"
    ;;
esac
