#!/usr/bin/env python3
"""Reads every NAME.packed in a directory with Python's zlib, an independent
decoder, and checks it against NAME.plain: magic, unpacked length, and a
single zlib stream that holds exactly the plain content."""
import pathlib
import sys
import zlib


def check(packed_path):
    image = packed_path.read_bytes()
    plain = packed_path.with_suffix(".plain").read_bytes()
    if image[:2] != b"\x24\xa1":
        return "bad magic"
    if int.from_bytes(image[2:6], "little") != len(plain):
        return "unpacked length %d, content %d" % (int.from_bytes(image[2:6], "little"), len(plain))
    decoder = zlib.decompressobj()  # zlib format (RFC 1950): header and Adler-32 checked
    content = decoder.decompress(image[6:]) + decoder.flush()
    if not decoder.eof:
        return "stream does not end"
    if decoder.unused_data:
        return "%d bytes after the stream" % len(decoder.unused_data)
    if content != plain:
        return "content differs"
    return None


def main():
    directory = pathlib.Path(sys.argv[1])
    images = sorted(directory.glob("*.packed"))
    if not images:
        print("no packed images in", directory)
        return 1
    failures = 0
    for image in images:
        problem = check(image)
        print("%-24s %s" % (image.name, problem or "ok"))
        failures += problem is not None
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
