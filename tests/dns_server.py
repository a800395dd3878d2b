#!/usr/bin/python3
"""A DNS server's hosts file kept with --hosts-file (Linux, in sandbox.sh): a
dnsmasq of its own on 127.0.0.4 reads only FILE (--no-hosts
--addn-hosts=FILE), --on-change tells it to read FILE again, and it is asked
for A and AAAA after each run. Then each file's lock (two files at once, one
file reached by two paths in turns), a folder or file another user may
change, and a command that fails or outlives the run's bound. /etc/hosts
stays as it was throughout.
Usage: dns_server.py PROGRAM [ARGS...]
"""
import fcntl
import os
import subprocess
import sys
import time

from e2e import dns_query, fatal, line, set_dns

PROGRAM = sys.argv[1:]
S = os.environ.get("QUORVANE_SANDBOX", "")
DIR = S + "/dns"
FILE, PID, HOOKED = DIR + "/a.hosts", S + "/dns-a.pid", S + "/hooked"
HUP = f'kill -HUP $(cat {PID}) && echo "$QUORVANE_HOSTS_FILE $QUORVANE_CHANGED" >{HOOKED}'
ENV = dict(os.environ, LC_ALL="C")
failures = []


def expect(what, got, want):
    print(("ok   " if got == want else "FAIL ") + what, flush=True)
    if got != want:
        failures.append(what)
        print(f"     got  {got!r}\n     want {want!r}")


def read(path): return open(path, "rb").read() if os.path.exists(path) else None
def start(*args): return subprocess.Popen(PROGRAM + list(args), stdout=subprocess.PIPE,
                                          stderr=subprocess.PIPE, env=ENV,
                                          preexec_fn=lambda: os.umask(0o077))


def run(*args):
    p = start(*args)
    out, err = p.communicate(timeout=60)
    return p.returncode, out, err


def on(path, *args): return run("--hosts-file", path, "--on-change", HUP, *args)


def answer(name, qtype, want):
    """What dnsmasq answers, once it has acted on the SIGHUP (or after 2 s)."""
    for _ in range(40):
        got = dns_query(name, qtype, server="127.0.0.4")
        if got == want:
            break
        time.sleep(0.05)
    return got


def lock_of(path):
    """The lock a run on `path` takes: named by the file's path, links followed."""
    h = 14695981039346656037
    for byte in os.path.realpath(path).encode():
        h = ((h ^ byte) * 1099511628211) % (1 << 64)
    return "/run/quorvane/hosts-%016x.lock" % h


