#!/usr/bin/env python3
"""The checks of writes_nothing.sh.

  nothing_written.py prepare FOLDER STATE     sets every access time under FOLDER far into the past (so that any
                                              read would update it) and keeps every entry's times in STATE
  nothing_written.py compare FOLDER STATE     fails when an entry's times differ from those kept in STATE
  nothing_written.py trace LOG FOLDER...      fails on every call in the strace log LOG that changes a file or
                                              starts another program or process, and when a FOLDER was never
                                              opened for listing
  nothing_written.py close WINDOW             asks the X window WINDOW to close, as a window manager does
"""
import ctypes
import os
import pickle
import re
import stat
import sys

# 2001-01-01 12:00:00 UTC: long enough ago that relatime updates an access time at the next read.
PAST_NS = 978350400 * 10**9


def shown(path):
    """A path as text a terminal shows safely."""
    return os.fsencode(path).decode("utf-8", "backslashreplace").encode("unicode_escape").decode("ascii")


def walk(root):
    """Every entry under root as a tuple of path components, folders before what they hold. Reads folders."""
    found = []

    def visit(fd, parts):
        for entry in sorted(os.scandir(fd), key=lambda e: e.name):
            found.append(parts + (entry.name,))
            if entry.is_dir(follow_symlinks=False):
                try:
                    child = os.open(entry.name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
                except PermissionError:
                    continue
                try:
                    visit(child, parts + (entry.name,))
                finally:
                    os.close(child)

    fd = os.open(root, os.O_RDONLY | os.O_DIRECTORY)
    try:
        visit(fd, ())
    finally:
        os.close(fd)
    return found


def parent_of(root, parts):
    """An O_PATH descriptor of the folder holding parts, opened a component at a time: paths may be longer than
    PATH_MAX, and opening with O_PATH reads nothing."""
    fd = os.open(root, os.O_PATH | os.O_DIRECTORY)
    for part in parts[:-1]:
        child = os.open(part, os.O_PATH | os.O_DIRECTORY, dir_fd=fd)
        os.close(fd)
        fd = child
    return fd


def times(root, entries):
    """The access, modification and status-change times of root and of every entry, without reading a folder."""
    result = {(): os.stat(root, follow_symlinks=False)}
    for parts in entries:
        fd = parent_of(root, parts)
        try:
            result[parts] = os.stat(parts[-1], dir_fd=fd, follow_symlinks=False)
        finally:
            os.close(fd)
    return {parts: (s.st_atime_ns, s.st_mtime_ns, s.st_ctime_ns, s.st_mode) for parts, s in result.items()}


def prepare(root, state):
    entries = walk(root)
    os.utime(root, ns=(PAST_NS, os.stat(root).st_mtime_ns), follow_symlinks=False)
    for parts in entries:
        fd = parent_of(root, parts)
        try:
            mtime = os.stat(parts[-1], dir_fd=fd, follow_symlinks=False).st_mtime_ns
            os.utime(parts[-1], ns=(PAST_NS, mtime), dir_fd=fd, follow_symlinks=False)
        finally:
            os.close(fd)
    with open(state, "wb") as out:
        pickle.dump((entries, times(root, entries)), out)
    return 0


def compare(root, state):
    with open(state, "rb") as source:
        entries, before = pickle.load(source)
    after = times(root, entries)
    failures = 0
    for parts, (atime, mtime, ctime, mode) in before.items():
        now = after[parts]
        changed = []
        # Resolving a link updates the link's own access time, and the program must resolve links to tell a
        # link to a folder from a link to a file: the one access time it cannot keep.
        if now[0] != atime and not stat.S_ISLNK(mode):
            changed.append("access time")
        if now[1] != mtime:
            changed.append("modification time")
        if now[2] != ctime:
            changed.append("status change time (mode, owner, attributes or times)")
        if changed:
            failures += 1
            kind = "folder" if stat.S_ISDIR(mode) else "entry"
            print(f"changed {kind} {shown(os.path.join(root, *parts))}: {', '.join(changed)}")
    return 1 if failures else 0


# Calls that change a file, by how they name it.
PATH_CALLS = {"creat", "truncate", "chmod", "chown", "lchown", "utime", "utimes", "setxattr", "lsetxattr",
              "removexattr", "lremovexattr", "mknod", "mkdir", "rmdir", "unlink", "rename", "link", "symlink"}
AT_CALLS = {"openat", "openat2", "mkdirat", "unlinkat", "renameat", "renameat2", "linkat", "symlinkat",
            "fchmodat", "fchownat", "utimensat", "futimesat", "mknodat",
            # fchmodat2, setxattrat and removexattrat, newer than this strace's table
            "syscall_0x1c4", "syscall_0x1cf", "syscall_0x1d2"}
FD_CALLS = {"ftruncate", "fchmod", "fchown", "fsetxattr", "fremovexattr", "fallocate"}
# Calls that start a process (threads aside) or another program.
SPAWN_CALLS = {"fork", "vfork", "clone", "clone3", "execve", "execveat"}
WRITE_FLAGS = re.compile(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_TMPFILE|O_APPEND")
CALL = re.compile(r"^(\d+) +(\w+)\((.*)\) += (.*)$")
STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')
DESCRIPTOR = re.compile(r"(?:AT_FDCWD|-?\d+)<([^>]*)>")


def unescape(text):
    """The bytes of a string as strace writes it, as a path."""
    return os.fsdecode(text.encode("latin-1", "backslashreplace").decode("unicode_escape").encode("latin-1"))


def merged_calls(lines):
    """The calls of a log, each on one line: a call that another thread interrupted is joined with its end."""
    pending = {}
    for line in lines:
        line = line.rstrip("\n")
        found = re.match(r"^(\d+) +(.*) <unfinished \.\.\.>$", line)
        if found:
            pending[found.group(1)] = found.group(1) + " " + found.group(2)
            continue
        found = re.match(r"^(\d+) +<\.\.\. \w+ resumed>(.*)$", line)
        if found:
            start = pending.pop(found.group(1), None)
            if start is not None:
                yield start + found.group(2)
            continue
        yield line
    # A call still unfinished when the log ends may have changed something too.
    for start in pending.values():
        yield start + ") = ?"


def targets(call, arguments):
    """The paths a call changes."""
    strings = [unescape(s) for s in STRING.findall(arguments)]
    descriptors = DESCRIPTOR.findall(arguments)
    if call in FD_CALLS:
        return descriptors[:1]
    if call in PATH_CALLS:
        return strings[:2] if call in {"rename", "link"} else strings[:1]
    if call in AT_CALLS:
        if not strings:  # utimensat(fd, NULL, ...) changes the descriptor's file
            return descriptors[:1]
        folder = descriptors[0] if descriptors else ""
        return [s if s.startswith("/") else folder + "/" + s for s in strings[:2]]
    return []


def allowed(path):
    """Whether a change to path is none of the program's business: devices, /proc, memory files, sockets and pipes."""
    return (path.startswith(("/dev/", "/proc/", "memfd:", "socket:", "pipe:", "anon_inode:"))
            or path in {"/dev", "/proc"})


def font_cache(path):
    home = os.environ.get("HOME", "/nonexistent")
    return path.startswith((home + "/.cache/fontconfig/", "/var/cache/fontconfig/"))


def trace(log, folders):
    offences = []
    opened = set()
    program_started = False
    with open(log, encoding="latin-1") as source:
        for line in merged_calls(source):
            found = CALL.match(line)
            if not found:
                continue
            _, call, arguments, result = found.groups()
            if call in SPAWN_CALLS:
                if call == "execve" and not program_started:
                    program_started = True  # the program itself
                elif "CLONE_THREAD" not in arguments:
                    offences.append(line)  # tried, even when it failed: a program meant to outlive this one
                continue
            if call in {"open", "openat", "openat2"}:
                if "O_DIRECTORY" in arguments and not result.startswith("-1"):
                    strings = [unescape(s) for s in STRING.findall(arguments)]
                    opened.update(strings[:1])
                if not WRITE_FLAGS.search(arguments):
                    continue
            elif call not in PATH_CALLS | AT_CALLS | FD_CALLS:
                continue
            if result.startswith("-1 "):
                continue  # refused: nothing changed
            paths = targets(call, arguments)
            if all(allowed(p) for p in paths):
                continue
            if all(allowed(p) or font_cache(p) for p in paths):
                print("note: the system's font cache was written: " + line)
                continue
            offences.append(line)
    for line in offences:
        print(("starts: " if CALL.match(line).group(2) in SPAWN_CALLS else "writes: ") + line)
    missing = [f for f in folders if f not in opened]
    for folder in missing:
        print("never listed: " + shown(folder))
    return 1 if offences or missing else 0


def close(window):
    """Sends WM_DELETE_WINDOW to the window, which is how a window manager asks a program to close it."""
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = xlib.XOpenDisplay(None)
    if not display:
        print("cannot open the display")
        return 1
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = int(window)
    event.xclient.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    xlib.XSendEvent(display, int(window), 0, 0, ctypes.byref(event))
    xlib.XFlush(display)
    xlib.XCloseDisplay(display)
    return 0


def main(argv):
    if len(argv) >= 3 and argv[1] == "prepare":
        return prepare(argv[2], argv[3])
    if len(argv) == 4 and argv[1] == "compare":
        return compare(argv[2], argv[3])
    if len(argv) >= 3 and argv[1] == "trace":
        return trace(argv[2], argv[3:])
    if len(argv) == 3 and argv[1] == "close":
        return close(argv[2])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
