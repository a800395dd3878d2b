#!/usr/bin/python3
"""A DNS server that holds its clients: every UDP query gets an empty
answer with the TC bit (try TCP), and every TCP connection is accepted and
never answered. Usage: stall_dns.py ADDRESS (port 53); runs until killed."""
import select
import socket
import sys

address = sys.argv[1]
udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
udp.bind((address, 53))
tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
tcp.bind((address, 53))
tcp.listen(64)
held = []
while True:
    ready, _, _ = select.select([udp, tcp] + held, [], [])
    for sock in ready:
        if sock is udp:
            query, client = udp.recvfrom(4096)
            if len(query) >= 12:  # the question echoed, QR and TC set
                udp.sendto(query[:2] + bytes([0x82 | (query[2] & 1), 0]) +
                           query[4:6] + b"\0" * 6 + query[12:], client)
        elif sock is tcp:
            held.append(tcp.accept()[0])
        elif not sock.recv(4096):  # read, never answered; gone when closed
            held.remove(sock)
            sock.close()
