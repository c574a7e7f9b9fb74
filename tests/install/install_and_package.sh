#!/usr/bin/env bash
# Installs a build into scratch roots, once with `cmake --install --prefix` and once by
# unpacking the Debian package CPack makes of it, and runs the installed programs there: their
# files are in place, they run away from the build folder, the manual pages render without a
# warning, and the package declares the libraries it needs.
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

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
check_installed "$scratch/prefix"

(cd "$scratch" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" \
    >/dev/null) || fail "cpack failed"
deb=$(ls "$scratch"/package/tavix_"$version"_*.deb) || fail "no package tavix_${version}_*.deb"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsqlite3-0 libncursesw6 libpq5 libstdc++6; do
    [[ "$depends" == *"$library"* ]] || fail "the package does not depend on $library: $depends"
done
dpkg -x "$deb" "$scratch/root"
check_installed "$scratch/root/usr"
echo "installed, packaged and run: $deb"
