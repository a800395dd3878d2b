#!/usr/bin/env bash
# The .deb the package preset built: its files, modes, link, name, libc
# dependency, lintian, a removal that stops and disables the units;
# `cmake --install --prefix` names the program in the service. Then, laid
# over /usr in the sandbox: the units verified and rated, the manual page,
# the service's command line with /run and /var/lib read-only but for the
# unit's folders, the sample list read as pairs.
# Usage: package_test.sh PACKAGE_BUILD_DIR   (after its `package` target)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = --installed ]; then
  mount -t overlay quorvane-package -o "lowerdir=$2/usr:/usr" /usr
  service=/usr/lib/systemd/system/quorvane.service
  # The template as an instance, as systemd loads it.
  cp "${service%/*}/quorvane@.service" /run/quorvane@dnsmasq.service
  out=$(systemd-analyze verify "$service" "${service%.service}.timer" \
    /run/quorvane@dnsmasq.service "${service%/*}/quorvane@.timer" 2>&1) || true
  [ -z "$out" ] || { echo "$out" >&2; exit 1; }
  systemd-analyze security --offline=yes --threshold=20 "$service" | tail -n 1
  [ "$(man -w Quorvane)" = /usr/share/man/man1/Quorvane.1.gz ]
  [ -z "$(LC_ALL=C.UTF-8 man --warnings Quorvane 2>&1 >/dev/null)" ]
  for unit_dir in RuntimeDirectory:/run StateDirectory:/var/lib; do
    dir=${unit_dir#*:}/$(sed -n "s/^${unit_dir%:*}=//p" "$service")
    mkdir -p -m 0700 "$dir" && mount --bind "$dir" "$dir"
    mount -o remount,bind,ro "${unit_dir#*:}"
  done
  read -r -a command <<<"$(sed -n 's/^ExecStart=//p' "$service")"
  printf '# home\none.test nas\n' >"${command[-1]#@}"
  printf '127.0.0.1\tlocalhost\n' >/etc/hosts
  LC_ALL=C "${command[@]}" </dev/null >/dev/null
  [ "$(cat -A /etc/hosts)" = "$(printf '127.0.0.1\tlocalhost\n192.0.2.7\tnas\t##Quorvane##\n' | cat -A)" ]
  err=$(LC_ALL=C "${command[0]}" @/usr/share/doc/quorvane/Quorvane.list.example \
    </dev/null 2>&1 >/dev/null) && exit 1
  [ "${err:0:15}" = "Quorvane (238)"$'\n' ] || { echo "sample list: $err" >&2; exit 1; }
  echo "installed: units, manual page, service run and sample list checked"
  exit 0
fi

package_dir=$1
deb=$(ls "$package_dir"/quorvane_*.deb)
scratch=$(mktemp -d /tmp/quorvane-package.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -c "$deb" >"$scratch/contents"
got=$(awk '$1 !~ /^d/ { print $6 }' "$scratch/contents" | LC_ALL=C sort)
want="./usr/bin/Quorvane
./usr/bin/quorvane
./usr/lib/systemd/system/quorvane.service
./usr/lib/systemd/system/quorvane.timer
./usr/lib/systemd/system/quorvane@.service
./usr/lib/systemd/system/quorvane@.timer
./usr/share/doc/quorvane/Quorvane.list.example
./usr/share/doc/quorvane/changelog.gz
./usr/share/doc/quorvane/copyright
./usr/share/man/man1/Quorvane.1.gz
./usr/share/man/man1/quorvane.1.gz"
[ "$got" = "$want" ] || { printf 'the .deb holds\n%s\n' "$got" >&2; exit 1; }
grep -q '^-rwxr-xr-x root/root .* \./usr/bin/Quorvane$' "$scratch/contents"
grep -q '^lrwxrwxrwx root/root .* \./usr/bin/quorvane -> Quorvane$' "$scratch/contents"
! awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' "$scratch/contents" | grep .
[ "$(dpkg-deb -f "$deb" Package)" = quorvane ]
dpkg-deb -f "$deb" Depends | grep -q 'libc6 (>= '
lintian --fail-on error "$deb" 2>/dev/null
# Removal stops the timer and the service and disables the timer, before
# the units go; an upgrade leaves them be. The maintainer scripts run with
# stand-ins that log what they were asked.
dpkg-deb -e "$deb" "$scratch/control"
mkdir "$scratch/bin" "$scratch/run-systemd"
for tool in systemctl deb-systemd-invoke deb-systemd-helper; do
  printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$scratch/log" >"$scratch/bin/$tool"
  chmod +x "$scratch/bin/$tool"
done
for step in "prerm upgrade" "prerm remove" "postrm remove"; do
  sed "s|/run/systemd/system|$scratch/run-systemd|; s|/usr/bin/deb-systemd-helper|$scratch/bin/deb-systemd-helper|" \
    "$scratch/control/${step% *}" >"$scratch/script"
  PATH="$scratch/bin:$PATH" sh "$scratch/script" "${step#* }"
done
want="deb-systemd-invoke stop quorvane.timer quorvane.service
systemctl stop quorvane@*.timer quorvane@*.service
systemctl --no-reload disable quorvane.timer
systemctl --system daemon-reload"
[ "$(cat "$scratch/log")" = "$want" ] || { echo "removal did: $(cat "$scratch/log")" >&2; exit 1; }
cmake --install "$package_dir" --prefix "$scratch/opt" >/dev/null
grep -qx "ExecStart=$scratch/opt/bin/Quorvane --prune @/etc/Quorvane.list" \
  "$scratch/opt/lib/systemd/system/quorvane.service"
grep -q "^ExecStart=$scratch/opt/bin/Quorvane --hosts-file " \
  "$scratch/opt/lib/systemd/system/quorvane@.service"
dpkg -x "$deb" "$scratch/root"
"$here/sandbox.sh" bash "$here/package_test.sh" --installed "$scratch/root"
