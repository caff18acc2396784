#!/usr/bin/env python3
"""Runs `morvane verify` on every volume the crash enumeration wrote from a
power loss between a replacement's delete and its move (DIR/NAME, with the
name of the orphan that holds the content in DIR/NAME.orphan): verify must
fail and name that orphan as a packed new copy or a plain working copy.

    check_crash_windows.py MORVANE DIR"""
import pathlib
import subprocess
import sys


def main():
    morvane, directory = sys.argv[1], pathlib.Path(sys.argv[2])
    volumes = sorted(path.with_suffix("") for path in directory.glob("*.orphan"))
    failures = 0
    for volume in volumes:
        orphan = volume.with_suffix(".orphan").read_text()
        verified = subprocess.run([morvane, "verify", str(volume)], capture_output=True, timeout=300)
        output = verified.stdout.decode()
        if verified.returncode == 0 or "orphan \\%s: a " % orphan not in output:
            print("%s: verify does not name %s\n%s" % (volume.name, orphan, output))
            failures += 1
    print("%d volumes from inside a replacement's window, %d orphans not named" % (len(volumes), failures))
    return 1 if failures or not volumes else 0


if __name__ == "__main__":
    sys.exit(main())
