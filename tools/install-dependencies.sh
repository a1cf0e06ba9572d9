#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12 machine, and
# cross-builds the third-party libraries the mingw targets link against. Idempotent: each step
# checks first, so a second run only prints what it found.
#
# usage: tools/install-dependencies.sh [BUILD_ROOT]   (default: ./build)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build_root=${1:-$here/build}
mkdir -p "$build_root"
build_root=$(cd "$build_root" && pwd)

. "$here/tools/debian-packages.sh"

packages=(
  # native toolchain and test tools
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  googletest libgtest-dev libjpeg-dev
  # Windows cross toolchains (posix thread model: GoogleTest needs std::mutex)
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  # running and driving the Windows programs (debootstrap: the Debian root with Wine 10 below)
  wine wine64 fonts-wine xvfb xdotool x11-utils imagemagick fonts-dejavu-core fonts-wqy-microhei locales
  debootstrap
  # apt-get source for the cross-built libjpeg-turbo
  dpkg-dev
  # recognition service (the model is unpacked with xz) and its benchmarks (wrk; zinnia and its
  # stock model as the peer the model is compared with)
  libboost-dev unicode-data rime-data-wubi wrk xz-utils
  libzinnia-dev tegaki-zinnia-simplified-chinese
  # the model's prior and the association table: word counts of modern Chinese and a tagger's
  # model (jieba), the traditional forms' simplified forms (OpenCC's table, read with its
  # opencc_dict); a second hand's shapes for its training writing (a regular-script font, read
  # with FreeType); modern text that association is measured on (never a table's input)
  python3-jieba opencc fonts-lxgw-wenkai libfreetype-dev fortunes-zh
  # the service behind a load balancer (tests)
  nginx curl
  # artwork generator
  python3 python3-pil
  # release packaging (unzip: the tests unpack the release)
  zip unzip nsis
  # the service's OCI image (buildah), its test (umoci; ip for its private network) and the
  # Kubernetes manifests' check
  buildah umoci iproute2 python3-kubernetes
)

