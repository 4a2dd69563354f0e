"""What the fault tier's checks share: the built tool, replay trees on disk, settings pointing at
them, a small file system that fills up, and an unprivileged user."""

import os
import shutil
import signal
import subprocess
import tempfile
import time

# The desktop tier's tree writer: session 0 with known pixels, a refused frame and odd captions.
from frames import FRAMES, REFUSED_FRAME, bmp_file, write_tree  # noqa: F401  (for the checks)


class Tool:
    """Runs `kelvista-replay` with a settings folder of its own."""

    def __init__(self, binary, config_home):
        self.binary = binary
        self.config_home = config_home

    def env(self, **extra):
        env = dict(os.environ)
        env.update(XDG_CONFIG_HOME=self.config_home, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8")
        env.update(extra)
        return env

    def run(self, *args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=60,
            preexec_fn=None, user=None, **extra_env):
        """Runs to the end; returns (exit code, stdout bytes, stderr bytes). A run that outlives
        `timeout` is killed and reported as exit code None (a hang)."""
        command = self.command(args, user)
        try:
            done = subprocess.run(command, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                                  env=self.env(**extra_env), timeout=timeout,
                                  preexec_fn=preexec_fn)
        except subprocess.TimeoutExpired as expired:
            return None, expired.stdout or b"", expired.stderr or b""
        return done.returncode, done.stdout or b"", done.stderr

    def start(self, *args, user=None, **extra_env):
        """Starts in the background, in a process group of its own, for signals."""
        return subprocess.Popen(self.command(args, user), stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                env=self.env(**extra_env), start_new_session=True)

    def command(self, args, user):
        command = [self.binary] + [os.fsencode(a) if isinstance(a, str) else a for a in args]
        if user is not None:
            command = user.prefix() + command
        return command


def write_settings(config_home, install_folder, max_frames=12):
    """Dravenor.conf with InstallFolder (bytes or text) and replay_maxframes."""
    os.makedirs(config_home, exist_ok=True)
    folder = os.fsencode(install_folder).replace(b"\\", b"\\\\").replace(b'"', b'\\"')
    with open(os.path.join(config_home, "Dravenor.conf"), "wb") as f:
        f.write(b'[General]\nInstallFolder="' + folder + b'"\nreplay_maxframes=' +
                str(max_frames).encode() + b"\n")


def tree_files(folder):
    """Every name under `folder` (relative, sorted) with its bytes' size and mtime: what "left
    exactly as it was" compares."""
    listing = []
    for top, dirs, files in os.walk(folder):
        for name in sorted(dirs + files):
            path = os.path.join(top, name)
            info = os.lstat(path)
            listing.append((os.path.relpath(path, folder), info.st_mode, info.st_size,
                            info.st_mtime_ns, info.st_ino))
    return sorted(listing)


class SmallFileSystem:
    """A tmpfs of `size_kib` mounted at `path` (you are root in CI); where mounting is refused,
    `mounted` is False and the checks fall back to a file-size limit."""

    def __init__(self, path, size_kib):
        self.path = path
        os.makedirs(path, exist_ok=True)
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size_kib}k", "tmpfs", path],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.mounted = done.returncode == 0

    def close(self):
        if self.mounted:
            subprocess.run(["umount", "-l", self.path], stderr=subprocess.DEVNULL)
            self.mounted = False


class UnprivilegedUser:
    """Runs commands as `nobody` through setpriv (no capabilities, so permissions hold)."""

    def __init__(self):
        import pwd
        entry = pwd.getpwnam("nobody")
        self.uid, self.gid = entry.pw_uid, entry.pw_gid

    def prefix(self):
        return ["setpriv", f"--reuid={self.uid}", f"--regid={self.gid}", "--clear-groups",
                "--inh-caps=-all", "--bounding-set=-all"]

    def owns(self, path):
        os.chown(path, self.uid, self.gid)


def wait_for_path(predicate, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.005)
    return False


def send_and_wait(process, sig, timeout=30):
    """Sends `sig` to the tool; returns its exit code (None when it did not stop in time)."""
    process.send_signal(sig)
    try:
        process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        return None
    return process.returncode


def fresh_folder(parent, name):
    path = os.path.join(parent, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def temporary_folder():
    """A fresh folder that the unprivileged user may enter and read."""
    path = tempfile.mkdtemp(prefix="kelvista-faults-")
    os.chmod(path, 0o755)
    return path
