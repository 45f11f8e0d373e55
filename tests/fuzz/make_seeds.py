#!/usr/bin/env python3
"""Writes the seed corpora under corpus/<target>/: a few sound exchanges, files and numbers.

The link and device model targets read their input through FuzzedDataProvider: line bytes from
the front, choices and values from the back (the last byte first). Seeds are built the same way.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


class Input:
    """Bytes for FuzzedDataProvider: ConsumeBytes takes from the front, integers from the back."""

    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order they are consumed

    def integer(self, value, low, high):
        span = high - low
        count = 0
        while count < 8 and (span >> (8 * count)) > 0:
            count += 1
        raw = value - low
        for i in reversed(range(count)):  # the first byte consumed is the most significant
            self.back.append((raw >> (8 * i)) & 0xFF)

    def byte(self, value):
        self.integer(value, 0, 0xFF)

    def word(self, value):
        self.integer(value, 0, 0xFFFF)

    def bits(self, value):
        self.integer(value, 0, 0xFFFFFFFF)

    def raw(self, data):
        self.front += bytes(data)

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


def checksum(data):
    return (-sum(data)) & 0xFF


def answer(data):
    frame = bytes([0x06, len(data)]) + bytes(data)
    return frame + bytes([checksum(frame)])


def request(code, data=b""):
    frame = bytes([0x01, code, len(data)]) + bytes(data)
    return frame + bytes([checksum(frame)])


def arrive(seed, frame, pieces=None):
    """One answer read as the link reads it: header, then the rest, each in one read."""
    pieces = pieces or [2, len(frame) - 2]
    offset = 0
    for count, piece in zip([2, len(frame) - 2], pieces):
        seed.integer(piece, 0, count)
        seed.raw(frame[offset:offset + piece])
        offset += piece
    if frame[0] == 0x06 and frame[1] <= 61 and offset == len(frame):
        seed.byte(0)  # the checksum stays as it is


def float_bits(value):
    return struct.unpack("<I", struct.pack("<f", value))[0]


def link_seeds():
    seeds = {}
    s = Input()  # identity, firmware 1.03, input damping 5
    s.integer(2, 0, 47)
    arrive(s, answer(b"ZR3\0\0\0\0\0"))
    s.integer(3, 0, 47)
    s.word(0)
    arrive(s, answer(b"\x03\x01"))
    s.integer(21, 0, 47)
    s.byte(0xAA)
    arrive(s, answer(b"\x05"))
    seeds["identify_version_damping"] = s.bytes()

    s = Input()  # write start of range 12.5, read the probe coefficients of firmware 1.03
    s.integer(25, 0, 47)
    s.bits(float_bits(12.5))
    arrive(s, answer(struct.pack("<f", 12.5)))
    s.integer(3, 0, 47)
    s.word(0)
    arrive(s, answer(b"\x03\x01"))
    s.integer(39, 0, 47)
    for _ in range(4):
        s.bits(0)
    arrive(s, answer(struct.pack("<4f", 0.0, 1.4, 0.0, 0.0)))
    seeds["range_coefficients"] = s.bytes()

    s = Input()  # relay block, sensor table, commit, with a checksum error in between
    s.integer(37, 0, 47)
    s.bits(0)
    s.bits(0)
    s.word(0)
    s.word(0)
    arrive(s, answer(struct.pack("<ffHH", 100.0, 90.0, 5, 5)))
    s.integer(14, 0, 47)
    s.byte(0)
    bad = bytearray(answer(struct.pack("<f", 1.0)))
    bad[-1] ^= 1
    arrive(s, bytes(bad))
    s.integer(35, 0, 47)
    for _ in range(5):
        s.bits(0)
    arrive(s, answer(struct.pack("<5f", 100.0, 0.385, -5.8e-7, 0.0, 0.0)))
    s.integer(41, 0, 47)
    arrive(s, answer(b""), pieces=[2, 1])
    seeds["relay_table_commit"] = s.bytes()

    s = Input()  # an answer trickling in byte by byte, then a long header and a negative one
    s.integer(8, 0, 47)
    s.byte(0)
    frame = answer(struct.pack("<f", 3.5))
    s.integer(1, 0, 2)
    s.raw(frame[0:1])
    s.integer(1, 0, 1)
    s.raw(frame[1:2])
    for i in range(2, len(frame)):
        s.integer(1, 0, len(frame) - i)
        s.raw(frame[i:i + 1])
    s.byte(0)
    s.integer(9, 0, 47)
    s.byte(0)
    s.integer(2, 0, 2)
    s.raw(b"\x06\x3e")
    s.integer(10, 0, 47)
    s.byte(0)
    s.integer(2, 0, 2)
    s.raw(b"\x15\x00")
    seeds["slow_long_negative"] = s.bytes()

    s = Input()  # firmware 1.01: the coefficients travel as K[1..3] under '='
    s.integer(3, 0, 47)
    s.word(0)
    arrive(s, answer(b"\x01\x01"))
    s.integer(39, 0, 47)
    for _ in range(4):
        s.bits(0)
    arrive(s, answer(struct.pack("<3f", 1.4, 0.0, 0.0)))
    s.integer(40, 0, 47)
    for value in (0.5, 1.25, 0.0, 0.0):
        s.bits(float_bits(value))
    arrive(s, answer(struct.pack("<3f", 1.25, 0.0, 0.0)))
    seeds["old_firmware_coefficients"] = s.bytes()
    return seeds


def probe_table_seeds():
    def image(points):
        g = [p[0] for p in points] + [0.0] * (10 - len(points))
        k = [p[1] for p in points] + [0.0] * (10 - len(points))
        return struct.pack("<I10d10d", len(points), *g, *k)

    three = image([(1000.5, 1413.0), (9.1, 12.88), (100.0, 147.0)])
    full = image([(10.0 * i + 1, 14.0 * i + 2) for i in range(10)])
    eleven = struct.pack("<I", 11) + full[4:]
    return {
        "empty": image([]),
        "three_points": three,
        "full": full,
        "short_100": three[:100],
        "count_eleven": eleven,
    }


def number_seeds():
    texts = ["12.5", "-0,25", "1.4E-3", "+7", "123", "-2147483648", "2147483648", "1e39",
             ".5", "5.", "1.399999976E+00", "0", "abc"]
    return {"n%02d" % i: t.encode() for i, t in enumerate(texts)}


def device_model_seeds():
    seeds = {}
    s = Input()
    s.integer(3, 0, 4)  # firmware 1.03
    frames = [request(0x21), request(0x22), request(0x44, b"\x05"),
              request(0x40, struct.pack("<f", 12.5)), request(0x2C, b"\x00"),
              request(0x46, struct.pack("<4f", 0.0, 1.4, 0.0, 0.0)), request(0x29)]
    for f in frames:
        s.integer(len(f), 0, 40)
        s.raw(f)
        s.integer(0, 0, 2)  # taken as it is
        s.integer(0, 0, 255)  # no time passes
    seeds["requests"] = s.bytes()

    s = Input()
    s.integer(1, 0, 4)  # firmware 1.01
    stream = b"\x55" + request(0x3D) + request(0x45, b"\x02")[:3] + request(0x3C)
    for i in range(0, len(stream), 5):
        piece = stream[i:i + 5]
        s.integer(len(piece), 0, 40)
        s.raw(piece)
        s.integer(0, 0, 2)
        s.integer(1, 0, 255)
        s.integer(650, 0, 5000)
    seeds["stream_pieces"] = s.bytes()
    return seeds


def main():
    for target, seeds in [("link_answer", link_seeds()), ("probe_table", probe_table_seeds()),
                          ("number_text", number_seeds()),
                          ("device_model", device_model_seeds())]:
        folder = os.path.join(HERE, "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