mapfile -t missing < <(missing_packages "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${#missing[@]} Debian packages: ${missing[*]}"
  # Packages that ship a daemon (nginx) would start it on port 80 at once; a policy that
  # denies starts keeps them installed and stopped, where one is not already in place.
  policy=/usr/sbin/policy-rc.d added_policy=
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | as_root tee "$policy" >/dev/null
    as_root chmod 755 "$policy"
    added_policy=1
  fi
  install_packages "${missing[@]}"
  if [ -n "$added_policy" ]; then as_root rm -f "$policy"; fi
else
  say "Debian packages: all ${#packages[@]} present"
fi

# Wine needs a generated zh_CN.UTF-8 locale, or it falls back to code page 1252.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  say "generating the zh_CN.UTF-8 locale"
  as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
else
  say "locale zh_CN.UTF-8: present"
fi

# ---------------------------------------------------------------------------------------------
# Third-party libraries for the mingw targets: no Debian binaries exist for them.
third=${THIRD_PARTY:-$build_root/third_party}
mkdir -p "$third"

enable_deb_src() {
  if apt-get source --print-uris libjpeg-turbo >/dev/null 2>&1; then return; fi
  say "enabling deb-src entries for apt-get source"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  fi
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee /etc/apt/sources.list.d/deb-src.list >/dev/null
  fi
  as_root apt-get update -q >&2
}

libjpeg_source() {
  local src=$third/src
  if [ -z "$(ls -d "$src"/libjpeg-turbo-*/ 2>/dev/null | head -1)" ]; then
    enable_deb_src
    mkdir -p "$src"
    say "fetching the libjpeg-turbo source package"
    (cd "$src" && apt-get source -q libjpeg-turbo >/dev/null 2>&1)
  fi
  ls -d "$src"/libjpeg-turbo-*/ | head -1
}

cross_build() { # triplet
  local triplet=$1 prefix=$third/$1
  local toolchain=$here/cmake/toolchain-$triplet.cmake
  if [ ! -f "$prefix/lib/libjpeg.a" ]; then
    local src; src=$(libjpeg_source)
    say "cross-building libjpeg-turbo for $triplet"
    cmake -S "$src" -B "$third/build-jpeg-$triplet" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DWITH_SIMD=OFF \
      -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -Wno-dev >"$third/jpeg-$triplet.log" 2>&1
    cmake --build "$third/build-jpeg-$triplet" >>"$third/jpeg-$triplet.log" 2>&1
    cmake --install "$third/build-jpeg-$triplet" >/dev/null
  else
    say "libjpeg-turbo for $triplet: present"
  fi
  if [ ! -f "$prefix/lib/libgtest.a" ]; then
    say "cross-building GoogleTest for $triplet"
    cmake -S /usr/src/googletest -B "$third/build-gtest-$triplet" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF -Wno-dev >"$third/gtest-$triplet.log" 2>&1
    cmake --build "$third/build-gtest-$triplet" >>"$third/gtest-$triplet.log" 2>&1
    cmake --install "$third/build-gtest-$triplet" >/dev/null
  else
    say "GoogleTest for $triplet: present"
  fi
  # Boost's Asio and Beast are header-only: the service's cross build reaches Debian's headers
  # through a link to their folder alone, never through /usr/include itself.
  if [ "$(readlink "$prefix/include/boost" 2>/dev/null)" != /usr/include/boost ]; then
    mkdir -p "$prefix/include"
    ln -sfn /usr/include/boost "$prefix/include/boost"
    say "Boost headers linked into $prefix/include"
  fi
}

cross_build x86_64-w64-mingw32
cross_build i686-w64-mingw32

# ---------------------------------------------------------------------------------------------
# A Debian root with a Wine that runs 32-bit Windows programs, for the tests of the i686 (release)
# build: Debian 12's Wine runs 64-bit programs only on these machines (no 32-bit Linux code
# runs here). Wine 10 built for WoW64 carries the i386-windows libraries in its amd64 libwine
# and runs them inside the 64-bit process. The root is Debian's stable release (trixie), but
# trixie's own Wine 10 (10.0~repack-6) is no WoW64 build (its libwine has no i386-windows
# libraries), so Wine comes from unstable, pinned. Its dependencies come from unstable too:
# unstable's libwine needs ffmpeg 8 (libavcodec62), whose chain needs newer base packages
# than trixie's, and apt cannot mix the two. Rebuilt only when this recipe changes.
#
# Only where the machine runs 32-bit code inside a 64-bit process: elsewhere the i686 tests
# are skipped (tests/win/harness/i686-gate.sh) and the root would go unused.
wine_root=$build_root/wine-root
wine_packages=(wine=10.0~repack-12 wine64=10.0~repack-12+b1 libwine=10.0~repack-12+b1)
wine_root_recipe="trixie minbase; unstable: ${wine_packages[*]}; fonts-wqy-microhei locales zh_CN.UTF-8"

# The Debian mirror this machine's own apt sources use (the archive reachable from here).
debian_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | sed -n 's/^URIs: *//p' |
    tr ' ' '\n' | grep -E '/debian/?$' | head -1) || true
  if [ -z "$uri" ]; then
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk '$1 == "deb" && $2 ~ /\/debian\/?$/ {print $2; exit}') || true
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

