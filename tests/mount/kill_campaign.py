"""Real power losses of the mount: the FUSE mount is killed with SIGKILL at a
random moment of a write-and-close workload over an exFAT image, many times
over. After each kill every stored file must hold one whole write (its old or
a new content), or, only when the kill fell between a replacement's delete
and its move, that content must lie whole under a "\\TMP" name in the root,
where `morvane verify` names it. The image must pass `fsck.exfat -n` after
every kill.

    kill_campaign.py MORVANE kills N [SEED]
    kill_campaign.py MORVANE load CYCLES

The second form is the load of two processes on one mount: each runs four
threads of open-write-close cycles on four shared files (writers take turns
with an advisory lock) and on files of their own, which they also rename and
delete; afterwards every file holds one whole write, each own file exactly
its last, and no temporary file is left.

Exits 77 (skipped) without FUSE, a loop device or the exFAT tools."""

import fcntl
import multiprocessing
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from morvane_testing import Morvane, is_packed, unpacked_content  # noqa: E402
from mount_fixtures import ExfatImage, missing_requirements, run, start_mount  # noqa: E402

SKIPPED = 77
SIZES = (0, 1, 200, 5000, 70000, 300000)
NAMES = ("a.txt", "b.bin", "c", "docs/d.txt", "docs/deep/e.log", "f.dat")


def content_of(name, sequence, size):
    """A write that names its file, its number and its length, then bytes
    that follow from them: whole or not, it can be told."""
    header = b"file %s seq %d len %d\n" % (name.encode(), sequence, size)
    generator = random.Random("%s/%d" % (name, sequence))
    body = bytes(generator.getrandbits(8) & 0x3F | 0x40 for _ in range(max(0, size - len(header))))
    return header + body


def whole_write_of(content):
    """The file name a content is a whole write of, or None."""
    line, _, _ = content.partition(b"\n")
    words = line.split(b" ")
    if len(words) != 6 or words[0] != b"file" or words[2] != b"seq" or words[4] != b"len":
        return None
    try:
        name, sequence, size = words[1].decode(), int(words[3]), int(words[5])
    except ValueError:
        return None
    return name if content == content_of(name, sequence, size) else None


def stored_content(path):
    """What a stored file holds once unpacked, or None when it is damaged."""
    try:
        return unpacked_content(path) if is_packed(path) else open(path, "rb").read()
    except Exception:  # a damaged stream or header
        return None


def describe(path):
    """What a damaged file holds, for the report."""
    raw = open(path, "rb").read()
    content = stored_content(path)
    form = "packed" if raw[:2] == b"\x24\xa1" else "plain"
    held = "undecodable" if content is None else "%d bytes, %r" % (len(content), content[:48])
    return "%s, %d bytes stored, %s" % (form, len(raw), held)


def make_image(scratch):
    """The campaign's card: a 64 MiB exFAT image mounted at scratch/backing."""
    path = os.path.join(scratch, "backing")
    os.mkdir(path)
    return ExfatImage(os.path.join(scratch, "card.img"), path, 64 << 20)


def check_image(image):
    """Unmounts, runs fsck.exfat -n, mounts again; fsck's output when it complains."""
    run("umount", image.path)
    checked = image.fsck()
    image.attach()
    return None if checked.returncode == 0 else (checked.stdout + checked.stderr).decode()


class Mount:
    """morvane mount in the foreground, as a child process."""

    def __init__(self, morvane, backing, mountpoint):
        self.mountpoint = mountpoint
        self.process = start_mount(morvane.command, backing, mountpoint, subprocess.DEVNULL)

    def kill(self):
        self.process.kill()
        self.process.wait()

    def unmount(self):
        # A killed mount stays in the table until it is unmounted.
        subprocess.run(["fusermount3", "-u", "-q", self.mountpoint], capture_output=True)
        if self.process.poll() is None:
            self.process.wait(timeout=120)
        self.process.stderr.close()


