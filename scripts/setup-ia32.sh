#!/usr/bin/env bash
# Prepares, once, the 32-bit Wine that runs the 32-bit build where the kernel refuses 32-bit
# programs: qemu-user's static qemu-i386 (10 or later, from bookworm-backports: Debian 12's 7.2
# ignores MAP_FIXED_NOREPLACE, which leaves Wine's 32-bit processes a tenth of their address space)
# and Debian's wine32 with every library it needs, unpacked into a folder of the project's own.
# Nothing is installed on the machine: the packages come through a private apt configuration for
# i386 (apt checks the archive's signature and each package's hash as for any install), and are
# unpacked with dpkg-deb. Usage: setup-ia32.sh DIR. DIR then holds
#   apt/       the private apt configuration, its package lists and the downloaded packages
#   sysroot/   the unpacked packages, the root that qemu-i386 -L gives the 32-bit programs
#   bin/wine   the 32-bit Wine loader under qemu-i386 (what wine-loader.sh gives 32-bit programs)
#   ready      the packages the sysroot was made from; present only once it is complete
# A complete DIR made for the installed wine64 is kept as it is. On failure one line on standard
# output says why, DIR/../ia32-failed keeps it for make test's summary, and the exit code is 1.
# PUFFSHELL_APT_GET, PUFFSHELL_DPKG_DEB, PUFFSHELL_DPKG_QUERY and PUFFSHELL_LDCONFIG name the
# programs (tests point them at stand-ins); PUFFSHELL_WINE_DIR the 64-bit Wine (/usr/lib/wine).
set -uo pipefail
dir=${1:?usage: setup-ia32.sh DIR}
apt_get=${PUFFSHELL_APT_GET:-apt-get}
dpkg_deb=${PUFFSHELL_DPKG_DEB:-dpkg-deb}
dpkg_query=${PUFFSHELL_DPKG_QUERY:-dpkg-query}
ldconfig=${PUFFSHELL_LDCONFIG:-ldconfig}
wine_dir=${PUFFSHELL_WINE_DIR:-/usr/lib/wine}
mirror=http://deb.debian.org/debian
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
failed=$(dirname "$dir")/ia32-failed

fail() {
  echo "setup: the 32-bit Wine for qemu-user emulation could not be prepared ($1); the 32-bit build is built and checked but not run here"
  mkdir -p "$(dirname "$failed")" && echo "$1" >"$failed"
  exit 1
}

# The 32-bit Wine must be the installed wine64's version: both talk to one wineserver.
wine_version=$("$dpkg_query" -W -f='${Version}' wine64 2>/dev/null) || wine_version=""
[ -n "$wine_version" ] || fail "wine64 is not installed"
want="wine $wine_version"
if [ -f "$dir/ready" ] && [ "$(head -n 1 "$dir/ready")" = "$want" ] && [ -x "$dir/bin/wine" ]; then
  rm -f "$failed"
  exit 0
fi
echo "setup: this kernel does not run 32-bit programs; preparing 32-bit Wine $wine_version under qemu-user emulation in $dir"

apt=$dir/apt
mkdir -p "$apt/etc/apt.conf.d" "$apt/etc/preferences.d" "$apt/etc/sources.list.d" "$apt/lists/partial" \
  "$apt/archives/partial" "$apt/debs" || fail "cannot make $apt"
