#!/usr/bin/python3
"""Runs that meet other runs or die (Linux, in sandbox.sh): the hosts lock;
a run whose DNS server never answers beside another run;
a large file cut short under a run;
in-place saves, as the service runs, stopped, then the administrator's acts;
two runs at once, QUORVANE_CONCURRENCY_TRIALS (50) times. Elsewhere: every
crash point of a save (save_protocol_test.cpp); the lock's one place, root's
alone, and a save by rename's new inode and strays (e2e.py).
Usage: trials.py PROGRAM [ARGS...]
"""
import contextlib
import fcntl
import os
import signal
import subprocess
import sys
import time

PROGRAM = sys.argv[1:]
HOSTS, ETC = "/etc/hosts", "/etc"
LOCAL = b"127.0.0.1\tlocalhost\n"
NAS = b"192.0.2.7\tnas\t##Quorvane##\n"  # in the LF files of the lock trials
NAS_CRLF = NAS.replace(b"\n", b"\r\n")  # in the CR LF files of the others
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
    wait = 'dd bs=1 count=1 status=none <&3 >/dev/null; exec "$@"'
    return subprocess.Popen((["/bin/sh", "-c", wait, "sh"] if gate else []) + PROGRAM + args,
                            stdin=stdin, stdout=stdout, stderr=stderr, env=ENV,
                            pass_fds=(3,) if gate else (), preexec_fn=gate and (lambda: os.dup2(gate, 3)))


@contextlib.contextmanager
def hosts_lock():
    """Holds the lock every run takes before it reads the hosts file."""
    os.makedirs("/run/quorvane", 0o700, exist_ok=True)
    fd = os.open("/run/quorvane/hosts.lock", os.O_RDWR | os.O_CREAT, 0o600)
    fcntl.flock(fd, fcntl.LOCK_EX)
    yield
    os.close(fd)


