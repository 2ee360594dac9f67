# Provisions the real-kernel test's guest once per machine: Debian's current kernel, the modules
# the guest loads (with their load order) and busybox, fetched from the Debian archive into a
# cache. Sourced by tests/vm/run after common.sh; like ensure_packages, it only installs.
# shellcheck shell=bash

# Everything the guest needs besides what the host's root already has.
VM_GUEST_MODULES=(dummy_hcd libcomposite usb_f_hid usbhid hid_generic usbmon
    virtio_pci 9pnet_virtio 9p overlay)

# The kernel package that linux-image-amd64 currently stands for; reads apt's lists, which
# a fresh machine may not have yet.
kernel_package() {
    { apt-cache depends linux-image-amd64 2>/dev/null || true; } |
        awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ && !found++ { print $2 }'
}

# A cache is ready when it holds the modules the guest now needs; it names them in its ready file.
vm_cache_ready() { [ "$(cat "$1/ready" 2>/dev/null)" = "${VM_GUEST_MODULES[*]}" ]; }

# prepare_vm_cache CACHE: fills CACHE unless it is ready, staging in CACHE.partial.PID; on failure
# says why and returns 1.
prepare_vm_cache() {
    local CACHE=$1
    vm_cache_ready "$CACHE" && return 0
    # Each run unpacks into a folder of its own, so that two runs at once cannot mix files; the
    # caller removes it should the run end early.
    local STAGING=$CACHE.partial.$$
    local package version vmlinuz offset
    package=$(kernel_package)
    if [ -z "$package" ]; then
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
            { echo "vm: cannot reach the Debian archive (apt-get update failed); the VM stage needs it once to fetch its kernel" >&2 && return 1; }
        package=$(kernel_package)
        [ -n "$package" ] ||
            { echo "vm: the Debian archive lists no kernel package for linux-image-amd64" >&2 && return 1; }
    fi
    rm -rf "$STAGING"
    mkdir -p "$STAGING/download" "$STAGING/unpacked" "$STAGING/modules"
    echo "vm: fetching $package and busybox-static from the Debian archive"
    # As root, apt's download sandbox user could not write to a root-owned folder.
    (cd "$STAGING/download" && apt-get download -qq -o APT::Sandbox::User=root \
        "$package" busybox-static) ||
        { echo "vm: cannot download $package or busybox-static from the Debian archive; the VM stage needs the archive on its first run on a machine" >&2 && return 1; }
    # Only the folders that hold the guest's modules and all they depend on are unpacked. Debian
    # 13's kernel keeps them under /usr/lib, Debian 12's under /lib; they end up under lib/.
    local lib=./lib
    # grep reads to the end: a pipe closed early would fail the pipeline.
    dpkg-deb -c "$STAGING"/download/linux-image-*.deb | grep ' \./usr/lib/modules/' >/dev/null && lib=./usr/lib
    dpkg-deb --fsys-tarfile "$STAGING"/download/linux-image-*.deb |
        tar -x -C "$STAGING/unpacked" --wildcards './boot/vmlinuz-*' "$lib/modules/*/modules.*" \
            "$lib/modules/*/kernel/"{drivers/usb,drivers/hid,drivers/virtio,net/9p,fs}'/*'
    if [ "$lib" != ./lib ]; then
        mkdir -p "$STAGING/unpacked/lib" && mv "$STAGING/unpacked/$lib/modules" "$STAGING/unpacked/lib/"
    fi
    dpkg-deb -x "$STAGING"/download/busybox-static_*.deb "$STAGING/unpacked"
    version=$(basename "$STAGING"/unpacked/lib/modules/*)
    depmod -b "$STAGING/unpacked" "$version"
    # modprobe repeats shared dependencies; each module is loaded once, at its first mention.
    modprobe -d "$STAGING/unpacked" -S "$version" --show-depends -a "${VM_GUEST_MODULES[@]}" |
        awk '$1 == "insmod" && !seen[$2]++ { print $2 }' >"$STAGING/download/modules"
    [ -s "$STAGING/download/modules" ] ||
        { echo "vm: modprobe found none of the guest's modules in $package" >&2 && return 1; }
    xargs -a "$STAGING/download/modules" cp -t "$STAGING/modules"
    sed 's,.*/,,' "$STAGING/download/modules" >"$STAGING/modules/load-order"

    # Booting the kernel image itself skips its self-decompression, 3 s under emulation. xz stops
    # at the end of its stream, so tail's broken pipe is expected, not a failure.
    vmlinuz=$(ls "$STAGING"/unpacked/boot/vmlinuz-*)
    offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$vmlinuz" | head -n1 | cut -d: -f1 || true)
    tail -c "+$((${offset:-0} + 1))" "$vmlinuz" 2>/dev/null |
        xz -dc --single-stream >"$STAGING/vmlinux" 2>/dev/null || true
    [ "$(head -c4 "$STAGING/vmlinux")" = $'\x7fELF' ] || cp "$vmlinuz" "$STAGING/vmlinux"
    # busybox-static installs to /usr/bin from Debian 13 on, to /bin before.
    cp "$STAGING/unpacked/bin/busybox" "$STAGING/busybox" 2>/dev/null ||
        cp "$STAGING/unpacked/usr/bin/busybox" "$STAGING/busybox" ||
        { echo "vm: busybox-static holds no busybox" >&2 && return 1; }
    echo "$package" >"$STAGING/kernel-package"

    rm -rf "$STAGING/download" "$STAGING/unpacked"
    echo "${VM_GUEST_MODULES[*]}" >"$STAGING/ready"
    vm_cache_ready "$CACHE" || rm -rf "$CACHE"
    # A run that finished first has already put an equal cache in place; ours then goes.
    mv -T "$STAGING" "$CACHE" 2>/dev/null || true
}