: >"$apt/status"
# i386 as apt's own architecture, against an empty package database: every package the 32-bit
# Wine needs is fetched, and amd64 only for qemu-user.
cat >"$apt/etc/sources.list" <<END
deb [arch=i386 signed-by=$keyring] $mirror bookworm main
deb [arch=i386 signed-by=$keyring] $mirror bookworm-updates main
deb [arch=i386 signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
deb [arch=amd64 signed-by=$keyring] $mirror bookworm-backports main
END
cat >"$apt/apt.conf" <<END
Dir::Etc "$apt/etc";
Dir::Etc::SourceList "$apt/etc/sources.list";
Dir::Etc::SourceParts "$apt/etc/sources.list.d";
Dir::Etc::Preferences "$apt/etc/preferences";
Dir::Etc::PreferencesParts "$apt/etc/preferences.d";
Dir::State "$apt";
Dir::State::Lists "$apt/lists";
Dir::State::status "$apt/status";
Dir::Cache "$apt";
Dir::Cache::Archives "$apt/archives";
APT::Architecture "i386";
APT::Architectures { "i386"; "amd64"; };
APT::Install-Recommends "false";
APT::Sandbox::User "root";
END
apt_run() { "$apt_get" -c "$apt/apt.conf" -qq "$@"; }
# apt's error lines in one line, else its last line.
reason_of() { { sed -n 's/^E: //p' "$1" | sed 's/ *\[IP: [^]]*\]//' | head -n 2 | paste -sd ';' -; tail -n 1 "$1"; } | grep -m 1 .; }
log=$apt/log

apt_run update >"$log" 2>&1 || apt_run update >"$log" 2>&1 ||
  fail "apt-get update: $(reason_of "$log")"
packages=("wine32=$wine_version" "libwine=$wine_version" fontconfig)
# The whole list, also of the packages an earlier run downloaded (an empty archive folder).
mkdir -p "$apt/none/partial"
apt_run -o Dir::Cache::Archives="$apt/none" install --print-uris "${packages[@]}" >"$apt/uris" 2>"$log" ||
  fail "apt cannot resolve ${packages[*]}: $(reason_of "$log")"
apt_run install -y --download-only "${packages[@]}" >"$log" 2>&1 ||
  fail "downloading ${packages[*]}: $(reason_of "$log")"
(cd "$apt/debs" && rm -f ./*.deb && "$apt_get" -c "$apt/apt.conf" -qq download qemu-user:amd64/bookworm-backports) \
  >"$log" 2>&1 || fail "downloading qemu-user from bookworm-backports: $(reason_of "$log")"

# The sysroot is made beside the old one and takes its place once complete.
new=$dir/sysroot.new
rm -rf "${new:?}" "$dir/qemu.new"
mkdir -p "$new" "$dir/qemu.new"
debs=$(awk '{ print $2 }' "$apt/uris")
[ -n "$debs" ] || fail "apt listed no package to download"
for deb in $debs; do
  "$dpkg_deb" -x "$apt/archives/$deb" "$new" 2>"$log" || fail "unpacking $deb: $(reason_of "$log")"
done
qemu_deb=$(ls "$apt/debs"/qemu-user_*.deb 2>/dev/null | head -n 1)
[ -n "$qemu_deb" ] || fail "apt-get download gave no qemu-user package"
"$dpkg_deb" -x "$qemu_deb" "$dir/qemu.new" 2>"$log" || fail "unpacking $(basename "$qemu_deb"): $(reason_of "$log")"
qemu=$dir/qemu.new/usr/bin/qemu-i386
[ -x "$qemu" ] || fail "the qemu-user package holds no usr/bin/qemu-i386"

# What the packages' install scripts and triggers would have done: the library cache of the root
# (without it the 32-bit loader reads the machine's 64-bit one and misses FreeType), and
# libwine's zlib1.dll, made from the MinGW zlib as a Wine builtin DLL.
printf 'include /etc/ld.so.conf.d/*.conf\n' >"$new/etc/ld.so.conf"
"$ldconfig" -r "$new" 2>"$log" || fail "ldconfig -r: $(reason_of "$log")"
for arch in i686 x86_64; do
  in=$(ls "$new/usr/$arch-w64-mingw32/lib"/zlib*.dll 2>/dev/null | head -n 1)
  [ -n "$in" ] || fail "libz-mingw-w64 holds no $arch zlib DLL"
  pe=$arch
  [ "$arch" = i686 ] && pe=i386
  { head -c 64 "$in"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$in"; } \
    >"$new/usr/lib/i386-linux-gnu/wine/$pe-windows/$(basename "$in")"
done
# The machine's wine64 beside the 32-bit loader: a 32-bit process starts Wine's 64-bit services
# from its own folder, and the prefix made from here gets its 32-bit system files.
cp "$wine_dir/wine64" "$new/usr/lib/wine/wine64" || fail "cannot copy $wine_dir/wine64"
mkdir -p "$new/usr/lib/x86_64-linux-gnu"
ln -sfn /usr/lib/x86_64-linux-gnu/wine "$new/usr/lib/x86_64-linux-gnu/wine"
# Wine starts each 32-bit child process through the preloader beside its loader; the kernel would
# refuse the loader itself.
cat >"$new/usr/lib/wine/wine-preloader" <<END
#!/bin/sh
export WINELOADERNOEXEC=1 FONTCONFIG_FILE="$dir/fonts/fonts.conf"
exec "$dir/bin/qemu-i386" -L "$dir/sysroot" "\$@"
END
chmod +x "$new/usr/lib/wine/wine-preloader"
# The machine's fonts and font configuration (the IPA fonts the panel's captions are mapped to),
# with a font cache of its own: the 32-bit fontconfig's cache files are not the machine's.
rm -rf "${new:?}/etc/fonts" "${new:?}/usr/share/fonts"
mkdir -p "$dir/fonts" "$dir/fonts/cache"
sed -e "s|<cachedir[^>]*>[^<]*</cachedir>||" \
    -e "s|</fontconfig>|<cachedir>$dir/fonts/cache</cachedir></fontconfig>|" \
    -e 's|<include ignore_missing="yes">conf.d</include>|<include ignore_missing="yes">/etc/fonts/conf.d</include>|' \
    /etc/fonts/fonts.conf >"$dir/fonts/fonts.conf" || fail "cannot read /etc/fonts/fonts.conf"

rm -rf "${dir:?}/sysroot" "${dir:?}/bin"
mv "$new" "$dir/sysroot" && mkdir -p "$dir/bin" && mv "$qemu" "$dir/bin/qemu-i386" && rm -rf "${dir:?}/qemu.new" ||
  fail "cannot move the sysroot into place"
cat >"$dir/bin/wine" <<END
#!/bin/sh
# The 32-bit Wine loader, in qemu-user emulation: it must not execute itself again. Programs run
# several times slower here; tests with a time budget widen it by PUFFSHELL_TIME_SCALE.
export WINELOADERNOEXEC=1 FONTCONFIG_FILE="$dir/fonts/fonts.conf" PUFFSHELL_TIME_SCALE=\${PUFFSHELL_TIME_SCALE:-8}
exec "$dir/bin/qemu-i386" -L "$dir/sysroot" "$dir/sysroot/usr/lib/wine/wine" "\$@"
END
chmod +x "$dir/bin/wine"
FONTCONFIG_FILE="$dir/fonts/fonts.conf" "$dir/bin/qemu-i386" -L "$dir/sysroot" "$dir/sysroot/usr/bin/fc-cache" \
  >"$log" 2>&1 || fail "fc-cache under qemu-i386: $(reason_of "$log")"
# The loader answers --version before it would execute itself again, without a prefix.
version=$("$dir/bin/qemu-i386" -L "$dir/sysroot" "$dir/sysroot/usr/lib/wine/wine" --version 2>"$log") || fail "the 32-bit Wine does not start under qemu-i386: $(reason_of "$log")"
{ echo "$want"; "$dir/bin/qemu-i386" --version | head -n 1; echo "$debs"; } >"$dir/ready"
rm -f "$failed"
echo "setup: $version runs under $(head -n 1 <("$dir/bin/qemu-i386" --version)) from $dir"
exit 0
