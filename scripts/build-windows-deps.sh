#!/usr/bin/env bash
# Builds static MinGW-w64 (x86_64) libcurl (Schannel TLS, HTTP/HTTPS only) and
# libzip (zlib only, no crypto) from Debian's source packages, with Debian's
# patches (security fixes included) applied, into a cache folder outside the
# tree, and prints that prefix as the last line of stdout.
#
#   prefix=$(scripts/build-windows-deps.sh | tail -n1)
#
# Cache location: ${TESSARIX_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tessarix}
# The prefix name carries a hash of this script and of the source versions
# (Debian revision included), so editing the script or a Debian update gives a
# fresh build, and an unchanged setup reuses the finished prefix at once.
#
# Prefix layout:
#   include/curl/*.h  lib/libcurl.a  include/zip.h  include/zipconf.h  lib/libzip.a
#   link-flags.txt           libraries a static link needs after -lzip -lcurl
#   compile-definitions.txt  macros the headers need for static linking
#   debian-patches.txt       which Debian patches were applied and which skipped
#
# Runs as root on Debian 12 (installs missing packages, may add deb-src entries).
set -euo pipefail

readonly host_triplet=x86_64-w64-mingw32
readonly mingw_root=/usr/$host_triplet
readonly packages=(mingw-w64 libz-mingw-w64-dev cmake make xz-utils tar gzip patch)
# Only needed when an applied patch changes what curl's configure or library
# makefiles are generated from.
readonly autotools_packages=(autoconf automake libtool)
readonly debsrc_file=/etc/apt/sources.list.d/tessarix-deb-src.sources
# A toolchain or zlib update also gives a fresh prefix.
readonly toolchain_packages=(gcc-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev libz-mingw-w64-dev)

script_path=$(readlink -f "${BASH_SOURCE[0]}")
cache_base=${TESSARIX_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tessarix}
jobs=${TESSARIX_DEPS_JOBS:-2}

log_file=/dev/null
log_shown=0
work_dir=

say() { printf '%s\n' "build-windows-deps: $*" >&2; }

show_log_tail() {
    ((log_shown)) && return 0
    log_shown=1
    if [[ $log_file != /dev/null && -s $log_file ]]; then
        say "last lines of $log_file:"
        tail -n 40 "$log_file" >&2
    fi
}

die() {
    say "error: $*"
    show_log_tail
    exit 1
}

# The temporary build folder goes in every case; a failure not caught by
# die (set -e) still shows the log.
on_exit() {
    local rc=$?
    ((rc == 0)) || show_log_tail
    if [[ -n $work_dir && -d $work_dir ]]; then
        rm -rf -- "$work_dir"
    fi
}
trap on_exit EXIT

# Runs a command with its output going to the log; on failure shows the log tail.
run() {
    printf '\n+ %s\n' "$*" >>"$log_file"
    "$@" >>"$log_file" 2>&1 || die "command failed: $*"
}

is_installed() {
    [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]
}

