#!/usr/bin/env python3
"""x_hide_extension.py [NAME | --present-silent | --present-late]: a proxy of the X display of $DISPLAY, on a free
display number of its own (printed once it listens), that passes each connection on byte for byte but says the
extension NAME is not there (Xvfb keeps Present whatever its options say), drops Present's CompleteNotify and
IdleNotify events, or holds every 20th CompleteNotify (and the Present events after it) back for 0.5 s. On SIGUSR1 it
passes nothing more from the server and keeps every connection open: a server that no longer answers."""
import os
import signal
import socket
import struct
import sys
import threading

QUERY_EXTENSION = 98
GENERIC_EVENT = 35
PRESENT_COMPLETE_NOTIFY, PRESENT_IDLE_NOTIFY = 1, 2
stalled = threading.Event()


def exact(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise EOFError
        data += chunk
    return data


def padded(length):
    return (length + 3) & ~3


def requests(client, server, name, asked, order):
    head = exact(client, 12)
    order.append("<" if head[:1] == b"l" else ">")
    auth_name, auth_data = struct.unpack(order[0] + "HH", head[6:10])
    server.sendall(head + exact(client, padded(auth_name) + padded(auth_data)))
    sequence = 0
    while True:
        head = exact(client, 4)
        length = struct.unpack(order[0] + "H", head[2:4])[0]
        if length == 0:  # BIG-REQUESTS: the length follows
            head += exact(client, 4)
            length = struct.unpack(order[0] + "I", head[4:8])[0]
        body = exact(client, 4 * length - len(head))
        sequence = (sequence + 1) & 0xFFFF
        if head[0] == QUERY_EXTENSION:
            size = struct.unpack(order[0] + "H", body[:2])[0]
            if body[4:4 + size] == name:
                asked.add(sequence)
        server.sendall(head + body)


def replies(server, client, asked, order, silent, late):
    head = exact(server, 8)
    client.sendall(head + exact(server, 4 * struct.unpack(order[0] + "H", head[6:8])[0]))
    present_opcode = None
    completes = 0
    sending = threading.Lock()
    held = []  # Present events held back, the late CompleteNotify first

    def release():
        with sending:
            for packet in held:
                client.sendall(packet)
            held.clear()
    while True:
        packet = bytearray(exact(server, 32))
        if packet[0] == 1 or packet[0] & 0x7F == GENERIC_EVENT:  # a reply or a generic event: longer
            packet += exact(server, 4 * struct.unpack(order[0] + "I", packet[4:8])[0])
        sequence = struct.unpack(order[0] + "H", packet[2:4])[0]
        if packet[0] == 1 and sequence in asked:
            asked.discard(sequence)
            if silent or late:
                present_opcode = packet[9] if packet[8] else None
            else:
                packet[8] = 0  # present: no
        if packet[0] & 0x7F == GENERIC_EVENT and packet[1] == present_opcode:
            kind = struct.unpack(order[0] + "H", packet[8:10])[0]
            if silent and kind in (PRESENT_COMPLETE_NOTIFY, PRESENT_IDLE_NOTIFY):
                continue
            completes += kind == PRESENT_COMPLETE_NOTIFY
            with sending:
                if late and (held or (kind == PRESENT_COMPLETE_NOTIFY and completes % 20 == 0)):
                    held.append(bytes(packet))
                    if len(held) == 1:
                        threading.Timer(0.5, release).start()
                    continue
        if not stalled.is_set():
            with sending:
                client.sendall(packet)


def relay(direction, source, dest, *args):
    try:
        direction(source, dest, *args)
    except (EOFError, OSError):
        pass
    for sock in (source, dest):
        try:
            sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def listen():
    """A display number no other server holds: its lock file made as X servers make theirs."""
    for number in range(300 + os.getpid() % 300, 1000):
        try:
            lock = os.open(f"/tmp/.X{number}-lock", os.O_CREAT | os.O_EXCL | os.O_WRONLY, 0o444)
        except FileExistsError:
            continue
        os.write(lock, b"%10d\n" % os.getpid())
        os.close(lock)
        listener = socket.socket(socket.AF_UNIX)
        try:
            listener.bind(f"\0/tmp/.X11-unix/X{number}")
        except OSError:
            os.unlink(f"/tmp/.X{number}-lock")
            continue
        listener.listen(8)
        return listener, number
    sys.exit("x_hide_extension: no free display number")


def main():
    hide = sys.argv[1] if len(sys.argv) > 1 else ""
    silent, late = hide == "--present-silent", hide == "--present-late"
    name = b"Present" if silent or late else hide.encode() or None
    real = "/tmp/.X11-unix/X" + os.environ["DISPLAY"].split(":")[1].split(".")[0]
    listener, number = listen()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    signal.signal(signal.SIGUSR1, lambda *_: stalled.set())
    try:
        print(number, flush=True)
        while True:
            client, _ = listener.accept()
            server = socket.socket(socket.AF_UNIX)
            server.connect(real)
            asked, order = set(), []
            threading.Thread(target=relay, args=(requests, client, server, name, asked, order), daemon=True).start()
            threading.Thread(target=relay, args=(replies, server, client, asked, order, silent, late),
                             daemon=True).start()
    finally:
        os.unlink(f"/tmp/.X{number}-lock")


if __name__ == "__main__":
    main()
