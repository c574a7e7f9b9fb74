#!/usr/bin/env bash
# Installs a build into scratch roots, once with `cmake --install --prefix` and once by
# unpacking the Debian package CPack makes of it, and runs the installed programs there: their
# files are in place, they run away from the build folder, the manual pages render without a
# warning, and the package declares the libraries it needs. The package's maintainer scripts
# then run in its scratch root (DPKG_ROOT, as `dpkg --root` runs them): the store they make is
# the one the settings name, operators of the group tavix store readings in it, an upgrade
# keeps it and a purge removes it; the forwarding timer's units are installed and well formed.
# Needs root, to give files to the group.
#   install_and_package.sh BUILD_DIR VERSION
set -euo pipefail

build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

check_installed() {
    local prefix=$1
    for file in bin/tavix bin/tavix-admin share/man/man1/tavix.1.gz \
        share/man/man1/tavix-admin.1.gz; do
        [ -f "$prefix/$file" ] || fail "$prefix/$file is not installed"
    done
    [ -x "$prefix/bin/tavix-session" ] && sh -n "$prefix/bin/tavix-session" ||
        fail "$prefix/bin/tavix-session is not installed as a program"
    local shown
    # No terminal here: --version answers before the program would look for one.
    shown=$("$prefix/bin/tavix" --version </dev/null) || fail "$prefix/bin/tavix --version failed"
    [ "$shown" = "tavix $version" ] || fail "tavix --version says '$shown'"
    shown=$("$prefix/bin/tavix-admin" --version) || fail "$prefix/bin/tavix-admin --version failed"
    [ "$shown" = "tavix-admin $version" ] || fail "tavix-admin --version says '$shown'"
    local store="$scratch/store-$RANDOM.mdb"
    "$prefix/bin/tavix-admin" init "$store" >/dev/null || fail "the installed init failed"
    shown=$("$prefix/bin/tavix-admin" check "$store") || fail "the installed check failed"
    [ "$shown" = "ok" ] || fail "the installed check says '$shown'"
    for page in tavix tavix-admin; do
        local warnings
        warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "man -l $page.1.gz warns: $warnings"
    done
}

[ "$(id -u)" -eq 0 ] || fail "run as root: the maintainer scripts give files to a group"
chmod 755 "$scratch"  # for the operators below
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
check_installed "$scratch/prefix"
! grep -q '^/etc/' "$build/install_manifest.txt" || fail "cmake --install writes into /etc"

(cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" \
    >/dev/null) || fail "cpack failed"
deb=$(ls "$scratch"/package/tavix_"$version"_*.deb) || fail "no package tavix_${version}_*.deb"
[ "$(dpkg-deb -f "$deb" Recommends)" = tmux ] || fail "the package does not recommend tmux"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsqlite3-0 libncursesw6 libpq5 libstdc++6; do
    [[ "$depends" == *"$library"* ]] || fail "the package does not depend on $library: $depends"
done
description=$(dpkg-deb -f "$deb" Description)
for word in PostgreSQL copies /var/lib/tavix; do
    [[ "$description" == *"$word"* ]] || fail "the description does not say $word: $description"
done
dpkg -x "$deb" "$scratch/root"
check_installed "$scratch/root/usr"
dpkg-deb -e "$deb" "$scratch/control"
[ "$(cat "$scratch/control/conffiles")" = /etc/tavix/tavix.conf ] || fail "no conffile"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/' \
    "$scratch/root/usr/share/doc/tavix/copyright" || fail "no machine-readable copyright"
grep -qx 'spool = /var/lib/tavix/spool.mdb' "$scratch/root/etc/tavix/tavix.conf" &&
    grep -q '^# forward = postgresql://' "$scratch/root/etc/tavix/tavix.conf" ||
    fail "the settings name no spool, or no forward to uncomment"

# The forwarding units: systemd is no build dependency, so their content is checked here: each
# line blank, a comment, a section or a setting, and the settings that make them work.
units=$scratch/root/usr/lib/systemd/system
! grep -Evx '|#.*|\[(Unit|Service|Timer|Install)\]|[A-Z][A-Za-z]+=.+' "$units"/tavix-forward@.* ||
    fail "the forwarding units hold lines that are no unit lines"
for line in 'Type=oneshot' 'ExecStart=/usr/bin/tavix-admin forward %f' 'SupplementaryGroups=tavix' \
    'ReadWritePaths=/var/lib/tavix'; do
    grep -qx "$line" "$units/tavix-forward@.service" || fail "the service does not say $line"
done
grep -qx 'WantedBy=timers.target' "$units/tavix-forward@.timer" &&
    grep -qx 'OnUnitActiveSec=1min' "$units/tavix-forward@.timer" || fail "the timer runs nothing"
! grep -q 'systemd' "$build/install_manifest.txt" || fail "cmake --install installs the units"

root=$scratch/root
store=$root/var/lib/tavix/tavix.mdb
admin=$root/usr/bin/tavix-admin
cp /etc/group /etc/gshadow "$root/etc/"
DPKG_ROOT=$root "$scratch/control/postinst" configure "" || fail "postinst failed"
gid=$(awk -F: '$1 == "tavix" { print $3 }' "$root/etc/group")
[ -n "$gid" ] || fail "postinst made no group tavix"
[ "$(stat -c '%a %u %g' "$root/var/lib/tavix" "$store")" = "2775 0 $gid
664 0 $gid" ] || fail "the store's folder and file: $(stat -c '%n %a %u %g' "$root/var/lib/tavix" "$store")"

# Two operators of the group with umask 077: while one holds the store open (its -wal and
# -shm made), the other stores readings through it.
operator() { setpriv --reuid="$1" --regid=65534 --groups="$gid" --inh-caps=-all "${@:2}"; }
mkdir -m 1777 "$scratch/shared"  # the operators read the source's WAL there
source=$scratch/shared/source.mdb
"$admin" init "$source" >/dev/null && sqlite3 "$source" \
    "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES ('A', 1, '3', NULL), ('B', 2, '3', NULL)"
chmod 644 "$source"
(echo 'SELECT count(*) FROM Readings;'; sleep 3) | operator 65534 sh -c "umask 077; sqlite3 '$store'" >/dev/null &
holder=$!
for _ in $(seq 50); do [ -e "$store-shm" ] && break; sleep 0.1; done
[ "$(stat -c '%a %g' "$store-wal" "$store-shm")" = "664 $gid
664 $gid" ] || fail "the operator's -wal and -shm: $(stat -c '%n %a %g' "$store"-*)"
operator 65533 sh -c "umask 077; '$admin' copy '$source' '$store'" >/dev/null ||
    fail "an operator of the group cannot store readings"
wait "$holder"
[ "$(stat -c '%a %g' "$store-writers")" = "664 $gid" ] ||
    fail "the writers' queue beside the store: $(stat -c '%n %a %g' "$store-writers")"

# The settings name that store: rooted here, tavix-admin finds it through them.
sed "s|^database = /|database = $root/|" "$root/etc/tavix/tavix.conf" >"$scratch/rooted.conf"
readings() { TAVIX_CONFIG=$scratch/rooted.conf TAVIX_DATABASE='' "$admin" stats | head -1; }
[ "$(readings)" = "readings: 2" ] || fail "the settings lead elsewhere: $(readings)"
DPKG_ROOT=$root "$scratch/control/postrm" upgrade "$version" || fail "postrm upgrade failed"
DPKG_ROOT=$root "$scratch/control/postinst" configure "$version" || fail "postinst failed again"
[ "$(readings)" = "readings: 2" ] || fail "an upgrade lost the readings: $(readings)"
DPKG_ROOT=$root "$scratch/control/postrm" remove || fail "postrm remove failed"
[ -f "$store" ] || fail "removing the package removed the store"
DPKG_ROOT=$root "$scratch/control/postrm" purge || fail "postrm purge failed"
[ ! -e "$root/var/lib/tavix" ] || fail "purging the package left the store"
echo "installed, packaged and run: $deb"
