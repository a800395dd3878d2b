#!/usr/bin/env bash
# Runs a command in a sandbox that never touches this machine's own files:
# private mount and network namespaces, a writable copy of /etc, its own
# /run and /var/lib, and dnsmasq on 127.0.0.1 (one.test 192.0.2.7; two.test
# 198.51.100.20, then 127.0.0.5; six.test only 2001:db8::7; both.test
# 192.0.2.9 and 2001:db8::9; bare.test no address; NODATA for the family a
# name lacks, NXDOMAIN for other names; never the sandbox's /etc/hosts;
# stall.test is sent on to stall_dns.py on 127.0.0.3, which never answers
# but with TC, and then holds the TCP connection silent). A test adds answers to
# the file QUORVANE_DNS_HOSTS names and sends SIGHUP to the process whose id
# is in the file QUORVANE_DNS_PID.
# The command gets QUORVANE_SANDBOX, a scratch folder on a private tmpfs.
# With QUORVANE_TARGET=windows it also gets a Wine prefix (WINEPREFIX, made
# by wine-prefix.sh on first use; QUORVANE_WINEPREFIX says where, since a
# prefix is large) and one Wine server that stays up for all the cases.
# Exit 77 (skipped) when the sandbox cannot be made, except under CI, where
# that is a failure.
set -u

if [ "${1:-}" != --inside ]; then
  why=""
  tools="dnsmasq ip"
  [ "${QUORVANE_TARGET:-}" = windows ] && tools="$tools /usr/lib/wine/wine64"
  for tool in $tools; do  # (Debian: dnsmasq-base, iproute2, wine64)
    PATH="$PATH:/usr/sbin:/sbin" command -v "$tool" >/dev/null || why="$tool is not installed"
  done
  if [ "$(id -u)" != 0 ]; then
    why="needs root"
  elif ! unshare --mount --net true 2>/dev/null; then
    why="unshare --mount --net does not work here"
  fi
  if [ -n "$why" ]; then
    if [ "${CI:-}" = true ]; then
      echo "sandbox.sh: cannot make the sandbox: $why" >&2
      exit 1
    fi
    echo "sandbox.sh: skipped: $why" >&2
    exit 77
  fi
  exec unshare --mount --net -- bash "$0" --inside "$@"
fi
shift
set -e
export PATH="$PATH:/usr/sbin:/sbin"

mount --make-rprivate /
work=$(mktemp -d /tmp/quorvane-sandbox.XXXXXX)
mount -t tmpfs -o size=512m quorvane-sandbox "$work"
mkdir "$work/etc" "$work/scratch"
cp -a /etc/. "$work/etc/"
mount --bind "$work/etc" /etc
mount -t tmpfs -o size=16m,mode=0755 quorvane-run /run
mkdir -m 1777 /run/lock
mkdir "$work/var-lib" "$work/var-lib-work"
mount -t overlay -o "lowerdir=/var/lib,upperdir=$work/var-lib,workdir=$work/var-lib-work" \
  quorvane-var-lib /var/lib
rm -rf /var/lib/quorvane

ip link set lo up
# getaddrinfo (getent ahostsv4, ahostsv6) answers for a family only when the
# system has an address of it other than a loopback one.
ip addr add 10.200.0.1/32 dev lo
ip addr add 2001:db8:200::1/128 dev lo nodad

rm -f /etc/resolv.conf
printf 'nameserver 127.0.0.1\noptions attempts:1 timeout:2\n' >/etc/resolv.conf
printf 'hosts: files dns\n' >/etc/nsswitch.conf
# Names of its hosts file, unlike --address ones, have NODATA for a family
# they lack, as a real zone does ([11004], not [11001]).
printf '%s\n' '192.0.2.7 one.test' '198.51.100.20 two.test' '127.0.0.5 two.test' \
  '2001:db8::7 six.test' '192.0.2.9 both.test' '2001:db8::9 both.test' >"$work/dns-hosts"
dnsmasq --conf-file=/dev/null --no-resolv --no-hosts --no-poll --no-round-robin \
  --listen-address=127.0.0.1 --bind-interfaces --port=53 --user=root \
  --pid-file="$work/dnsmasq.pid" --addn-hosts="$work/dns-hosts" --txt-record=bare.test,x --address=/#/ \
  --server=/stall.test/127.0.0.3
python3 "$(dirname "$0")/stall_dns.py" 127.0.0.3 &
stall=$!

export QUORVANE_SANDBOX="$work/scratch"
export QUORVANE_DNS_HOSTS="$work/dns-hosts" QUORVANE_DNS_PID="$work/dnsmasq.pid"
if [ "${QUORVANE_TARGET:-}" = windows ]; then
  export WINEPREFIX="${QUORVANE_WINEPREFIX:-$work/wine}" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # No display: a fatal error then goes to standard error instead of a box
  # that no one would dismiss. A server left from a run with a display would
  # still have one, so start afresh.
  unset DISPLAY
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  /usr/lib/wine/wineserver -w 2>/dev/null || true
  "$(dirname "$0")/wine-prefix.sh"
  /usr/lib/wine/wineserver -p
fi
status=0
"$@" || status=$?
if [ "${QUORVANE_TARGET:-}" = windows ]; then
  /usr/lib/wine/wineserver -k 2>/dev/null || true
fi
kill "$(cat "$work/dnsmasq.pid")" "$stall" 2>/dev/null || true
exit "$status"
