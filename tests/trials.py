#!/usr/bin/python3
"""Runs that meet other runs or die, inside the sandbox of sandbox.sh (Linux):
the hosts lock (held by another run, by another user, after a failed run);
SIGKILL during saves by rename (a real-system confirmation of the crash walk
of save_protocol_test.cpp); in-place saves (read-only /etc, the hosts file
bind-mounted writable, as the service runs) stopped by a signal, then the
administrator's acts; two runs started at the same moment.
Counts: QUORVANE_CRASH_TRIALS (20), QUORVANE_CONCURRENCY_TRIALS (50).
Usage: trials.py PROGRAM [ARGS...]   (inside sandbox.sh)
"""
import fcntl
import os
import random
import signal
import subprocess
import sys
import time

PROGRAM = sys.argv[1:]
HOSTS, ETC = "/etc/hosts", "/etc"
LOCAL = b"127.0.0.1\tlocalhost\n"
NAS = b"192.0.2.7\tnas\t##Quorvane##\r\n"
ENV = dict(os.environ, LC_ALL="C")
ERR = os.environ.get("QUORVANE_SANDBOX", "") + "/err"
failures = []


def expect(what, ok):
    if not ok:
        failures.append(what)
        print("FAIL " + what, flush=True)


def write(path, data): open(path, "wb").write(data)
def read(path): return open(path, "rb").read()
def sh(command): subprocess.run(command, shell=True, check=True)


def start(args, stdin=subprocess.DEVNULL, gate=None, stderr=subprocess.DEVNULL,
          stdout=subprocess.DEVNULL):
    """Starts a run; with `gate`, only once it has read a byte from it."""
    argv = PROGRAM + args
    if gate is not None:
        argv = ["/bin/sh", "-c", 'dd bs=1 count=1 status=none <&3 >/dev/null; exec "$@"',
                "sh"] + argv
    return subprocess.Popen(argv, stdin=stdin, stdout=stdout, stderr=stderr, env=ENV,
                            pass_fds=(3,) if gate is not None else (),
                            preexec_fn=(lambda: os.dup2(gate, 3)) if gate is not None else None)


def temporaries():
    return [n for n in os.listdir(ETC) if n.startswith(".hosts.Quorvane-")]


class HostsLock:
    """Holds the lock every run takes before it reads the hosts file."""
    def __enter__(self):
        os.makedirs("/run/quorvane", 0o700, exist_ok=True)
        self.fd = os.open("/run/quorvane/hosts.lock", os.O_RDWR | os.O_CREAT, 0o600)
        fcntl.flock(self.fd, fcntl.LOCK_EX)

    def __exit__(self, *_):
        os.close(self.fd)


def foreign(size):
    lines, i = [], 0
    while len(lines) * 33 < size:
        lines.append(b"10.%d.%d.%d\thost%07d.example\r\n" % (i >> 16 & 255, i >> 8 & 255, i & 255, i))
        i += 1
    return b"".join(lines)


