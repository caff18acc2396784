"""What the command and mount tests share: running the morvane command of
either build, setting the filter's registry key, sample trees, and reading
stored files as they lie in a backing directory."""

import os
import random
import subprocess
import zlib

PACKED_MAGIC = b"\x24\xa1"
SETTINGS_KEY = r"HKEY_LOCAL_MACHINE\System\StorageManager\FATFS\Filters\Morvane"


class Morvane:
    """The morvane command: a native program, or a Win32 one run by a wrapper
    (wine-run). Host paths given to run() through host() are converted for
    the Win32 build, whose Wine maps the root of the host on drive Z:."""

    def __init__(self, command, win32):
        self.command = list(command)
        self.win32 = win32

    def host(self, path):
        return "Z:" + os.path.abspath(path).replace("/", "\\") if self.win32 else path

    def run(self, *arguments, stdin=None):
        return subprocess.run(self.command + list(arguments), input=stdin, capture_output=True, timeout=300)

    def set_settings(self, registry_file, enable, level):
        """Sets (or, with enable None, removes) the filter's key in the build's real store."""
        text = "Windows Registry Editor Version 5.00\r\n\r\n"
        if enable is not None:
            text += "[%s]\r\n\"ENABLE\"=dword:%08x\r\n\"LEVEL\"=dword:%08x\r\n" % (SETTINGS_KEY, enable, level)
        # One Wine process per change: Wine starts slowly.
        wine = self.command[:-1]
        if self.win32 and enable is None:
            key = SETTINGS_KEY.replace("HKEY_LOCAL_MACHINE", "HKLM")
            subprocess.run(wine + ["reg", "delete", key, "/f"], capture_output=True)
            return
        with open(registry_file, "w", newline="") as out:
            out.write(text)
        if self.win32:
            subprocess.run(wine + ["reg", "import", self.host(registry_file)], check=True, capture_output=True)


def is_packed(path):
    with open(path, "rb") as stored:
        return stored.read(2) == PACKED_MAGIC


def unpacked_content(path):
    """A packed file's content, decoded independently of the filter."""
    with open(path, "rb") as stored:
        data = stored.read()
    assert data[:2] == PACKED_MAGIC, path
    content = zlib.decompress(data[6:])
    assert len(content) == int.from_bytes(data[2:6], "little"), path
    return content


def make_tree(root, seed=7):
    """A small tree of the kinds of file that matter: text that compresses,
    random bytes that do not, an empty file, one byte, a file that begins
    with the packed magic, a read-only file, nested directories and names
    beyond ASCII."""
    generator = random.Random(seed)
    files = {
        "readme.txt": b"".join(b"line %d of a text that compresses well\n" % i for i in range(3000)),
        "random.bin": bytes(generator.getrandbits(8) for _ in range(70000)),
        "empty": b"",
        "one": b"x",
        "looks-packed.dat": PACKED_MAGIC + b"but is plain text, longer than a header",
        "docs/notes.md": b"# notes\n" * 500,
        "docs/deep/er/leaf.txt": b"leaf\n",
        "docs/café résumé.txt": "données".encode() * 100,
        "readonly.txt": b"do not change me\n" * 40,
    }
    for name, content in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(content)
    os.chmod(os.path.join(root, "readonly.txt"), 0o444)
    return files