install_missing_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        is_installed "$pkg" || missing+=("$pkg")
    done
    ((${#missing[@]} == 0)) && return 0
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! apt-get install -y --no-install-recommends "${missing[@]}" >&2; then
        # Package lists may be stale or absent in a fresh container.
        apt-get update >&2
        apt-get install -y --no-install-recommends "${missing[@]}" >&2
    fi
}

has_debsrc_entries() {
    grep -qsE '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list && return 0
    grep -qsE '^Types:.*\bdeb-src\b' /etc/apt/sources.list.d/*.sources && return 0
    return 1
}

# Copies the binary entries of the system's sources as deb-src entries.
add_debsrc_entries() {
    local deb822=/etc/apt/sources.list.d/debian.sources tmp
    tmp=$(mktemp)
    if [[ -s $deb822 ]]; then
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:[^\n]*(^|[ \t])deb([ \t]|\n|$)/ {
                 sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print
             }' "$deb822" >"$tmp"
    elif [[ -s /etc/apt/sources.list ]]; then
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$tmp"
        debsrc_file_list=${debsrc_file%.sources}.list
    fi
    [[ -s $tmp ]] || { rm -f "$tmp"; die "found no deb entries to derive deb-src entries from"; }
    local target=${debsrc_file_list:-$debsrc_file}
    install -m 0644 "$tmp" "$target"
    rm -f "$tmp"
    say "added deb-src entries in $target; running apt-get update"
    apt-get update >&2 || die "apt-get update failed"
}

# Prints the version of a source package named in apt-get's --print-uris output.
dsc_version() {
    local dsc
    dsc=$(awk -v p="$1" '$2 ~ "^" p "_.*\\.dsc$" { print $2; exit }' <<<"$2")
    [[ -n $dsc ]] || return 1
    dsc=${dsc#"$1"_}
    printf '%s\n' "${dsc%.dsc}"
}

# Sets curl_version and libzip_version to what apt-get source would fetch.
# One apt call for both: this runs on every invocation, cached or not.
lookup_source_versions() {
    local uris
    uris=$(apt-get source --only-source --print-uris curl libzip 2>/dev/null) || return 1
    curl_version=$(dsc_version curl "$uris") && libzip_version=$(dsc_version libzip "$uris")
}

# Debian patches left out of the Windows build, one line of reason each. Every
# other entry of a package's quilt series is applied, in order.
skip_reason() {
    case $1/$2 in
    curl/08_enable-zsh.patch)
        echo "Makefile.am: zsh completion for the curl tool, which is not built here" ;;
    curl/build-Divide-mit-krb5-gssapi-link-flags-between-LDFLAGS-a.patch)
        echo "configure.ac: link flags for MIT Kerberos GSS-API, which this build does not use" ;;
    curl/Use-OpenLDAP-specific-functionality.patch)
        echo "configure.ac: OpenLDAP detection; LDAP is disabled here" ;;
    curl/90_gnutls.patch)
        echo "Makefile.am: names the library libcurl-gnutls for Debian's GnuTLS flavour" ;;
    curl/99_nss.patch)
        echo "Makefile.am: names the library libcurl-nss for Debian's NSS flavour" ;;
    *) return 1 ;;
    esac
}

# Prints the paths a patch file creates, changes or deletes, with the first
# $2 components stripped as patch -p does.
patched_paths() {
    local f
    sed -n 's/^\(+++\|---\) \([^[:space:]]*\).*/\2/p' "$1" | while read -r f; do
        [[ $f == /dev/null ]] && continue
        local i
        for ((i = 0; i < $2; i++)); do f=${f#*/}; done
        printf '%s\n' "$f"
    done | sort -u
}

# Whether a path is something configure or the lib/ and include/ makefiles are
# generated from. The release tarball ships them pre-generated and
# AM_MAINTAINER_MODE turns off make's rebuild rules, so a change there would
# otherwise be silently ignored.
is_autotools_input() {
    case $1 in
    configure.ac | acinclude.m4 | m4/* | Makefile.am) return 0 ;;
    lib/*Makefile.am | lib/*Makefile.inc | include/*Makefile.am) return 0 ;;
    *) return 1 ;;
    esac
}

# Applies debian/patches/series of an unpacked source tree in order, as
# dpkg-source does (no fuzz), leaving out what skip_reason names. Regenerates
# the autotools files when an applied patch changed their inputs.
apply_debian_patches() {
    local name=$1 src=$2
    local dir=$src/debian/patches
    local line patch opts level reason path applied=0 skipped=0
    local -a regen_by=()
    if [[ ! -f $dir/series ]]; then
        say "$name: no Debian patch series"
        printf '%s has no patch series\n' "$name" >>"$work_dir/debian-patches.txt"
        return 0
    fi
    while IFS= read -r line || [[ -n $line ]]; do
        line=${line%%#*}
        read -r patch opts <<<"$line" || true
        [[ -n $patch ]] || continue
        case ${opts:-} in
        '') level=1 ;;
        -p[0-9]) level=${opts#-p} ;;
        *) die "$name: unsupported options in series entry: $patch $opts" ;;
        esac
        [[ -f $dir/$patch ]] || die "$name: series names $patch, which is missing"
        if reason=$(skip_reason "$name" "$patch"); then
            [[ $patch != *CVE* ]] || die "$name: refusing to skip security patch $patch"
            printf '%s skipped %s: %s\n' "$name" "$patch" "$reason" >>"$work_dir/debian-patches.txt"
            printf '\nskipped %s: %s\n' "$patch" "$reason" >>"$log_file"
            skipped=$((skipped + 1))
            continue
        fi
        run patch -d "$src" -p"$level" --forward --batch --fuzz=0 --remove-empty-files \
            --no-backup-if-mismatch --reject-file=- -i "$dir/$patch" </dev/null
        printf '%s applied %s\n' "$name" "$patch" >>"$work_dir/debian-patches.txt"
        applied=$((applied + 1))
        while IFS= read -r path; do
            if is_autotools_input "$path"; then
                regen_by+=("$patch")
                break
            fi
        done < <(patched_paths "$dir/$patch" "$level")
    done <"$dir/series"
    say "$name: applied $applied Debian patches, skipped $skipped (see debian-patches.txt)"

    if ((${#regen_by[@]} > 0)) && [[ -f $src/configure.ac ]]; then
        say "$name: autotools inputs changed by ${regen_by[*]}; running autoreconf"
        install_missing_packages "${autotools_packages[@]}"
        run env -C "$src" autoreconf -fi
    fi
}

# Downloads the source package, unpacks its upstream tarball and Debian's
# packaging next to it, and applies Debian's patches.
fetch_source() {
    local name=$1 version=$2 dest=$3 orig debian
    local dl=$work_dir/download-$name
    mkdir -p "$dl"
    run env -C "$dl" apt-get source --download-only --only-source "$name=$version"
    # The orig tarball may come with a detached signature (.orig.tar.gz.asc).
    orig=$(find "$dl" -maxdepth 1 -name "${name}_*.orig.tar.*" ! -name '*.asc' -print -quit)
    [[ -n $orig ]] || die "no orig tarball for $name $version"
    debian=$(find "$dl" -maxdepth 1 -name "${name}_*.debian.tar.*" -print -quit)
    [[ -n $debian ]] || die "no debian tarball for $name $version"
    mkdir -p "$dest"
    run tar -xf "$orig" -C "$dest" --strip-components=1
    run tar -xf "$debian" -C "$dest"
    say "$name $version: $(basename "$orig") + $(basename "$debian")"
    apply_debian_patches "$name" "$dest"
}

build_curl() {
    local src=$1 prefix=$2 stage=$3
    local disabled=(ftp file ldap ldaps rtsp dict telnet tftp pop3 imap smb smtp gopher mqtt)
    local flags=()
    local p
    for p in "${disabled[@]}"; do flags+=("--disable-$p"); done
    say "configuring curl"
    # Win32 threads for the resolver (not winpthreads), so no -lpthread and no
    # extra runtime. No CA bundle path: Schannel uses the Windows store, and
    # the launcher passes its own CA in memory.
    run env -C "$src" ./configure \
        --host="$host_triplet" --build="$(uname -m)-pc-linux-gnu" \
        --prefix="$prefix" \
        --disable-shared --enable-static \
        --with-schannel \
        --without-zlib --without-brotli --without-zstd --without-nghttp2 \
        --without-libidn2 --without-libpsl --without-librtmp --without-libssh2 \
        --without-libgsasl \
        --without-ca-bundle --without-ca-path \
        --enable-threaded-resolver --disable-pthreads \
        --disable-manual --disable-dependency-tracking \
        "${flags[@]}" \
        CC="$host_triplet-gcc" CFLAGS="-O2" CPPFLAGS= LDFLAGS= LIBS=
    say "building libcurl"
    run make -C "$src/lib" -j"$jobs"
    run make -C "$src/lib" install DESTDIR="$stage"
    run make -C "$src/include" install DESTDIR="$stage"
    # The top-level install is skipped (it would build the tool), so the
    # pkg-config file, which carries the static link libraries, is copied here.
    run install -D -m 0644 "$src/libcurl.pc" "$stage$prefix/lib/pkgconfig/libcurl.pc"
    rm -f -- "$stage$prefix/lib/libcurl.la"
}

build_libzip() {
    local src=$1 prefix=$2 stage=$3 build=$work_dir/libzip-build
    local toolchain=$work_dir/mingw-w64-x86_64.cmake
    cat >"$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $host_triplet-gcc)
set(CMAKE_CXX_COMPILER $host_triplet-g++)
set(CMAKE_RC_COMPILER $host_triplet-windres)
set(CMAKE_FIND_ROOT_PATH $mingw_root)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
    say "configuring libzip"
    # zlib is named as the static archive: FindZLIB would otherwise prefer the
    # import library, which makes the program need zlib1.dll.
    # ENABLE_ZSTD is unknown to older libzip releases and ignored there.
    run cmake -S "$src" -B "$build" -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR=lib \
        -DBUILD_SHARED_LIBS=OFF \
        -DZLIB_INCLUDE_DIR="$mingw_root/include" \
        -DZLIB_LIBRARY="$mingw_root/lib/libz.a" \
        -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
        -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF \
        -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
        -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
    say "building libzip"
    run cmake --build "$build" -j "$jobs"
    run env DESTDIR="$stage" cmake --install "$build"
    # Its CMake package needs a ZLIB::ZLIB target it does not create itself;
    # consumers use link-flags.txt instead.
    rm -rf -- "$stage$prefix/lib/cmake/libzip"
    rmdir --ignore-fail-on-non-empty -- "$stage$prefix/lib/cmake"
}

# Reads Libs.private of a pkg-config file as plain -l flags.
private_libs() {
    sed -n 's/^Libs\.private:[[:space:]]*//p' "$1" | tr ' ' '\n' | grep -E '^-l' || true
}

write_link_files() {
    local root=$1 flag
    local -a seen=()
    # libzip first: static archives must precede what they use.
    for flag in $(private_libs "$root/lib/pkgconfig/libzip.pc") -lz \
        $(private_libs "$root/lib/pkgconfig/libcurl.pc"); do
        # -l:libz.a pins the static zlib even in a link without -static.
        [[ $flag == -lz ]] && flag=-l:libz.a
        [[ " ${seen[*]-} " == *" $flag "* ]] || seen+=("$flag")
    done
    printf '%s\n' "${seen[*]}" >"$root/link-flags.txt"

    local defs=(CURL_STATICLIB)
    # zip.h marks its functions dllimport on Windows unless ZIP_STATIC is set;
    # a static build's zipconf.h defines it itself, and defining it again on
    # the command line would warn about a redefinition.
    if grep -q 'ZIP_STATIC' "$root/include/zip.h" &&
        ! grep -qE '^#[[:space:]]*define[[:space:]]+ZIP_STATIC' "$root/include/zipconf.h"; then
        defs+=(ZIP_STATIC)
    fi
    printf '%s\n' "${defs[*]}" >"$root/compile-definitions.txt"
}

# Links a small program against the staged prefix so a prefix that cannot be
# used is never stamped complete.
check_static_link() {
    local root=$1 words=() defs=() links=() d
    read -ra words <"$root/compile-definitions.txt"
    for d in "${words[@]}"; do defs+=("-D$d"); done
    read -ra links <"$root/link-flags.txt"
    cat >"$work_dir/linkcheck.c" <<'EOF'
#include <curl/curl.h>
#include <zip.h>
int main(void) {
    CURL *c = curl_easy_init();
    zip_t *z = zip_open("none.zip", ZIP_RDONLY, NULL);
    curl_easy_cleanup(c);
    if (z) zip_close(z);
    return 0;
}
EOF
    run "$host_triplet-gcc" -static "${defs[@]}" -I"$root/include" \
        "$work_dir/linkcheck.c" -o "$work_dir/linkcheck.exe" \
        -L"$root/lib" -lzip -lcurl "${links[@]}"
    local dlls
    dlls=$("$host_triplet-objdump" -p "$work_dir/linkcheck.exe" | sed -n 's/.*DLL Name: //p' | tr '\n' ' ')
    printf '\nlink check imports: %s\n' "$dlls" >>"$log_file"
    if grep -qiE 'zlib|libcurl|libzip|winpthread|libgcc' <<<"$dlls"; then
        die "static link check imports non-system DLLs: $dlls"
    fi
}

main() {
    install_missing_packages "${packages[@]}"
    mkdir -p "$cache_base"

    curl_version='' libzip_version=''
    if ! has_debsrc_entries; then
        add_debsrc_entries
    fi
    if ! lookup_source_versions; then
        # deb-src entries exist but their lists were never fetched.
        say "source package lists missing; running apt-get update"
        apt-get update >&2 || die "apt-get update failed"
        lookup_source_versions || die "apt finds no source packages curl and libzip"
    fi

    local key prefix
    key=$({
        sha256sum <"$script_path"
        printf 'curl %s\nlibzip %s\n' "$curl_version" "$libzip_version"
        dpkg-query -W -f='${Package} ${Version}\n' "${toolchain_packages[@]}" 2>/dev/null || true
    } | sha256sum | cut -c1-12)
    prefix=$cache_base/mingw64-deps-$key
    local stamp=$prefix/.complete

    exec 9>"$cache_base/.lock-$key"
    flock 9
    if [[ -f $stamp ]]; then
        say "up to date: $prefix"
        printf '%s\n' "$prefix"
        return 0
    fi

    # Leftovers of an interrupted run of this key; the lock keeps a running one safe.
    rm -rf -- "$cache_base/.work-$key".*
    log_file=$cache_base/build-$key.log
    : >"$log_file"
    say "building curl $curl_version and libzip $libzip_version into $prefix (log: $log_file)"
    work_dir=$(mktemp -d "$cache_base/.work-$key.XXXXXX")
    local stage=$work_dir/stage
    local started=$SECONDS
    : >"$work_dir/debian-patches.txt"

    fetch_source curl "$curl_version" "$work_dir/curl"
    fetch_source libzip "$libzip_version" "$work_dir/libzip"
    build_curl "$work_dir/curl" "$prefix" "$stage"
    build_libzip "$work_dir/libzip" "$prefix" "$stage"

    local root=$stage$prefix
    for f in include/curl/curl.h lib/libcurl.a include/zip.h include/zipconf.h lib/libzip.a; do
        [[ -f $root/$f ]] || die "install produced no $f"
    done
    write_link_files "$root"
    check_static_link "$root"
    install -m 0644 "$work_dir/debian-patches.txt" "$root/debian-patches.txt"
    printf 'curl %s\nlibzip %s\nscript %s\n' "$curl_version" "$libzip_version" \
        "$(sha256sum <"$script_path" | cut -d' ' -f1)" >"$root/versions.txt"

    rm -rf -- "$prefix"
    mv -- "$root" "$prefix"
    : >"$stamp"
    say "done in $((SECONDS - started)) s: $prefix"
    printf '%s\n' "$prefix"
}

main "$@"
