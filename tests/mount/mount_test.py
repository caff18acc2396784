"""The FUSE mount under real programs. One list of checks, run over a plain
backing directory or over an exFAT image on a loop device (mounted with
exfat-fuse), each comparing what the programs wrote with what they read:

    mount_test.py plain|exfat MORVANE

Exits 77 (skipped) when FUSE, or for exfat a loop device, is not available."""

import errno
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from morvane_testing import Morvane, is_packed, make_tree, unpacked_content  # noqa: E402
from mount_fixtures import ExfatImage, missing_requirements, run, start_mount  # noqa: E402

SKIPPED = 77
MORVANE = None
BACKING_KIND = None
ORPHAN = "TMP999"


class Backing:
    """The directory under the mount: plain, or an exFAT image's mount."""

    def __init__(self, scratch, kind):
        self.kind = kind
        self.path = os.path.join(scratch, "backing")
        os.mkdir(self.path)
        self.image = ExfatImage(os.path.join(scratch, "card.img"), self.path, 256 << 20) if kind == "exfat" else None

    def release(self):
        """Unmounts and detaches; returns fsck's verdict for an image."""
        if self.image is None:
            return None
        self.image.unmount()
        verdict = self.image.fsck()
        self.image.release()
        self.image = None
        return verdict


class Mount:
    """morvane mount in the foreground, as a child process."""

    def __init__(self, backing, mountpoint):
        self.mountpoint = mountpoint
        self.errors = b""
        self.process = start_mount([MORVANE], backing, mountpoint, subprocess.PIPE)

    def unmount(self):
        """Returns the exit status and stderr of the mount."""
        # Also after a crash: a dead mount stays until it is unmounted.
        subprocess.run(["fusermount3", "-u", "-q", self.mountpoint], check=False, capture_output=True)
        if self.process.returncode is None:
            _, self.errors = self.process.communicate(timeout=120)
        return self.process.returncode, self.errors.decode()


def close_quietly(file):
    """Closes a file whose mount is gone: the close can only fail."""
    try:
        file.close()
    except OSError:
        pass


def stored_files(root):
    for directory, _, files in os.walk(root):
        for name in files:
            yield os.path.join(directory, name)


class MountChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="morvane-mount-")
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        cls.backing = Backing(cls.scratch, BACKING_KIND)
        cls.addClassCleanup(cls.backing.release)
        # An orphan of an interrupted close, there before the mount.
        with open(os.path.join(cls.backing.path, ORPHAN), "wb") as orphan:
            orphan.write(b"left by a power loss")
        cls.mount = Mount(cls.backing.path, os.path.join(cls.scratch, "mnt"))
        cls.addClassCleanup(cls.mount.unmount)
        cls.source = os.path.join(cls.scratch, "source")
        cls.tree = make_tree(cls.source)

    @classmethod
    def tearDownClass(cls):
        """After the checks: a clean unmount, every non-empty file packed, no
        temporary file left, and for the image a clean fsck."""
        status, errors = cls.mount.unmount()
        assert status == 0 and errors == "", "the mount ended badly: %d %s" % (status, errors)
        leftovers = [path for path in stored_files(cls.backing.path) if os.path.basename(path).startswith("TMP")]
        assert leftovers == [], "temporary files left behind: %s" % leftovers
        plain = [path for path in stored_files(cls.backing.path) if os.path.getsize(path) > 0 and not is_packed(path)]
        assert plain == [], "files the filter did not pack: %s" % plain
        verdict = cls.backing.release()
        if verdict is not None:
            assert verdict.returncode == 0, "fsck.exfat: " + verdict.stdout.decode() + verdict.stderr.decode()

    def setUp(self):
        self.work = os.path.join(self.mount.mountpoint, self._testMethodName)
        os.mkdir(self.work)

    def in_work(self, *names):
        return os.path.join(self.work, *names)

    def stored(self, *names):
        return os.path.join(self.backing.path, self._testMethodName, *names)

    def read(self, path):
        with open(path, "rb") as file:
            return file.read()

    def write(self, path, content):
        with open(path, "wb") as file:
            file.write(content)

    def assertSameTree(self, expected, actual):
        run("diff", "-r", expected, actual)

    # Real programs.

    def test_cp_a_and_diff(self):
        run("cp", "-a", self.source, self.in_work("copy"))
        self.assertSameTree(self.source, self.in_work("copy"))
        for name, content in self.tree.items():
            self.assertEqual(os.stat(self.in_work("copy", name)).st_size, len(content), name)
        self.assertEqual(unpacked_content(self.stored("copy", "readme.txt")), self.tree["readme.txt"])

    def test_tar_create_and_extract(self):
        run("tar", "-C", self.source, "-cf", self.in_work("tree.tar"), ".")
        os.mkdir(self.in_work("extracted"))
        run("tar", "-C", self.in_work("extracted"), "-xf", self.in_work("tree.tar"))
        self.assertSameTree(self.source, self.in_work("extracted"))
        run("tar", "-C", self.source, "-df", self.in_work("tree.tar"))

    def test_rsync(self):
        run("rsync", "-a", self.source + "/", self.in_work("synced"))
        self.assertSameTree(self.source, self.in_work("synced"))
        changed = os.path.join(self.scratch, "changed")
        run("cp", "-a", self.source, changed)
        os.chmod(os.path.join(changed, "readonly.txt"), 0o644)
        self.write(os.path.join(changed, "readme.txt"), b"rewritten by the second run\n")
        os.chmod(os.path.join(changed, "readonly.txt"), 0o444)
        run("rsync", "-a", "--checksum", changed + "/", self.in_work("synced"))
        self.assertSameTree(changed, self.in_work("synced"))

    def test_git(self):
        repository = self.in_work("repository")
        run("git", "init", "-q", repository)
        run("git", "-C", repository, "config", "user.email", "test@example.org")
        run("git", "-C", repository, "config", "user.name", "Test")
        run("cp", "-a", self.source + "/.", repository)
        run("git", "-C", repository, "add", "-A")
        run("git", "-C", repository, "commit", "-qm", "first")
        self.write(os.path.join(repository, "docs", "notes.md"), b"changed\n")
        run("git", "-C", repository, "commit", "-qam", "second")
        run("git", "-C", repository, "fsck", "--full", "--strict")
        log = run("git", "-C", repository, "log", "--format=%s").stdout.decode().split()
        self.assertEqual(log, ["second", "first"])
        clone = os.path.join(self.scratch, "clone")
        run("git", "clone", "-q", repository, clone)
        self.assertEqual(self.read(os.path.join(clone, "readme.txt")), self.tree["readme.txt"])

    def test_sqlite(self):
        database = self.in_work("rows.db")
        script = ("create table t(id integer primary key, text);"
                  "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000)"
                  " insert into t(text) select printf('row %d of the table', i) from n;"
                  "update t set text = text || ' updated' where id % 7 = 0;"
                  "delete from t where id % 13 = 0;")
        run("sqlite3", database, script)
        self.assertEqual(run("sqlite3", database, "pragma integrity_check;").stdout.strip(), b"ok")
        count = run("sqlite3", database, "select count(*), sum(text like '% updated') from t;").stdout.strip()
        self.assertEqual(count, b"1847|264")

    def test_editor_style_save(self):
        document = self.in_work("document.txt")
        self.write(document, b"first draft\n" * 200)
        temporary = self.in_work(".document.txt.swp")
        self.write(temporary, b"second draft\n" * 300)
        os.rename(temporary, document)
        self.assertEqual(self.read(document), b"second draft\n" * 300)
        self.assertEqual(os.listdir(self.work), ["document.txt"])
        self.assertEqual(unpacked_content(self.stored("document.txt")), b"second draft\n" * 300)

    # What programs expect of the file system.

    def test_sizes_of_closed_and_open_files(self):
        path = self.in_work("growing")
        with open(path, "wb") as file:
            file.write(b"a" * 1000)
            file.flush()
            self.assertEqual(os.fstat(file.fileno()).st_size, 1000)
            self.assertEqual(os.stat(path).st_size, 1000)
            file.write(b"b" * 2000)
            file.flush()
            self.assertEqual(os.stat(path).st_size, 3000)
        self.assertEqual(os.stat(path).st_size, 3000)
        # du counts what the volume holds: the packed size.
        self.assertLess(os.stat(path).st_blocks * 512, 3000)

    def test_two_descriptors_see_one_file(self):
        path = self.in_work("shared")
        self.write(path, b"0123456789" * 100)
        with open(path, "r+b") as writer, open(path, "rb") as reader:
            writer.seek(10)
            writer.write(b"XXXX")
            writer.flush()
            self.assertEqual(reader.read(20), b"0123456789XXXX456789")
        self.assertEqual(self.read(path)[:20], b"0123456789XXXX456789")

    def test_truncate(self):
        path = self.in_work("cut")
        content = bytes(range(256)) * 40
        self.write(path, content)
        os.truncate(path, 100)
        self.assertEqual(self.read(path), content[:100])
        os.truncate(path, 300)
        self.assertEqual(self.read(path), content[:100] + bytes(200))
        with open(path, "r+b") as file:
            file.truncate(50)
        self.assertEqual(self.read(path), content[:50])
        with open(path, "wb"):
            pass
        self.assertEqual(self.read(path), b"")

    def test_times(self):
        path = self.in_work("dated")
        self.write(path, b"content with a date\n" * 100)
        os.utime(path, (1500000000, 1600000000))
        self.assertEqual(int(os.stat(path).st_mtime), 1600000000)
        self.assertEqual(self.read(path), b"content with a date\n" * 100)
        self.assertEqual(int(os.stat(path).st_mtime), 1600000000)

    def test_modes_and_owners(self):
        path = self.in_work("moded")
        self.write(path, b"x" * 100)
        # Accepted and dropped, as on FAT: owners and mode bits beyond the write bit.
        os.chown(path, 1234, 1234)
        self.assertEqual(os.stat(path).st_uid, os.getuid())
        os.chmod(path, 0o600)
        self.assertEqual(os.stat(path).st_mode & 0o777, 0o644)
        os.chmod(path, 0o444)
        if self.backing.kind == "plain":
            # exFAT through exfat-fuse keeps no attribute a chmod could set.
            self.assertEqual(os.stat(path).st_mode & 0o777, 0o444)
        os.chmod(path, 0o644)
        self.write(path, b"writable again")
        self.assertEqual(self.read(path), b"writable again")

    def test_errors_a_program_expects(self):
        os.mkdir(self.in_work("full"))
        self.write(self.in_work("full", "file"), b"x")
        self.write(self.in_work("plain"), b"x")
        cases = [
            (lambda: open(self.in_work("absent")), errno.ENOENT),
            (lambda: os.stat(self.in_work("absent", "deeper")), errno.ENOENT),
            (lambda: os.mkdir(self.in_work("full")), errno.EEXIST),
            (lambda: os.rmdir(self.in_work("full")), errno.ENOTEMPTY),
            (lambda: os.rmdir(self.in_work("plain")), errno.ENOTDIR),
            (lambda: os.unlink(self.in_work("full")), errno.EISDIR),
            (lambda: os.open(self.in_work("plain"), os.O_CREAT | os.O_EXCL | os.O_WRONLY), errno.EEXIST),
            (lambda: os.link(self.in_work("plain"), self.in_work("hard")), errno.EPERM),
            (lambda: os.symlink("plain", self.in_work("soft")), errno.EPERM),
            (lambda: open(self.in_work("n" * 250, ), "wb"), errno.ENAMETOOLONG),
        ]
        for call, expected in cases:
            with self.assertRaises(OSError) as raised:
                call()
            self.assertEqual(raised.exception.errno, expected, raised.exception)

    def test_hostile_names_stay_inside(self):
        outside = {path: sorted(os.listdir(path)) for path in (self.scratch, os.path.dirname(self.scratch))}
        for name in ("..\\..\\escaped", "a\\..\\..\\..\\escaped", "\\..\\escaped", "C:\\escaped", "C:escaped",
                     "..\\" * 10 + "escaped", "\\\\server\\share\\escaped"):
            try:
                self.write(self.in_work(name), b"hostile")
            except OSError:
                pass
            for path, listing in outside.items():
                self.assertEqual(sorted(os.listdir(path)), listing, name)
        for directory, _, _ in os.walk(self.backing.path):
            self.assertTrue(os.path.realpath(directory).startswith(os.path.realpath(self.backing.path)))

    def test_df_reports_three_times_the_capacity(self):
        mounted = os.statvfs(self.mount.mountpoint)
        lower = os.statvfs(self.backing.path)
        self.assertAlmostEqual(mounted.f_blocks * mounted.f_frsize / (lower.f_blocks * lower.f_frsize), 3, delta=0.05)
        self.assertGreaterEqual(mounted.f_bavail * mounted.f_frsize, 2 * lower.f_blocks * lower.f_frsize * 0.95)

    def test_working_copies_are_hidden_orphans_are_not(self):
        path = self.in_work("opened")
        self.write(path, b"packed on close\n" * 100)
        root = self.mount.mountpoint
        with open(path, "rb") as held:
            held.read(1)
            working = [name for name in os.listdir(self.backing.path) if name.startswith("TMP") and name != ORPHAN]
            self.assertEqual(len(working), 1)
            self.assertNotIn(working[0], os.listdir(root))
            self.assertFalse(os.path.exists(os.path.join(root, working[0])))
        self.assertIn(ORPHAN, os.listdir(root))
        self.assertEqual(self.read(os.path.join(root, ORPHAN)), b"left by a power loss")
        os.unlink(os.path.join(root, ORPHAN))

    def test_rename_of_an_open_file(self):
        path = self.in_work("before")
        with open(path, "wb") as file:
            file.write(b"first half, ")
            file.flush()
            os.rename(path, self.in_work("after"))
            file.write(b"second half")
        self.assertEqual(self.read(self.in_work("after")), b"first half, second half")
        self.assertFalse(os.path.exists(path))

    def test_parallel_programs(self):
        def copy_and_compare(index, failures):
            content = (b"thread %d " % index) * 20000
            path = self.in_work("parallel-%d" % index)
            for _ in range(3):
                self.write(path, content)
                if self.read(path) != content:
                    failures.append(index)

        failures = []
        threads = [threading.Thread(target=copy_and_compare, args=(i, failures)) for i in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(failures, [])


class InterruptTest(unittest.TestCase):
    """Ctrl-C in the foreground unmounts, and files still open are closed
    through the filter: stored packed, no working copy left."""

    def test_interrupt_closes_open_files(self):
        scratch = tempfile.mkdtemp(prefix="morvane-interrupt-")
        self.addCleanup(shutil.rmtree, scratch, ignore_errors=True)
        backing = Backing(scratch, BACKING_KIND)
        self.addCleanup(backing.release)
        with open(os.path.join(backing.path, "held.txt"), "wb"):
            pass
        mount = Mount(backing.path, os.path.join(scratch, "mnt"))
        self.addCleanup(mount.unmount)
        held = open(os.path.join(mount.mountpoint, "held.txt"), "r+b")
        self.addCleanup(close_quietly, held)
        held.write(b"written, never closed\n" * 100)
        held.flush()

        mount.process.send_signal(signal.SIGINT)
        _, mount.errors = mount.process.communicate(timeout=120)
        self.assertEqual(mount.process.returncode, 0, mount.errors)
        self.assertEqual(sorted(os.listdir(backing.path)), ["held.txt"])
        self.assertEqual(unpacked_content(os.path.join(backing.path, "held.txt")), b"written, never closed\n" * 100)
        verdict = backing.release()
        if verdict is not None:
            self.assertEqual(verdict.returncode, 0, verdict.stdout.decode())


def main():
    global MORVANE, BACKING_KIND
    BACKING_KIND, MORVANE = sys.argv[1], sys.argv[2]
    reason = missing_requirements(exfat=BACKING_KIND == "exfat")
    if reason is not None:
        print("SKIPPED: " + reason)
        sys.exit(SKIPPED)
    # Compression on at level 9, in a registry file of this run's own.
    with tempfile.TemporaryDirectory(prefix="morvane-registry-") as registry:
        os.environ["MORVANE_REGISTRY"] = os.path.join(registry, "registry.reg")
        Morvane([MORVANE], win32=False).set_settings(os.environ["MORVANE_REGISTRY"], 1, 9)
        outcome = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    sys.exit(0 if outcome.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
