#!/usr/bin/env python3
"""Opens a pseudo-terminal, prints the path of its terminal side, links it
where asked, and echoes every byte it receives until killed."""
import os
import sys
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
    os.write(master, data)
