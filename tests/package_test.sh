#!/usr/bin/env bash
# Tests of the installed tool:
#  - `cmake --install` of the test build: the program and its lower-case
#    link, the manual page, the sample list, the licence and changelog, and
#    no systemd units unless asked for;
#  - the `package` preset: `cmake --install --prefix` puts the program's real
#    path into the service; the .deb holds exactly the expected files, names
#    its library dependencies and passes lintian without an error;
#  - the .deb unpacked (dpkg -x) and laid over /usr in the sandbox, as if
#    installed: systemd-analyze verifies the units and rates the service's
#    sandbox, man finds the page, and the whole end-to-end suite and the
#    service's own tests run against the packaged program.
# Usage: package_test.sh SOURCE_DIR BUILD_DIR E2E_TEST SERVICE_E2E_TEST
set -euo pipefail

if [ "${1:-}" = --installed ]; then
  # Inside the sandbox: lay the unpacked package over /usr.
  root=$2 e2e=$3 service_e2e=$4
  mount -t overlay quorvane-package -o "lowerdir=$root/usr:/usr" /usr
  units=(/usr/lib/systemd/system/quorvane.service
         /usr/lib/systemd/system/quorvane.timer)
  echo "== systemd-analyze verify"
  out=$(systemd-analyze verify "${units[@]}" 2>&1) || true
  if [ -n "$out" ]; then
    echo "$out" >&2
    exit 1
  fi
  echo "== systemd-analyze security (exposure at most 2.0 of 10)"
  systemd-analyze security --offline=yes "${units[0]}" | tail -n 1
  systemd-analyze security --offline=yes --threshold=20 "${units[0]}" >/dev/null
  echo "== man Quorvane"
  [ "$(man -w Quorvane)" = /usr/share/man/man1/Quorvane.1.gz ]
  [ -z "$(LC_ALL=C.UTF-8 man --warnings Quorvane 2>&1 >/dev/null)" ]
  echo "== end-to-end suite with /usr/bin/Quorvane"
  "$e2e" /usr/bin/Quorvane
  echo "== the service"
  "$service_e2e" "${units[0]}" /usr/share/doc/quorvane/Quorvane.list.example
  exit 0
fi

source_dir=$1 build_dir=$2 e2e=$3 service_e2e=$4
scratch=$(mktemp -d /tmp/quorvane-package.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

# The files (not directories) below a folder, as paths relative to it.
files() { (cd "$1" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort); }
expect_files() {
  local got
  got=$(files "$1")
  if [ "$got" != "$2" ]; then
    printf 'package_test: %s holds\n%s\ninstead of\n%s\n' "$1" "$got" "$2" >&2
    exit 1
  fi
}

echo "== cmake --install of the test build"
cmake --install "$build_dir" --prefix "$scratch/plain" >/dev/null
expected="bin/Quorvane
bin/quorvane
share/doc/quorvane/Quorvane.list.example
share/doc/quorvane/changelog.gz
share/doc/quorvane/copyright
share/man/man1/Quorvane.1.gz
share/man/man1/quorvane.1.gz"
if grep -q '^QUORVANE_INSTALL_SYSTEMD:BOOL=ON$' "$build_dir/CMakeCache.txt"; then
  expected="$expected
lib/systemd/system/quorvane.service
lib/systemd/system/quorvane.timer"
  expected=$(LC_ALL=C sort <<<"$expected")
fi
expect_files "$scratch/plain" "$expected"
gzip -dc "$scratch/plain/share/man/man1/Quorvane.1.gz" |
  cmp "$source_dir/doc/Quorvane.1" -
[ "$(readlink "$scratch/plain/bin/quorvane")" = Quorvane ]

echo "== the package preset"
cd "$source_dir"
cmake --preset package >"$scratch/configure.log" ||
  { cat "$scratch/configure.log"; exit 1; }
package_dir=$source_dir/build/package
rm -f "$package_dir"/*.deb
# Under a strict umask, which must not reach the package's folders.
(umask 077 && cmake --build --preset package --target package) \
  >"$scratch/build.log" ||
  { cat "$scratch/build.log"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' \
  "$package_dir/CMakeCache.txt")
deb=$package_dir/quorvane_${version}_$(dpkg --print-architecture).deb
ls -l "$deb"

echo "== cmake --install --prefix: the service names the installed program"
cmake --install "$package_dir" --prefix "$scratch/opt" >/dev/null
grep -qx "ExecStart=$scratch/opt/bin/Quorvane @/etc/Quorvane.list" \
  "$scratch/opt/lib/systemd/system/quorvane.service"

echo "== dpkg-deb -c"
dpkg-deb -c "$deb" >"$scratch/contents"
got=$(awk '$1 !~ /^d/ { print $6 }' "$scratch/contents" | LC_ALL=C sort)
want="./usr/bin/Quorvane
./usr/bin/quorvane
./usr/lib/systemd/system/quorvane.service
./usr/lib/systemd/system/quorvane.timer
./usr/share/doc/quorvane/Quorvane.list.example
./usr/share/doc/quorvane/changelog.gz
./usr/share/doc/quorvane/copyright
./usr/share/man/man1/Quorvane.1.gz
./usr/share/man/man1/quorvane.1.gz"
if [ "$got" != "$want" ]; then
  printf 'package_test: the .deb holds\n%s\ninstead of\n%s\n' "$got" "$want" >&2
  exit 1
fi
grep -q '^-rwxr-xr-x root/root .* \./usr/bin/Quorvane$' "$scratch/contents"
if awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' "$scratch/contents" | grep .; then
  echo "package_test: folders of the .deb not 0755" >&2
  exit 1
fi
grep -q '^lrwxrwxrwx root/root .* \./usr/bin/quorvane -> Quorvane$' \
  "$scratch/contents"
[ "$(dpkg-deb -f "$deb" Package)" = quorvane ]
dpkg-deb -f "$deb" Depends | grep -q 'libc6 (>= ' ||
  { echo "package_test: Depends does not name libc6" >&2; exit 1; }

echo "== lintian (errors fail; warnings are shown)"
lintian --fail-on error "$deb" 2>/dev/null

echo "== dpkg -x"
dpkg -x "$deb" "$scratch/root"
grep -qx 'ExecStart=/usr/bin/Quorvane @/etc/Quorvane.list' \
  "$scratch/root/usr/lib/systemd/system/quorvane.service"

"$source_dir/tests/sandbox.sh" bash "$source_dir/tests/package_test.sh" \
  --installed "$scratch/root" "$e2e" "$service_e2e"