def writer(mountpoint, seed, first_sequence):
    """The workload, in a process of its own: writes and closes until killed."""
    generator = random.Random(seed)
    sequence = first_sequence
    while True:
        name = generator.choice(NAMES)
        sequence += 1
        try:
            with open(os.path.join(mountpoint, name), "wb") as out:
                out.write(content_of(name, sequence, generator.choice(SIZES)))
        except OSError:
            return  # the mount is gone


def temporary_files(backing):
    return sorted(name for name in os.listdir(backing) if name.startswith("TMP") and name[3:].isdigit())


def check_after_kill(morvane, backing, figures):
    """The invariant, then recovery as a user would do it; a list of faults."""
    faults = []
    orphans = {name: stored_content(os.path.join(backing, name)) for name in temporary_files(backing)}
    verified = morvane.run("verify", backing).stdout.decode()
    for orphan in orphans:
        if "orphan \\" + orphan not in verified:
            faults.append("morvane verify does not name " + orphan)
    for name in NAMES:
        path = os.path.join(backing, name)
        if os.path.exists(path):
            if whole_write_of(stored_content(path) or b"") != name:
                faults.append("%s is damaged: %s" % (name, describe(path)))
            continue
        kept = [orphan for orphan, content in orphans.items() if content and whole_write_of(content) == name]
        if not kept:
            faults.append(name + " is lost")
            continue
        # Between the delete and the move: the content is whole under its
        # temporary name. Recovered as a user would: moved into place.
        figures["in window"] += 1
        orphans.pop(kept[0])
        os.rename(os.path.join(backing, kept[0]), path)
    figures["orphans"] += len(orphans)
    for orphan in orphans:
        os.remove(os.path.join(backing, orphan))
    return faults


def seed_files(mountpoint):
    for name in NAMES:
        os.makedirs(os.path.dirname(os.path.join(mountpoint, name)), exist_ok=True)
        with open(os.path.join(mountpoint, name), "wb") as out:
            out.write(content_of(name, 0, 5000))


def kills(morvane, scratch, count, seed):
    image = make_image(scratch)
    mountpoint = os.path.join(scratch, "mnt")
    figures = {"kills": 0, "in window": 0, "orphans": 0, "fsck clean": 0}
    faults = []
    generator = random.Random(seed)
    try:
        mount = Mount(morvane, image.path, mountpoint)
        seed_files(mountpoint)
        mount.unmount()
        for kill in range(count):
            mount = Mount(morvane, image.path, mountpoint)
            work = multiprocessing.Process(target=writer, args=(mountpoint, generator.random(), kill * 1000000))
            work.start()
            time.sleep(generator.uniform(0.02, 0.8))
            mount.kill()
            # The workload goes too, so that nothing holds the dead mount busy.
            work.kill()
            work.join()
            mount.unmount()
            figures["kills"] += 1
            found = check_after_kill(morvane, image.path, figures)
            complaint = check_image(image)
            if complaint is None:
                figures["fsck clean"] += 1
            else:
                found.append("fsck.exfat -n: " + complaint)
            faults += ["kill %d: %s" % (kill + 1, fault) for fault in found]
            if found:
                print("\n".join(faults[-len(found):]), flush=True)
            if figures["kills"] % 100 == 0:
                print("%d kills, %d faults" % (figures["kills"], len(faults)), flush=True)
    finally:
        subprocess.run(["fusermount3", "-u", "-z", "-q", mountpoint], capture_output=True)
        image.release()
    print("kills %(kills)d, killed inside a replacement's window %(in window)d, orphans left by a kill "
          "%(orphans)d, fsck clean %(fsck clean)d" % figures)
    print("lost or damaged files: %d" % len(faults))
    return 0 if not faults else 1


