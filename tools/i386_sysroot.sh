#!/bin/sh
# Lays out the i386 libraries the project builds against (OpenCV's modules,
# liblog and everything they need) in one folder, for the toolchain file
# cmake/toolchains/i386-linux-gnu.cmake.
#
#   tools/i386_sysroot.sh [DIR]      DIR defaults to build-i386/i386-root
#
# The i386 OpenCV packages cannot be installed beside the amd64 ones (their
# dependencies are not multi-arch), so they are never installed: apt runs on
# a private state in .deps/i386/ that sees i386 as the only architecture and
# nothing installed, only downloads, and dpkg-deb unpacks the files into DIR.
# The C and C++ runtimes and the kernel headers are left out: the host's
# multilib compilers and its kernel headers serve 32-bit builds too, and
# mixing two copies would break linking.  The compilers come from
# g++-12-multilib, not g++-multilib, which conflicts with the ARM cross
# compilers and only adds a link to the kernel's asm/ headers; the folder
# carries that link instead.
# Downloads are kept in .deps/i386/ and reused while the package set is the
# same; DIR is unpacked again only when that set changes.
set -eu
cd "$(dirname "$0")/.."

root=$(realpath -m "${1:-build-i386/i386-root}")
packages="libopencv-core-dev libopencv-imgproc-dev libopencv-videoio-dev libopencv-imgcodecs-dev
  android-liblog-dev"
multilib_provided="libc6 libc6-dev libgcc-s1 libstdc++6 gcc-12-base linux-libc-dev"

as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"

if ! dpkg-query -W -f='${Status}\n' g++-12-multilib 2>/dev/null | grep -q '^install ok installed$'; then
  echo "installing: g++-12-multilib"
  $as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends g++-12-multilib
fi

state=$(realpath -m .deps/i386)
archives=$state/cache/archives
request=$(echo $packages)
mkdir -p "$state/lists/partial" "$archives/partial"
[ -e "$state/status" ] || : > "$state/status"
cat > "$state/apt.conf" <<EOF
APT::Architecture "i386";
APT::Architectures { "i386"; };
Dir::State "$state";
Dir::State::status "$state/status";
Dir::Cache "$state/cache";
Dir::Cache::archives "$archives";
APT::Sandbox::User "root";
EOF

private_apt() {
  APT_CONFIG="$state/apt.conf" apt-get -qq "$@"
}

# The .deb files that make up the current set, as apt names them in its cache.
package_files() {
  private_apt -s install --no-install-recommends $packages |
    sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) [^[]*\[\([^]]*\)\].*/\1_\2_\3.deb/p' | sed 's/:/%3a/'
}

cached() {
  [ -s "$state/files" ] && [ "$(cat "$state/request" 2>/dev/null)" = "$request" ] || return 1
  while read -r file; do
    [ -e "$archives/$file" ] || return 1
  done < "$state/files"
}

if cached; then
  echo "i386 packages: cached in $state"
else
  echo "i386 packages: downloading into $state"
  private_apt update
  package_files > "$state/files.new"
  private_apt install -y --download-only --no-install-recommends $packages
  mv "$state/files.new" "$state/files"
  echo "$request" > "$state/request"
fi

if cmp -s "$state/files" "$root/.packages"; then
  echo "i386 libraries: up to date in $root"
else
  echo "i386 libraries: unpacking into $root"
  rm -rf "$root"
  mkdir -p "$root"
  while read -r file; do
    case " $multilib_provided " in
      *" ${file%%_*} "*) continue ;;
    esac
    dpkg-deb -x "$archives/$file" "$root"
  done < "$state/files"
  # Absolute links name the files where an installed package would have
  # them; send them to the unpacked copies instead.
  find "$root" -type l | while read -r link; do
    target=$(readlink "$link")
    case "$target" in
      /*) ln -sfn "$root$target" "$link" ;;
    esac
  done
  cp "$state/files" "$root/.packages"
fi

# The kernel's x86 headers serve both widths; the i386 build finds them
# through the folder's multiarch include folder, as a native compiler would.
mkdir -p "$root/usr/include/i386-linux-gnu"
ln -sfn /usr/include/x86_64-linux-gnu/asm "$root/usr/include/i386-linux-gnu/asm"

# Runs an i386 program with the unpacked libraries; static, so that the
# i386 preloads a test sets (the virtual camera) are not offered to it.
runner_source=cmake/toolchains/i386_run.c
if [ ! -x "$root/i386-run" ] || [ "$runner_source" -nt "$root/i386-run" ]; then
  cc -m32 -static -O2 -Wall -Wextra -Werror -idirafter "$root/usr/include/i386-linux-gnu" \
    -o "$root/i386-run" "$runner_source"
fi
