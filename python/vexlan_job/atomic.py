# SPDX-License-Identifier: MIT
"""All-or-nothing file writing: a reader sees the old file or the whole new one."""

import os


def _part_names(path):
    """Names for the new file: hidden, beside `path` (a rename never crosses
    file systems), and named after this process so that writers sharing a
    folder never write the same file."""
    folder, base = os.path.split(os.fspath(path))
    sep = b"." if isinstance(base, bytes) else "."
    for attempt in range(1000):
        suffix = f"{os.getpid()}.{attempt}.part"
        if isinstance(base, bytes):
            suffix = suffix.encode()
        yield os.path.join(folder, sep + base + sep + suffix)


def write_atomic(path, data):
    """Writes the bytes `data` to `path` in one step: into a new file in the
    same folder, flushed to the disk, then renamed over `path` (os.replace).
    On any failure the exception goes on, `path` is as it was and the new
    file is removed. The file gets the usual permissions (0666 less the
    umask), so that a Vexlan running as another user can read it."""
    data = memoryview(data).cast("B")
    for part in _part_names(path):
        try:
            fd = os.open(part, os.O_WRONLY | os.O_CREAT | os.O_EXCL | getattr(os, "O_BINARY", 0), 0o666)
            break
        except FileExistsError:
            continue
    else:
        raise FileExistsError(f"no free name for a new file beside {path!r}")
    try:
        try:
            done = 0
            while done < len(data):
                wrote = os.write(fd, data[done:])
                if wrote <= 0:
                    raise OSError(f"writing {part!r} made no progress")
                done += wrote
            os.fsync(fd)
        finally:
            os.close(fd)
        os.replace(part, path)
    except BaseException:
        try:
            os.unlink(part)
        except OSError:
            pass
        raise