def write_whole(path, content, exclusive):
    """One open-write-close. Writers of one file take turns with an advisory
    lock: without one, two programs writing a file at once interleave on any
    file system, and the file would be torn by the workload itself."""
    descriptor = os.open(path, os.O_WRONLY | os.O_CREAT, 0o644)
    try:
        if exclusive:
            fcntl.flock(descriptor, fcntl.LOCK_EX)
        os.ftruncate(descriptor, 0)
        view = memoryview(content)
        while view:
            view = view[os.write(descriptor, view):]
    finally:
        os.close(descriptor)


def load_process(mountpoint, process, cycles, result):
    """Four threads of one process: shared files, and files of their own that
    they also rename and delete. Puts the faults it saw and what each own
    file must hold (None: deleted)."""
    faults = []
    expected = {}

    def thread(index):
        generator = random.Random("%d/%d" % (process, index))
        own = "p%d-t%d" % (process, index)
        path = os.path.join(mountpoint, own)
        for cycle in range(cycles):
            try:
                if cycle % 2 == 0:
                    name = "shared%d" % generator.randrange(4)
                    content = content_of(name, process * 10000000 + index * 100000 + cycle, generator.choice(SIZES[:5]))
                    write_whole(os.path.join(mountpoint, name), content, True)
                elif cycle % 10 == 5 and expected.get(own) is not None:
                    os.rename(path, path + "-moved")
                    os.rename(path + "-moved", path)
                elif cycle % 14 == 7 and expected.get(own) is not None:
                    os.remove(path)
                    expected[own] = None
                else:
                    content = content_of(own, cycle, generator.choice(SIZES[:5]))
                    write_whole(path, content, False)
                    expected[own] = content
            except OSError as error:
                faults.append("%s, cycle %d: %s" % (own, cycle, error))

    threads = [threading.Thread(target=thread, args=(index,)) for index in range(4)]
    for each in threads:
        each.start()
    for each in threads:
        each.join()
    result.put((faults, expected))


def load(morvane, scratch, cycles):
    image = make_image(scratch)
    mountpoint = os.path.join(scratch, "mnt")
    try:
        mount = Mount(morvane, image.path, mountpoint)
        result = multiprocessing.Queue()
        processes = [multiprocessing.Process(target=load_process, args=(mountpoint, p, cycles, result))
                     for p in range(2)]
        for each in processes:
            each.start()
        faults, expected = [], {}
        for _ in processes:
            seen, own = result.get()
            faults += seen
            expected.update(own)
        for each in processes:
            each.join()
        mount.unmount()
        files = sorted(os.listdir(image.path))
        for name in files:
            path = os.path.join(image.path, name)
            if whole_write_of(stored_content(path) or b"") != name:
                faults.append("%s is torn or damaged: %s" % (name, describe(path)))
            elif name in expected and stored_content(path) != expected[name]:
                faults.append("%s does not hold its last write" % name)
        faults += [name + " is lost" for name, content in expected.items() if content and name not in files]
        faults += [name + " was deleted but is there" for name, content in expected.items()
                   if content is None and name in files]
        faults += [name + " left behind" for name in temporary_files(image.path)]
        complaint = check_image(image)
        if complaint is not None:
            faults.append("fsck.exfat -n: " + complaint)
    finally:
        image.release()
    if faults:
        print("\n".join(faults))
    print("2 processes x 4 threads x %d cycles on %d files; lost, torn or left: %d" % (cycles, len(files), len(faults)))
    return 0 if not faults else 1


def main():
    morvane = Morvane([sys.argv[1]], win32=False)
    missing = missing_requirements(exfat=True)
    if missing:
        print("skipped: " + missing)
        return SKIPPED
    os.environ["MORVANE_REGISTRY"] = registry = tempfile.mktemp(suffix=".reg")
    morvane.set_settings(registry, 1, 6)
    scratch = tempfile.mkdtemp(prefix="morvane-kills-")
    try:
        if sys.argv[2] == "kills":
            return kills(morvane, scratch, int(sys.argv[3]), int(sys.argv[4]) if len(sys.argv) > 4 else 1)
        return load(morvane, scratch, int(sys.argv[3]))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
        os.remove(registry)


if __name__ == "__main__":
    sys.exit(main())
