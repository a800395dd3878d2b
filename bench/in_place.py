#!/usr/bin/python3
"""Times the in-place save, the shipped service's default: /etc read-only,
/etc/hosts bind-mounted writable, a 20 MB file whose managed line comes
first (so every later byte is written). Runs each PROGRAM 21 times,
restore and update in turn, and prints the median wall time of a run.
Usage, as root: tests/sandbox.sh /usr/bin/python3 bench/in_place.py PROGRAM...
"""
import statistics
import subprocess
import sys
import time

NAS = b"192.0.2.7\tnas\t##Quorvane##\r\n"


def foreign(size):
    lines, i = [], 0
    while len(lines) * 33 < size:
        lines.append(b"10.%d.%d.%d\thost%07d.example\r\n"
                     % (i >> 16 & 255, i >> 8 & 255, i & 255, i))
        i += 1
    return b"".join(lines)


open("/etc/hosts", "wb").write(foreign(4096) + NAS + foreign(20 << 20))
subprocess.run("mkdir -p -m 700 /var/lib/quorvane && mount --bind /etc /etc && "
               "mount -o remount,bind,ro /etc && mount --bind /etc/hosts /etc/hosts && "
               "mount -o remount,bind,rw /etc/hosts", shell=True, check=True)
try:
    for program in sys.argv[1:]:
        times = []
        for i in range(21):
            args = [] if i % 2 == 0 else ["192.0.2.7", "nas"]
            began = time.monotonic()
            run = subprocess.run([program] + args, stdin=subprocess.DEVNULL,
                                 capture_output=True)
            times.append(time.monotonic() - began)
            if run.returncode != 0:
                sys.exit(f"{program} failed: {run.stderr!r}")
        print(f"{program}: median {statistics.median(times) * 1000:.1f} ms")
finally:
    subprocess.run("umount /etc/hosts && umount /etc", shell=True)
