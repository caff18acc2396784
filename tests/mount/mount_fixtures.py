"""What the mount's checks and its kill campaign share: the tools they need,
an exFAT image on a loop device, and a mount started in the foreground."""

import os
import shutil
import subprocess
import time


def run(*command, cwd=None):
    return subprocess.run(command, cwd=cwd, check=True, capture_output=True, timeout=300)


def missing_requirements(exfat):
    """Why the mount (over an exFAT image, if asked) cannot be tested here, or None."""
    if not os.path.exists("/dev/fuse") or shutil.which("fusermount3") is None:
        return "FUSE is not available (/dev/fuse, fusermount3)"
    if exfat:
        for tool in ("losetup", "mkfs.exfat", "mount.exfat-fuse", "fsck.exfat"):
            if shutil.which(tool) is None:
                return tool + " is not installed"
        if os.geteuid() != 0:
            return "a loop device needs root"
    return None


class ExfatImage:
    """An exFAT image `file` of `size` bytes on a loop device, mounted with
    exfat-fuse at `path` (an empty directory)."""

    def __init__(self, file, path, size):
        self.path = path
        with open(file, "wb") as image:
            image.truncate(size)
        run("mkfs.exfat", "-L", "MORVANE", file)
        self.loop = run("losetup", "-f", "--show", file).stdout.decode().strip()
        try:
            self.attach()
        except subprocess.CalledProcessError:
            run("losetup", "-d", self.loop)
            raise

    def attach(self):
        run("mount.exfat-fuse", self.loop, self.path)

    def unmount(self):
        subprocess.run(["umount", self.path], capture_output=True)

    def fsck(self):
        """fsck.exfat -n of the unmounted image, as a finished process."""
        return subprocess.run(["fsck.exfat", "-n", self.loop], capture_output=True)

    def release(self):
        self.unmount()
        subprocess.run(["losetup", "-d", self.loop], capture_output=True)


def start_mount(command, backing, mountpoint, stdout):
    """`command mount -f backing mountpoint` as a child process, returned once
    its mount is up; its stderr is a pipe."""
    os.makedirs(mountpoint, exist_ok=True)
    process = subprocess.Popen(command + ["mount", "-f", backing, mountpoint], stdout=stdout,
                               stderr=subprocess.PIPE)
    deadline = time.monotonic() + 30
    while not os.path.ismount(mountpoint):
        if process.poll() is not None or time.monotonic() > deadline:
            raise RuntimeError("morvane mount did not come up: " + process.stderr.read().decode())
        time.sleep(0.02)
    return process
