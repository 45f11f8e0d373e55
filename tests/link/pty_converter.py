#!/usr/bin/env python3
"""Plays a converter on a pseudo-terminal behind a Wine COM port and runs a test program on it.

usage: pty_converter.py WINE_EXEC PREFIX PORT TEST_EXE
The port (for example COM42) is pointed at the pty's slave side in the prefix's dosdevices for
the run and removed afterwards. Exit code: the test program's, or 1 if the converter did not see
the requests it expects or a test was skipped.
"""
import os
import select
import subprocess
import sys
import tempfile
import time
import tty


def frame(start, data):
    body = bytes([start, len(data)]) + bytes(data)
    return body + bytes([(-sum(body)) & 0xFF])


def answer(data):
    return frame(0x06, data)


# Request -> the converter's reaction: a list of byte pieces with pauses (seconds) between them;
# HANGUP closes the pseudo-terminal, as a USB adapter pulled out.
HANGUP = "hangup"
SCRIPT = [
    (bytes.fromhex("012100DE"), [answer(b"ZR3\0\0\0\0\0")]),
    (bytes.fromhex("012200DD"), [answer(b"\x03\x01")]),
    (bytes.fromhex("0140040000484132"), [bytes.fromhex("060400"), 0.04, bytes.fromhex("00404175")]),
    (bytes.fromhex("014400BB"), []),
    (bytes.fromhex("014100BE"), [bytes.fromhex("06040000")]),
    (bytes.fromhex("014300BC"), [bytes.fromhex("060105F5")]),
    (bytes.fromhex("014500BA"), [answer(b"\x02")]),
    (bytes.fromhex("012300DC"), [HANGUP]),
]


def read_request(master, child, pending):
    """Reads one request frame (header, then length + 1 bytes); None when the child has ended."""
    while True:
        if len(pending) >= 3 and len(pending) >= 4 + pending[2]:
            size = 4 + pending[2]
            request = bytes(pending[:size])
            del pending[:size]
            return request
        ready, _, _ = select.select([master], [], [], 0.1)
        if master in ready:
            try:
                pending.extend(os.read(master, 256))
            except OSError:
                return None
        elif child.poll() is not None:
            return None


def main():
    wine_exec, prefix, port, test_exe = sys.argv[1:5]
    subprocess.run([os.path.join(os.path.dirname(wine_exec), "wine-prefix"), prefix], check=True)
    master, slave = os.openpty()
    tty.setraw(slave)
    link = os.path.join(prefix, "dosdevices", port.lower())
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(os.ttyname(slave), link)
    env = dict(os.environ, ZR3_TEST_PORT=port, ZR3_WINEPREFIX=prefix)
    seen = []
    try:
        # The program's output goes to a file, so that it never blocks on a full pipe.
        log = tempfile.TemporaryFile()
        child = subprocess.Popen([wine_exec, test_exe], env=env, stdout=log,
                                 stderr=subprocess.STDOUT)
        pending = bytearray()
        for expected, reaction in SCRIPT:
            request = read_request(master, child, pending)
            if request is None:
                break
            seen.append(request)
            if request != expected:
                print("converter: expected %s, got %s" % (expected.hex(), request.hex()))
                break
            for piece in reaction:
                if piece == HANGUP:
                    os.close(master)
                    os.close(slave)
                    master = slave = None
                elif isinstance(piece, float):
                    time.sleep(piece)
                else:
                    os.write(master, piece)
        while child.poll() is None:
            time.sleep(0.05)
        log.seek(0)
        text = log.read().decode("utf-8", "replace").replace("\r\n", "\n")
        log.close()
        sys.stdout.write(text)
    finally:
        os.remove(link)
        if master is not None:
            os.close(master)
            os.close(slave)
    status = child.returncode
    if len(seen) != len(SCRIPT) or any(s != e for s, (e, _) in zip(seen, SCRIPT)):
        print("converter: saw %d of %d expected requests" % (len(seen), len(SCRIPT)))
        status = status or 1
    if "[  SKIPPED ]" in text:
        print("converter: a test was skipped")
        status = status or 1
    return status


if __name__ == "__main__":
    sys.exit(main())