def main():
    if not PROGRAM or not S:
        sys.exit("usage: sandbox.sh dns_server.py PROGRAM [ARGS...]")
    etc = (read("/etc/hosts"), os.stat("/etc/hosts").st_mtime_ns)
    os.mkdir(DIR, 0o755)
    subprocess.run(["dnsmasq", "--conf-file=/dev/null", "--no-resolv", "--no-hosts",
                    "--no-poll", "--no-negcache", f"--addn-hosts={FILE}",
                    "--listen-address=127.0.0.4", "--bind-interfaces", "--port=53",
                    "--user=root", f"--pid-file={PID}"], check=True)
    pid = read(PID)
    shown = FILE.encode()
    try:
        status, out, err = on(FILE, "one.test", "nas")
        expect("a missing file is made, 0644 whatever the umask, and reloaded",
               (status, out, err, read(FILE), os.stat(FILE).st_mode & 0o7777,
                read(HOOKED), answer(b"nas", 1, [b"192.0.2.7"]), read(PID)),
               (0, b"Reading... " + shown + b"\nnas: added 192.0.2.7\n"
                b"1 line added.\nWriting... " + shown + b"\n", b"",
                line(b"192.0.2.7", b"nas"), 0o644, shown + b" 1\n", [b"192.0.2.7"], pid))

        os.remove(HOOKED)
        before = os.stat(FILE).st_mtime_ns
        status, _, err = on(FILE, "one.test", "nas")
        expect("the same address: no save, no command",
               (status, err, os.stat(FILE).st_mtime_ns, read(HOOKED)), (0, b"", before, None))

        for v4, v6 in ((b"198.51.100.77", b"2001:db8::77"), (b"198.51.100.78", b"2001:db8::78")):
            set_dns(v4 + b" moving.test\n" + v6 + b" moving.test\n")
            status, _, err = on(FILE, "-46", "moving.test", "mv")
        expect("the domain moves: dnsmasq answers the new addresses alone",
               (status, err, answer(b"mv", 1, [v4]), answer(b"mv", 28, [v6]), read(PID)),
               (0, b"", [v4], [v6], pid))

        status, _, err = on(FILE)
        expect("a restore ends the names' answers",
               (status, err, read(HOOKED), answer(b"nas", 1, []), answer(b"mv", 1, []),
                answer(b"mv", 28, [])),
               (0, b"", shown + b" 3\n", [], [], []))

        # Two files at once, while the lock of FILE is held: the run on the
        # other file ends; the runs on FILE, by two paths, wait, then both
        # keep their lines.
        other = S + "/dns-b/b.hosts"
        os.mkdir(os.path.dirname(other), 0o755)
        os.symlink(DIR, S + "/dns-link")
        os.makedirs("/run/quorvane", 0o700, exist_ok=True)
        held = os.open(lock_of(FILE), os.O_RDWR | os.O_CREAT, 0o600)
        fcntl.flock(held, fcntl.LOCK_EX)
        waiting = [start("--hosts-file", FILE, "one.test", "n1"),
                   start("--hosts-file", S + "/dns-link/a.hosts", "one.test", "n2")]
        status = start("--hosts-file", other, "one.test", "n3").wait(timeout=30)
        time.sleep(0.5)
        expect("another file's run does not wait; this file's runs do",
               (status, read(other), [p.poll() for p in waiting]),
               (0, line(b"192.0.2.7", b"n3"), [None, None]))
        os.close(held)
        statuses = [p.wait(timeout=30) for p in waiting]
        text = read(FILE)
        expect("then they take turns: both lines kept",
               (statuses, line(b"192.0.2.7", b"n1") in text, line(b"192.0.2.7", b"n2") in text),
               ([0, 0], True, True))

        theirs = S + "/theirs"
        os.mkdir(theirs, 0o755)
        os.chown(theirs, 65534, 65534)
        open(DIR + "/theirs.hosts", "wb").write(b"")
        os.chown(DIR + "/theirs.hosts", 65534, 65534)
        for path, blamed in ((theirs + "/x.hosts", theirs), (DIR + "/theirs.hosts", None)):
            path = path.encode()
            blamed = os.path.realpath(blamed).encode() if blamed else path
            status, _, err = run("--hosts-file", path, "one.test", "nas")
            expect("refused as root: " + os.path.basename(blamed).decode(),
                   (status, err, read(theirs + "/x.hosts"), read(DIR + "/theirs.hosts")),
                   (1, fatal(147, b"Cannot open " + path + b".\n" + path + b": " + blamed +
                             b" may be changed by users other than root."), None, b""))

        status, _, err = run("--hosts-file", FILE, "--on-change", "exit 3", "one.test", "f1")
        expect("a command that fails: its own code, the file saved",
               (status, err, line(b"192.0.2.7", b"f1") in read(FILE)),
               (1, fatal(241, b"The --on-change command failed; " + shown +
                         b" was saved.\nexit 3: exit status 3."), True))

        slow = f"echo $$ >{S}/pids; sleep 60 & echo $! >>{S}/pids; wait"
        began = time.monotonic()
        status, _, err = run("--timeout", "2", "--hosts-file", FILE, "--on-change", slow,
                             "one.test", "f2")
        took = time.monotonic() - began
        pids = [int(p) for p in read(S + "/pids").split()]
        for _ in range(40):
            alive = [p for p in pids if b"State:\tZ" not in (read(f"/proc/{p}/status") or
                                                              b"State:\tZ")]
            if not alive:
                break
            time.sleep(0.05)
        expect("a command past the run's bound is stopped, with what it started",
               (status, err, took < 10, alive),
               (1, fatal(241, b"The --on-change command failed; " + shown + b" was saved.\n" +
                         slow.encode() + b": still running at the run's time limit "
                         b"(--timeout); it was stopped."), True, []))
    finally:
        os.kill(int(pid), 15)
    expect("/etc/hosts untouched", (read("/etc/hosts"), os.stat("/etc/hosts").st_mtime_ns), etc)
    print(f"{len(failures)} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