# Runs a command in the root being made, with /proc and /dev mounted in a namespace of its own.
in_new_root() { # dir command...
  local dir=$1
  shift
  as_root unshare --mount --propagation private -- bash -c \
    'mount -t proc proc "$1/proc" && mount --rbind /dev "$1/dev" && d=$1 && shift && exec chroot "$d" "$@"' \
    in-root "$dir" /usr/bin/env DEBIAN_FRONTEND=noninteractive PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

# Stops, leaving no half-made root behind.
root_failed() { # tmp message...
  local tmp=$1
  shift
  tail -20 "$build_root/wine-root.log" >&2
  as_root rm -rf "$tmp"
  say "$*"
  exit 1
}

make_wine_root() {
  local tmp=$wine_root.new mirror started=$SECONDS apt=(apt-get -o Acquire::Check-Valid-Until=false)
  mirror=$(debian_mirror)
  as_root rm -rf "$tmp"
  say "making the Debian root for the i686 tests in $wine_root (from $mirror; a few minutes, once)"
  say "  1/3 debootstrap trixie (about a minute; log $build_root/wine-root.log)"
  # In a mount namespace of its own: the /proc that debootstrap mounts in the new root never
  # shows on the host, nor stays there when the run is cut short.
  if ! as_root unshare --mount --propagation private -- debootstrap --variant=minbase trixie "$tmp" \
    "$mirror" >"$build_root/wine-root.log" 2>&1; then
    root_failed "$tmp" "debootstrap failed; see $build_root/wine-root.log"
  fi
  echo "deb $mirror unstable main" | as_root tee "$tmp/etc/apt/sources.list.d/unstable.list" >/dev/null
  # unstable only for what is asked of it (-t below); its Release file may have expired.
  printf 'Package: *\nPin: release a=unstable\nPin-Priority: 100\n' |
    as_root tee "$tmp/etc/apt/preferences.d/unstable" >/dev/null
  say "  2/3 Wine 10 (WoW64) from unstable, a CJK font, the zh_CN.UTF-8 locale (a few minutes)"
  in_new_root "$tmp" "${apt[@]}" update -q >>"$build_root/wine-root.log" 2>&1 ||
    root_failed "$tmp" "apt-get update in the root failed; see $build_root/wine-root.log"
  local wanted
  for wanted in "${wine_packages[@]}"; do
    # (apt-cache show says nothing, and succeeds, for a version the archive lacks)
    if ! in_new_root "$tmp" apt-cache madison "${wanted%%=*}" 2>/dev/null |
      awk -v v="${wanted#*=}" '$3 == v {found = 1} END {exit !found}'; then
      root_failed "$tmp" "the archive no longer has ${wanted%%=*} ${wanted#*=} (unstable drops a" \
        "version when the next arrives). Set wine_packages in tools/install-dependencies.sh to" \
        "the versions that 'apt-cache policy wine wine64 libwine' lists for unstable, all three" \
        "of one Wine 10 release whose libwine holds usr/lib/x86_64-linux-gnu/wine/i386-windows."
    fi
  done
  in_new_root "$tmp" "${apt[@]}" install -y -q --no-install-recommends -t unstable \
    "${wine_packages[@]}" fonts-wqy-microhei locales >>"$build_root/wine-root.log" 2>&1 ||
    root_failed "$tmp" "installing Wine in the root failed; see $build_root/wine-root.log"
  [ -d "$tmp/usr/lib/x86_64-linux-gnu/wine/i386-windows" ] ||
    root_failed "$tmp" "the root's Wine has no i386-windows libraries: ${wine_packages[*]} is no" \
      "WoW64 build; choose another in tools/install-dependencies.sh"
  say "  3/3 the locale, and dropping the package cache"
  as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' "$tmp/etc/locale.gen"
  in_new_root "$tmp" locale-gen >>"$build_root/wine-root.log" 2>&1
  in_new_root "$tmp" apt-get clean
  echo "$wine_root_recipe" | as_root tee "$tmp/.recipe" >/dev/null
  as_root rm -rf "$wine_root"
  as_root mv "$tmp" "$wine_root"
  say "the Debian root with $(in_new_root "$wine_root" wine --version 2>/dev/null) is ready ($((SECONDS - started)) s)"
}

i686_tests=$("$here/tests/win/harness/i686-gate.sh" answer "$build_root")
if [ "$i686_tests" = skip ]; then
  say "Debian root with Wine 10 for the i686 tests: not made (this machine cannot run 32-bit code; the i686 tests are skipped)"
elif [ "$(cat "$wine_root/.recipe" 2>/dev/null)" != "$wine_root_recipe" ]; then
  make_wine_root
else
  say "Debian root with Wine 10 for the i686 tests: present"
fi

# Stroke centre lines of the hanzi, used to synthesise the pad's stroke text in the service's
# tests and benchmarks. Pinned so that accuracy figures stay comparable between runs.
hanzi_writer_data_version=2.0.1
hanzi_writer_data=$third/node_modules/hanzi-writer-data
if [ "$(node -p "require('$hanzi_writer_data/package.json').version" 2>/dev/null)" != "$hanzi_writer_data_version" ]; then
  if ! command -v npm >/dev/null; then
    say "installing npm"
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends npm
  fi
  say "installing hanzi-writer-data $hanzi_writer_data_version from the npm registry"
  [ -f "$third/package.json" ] || echo '{"private": true}' >"$third/package.json"
  npm install --prefix "$third" --no-audit --no-fund --silent "hanzi-writer-data@$hanzi_writer_data_version" >&2
else
  say "hanzi-writer-data $hanzi_writer_data_version: present"
fi
say "done"
