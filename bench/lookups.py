#!/usr/bin/python3
"""Times runs whose domains answer slowly: a DNS server of its own on
127.0.0.2:53 (the sandbox's resolv.conf is pointed at it) answers every A query after DELAY seconds (each query on its
own timer, so many can wait at once), and the program updates a hosts file
from a list of N pairs, for N = 1, 8 and 32. With the lookups one after
another a run takes N answers' time; all at once, about one. Last, one run
each of 32 domains that the server never answers: each lookup waits for the
resolver's time-out (the sandbox's resolv.conf: 2 s, one attempt), and the
run ends with error 238.

Run in the end-to-end tests' sandbox (a private network and /etc), as root:
  sudo tests/sandbox.sh /usr/bin/python3 bench/lookups.py PROGRAM [OTHER]
PROGRAM and OTHER (say, an older build) are timed in turn; ROUNDS (5) and
DELAY (0.2) come from the environment. Each run's output is checked: every
host name gets its domain's address.
"""
import asyncio
import os
import statistics
import struct
import subprocess
import sys
import threading
import time

DELAY = float(os.environ.get("DELAY", "0.2"))
ROUNDS = int(os.environ.get("ROUNDS", "5"))
SCRATCH = os.environ["QUORVANE_SANDBOX"]


def address_of(name):
    """d7.bench answers 192.0.2.7."""
    return "192.0.2.%d" % (int(name.split(".")[0][1:]) % 250)


class SlowDns(asyncio.DatagramProtocol):
    def connection_made(self, transport):
        self.transport = transport

    def datagram_received(self, data, peer):
        if b"\x06silent" not in data:  # s1.silent.bench: never answered
            asyncio.get_running_loop().call_later(DELAY, self.answer, data, peer)

    def answer(self, query, peer):
        ident, _, count = struct.unpack(">HHH", query[:6])
        at, labels = 12, []
        while query[at]:
            labels.append(query[at + 1:at + 1 + query[at]].decode())
            at += 1 + query[at]
        question = query[12:at + 5]
        qtype = struct.unpack(">H", query[at + 1:at + 3])[0]
        name = ".".join(labels)
        found = qtype == 1 and name.endswith(".bench") and name[0] == "d"
        header = struct.pack(">HHHHHH", ident, 0x8180 if found or qtype != 1 else 0x8183,
                             1, 1 if found else 0, 0, 0)
        record = b""
        if found:
            record = (b"\xc0\x0c" + struct.pack(">HHIH", 1, 1, 60, 4) +
                      bytes(int(x) for x in address_of(name).split(".")))
        self.transport.sendto(header + question + record, peer)


def serve():
    loop = asyncio.new_event_loop()
    loop.run_until_complete(loop.create_datagram_endpoint(
        SlowDns, local_addr=("127.0.0.2", 53)))
    loop.run_forever()


def main():
    programs = sys.argv[1:]
    if not programs or not SCRATCH:
        sys.exit(__doc__)
    # The sandbox's /etc is its own: its resolver asks the slow server.
    with open("/etc/resolv.conf") as f:
        conf = f.read()
    with open("/etc/resolv.conf", "w") as f:
        f.write(conf.replace("nameserver 127.0.0.1", "nameserver 127.0.0.2"))
    threading.Thread(target=serve, daemon=True).start()
    time.sleep(0.3)
    env = dict(os.environ, LC_ALL="C")
    print(f"delay {DELAY * 1000:.0f} ms per answer, median of {ROUNDS} runs, wall seconds")
    print("| N | " + " | ".join(programs) + " |")
    for n in (1, 8, 32):
        names = ["d%d.bench" % i for i in range(1, n + 1)]
        listing = SCRATCH + "/slow.list"
        with open(listing, "w") as f:
            f.writelines(f"{d} h{i}\n" for i, d in enumerate(names, 1))
        want = "".join(f"{address_of(d)}\th{i}\t##Quorvane##\r\n"
                       for i, d in enumerate(names, 1))
        medians = []
        for program in programs:
            times = []
            for _ in range(ROUNDS):
                with open("/etc/hosts", "w") as f:
                    f.write("127.0.0.1\tlocalhost\n")
                began = time.monotonic()
                run = subprocess.run([program, "@" + listing], env=env,
                                     capture_output=True, stdin=subprocess.DEVNULL)
                times.append(time.monotonic() - began)
                hosts = open("/etc/hosts", newline="").read()
                if run.returncode != 0 or not hosts.endswith(want):
                    sys.exit(f"{program} with {n} pairs: status {run.returncode}, "
                             f"{run.stderr[:300]!r}, hosts {hosts[:300]!r}")
            medians.append(statistics.median(times))
        print(f"| {n} | " + " | ".join(f"{m:.2f}" for m in medians) + " |", flush=True)
    silent = SCRATCH + "/silent.list"
    with open(silent, "w") as f:
        f.writelines(f"s{i}.silent.bench h{i}\n" for i in range(1, 33))
    took = []
    for program in programs:
        began = time.monotonic()
        run = subprocess.run([program, "@" + silent], env=env, capture_output=True,
                             stdin=subprocess.DEVNULL)
        took.append(time.monotonic() - began)
        if run.returncode != 1 or b"(238)" not in run.stderr:
            sys.exit(f"{program}, silent domains: status {run.returncode}")
    print("| 32, never answered | " + " | ".join(f"{t:.2f}" for t in took) + " |")


if __name__ == "__main__":
    main()