def lock_trials():
    write(HOSTS, LOCAL)
    with HostsLock():
        run = start(["192.0.2.7", "nas"])
        time.sleep(2)
        expect("a run waits for the lock", run.poll() is None and read(HOSTS) == LOCAL)
        write(HOSTS + ".new", b"10.0.0.1 other\n")  # another run's save
        os.rename(HOSTS + ".new", HOSTS)
    expect("it then works on the file it finds",
           run.wait() == 0 and read(HOSTS) == b"10.0.0.1 other\n" + NAS)

    with open(ERR, "wb+") as err:
        with HostsLock():
            run = start([], stderr=err)
            time.sleep(0.2)
            os.unlink(HOSTS)
        status = run.wait()
        err.seek(0)
        expect("a hosts file deleted while the run waits is error 198",
               status == 1 and err.read().startswith(b"Quorvane (198)\n")
               and not os.path.exists(HOSTS))

    write(HOSTS, LOCAL)
    sh(f"mount --bind {ETC} {ETC} && mount -o remount,bind,ro {ETC}")
    key_in, key_out = os.pipe()
    with open(ERR, "wb+") as err, open(ERR + ".out", "wb+") as out:
        a = start(["192.0.2.8", "pc"], stdin=key_in, stderr=err, stdout=out)
        os.close(key_in)
        for _ in range(2000):
            if b"(208)" in read(ERR):
                break
            time.sleep(0.01)
        printed = read(ERR + ".out")  # before the report, and kept
        began = time.monotonic()
        b = subprocess.run(PROGRAM, input=b"\n", env=ENV, capture_output=True)
        took = time.monotonic() - began
        try:  # a run waits for no key here; its input may be gone already
            os.write(key_out, b"\n")
        except BrokenPipeError:
            pass
        os.close(key_out)
        expect("a failed run lets go of the lock before it ends",
               a.wait() == 1 and took < 10 and b"(198)" not in b.stderr
               and b"Quorvane" in printed)
    sh(f"umount {ETC}")

    holders = []
    for path in ("/etc", "/etc/hosts", "/run", "/run/lock", "/tmp"):
        holders.append(subprocess.Popen(
            ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
             "flock", "-o", "-x", path, "sh", "-c", "echo held; exec sleep 30"],
            stdout=subprocess.PIPE, start_new_session=True))
        holders[-1].stdout.readline()
    began = time.monotonic()
    status = start(["192.0.2.7", "nas"]).wait()
    for h in holders:  # the holder and the sleep it started
        os.killpg(h.pid, signal.SIGKILL)
        h.wait()
    expect("locks of another user do not delay a run",
           status == 0 and time.monotonic() - began < 10)


def crash_trials(trials):
    """SIGKILL at random moments of a save of a 20 MB file, spread over as
    long as an unkilled save takes."""
    head, tail = foreign(10 << 20), foreign(10 << 20)
    states = [head + b"#" + NAS + tail, head + NAS + tail]  # disabled, active
    write(HOSTS, states[0])
    rng = random.Random(20240601)
    stray, window = None, None
    for trial in range(-1, trials):  # the first run, unkilled, gives the window
        active = states.index(read(HOSTS))
        since = set(temporaries())
        p = start([] if active else ["192.0.2.7", "nas"])
        while not set(temporaries()) - since and p.poll() is None:
            pass
        began = time.monotonic()
        if window is not None and p.poll() is None:
            time.sleep(rng.uniform(0, window))
            p.kill()
        status = p.wait()
        window = window or time.monotonic() - began
        left = temporaries()
        expect(f"crash trial {trial}: status {status}, the file whole, at most "
               "one temporary file left, the last one gone",
               status in (0, -signal.SIGKILL) and read(HOSTS) in states and
               (trial >= 0 or status == 0) and len(left) <= 1 and stray not in left)
        if read(HOSTS) not in states:
            return
        stray = left[0] if left else None
    status = start([] if states.index(read(HOSTS)) else ["192.0.2.7", "nas"]).wait()
    expect("the run after the trials cleans up", status == 0 and not temporaries())


