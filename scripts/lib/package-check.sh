# Builds the Debian package, checks what it holds, installs it, runs the installed tool and
# removes it again. Sourced by scripts/test after common.sh.
# shellcheck shell=bash

package_round_trip() {
    local deb=build/release/tandrel_1.0.0.1_amd64.deb
    cmake --preset release >/dev/null
    cmake --build --preset release -j "$(jobs_count)"
    (cd build/release && cpack -G DEB >/dev/null)
    [ -f "$deb" ] || { echo "package: $deb was not built" >&2; return 1; }

    local files expected missing=0
    files=$(dpkg-deb -c "$deb" | awk '{print $6}')
    for expected in \
        ./usr/bin/tandrel ./usr/bin/tandrel-cli \
        ./usr/lib/udev/rules.d/70-tandrel.rules \
        ./usr/share/applications/io.tandrel.Tandrel.desktop \
        ./usr/share/metainfo/io.tandrel.Tandrel.metainfo.xml \
        ./usr/share/icons/hicolor/scalable/apps/io.tandrel.Tandrel.svg \
        ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,256x256}/apps/io.tandrel.Tandrel.png; do
        if ! grep -qxF "$expected" <<<"$files"; then
            echo "package: $expected is missing" >&2
            missing=1
        fi
    done
    if grep -E 'tandrel-demo|tandrel-screenshot|Set\.xml' <<<"$files"; then
        echo "package: holds files meant for development only" >&2
        missing=1
    fi
    [ "$missing" -eq 0 ] || return 1
    dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 ||
        { echo "package: dependencies were not computed from the binaries" >&2; return 1; }

    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq "./$deb" >/dev/null
    local version status=0
    version=$(/usr/bin/tandrel-cli --version)
    /usr/bin/tandrel-cli status >/dev/null 2>&1 || status=$?
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 remove -y -qq tandrel >/dev/null
    [ "$version" = "1.0.0.1" ] || { echo "package: installed version is '$version'" >&2; return 1; }
    [ "$status" -eq 3 ] || { echo "package: status without a receiver exited $status, not 3" >&2; return 1; }
    [ ! -e /usr/bin/tandrel-cli ] || { echo "package: removal left /usr/bin/tandrel-cli" >&2; return 1; }
    echo "package: $deb built, installed, ran and removed"
}
