#!/usr/bin/env python3
"""The end-to-end benchmark: installs and removes the same payloads with our
installer, the peer (NSIS from Debian's package, zlib and solid lzma) and the
floor (bench/e2e/floor.c), in one Wine session, round after round.

  run.py --corpus DIR --sets a,b --tessapack EXE --stub EXE --floor EXE
         --work DIR --rounds N --out TSV [--memory-set DIR]
         [--profile-stub EXE [--profile-rounds N]] [--compare NAME=EXE ...]
         [--subjects ours,floor,...]

Runs inside scripts/wine-session (WINEPREFIX and TESSA_WINE set). Each figure
is the median of the rounds; within a round the subjects take turns, so a slow
moment of the shared machine hits them alike. A time includes Wine's start of
the program (the same for every subject). Removal is timed until the
installation directory is gone, since the peer's uninstaller returns before it
has finished and ours ends with a self-removal batch.

--profile-stub names our program built with its phase timers (TESSA_PROFILE):
after the timed rounds each set is installed and removed with it, the
program writing its phases to the file TESSA_PROFILE_FILE names; the medians
come out as subjects "profile-install" and "profile-remove", whose figures
are the phases, plus "wall" (the time the benchmark saw). --compare adds our
installer built from another stub (say, the one before a change) as subject
"ours-NAME", taking turns with the others, so a change is judged within one
run. --subjects keeps only the named subjects (a quicker run without the
peer).

Writes TSV lines "set<TAB>subject<TAB>figure<TAB>value" (times in seconds,
sizes in bytes); "install-rounds" and "remove-rounds" hold each round's time.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import threading
import time

WINE = os.environ.get("TESSA_WINE", "wine")
PREFIX = os.environ["WINEPREFIX"]
PROGRAM_FILES = os.path.join(PREFIX, "drive_c", "Program Files")
SELF_REMOVAL_BATCH = os.path.join(PREFIX, "drive_c", "delunins.bat")
TIMEOUT = 60.0


def say(text):
    print("bench-e2e: " + text, file=sys.stderr, flush=True)


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def files_of(root):
    """Relative paths (with '/') of every file below root, in C order of folders then names."""
    out = []
    for folder, dirs, names in os.walk(root):
        dirs.sort()
        for name in sorted(names):
            out.append(os.path.relpath(os.path.join(folder, name), root))
    return out


def product(set_name):
    # No spaces: Wine quotes an argument with spaces as a whole, which would
    # hide the quotes of /u:"name" inside it.
    return "TessaBench-" + set_name


def build_ours(tessapack, stub, source, set_name, work, tag="ours"):
    manifest = os.path.join(work, tag + ".toml")
    with open(manifest, "w") as f:
        f.write('[package]\ncompression = true\nlevel = "best"\n\n'
                '[product]\nname = "%s"\npublisher = "Tessa Bench"\nversion = "1.0"\n'
                'install-dir = "%s"\nflags = ["RegisterUninstall", "QuietUninstall"]\n\n'
                '[[file]]\nsource = "%s"\n' % (product(set_name), product(set_name), source))
    out = os.path.join(work, tag + ".exe")
    subprocess.run([tessapack, "build", manifest, "-o", out, "--stub", stub], check=True)
    return out


# The peer's stub and folder for the architecture measured: the x86-64
# build runs in a win64 prefix, the i686 build (as shipped) in a win32 one.
NSIS_TARGET = "amd64-unicode"


def build_nsis(source, set_name, work, compressor):
    name = product(set_name) + " NSIS " + compressor
    script = os.path.join(work, "nsis-%s.nsi" % compressor)
    out = os.path.join(work, "nsis-%s.exe" % compressor)
    key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name
    with open(script, "w") as f:
        f.write("Unicode true\nTarget %s\n" % NSIS_TARGET)
        f.write("SetCompressor /FINAL %s\n" % ("/SOLID lzma" if compressor == "lzma" else "zlib"))
        folder = "$PROGRAMFILES64" if NSIS_TARGET.startswith("amd64") else "$PROGRAMFILES"
        f.write('Name "%s"\nOutFile "%s"\nInstallDir "%s\\%s"\n' % (name, out, folder, name))
        f.write("RequestExecutionLevel admin\nSilentInstall silent\nSilentUnInstall silent\n")
        f.write('Section\nSetOutPath "$INSTDIR"\nFile /r "%s/*"\n' % source)
        f.write('WriteUninstaller "$INSTDIR\\Uninstall.exe"\n')
        f.write('WriteRegStr HKLM "%s" "DisplayName" "%s"\n' % (key, name))
        f.write('WriteRegStr HKLM "%s" "UninstallString" "$INSTDIR\\Uninstall.exe"\nSectionEnd\n' % key)
        f.write('Section "Uninstall"\nRMDir /r "$INSTDIR"\nDeleteRegKey HKLM "%s"\nSectionEnd\n' % key)
    subprocess.run(["makensis", "-V1", script], check=True)
    return out, name


def build_blob(source, work):
    """The floor's input: an index and every file's bytes (see floor.c)."""
    out = os.path.join(work, "floor.blob")
    names = files_of(source)
    with open(out, "wb") as f:
        for rel in names:
            f.write(b"%d\t%s\r\n" % (os.path.getsize(os.path.join(source, rel)), rel.replace("/", "\\").encode()))
        f.write(b"\r\n")
        for rel in names:
            with open(os.path.join(source, rel), "rb") as g:
                f.write(g.read())
    return out


def wine(args, profile=None, **kw):
    env = None
    if profile:
        env = dict(os.environ, TESSA_PROFILE_FILE=winpath(profile))
    return subprocess.Popen([WINE] + args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env, **kw)


def finish(process):
    """The process's exit status, waited for without polling: Popen.wait with
    a timeout sleeps up to 50 ms between its looks, which put every time on
    a 50 ms step. A process still running after TIMEOUT is killed."""
    killed = []
    timer = threading.Timer(TIMEOUT, lambda: (killed.append(True), process.kill()))
    timer.start()
    try:
        status = process.wait()
    finally:
        timer.cancel()
    if killed:
        raise RuntimeError("a program ran longer than %d s" % TIMEOUT)
    return status


def wait_gone(path, start):
    while os.path.exists(path):
        if time.monotonic() - start > TIMEOUT:
            raise RuntimeError(path + " is still there")
        time.sleep(0.002)
    return time.monotonic() - start


class Subject:
    """One way of installing and removing the set: install() and remove() return seconds."""

    def __init__(self, name, install_args, remove_args, folder, waits_for_batch=False):
        self.name = name
        self.install_args = install_args
        self.remove_args = remove_args
        self.folder = folder
        self.waits_for_batch = waits_for_batch
        self.times = {"install": [], "remove": []}

    def install(self, expected, profile=None):
        start = time.monotonic()
        status = finish(wine(self.install_args, profile))
        took = time.monotonic() - start
        # Our program ends every run through the same exit, with status 1; the
        # files tell whether it installed.
        if status not in (0, 1):
            raise RuntimeError("%s install exited with %d" % (self.name, status))
        got = sum(len(n) for _, _, n in os.walk(self.folder))
        if got < expected:
            raise RuntimeError("%s installed %d files, not %d" % (self.name, got, expected))
        self.times["install"].append(took)

    def remove(self, profile=None):
        start = time.monotonic()
        process = wine(self.remove_args, profile)
        took = wait_gone(self.folder, start)
        process.wait(timeout=TIMEOUT)
        if self.waits_for_batch:
            wait_gone(SELF_REMOVAL_BATCH, start)
        self.times["remove"].append(took)


def read_profile(path):
    """The phases a profiling build wrote: {name: seconds}."""
    phases = {}
    with open(path) as f:
        for line in f:
            parts = line.split("\t")
            if len(parts) >= 2:
                phases[parts[0]] = float(parts[1])
    os.remove(path)
    return phases


def profile_rounds(subject, expected, work, rounds):
    """Installs and removes with the profiling build: {"install"|"remove": {phase: median seconds}}."""
    seen = {"install": [], "remove": []}
    for _ in range(rounds):
        for action in ("install", "remove"):
            path = os.path.join(work, "profile-%s.tsv" % action)
            if os.path.exists(path):
                os.remove(path)
            if action == "install":
                subject.install(expected, path)
            else:
                subject.remove(path)
            phases = read_profile(path)
            phases["wall"] = subject.times[action][-1]
            seen[action].append(phases)
    return {action: {k: statistics.median(p.get(k, 0.0) for p in runs) for k in runs[0]}
            for action, runs in seen.items()}


def peak_memory(args):
    """Peak resident memory (VmHWM of /proc) of the Wine process running args, in bytes.

    Under Wine a Windows program is one Linux process (the loader execs the
    preloader in place), so its pid is the one started here. VmHWM is a
    high-water mark: the last reading before the exit holds the peak of
    everything before it."""
    process = wine(args)
    peak = 0
    status_path = "/proc/%d/status" % process.pid
    while process.poll() is None:
        try:
            with open(status_path) as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]) * 1024)
        except OSError:
            pass
        time.sleep(0.005)
    return peak, process.returncode


def main():
    global NSIS_TARGET
    p = argparse.ArgumentParser()
    p.add_argument("--corpus", required=True)
    p.add_argument("--sets", default="pe,pe-stripped,small-files")
    p.add_argument("--tessapack", required=True)
    p.add_argument("--stub", required=True)
    p.add_argument("--floor", required=True)
    p.add_argument("--floor-window", help="the floor built with FLOOR_WINDOW: the floor plus a window")
    p.add_argument("--work", required=True)
    p.add_argument("--rounds", type=int, default=5)
    p.add_argument("--out", required=True)
    p.add_argument("--memory-set")
    p.add_argument("--profile-stub")
    p.add_argument("--profile-rounds", type=int, default=3)
    p.add_argument("--compare", action="append", default=[])
    p.add_argument("--subjects")
    p.add_argument("--nsis-target", default=NSIS_TARGET)
    a = p.parse_args()
    NSIS_TARGET = a.nsis_target

    lines = []

    def emit(set_name, subject, figure, value):
        lines.append("%s\t%s\t%s\t%s\n" % (set_name, subject, figure, value))

    for set_name in a.sets.split(","):
        source = os.path.abspath(os.path.join(a.corpus, set_name))
        work = os.path.abspath(os.path.join(a.work, set_name))
        os.makedirs(work, exist_ok=True)
        names = files_of(source)
        emit(set_name, "payload", "files", len(names))
        emit(set_name, "payload", "bytes", sum(os.path.getsize(os.path.join(source, n)) for n in names))
        say("%s: building the packages" % set_name)
        ours = build_ours(a.tessapack, a.stub, source, set_name, work)
        compared = []
        for item in a.compare:
            tag, stub = item.split("=", 1)
            compared.append((tag, build_ours(a.tessapack, stub, source, set_name + "-" + tag, work, "ours-" + tag)))
        nsis = {c: build_nsis(source, set_name, work, c) for c in ("zlib", "lzma")}
        blob = build_blob(source, work)
        for name, path in (("ours", ours), ("nsis-zlib", nsis["zlib"][0]), ("nsis-lzma", nsis["lzma"][0]),
                           ("floor", blob)):
            emit(set_name, name, "size", os.path.getsize(path))

        ours_dir = os.path.join(PROGRAM_FILES, product(set_name))
        floor_dir = os.path.join(PROGRAM_FILES, product(set_name) + " floor")
        subjects = [
            Subject("ours", [winpath(ours), "/a"],
                    ["C:\\Program Files\\%s\\Uninstall.EXE" % product(set_name), "/a", '/u:"%s"' % product(set_name)],
                    ours_dir, waits_for_batch=True),
            Subject("floor", [winpath(a.floor), "install", winpath(blob), "C:\\Program Files\\%s floor" % product(set_name)],
                    [winpath(a.floor), "remove", winpath(blob), "C:\\Program Files\\%s floor" % product(set_name)],
                    floor_dir),
        ]
        if a.floor_window:
            window_dir = os.path.join(PROGRAM_FILES, product(set_name) + " floor-window")
            target = "C:\\Program Files\\%s floor-window" % product(set_name)
            subjects.append(Subject("floor-window", [winpath(a.floor_window), "install", winpath(blob), target],
                                    [winpath(a.floor_window), "remove", winpath(blob), target], window_dir))
        for tag, path in compared:
            name = product(set_name + "-" + tag)
            subjects.append(Subject("ours-" + tag, [winpath(path), "/a"],
                                    ["C:\\Program Files\\%s\\Uninstall.EXE" % name, "/a", '/u:"%s"' % name],
                                    os.path.join(PROGRAM_FILES, name), waits_for_batch=True))
        for compressor in ("zlib", "lzma"):
            path, name = nsis[compressor]
            subjects.append(Subject("nsis-" + compressor, [winpath(path), "/S"],
                                    ["C:\\Program Files\\%s\\Uninstall.exe" % name, "/S"],
                                    os.path.join(PROGRAM_FILES, name)))
        if a.subjects:
            subjects = [s for s in subjects if s.name in a.subjects.split(",")]
        for s in subjects:
            if os.path.exists(s.folder):
                raise RuntimeError(s.folder + " is left from an earlier run: delete it")
        try:
            for r in range(a.rounds):
                say("%s: round %d of %d" % (set_name, r + 1, a.rounds))
                turn = subjects[r % len(subjects):] + subjects[:r % len(subjects)]
                for s in turn:
                    s.install(len(names))
                    s.remove()
        except (RuntimeError, subprocess.TimeoutExpired) as e:
            # A failed subject is reported, and its leftovers cleared so the
            # next set still runs.
            say("%s: %s" % (set_name, e))
            emit(set_name, "error", "error", str(e).replace("\t", " "))
            for s in subjects:
                shutil.rmtree(s.folder, ignore_errors=True)
            continue
        for s in subjects:
            for figure, values in s.times.items():
                emit(set_name, s.name, figure, "%.4f" % statistics.median(values))
                # Each round's time, in round order, for ratios within a round.
                emit(set_name, s.name, figure + "-rounds", ",".join("%.4f" % t for t in values))
        if a.profile_stub:
            say("%s: %d profiled rounds" % (set_name, a.profile_rounds))
            path = build_ours(a.tessapack, a.profile_stub, source, set_name, work, "ours-profile")
            profiled = Subject("profile", [winpath(path), "/a"],
                               ["C:\\Program Files\\%s\\Uninstall.EXE" % product(set_name), "/a",
                                '/u:"%s"' % product(set_name)], ours_dir, waits_for_batch=True)
            for action, phases in profile_rounds(profiled, len(names), work, a.profile_rounds).items():
                for phase, seconds in phases.items():
                    emit(set_name, "profile-" + action, phase, "%.5f" % seconds)

    if a.memory_set:
        set_name = os.path.basename(os.path.normpath(a.memory_set))
        work = os.path.abspath(os.path.join(a.work, "memory-" + set_name))
        os.makedirs(work, exist_ok=True)
        say("peak memory: %s" % set_name)
        ours = build_ours(a.tessapack, a.stub, os.path.abspath(a.memory_set), "memory", work)
        payload = sum(os.path.getsize(os.path.join(a.memory_set, n)) for n in files_of(a.memory_set))
        peak, status = peak_memory([winpath(ours), "/a"])
        idle, _ = peak_memory([winpath(a.floor), "idle"])
        emit(set_name, "memory", "payload", payload)
        emit(set_name, "memory", "package", os.path.getsize(ours))
        emit(set_name, "memory", "peak", peak)
        emit(set_name, "memory", "wine", idle)
        emit(set_name, "memory", "status", status)
        remove = wine(["C:\\Program Files\\%s\\Uninstall.EXE" % product("memory"), "/a", '/u:"%s"' % product("memory")])
        wait_gone(os.path.join(PROGRAM_FILES, product("memory")), time.monotonic())
        remove.wait(timeout=TIMEOUT)

    with open(a.out, "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
