"""The morvane command on a backing directory, without a mount: what it
stores, what it reports, and how it fails. Runs in both builds:

    command_test.py [--win32] COMMAND...

where COMMAND runs morvane (under Wine: the wrapper, then morvane.exe)."""

import os
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from morvane_testing import Morvane, is_packed, unpacked_content, PACKED_MAGIC  # noqa: E402

MORVANE = None


class CommandTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory(prefix="morvane-cli-")
        self.root = self.scratch.name
        self.backing = os.path.join(self.root, "backing")
        os.mkdir(self.backing)
        self.registry = os.path.join(self.root, "registry.reg")
        os.environ["MORVANE_REGISTRY"] = self.registry
        MORVANE.set_settings(self.registry, 1, 9)

    def tearDown(self):
        self.scratch.cleanup()

    def local(self, name, content):
        path = os.path.join(self.root, name)
        with open(path, "wb") as out:
            out.write(content)
        return path

    def run_ok(self, *arguments):
        result = MORVANE.run(*arguments)
        self.assertEqual(result.returncode, 0, result.stderr.decode(errors="replace"))
        return result.stdout.decode(errors="replace")

    def put(self, content, name="file.txt"):
        self.run_ok("put", MORVANE.host(self.backing), MORVANE.host(self.local("source", content)), name)
        return os.path.join(self.backing, *name.strip("/").split("/"))

    def test_put_packs_and_get_and_cat_unpack(self):
        content = b"a line that repeats\n" * 5000
        stored = self.put(content)
        self.assertEqual(unpacked_content(stored), content)
        self.assertLess(os.path.getsize(stored), len(content))
        out = os.path.join(self.root, "out")
        self.run_ok("get", MORVANE.host(self.backing), "/file.txt", MORVANE.host(out))
        with open(out, "rb") as copy:
            self.assertEqual(copy.read(), content)
        self.assertEqual(MORVANE.run("cat", MORVANE.host(self.backing), "file.txt").stdout, content)

    def test_put_stores_plain_with_compression_off(self):
        MORVANE.set_settings(self.registry, 0, 9)
        stored = self.put(b"plain content\n" * 100)
        self.assertFalse(is_packed(stored))
        MORVANE.set_settings(self.registry, None, None)
        stored = self.put(b"no key: stored plain\n")
        self.assertFalse(is_packed(stored))

    def test_put_replaces_and_rm_deletes(self):
        self.put(b"first version, long enough to be packed " * 10)
        stored = self.put(b"second\n")
        self.assertEqual(unpacked_content(stored), b"second\n")
        self.run_ok("rm", MORVANE.host(self.backing), "file.txt")
        self.assertFalse(os.path.exists(stored))
        self.assertEqual(os.listdir(self.backing), [])

    def test_ls_shows_unpacked_and_stored_sizes(self):
        content = b"0123456789" * 1000
        stored = self.put(content, "big.txt")
        os.mkdir(os.path.join(self.backing, "folder"))
        listing = self.run_ok("ls", MORVANE.host(self.backing))
        row = next(line for line in listing.splitlines() if line.endswith(" big.txt")).split()
        self.assertEqual(row[1:4], [str(len(content)), str(os.path.getsize(stored)), "packed"])
        self.assertTrue(any(line.endswith(" folder/") for line in listing.splitlines()))

    def test_df_reports_three_times_the_capacity(self):
        out = self.run_ok("df", MORVANE.host(self.backing))
        numbers = {line.split()[0]: int(line.split()[1]) for line in out.splitlines() if line.split()[0] != "cluster"}
        vfs = os.statvfs(self.backing)
        real_total = vfs.f_blocks * vfs.f_frsize
        # The lower layer rounds the host's capacity to whole clusters.
        self.assertAlmostEqual(numbers["size"] / real_total, 3.0, delta=0.01)
        self.assertEqual(numbers["used"], numbers["size"] - numbers["free"])

    def test_inspect_reports_form_sizes_ratio_and_validity(self):
        content = b"compressible " * 2000
        stored = self.put(content)
        plain = self.local("plain.txt", b"just text\n")
        damaged = self.local("damaged.bin", PACKED_MAGIC + (50).to_bytes(4, "little") + b"not a zlib stream at all")
        # A valid stream that ends before the length the header states.
        short = self.local("short.bin", PACKED_MAGIC + (100).to_bytes(4, "little") + zlib.compress(b"x" * 60))

        result = MORVANE.run("inspect", MORVANE.host(stored), MORVANE.host(plain))
        self.assertEqual(result.returncode, 0)
        lines = result.stdout.decode().splitlines()
        self.assertIn("packed, stored %d, unpacked %d, ratio " % (os.path.getsize(stored), len(content)), lines[0])
        self.assertTrue(lines[0].endswith("stream valid"))
        self.assertTrue(lines[1].endswith("plain, 10 bytes"))

        for bad in (damaged, short):
            result = MORVANE.run("inspect", MORVANE.host(bad))
            self.assertEqual(result.returncode, 1)
            self.assertIn("stream damaged", result.stdout.decode())

    def test_verify_lists_orphans_and_damage(self):
        self.put(b"healthy " * 500, "good.txt")
        self.assertEqual(MORVANE.run("verify", MORVANE.host(self.backing)).returncode, 0)
        # What a power loss leaves: a new copy that never reached its name, a working copy.
        with open(os.path.join(self.backing, "TMP4242"), "wb") as orphan:
            content = b"recover me " * 100
            orphan.write(PACKED_MAGIC + len(content).to_bytes(4, "little") + zlib.compress(content))
        with open(os.path.join(self.backing, "TMP77"), "wb") as orphan:
            orphan.write(b"a working copy")
        with open(os.path.join(self.backing, "broken.txt"), "wb") as broken:
            broken.write(PACKED_MAGIC + b"\x10\x00\x00\x00garbage")
        result = MORVANE.run("verify", MORVANE.host(self.backing))
        out = result.stdout.decode()
        self.assertEqual(result.returncode, 1)
        self.assertIn("orphan \\TMP4242: a packed new copy, packed", out)
        self.assertIn("orphan \\TMP77: a plain working copy, plain, 14 bytes", out)
        self.assertIn("broken.txt: damaged", result.stderr.decode())
        self.assertIn("4 files, 2 packed, 1 damaged, 2 orphan temporary files", out)
        # The hint works: the orphan's content comes back through the filter.
        self.assertEqual(MORVANE.run("cat", MORVANE.host(self.backing), "/TMP4242").stdout, content)

    def test_settings_show_set_and_refuse(self):
        self.assertIn("ENABLE 1\nLEVEL  9", self.run_ok("settings").replace("\r", ""))
        self.run_ok("settings", "--enable", "0", "--level", "3")
        self.assertIn("ENABLE 0\nLEVEL  3", self.run_ok("settings").replace("\r", ""))
        self.run_ok("settings", "--level", "1")
        self.assertIn("ENABLE 0\nLEVEL  1", self.run_ok("settings").replace("\r", ""))
        for refused in (["--level", "0"], ["--level", "10"], ["--enable", "2"], ["--level", "x"]):
            result = MORVANE.run("settings", *refused)
            self.assertEqual(result.returncode, 2, refused)
        self.assertIn("ENABLE 0\nLEVEL  1", self.run_ok("settings").replace("\r", ""))
        MORVANE.set_settings(self.registry, None, None)
        result = MORVANE.run("settings", "--enable", "1")
        self.assertEqual(result.returncode, 1)
        self.assertIn("missing", result.stderr.decode())

    def test_failures_name_the_file_and_exit_nonzero(self):
        backing = MORVANE.host(self.backing)
        cases = [
            (["get", backing, "/absent.txt", MORVANE.host(os.path.join(self.root, "x"))], "/absent.txt"),
            (["cat", backing, "nothing/here"], "nothing/here"),
            (["rm", backing, "gone"], "gone"),
            (["put", backing, MORVANE.host(os.path.join(self.root, "no-such-local")), "a"], "no-such-local"),
            (["ls", MORVANE.host(os.path.join(self.root, "no-such-volume"))], "no-such-volume"),
            (["inspect", MORVANE.host(os.path.join(self.root, "no-such-file"))], "no-such-file"),
        ]
        for arguments, named in cases:
            result = MORVANE.run(*arguments)
            self.assertEqual(result.returncode, 1, arguments)
            self.assertIn(named, result.stderr.decode(), arguments)
        self.assertFalse(os.path.exists(os.path.join(self.root, "x")), "a failed get leaves no file")

    def test_help_for_every_subcommand(self):
        for subcommand in ("ls", "cat", "put", "get", "rm", "df", "inspect", "verify", "settings"):
            result = MORVANE.run(subcommand, "--help")
            self.assertEqual(result.returncode, 0, subcommand)
            self.assertIn("Usage", result.stdout.decode(), subcommand)
        self.assertEqual(MORVANE.run("no-such-subcommand").returncode, 2)

    def test_hostile_names_stay_inside_the_volume(self):
        source = MORVANE.host(self.local("payload", b"payload"))
        inside = os.path.join(self.root, "inside")
        os.mkdir(inside)
        backing = MORVANE.host(inside)
        # What a name that got out would overwrite or delete.
        decoy = self.local("escaped", b"outside the volume")
        outside = sorted(os.listdir(self.root))
        hostile = ["../escaped", "/../escaped", "..\\escaped", "\\..\\..\\escaped", "a/../../escaped",
                   "C:\\escaped", "C:escaped", "\\\\server\\share\\escaped", "sub\\..\\..\\escaped",
                   MORVANE.host(decoy)]
        for name in hostile:
            MORVANE.run("put", backing, source, name)
            MORVANE.run("rm", backing, name)
            self.assertEqual(sorted(os.listdir(self.root)), outside, name)
            with open(decoy, "rb") as untouched:
                self.assertEqual(untouched.read(), b"outside the volume", name)
        # Whatever the volume accepted, it holds inside its root.
        for directory, _, files in os.walk(inside):
            self.assertTrue(os.path.realpath(directory).startswith(os.path.realpath(inside)))


def main():
    global MORVANE
    arguments = sys.argv[1:]
    win32 = arguments[:1] == ["--win32"]
    MORVANE = Morvane(arguments[1:] if win32 else arguments, win32)
    unittest.main(argv=[sys.argv[0], "-v"])


if __name__ == "__main__":
    main()
