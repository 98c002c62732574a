#!/usr/bin/env python3
"""Opens a pseudo-terminal, prints the path of its terminal side, links it
where asked, and echoes every byte it receives until killed.

The two bytes F0 0F alone are not echoed: they ask for a reply in pieces,
10 bytes, a pause of 3 ms, 10 bytes, a pause of 200 ms, 10 bytes, so that
the reader's interval time-out can be checked."""
import os
import sys
import time
import tty

master, slave = os.openpty()
tty.setraw(slave)
path = os.ttyname(slave)
if len(sys.argv) > 1:
    try:
        os.unlink(sys.argv[1])
    except FileNotFoundError:
        pass
    os.symlink(path, sys.argv[1])
print(path, flush=True)
while True:
    data = os.read(master, 4096)
    if not data:
        break
    if data == b"\xf0\x0f":
        os.write(master, bytes(range(10)))
        time.sleep(0.003)
        os.write(master, bytes(range(10, 20)))
        time.sleep(0.2)
        os.write(master, bytes(range(20, 30)))
        continue
    os.write(master, data)