def admin_trials():
    """An in-place save killed as the file changes, then the administrator
    acts before the next run (the same update, which then has nothing to
    do on a file whose first block is new)."""
    head, tail = foreign(4096), foreign(8 << 20)
    old, new = head + b"#" + NAS + tail, head + NAS + tail
    args = ["192.0.2.7", "nas"]
    journals = "/var/lib/quorvane"
    service = (f"mkdir -p -m 700 {journals} && mount --bind {ETC} {ETC} && "
               f"mount -o remount,bind,ro {ETC} && mount --bind {HOSTS} {HOSTS} && "
               f"mount -o remount,bind,rw {HOSTS}")
    manual = f"mount --bind {HOSTS} {HOSTS}"  # /etc writable: the journal beside

    def torn(layout, sig=signal.SIGKILL):
        for _ in range(30):
            sh(f"rm -rf {journals}/.hosts.Quorvane-* {ETC}/.hosts.Quorvane-*")
            write(HOSTS, old)
            sh(layout)
            since = os.stat(HOSTS).st_mtime_ns
            p = start(args)
            while os.stat(HOSTS).st_mtime_ns == since and p.poll() is None:
                pass
            p.send_signal(sig)
            p.wait()
            sh(f"umount {HOSTS}" + (f" && umount {ETC}" if layout == service else ""))
            after = read(HOSTS)
            if sig != signal.SIGKILL:
                return after
            if after not in (old, new) and after.startswith(head + NAS):
                return after
        expect("a kill tore the file", False)

    def next_run():
        with open(ERR, "wb+") as err:
            status = start(args, stderr=err).wait()
            err.seek(0)
            return status, err.read()

    expect("SIGTERM as the file changes lets the save finish",
           torn(service, signal.SIGTERM) == new and not os.listdir(journals))

    # Removed and copied anew with a line added: the same inode here (the
    # other edits are the unit tests' table).
    file = torn(service) + b"10.9.9.9\tmine\n"
    os.unlink(HOSTS)
    write(HOSTS, file)
    status, err = next_run()
    expect("after a crash, rm and cp by hand: the administrator's bytes stay",
           status == 0 and read(HOSTS) == file and b"hosts" in err and
           os.listdir(journals) == [".hosts.Quorvane-journal-kept"])
    status, err = next_run()
    expect("after a crash, rm and cp by hand: the journal is never applied",
           status == 0 and read(HOSTS) == file and not err)

    # Another device and inode, as after a reboot: still repaired.
    file = torn(service)
    sh(f"mount -t tmpfs -o mode=0755 quorvane-other {ETC}")
    write(HOSTS, file)
    status, _ = next_run()
    expect("a torn file on another device is repaired", status == 0 and read(HOSTS) == new
           and not os.listdir(journals))
    sh(f"umount {ETC}")

    # A journal beside the file, left by a manual run, in a directory the
    # service cannot change: applied once, then harmless.
    torn(manual)
    sh(service)
    statuses = [next_run()[0]]
    stamp = os.stat(HOSTS).st_mtime_ns
    statuses.append(next_run()[0])
    sh(f"umount {HOSTS} && umount {ETC}")
    expect("an unremovable journal fails no run and is applied once",
           statuses == [0, 0] and read(HOSTS) == new and
           os.stat(HOSTS).st_mtime_ns == stamp and
           os.path.exists(ETC + "/.hosts.Quorvane-journal"))
    sh(f"rm -f {ETC}/.hosts.Quorvane-journal")


def concurrency_trials(trials):
    base = foreign(2 << 20)
    alpha = b"192.0.2.7\talpha\t##Quorvane##\r\n"
    beta = b"192.0.2.8\tbeta\t##Quorvane##\r\n"
    kept = 0
    for trial in range(trials):
        write(HOSTS, base)
        gate_in, gate_out = os.pipe()
        runs = [start(["192.0.2.7", "alpha"], gate=gate_in),
                start(["192.0.2.8", "beta"], gate=gate_in)]
        os.close(gate_in)
        os.write(gate_out, b"go")  # both start now
        os.close(gate_out)
        statuses = [r.wait() for r in runs]
        after = read(HOSTS)
        ok = statuses == [0, 0] and after in (base + alpha + beta, base + beta + alpha)
        expect(f"concurrency trial {trial}: both lines kept", ok and not temporaries())
        kept += ok
    print(f"concurrency trials: {trials}, both lines kept in {kept}")


def main():
    if not PROGRAM or "QUORVANE_SANDBOX" not in os.environ:
        sys.exit("usage: sandbox.sh trials.py PROGRAM [ARGS...]")
    lock_trials()
    crash_trials(int(os.environ.get("QUORVANE_CRASH_TRIALS") or 20))
    admin_trials()
    concurrency_trials(int(os.environ.get("QUORVANE_CONCURRENCY_TRIALS") or 50))
    print(f"{len(failures)} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