def foreign(size):
    return b"".join(b"10.%d.%d.%d\thost%07d.example\r\n" % (i >> 16 & 255, i >> 8 & 255,
                                                             i & 255, i)
                    for i in range((size + 32) // 33))


def lock_trials():
    write(HOSTS, LOCAL)
    with hosts_lock():
        run = start(["192.0.2.7", "nas"])
        time.sleep(2)
        expect("a run waits for the lock", run.poll() is None and read(HOSTS) == LOCAL)
        write(HOSTS + ".new", b"10.0.0.1 other\n")  # another run's save
        os.rename(HOSTS + ".new", HOSTS)
    expect("it then works on the file it finds",
           run.wait() == 0 and read(HOSTS) == b"10.0.0.1 other\n" + NAS)

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
               and b"pc: added 192.0.2.8" in printed)
    sh(f"umount {ETC}")


def stalled_dns_trial():
    """A pinned domain whose DNS server holds its answer (stall.test, see
    sandbox.sh): the run asks before it takes the lock, so a second run
    started meanwhile is not held, and the first ends at its bound."""
    write(HOSTS, LOCAL + b"192.0.2.60\tstall.test\t##Quorvane##\n")
    began = time.monotonic()
    held = start(["--timeout", "6", "stall.test", "stall.test"])
    time.sleep(1)
    other = subprocess.run(PROGRAM + ["192.0.2.7", "nas"], env=ENV,
                           stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    expect("a run beside one that waits on DNS is not held by the lock",
           other.returncode == 0 and time.monotonic() - began < 5 and
           read(HOSTS).endswith(NAS))
    expect("the waiting run ends at its bound, its line as it was",
           held.wait(timeout=30) == 1 and time.monotonic() - began < 12 and
           b"192.0.2.60\tstall.test\t##Quorvane##" in read(HOSTS))


def cut_short_trial():
    """A large file (mapped by the run) that another program cuts short
    while the run waits on DNS for a domain the file pins since the run
    began: error 198 with its cause, and the file as the other left it."""
    write(HOSTS, LOCAL + b"192.0.2.60\tstall.test\n")  # answers, pins nothing
    with open(ERR, "wb+") as err:
        with hosts_lock():
            run = start(["--timeout", "3", "stall.test", "stall.test", "192.0.2.7", "nas"],
                        stderr=err)
            time.sleep(1)
            write(HOSTS, foreign(4 << 20) + b"192.0.2.60\tstall.test\t##Quorvane##\r\n")
        time.sleep(1)
        os.truncate(HOSTS, 4096)
        cut = read(HOSTS)
        status = run.wait(timeout=30)
        err.seek(0)
        text = err.read()
    expect("a file cut short under a run fails it with 198, untouched",
           status == 1 and read(HOSTS) == cut and b"(198)" in text and
           b"cut the file short" in text)


def admin_trials():
    """An in-place save killed as the file changes, then the administrator
    acts before the next run (the same update)."""
    head, tail = foreign(4096), foreign(8 << 20)
    old, new = head + b"#" + NAS_CRLF + tail, head + NAS_CRLF + tail
    args = ["192.0.2.7", "nas"]
    journals = "/var/lib/quorvane"
    service = (f"mkdir -p -m 700 {journals} && mount --bind {ETC} {ETC} && "
               f"mount -o remount,bind,ro {ETC} && mount --bind {HOSTS} {HOSTS} && "
               f"mount -o remount,bind,rw {HOSTS}")

    def torn(sig=signal.SIGKILL):
        for _ in range(30):
            sh(f"rm -rf {journals}/.hosts.Quorvane-* {ETC}/.hosts.Quorvane-*")
            write(HOSTS, old)
            sh(service)
            since = os.stat(HOSTS).st_mtime_ns
            p = start(args)
            while os.stat(HOSTS).st_mtime_ns == since and p.poll() is None:
                pass
            p.send_signal(sig)
            p.wait()
            sh(f"umount {HOSTS} && umount {ETC}")
            after = read(HOSTS)
            if sig != signal.SIGKILL or (after not in (old, new) and
                                         after.startswith(head + NAS_CRLF)):
                return after
        expect("a kill tore the file", False)

    def next_run():
        run = subprocess.run(PROGRAM + args, stdin=subprocess.DEVNULL, env=ENV,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return run.returncode, run.stderr

    expect("SIGTERM as the file changes lets the save finish",
           torn(signal.SIGTERM) == new and not os.listdir(journals))

    # Removed and copied anew with a line added: the same inode here.
    file = torn() + b"10.9.9.9\tmine\n"
    os.unlink(HOSTS)
    write(HOSTS, file)
    status, err = next_run()
    expect("after a crash, rm and cp by hand: the administrator's bytes stay",
           status == 0 and read(HOSTS) == file and b"hosts" in err and
           os.listdir(journals) == [".hosts.Quorvane-journal-kept"])

    # Another device and inode, as after a reboot: still repaired.
    file = torn()
    sh(f"mount -t tmpfs -o mode=0755 quorvane-other {ETC}")
    write(HOSTS, file)
    status, _ = next_run()
    expect("a torn file on another device is repaired", status == 0 and read(HOSTS) == new
           and not os.listdir(journals))
    sh(f"umount {ETC}")


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
        ok = ok and not [n for n in os.listdir(ETC) if n.startswith(".hosts.Quorvane-")]
        expect(f"concurrency trial {trial}: both lines kept, nothing left", ok)
        kept += ok
    print(f"concurrency trials: {trials}, both lines kept in {kept}")


def main():
    if not PROGRAM or "QUORVANE_SANDBOX" not in os.environ:
        sys.exit("usage: sandbox.sh trials.py PROGRAM [ARGS...]")
    lock_trials()
    stalled_dns_trial()
    cut_short_trial()
    admin_trials()
    concurrency_trials(int(os.environ.get("QUORVANE_CONCURRENCY_TRIALS") or 50))
    print(f"{len(failures)} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
