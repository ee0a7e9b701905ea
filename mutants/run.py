#!/usr/bin/env python3
"""Deliberate faults, each written into its source file in turn: the fault's targets are rebuilt,
its catching test binary is run directly (first only the test functions the fault names in its
optional "function" field, or the one that caught it in the last run, where they pass alone on
the clean source; the whole binary when they pass), and the file is put back byte for byte.

A fault counts as caught only when its test ran and failed (a crash or a hang killed after the
time limit is a failure too). A fault that does not compile says nothing about the tests; it is
reported as broken and fails the run, as does a test that already fails on the clean source.

The faults run in parallel: worker 1 in the build folder itself, each further worker in its own
copy of the source tree under BUILD/mutants/ with its own build folder, kept between runs so that
only what changed is copied and rebuilt (through ccache, where installed). The copies are synced
from this tree before the first fault is written, and only worker 1 ever writes this tree.

    mutants/run.py [--build DIR] [--workers N] [--since REV] [--timeout S] [ID ...]
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FAULTS = Path(__file__).resolve().parent / "mutants.json"

# Set on Ctrl+C or SIGTERM: workers stop after putting their file back.
STOP = threading.Event()


def load_faults(wanted):
    faults = json.loads(FAULTS.read_text(encoding="utf-8"))
    ids = [f["id"] for f in faults]
    if len(set(ids)) != len(ids):
        sys.exit("mutants.json: repeated fault id")
    unknown = [i for i in wanted if i not in ids]
    if unknown:
        sys.exit("unknown fault id: " + ", ".join(unknown))
    return [f for f in faults if not wanted or f["id"] in wanted]


def git(*args):
    return subprocess.run(["git", "-C", str(ROOT), *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, check=True).stdout


def changed_files(rev):
    """The files changed since rev: committed, staged, in the work tree, and new ones."""
    try:
        names = git("diff", "--name-only", rev, "--").split("\n")
        names += git("ls-files", "--others", "--exclude-standard").split("\n")
    except subprocess.CalledProcessError as e:
        sys.exit(f"--since {rev}: {e.stderr.strip()}")
    return {n for n in names if n}


def source_files(build_dir):
    """The source tree's files (relative paths), without build folders."""
    try:
        names = [n for n in git("ls-files", "-z", "--cached", "--others", "--exclude-standard").split("\0") if n]
    except (subprocess.CalledProcessError, FileNotFoundError):
        names = []
        for folder, dirs, files in os.walk(ROOT):
            dirs[:] = [d for d in dirs if d != ".git" and not d.startswith("build")]
            names += [str(Path(folder, f).relative_to(ROOT)) for f in files]
    skip = build_dir.relative_to(ROOT).parts[0] if build_dir.is_relative_to(ROOT) else None
    return [n for n in names if (ROOT / n).is_file() and Path(n).parts[0] != skip]


class Runner:
    """Runs commands in their own process group, so that a hung test with its children can be
    killed, and so that Ctrl+C reaches them only through us."""

    def __init__(self):
        self.lock = threading.Lock()
        self.running = set()

    def run(self, cmd, cwd, env=None, timeout=None):
        """(return code, output, timed out)."""
        if STOP.is_set():
            return -signal.SIGINT, "", False
        proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, start_new_session=True)
        with self.lock:
            self.running.add(proc)
            if STOP.is_set():  # stopped while this one was starting: kill_all has passed it
                self.kill(proc)
        try:
            out, _ = proc.communicate(timeout=timeout)
            timed_out = False
        except subprocess.TimeoutExpired:
            self.kill(proc)
            out, _ = proc.communicate()
            timed_out = True
        finally:
            with self.lock:
                self.running.discard(proc)
        return proc.returncode, out.decode("utf-8", "replace"), timed_out

    @staticmethod
    def kill(proc):
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def kill_all(self):
        with self.lock:
            for proc in list(self.running):
                self.kill(proc)


RUNNER = Runner()


class Worker:
    """One source tree with its build folder; faults are written into its files one at a time."""

    def __init__(self, number, source, build, jobs):
        self.number = number
        self.source = source
        self.build = build
        self.jobs = jobs
        self.tests = {}   # CTest name -> (command, environment, working folder, timeout)
        self.current_file = None
        self.written = None  # (path, original bytes) while a fault is in a file

    def restore(self):
        written = self.written
        if written:
            written[0].write_bytes(written[1])
            self.written = None

    def build_env(self):
        # Paths relative to the tree, so that the copies share the compiler cache.
        return dict(os.environ, CCACHE_BASEDIR=str(self.source), CCACHE_NOHASHDIR="1")

    def make_command(self, targets, jobs):
        """Builds targets, or everything when there are none."""
        return ["cmake", "--build", str(self.build), "-j", str(jobs)] + (["--target", *targets] if targets else [])

    def make(self, targets):
        return RUNNER.run(self.make_command(targets, self.jobs), cwd=self.source, env=self.build_env())

    def make_all(self):
        return RUNNER.run(self.make_command([], os.cpu_count() or 2), cwd=self.source, env=self.build_env())

    def read_tests(self):
        code, out, _ = RUNNER.run(["ctest", "--show-only=json-v1"], cwd=self.build)
        if code != 0:
            raise RuntimeError(f"ctest --show-only failed in {self.build}:\n{out[-2000:]}")
        for test in json.loads(out)["tests"]:
            props = {p["name"]: p["value"] for p in test.get("properties", [])}
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
            env.update(v.split("=", 1) for v in props.get("ENVIRONMENT", []))
            command = test.get("command")
            cwd = props.get("WORKING_DIRECTORY") or (str(Path(command[0]).parent) if command else str(self.build))
            self.tests[test["name"]] = (command, env, cwd, float(props.get("TIMEOUT") or 1500))

    def run_test(self, name, functions, limit):
        """(failed, output): failed is None when the test did not run (unknown function)."""
        command, env, cwd, own_limit = self.tests[name]
        if not command:
            return None, f"{name}: no command (not built?)"
        args = list(command)
        if functions and len(args) == 1:
            args += functions
        code, out, timed_out = RUNNER.run(args, cwd=cwd, env=env, timeout=min(limit, own_limit))
        if STOP.is_set():
            return None, "interrupted"
        if timed_out:
            return True, f"timed out after {min(limit, own_limit):.0f} s\n{out}"
        if "Unknown test function" in out or "Unknown testdata" in out:
            return None, out
        return code != 0, out


def copy_tree(files, target):
    """Makes target hold exactly files of ROOT. A changed file gets a new time stamp, so the
    copy's build sees it; an unchanged one keeps its old one and nothing is rebuilt."""
    target.mkdir(parents=True, exist_ok=True)
    wanted = set(files)
    for name in files:
        src = ROOT / name
        dst = target / name
        data = src.read_bytes()
        if dst.is_file() and dst.stat().st_size == len(data) and dst.read_bytes() == data:
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        dst.write_bytes(data)
        shutil.copymode(src, dst)
    for folder, dirs, names in os.walk(target):
        rel = Path(folder).relative_to(target)
        if rel == Path("."):
            dirs[:] = [d for d in dirs if d != "build"]
        for n in names:
            if str(rel / n) not in wanted and (rel / n).parts[0] != "build":
                (Path(folder) / n).unlink()


def cache_settings(build_dir):
    """The configure settings of the build folder that a copy's build must share."""
    settings = {}
    for line in (build_dir / "CMakeCache.txt").read_text(errors="replace").splitlines():
        m = re.match(r"^(CMAKE_BUILD_TYPE|CMAKE_CXX_COMPILER|CMAKE_CXX_FLAGS|CMAKE_GENERATOR|"
                     r"CMAKE_CXX_COMPILER_LAUNCHER):[A-Z]+=(.*)$", line)
        if m:
            settings[m.group(1)] = m.group(2)
    return settings


def prepare_copy(number, build_dir, files, jobs):
    """Worker number's copy of the source tree, synced, configured like build_dir."""
    source = build_dir / "mutants" / f"w{number}"
    copy_tree(files, source)
    build = source / "build"
    if not (build / "CMakeCache.txt").exists():
        s = cache_settings(build_dir)
        cmd = ["cmake", "-S", str(source), "-B", str(build), "-G", s.get("CMAKE_GENERATOR", "Ninja")]
        for key in ("CMAKE_BUILD_TYPE", "CMAKE_CXX_COMPILER", "CMAKE_CXX_FLAGS"):
            if s.get(key):
                cmd.append(f"-D{key}={s[key]}")
        launcher = s.get("CMAKE_CXX_COMPILER_LAUNCHER") or shutil.which("ccache")
        if launcher:
            cmd.append(f"-DCMAKE_CXX_COMPILER_LAUNCHER={launcher}")
        code, out, _ = RUNNER.run(cmd, cwd=source)
        if code != 0:
            raise RuntimeError(f"configuring {build} failed:\n{out[-3000:]}")
    return Worker(number, source, build, jobs)


class Learnt:
    """Which test functions caught each fault last time (BUILD/mutants/caught-by.json), so that the
    next run starts with them alone. Keyed by the fault's text: an edited fault starts afresh."""

    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        try:
            self.data = json.loads(path.read_text())
        except (OSError, ValueError):
            self.data = {}

    @staticmethod
    def key(fault):
        text = "\0".join(fault[k] for k in ("file", "find", "replace", "test"))
        return fault["id"] + ":" + hashlib.sha1(text.encode()).hexdigest()[:12]

    def get(self, fault):
        with self.lock:
            return self.data.get(self.key(fault))

    def put(self, fault, name, functions):
        with self.lock:
            self.data[self.key(fault)] = {"test": name, "functions": functions}

    def save(self):
        with self.lock:
            self.path.parent.mkdir(parents=True, exist_ok=True)
            self.path.write_text(json.dumps(self.data, indent=1, sort_keys=True))


def failing_functions(output):
    """The Qt Test functions that reported FAIL! in output."""
    found = []
    for m in re.finditer(r"^FAIL!\s*:\s*\w+::(\w+)\(", output, re.MULTILINE):
        if m.group(1) not in found and m.group(1) not in ("initTestCase", "cleanupTestCase", "init", "cleanup"):
            found.append(m.group(1))
    return found


def selection(fault, name, learnt):
    """The test functions to try first in test name: those the fault names, else those that
    caught it last time; () for none."""
    if fault.get("function"):
        return tuple(fault["function"].split())
    known = learnt.get(fault)
    if known and known["test"] == name and known["functions"]:
        return tuple(known["functions"])
    return ()


def try_fault(worker, fault, tests, limits, learnt, clean, verbose):
    """(verdict, detail). The verdict is "yes" only when a test ran and failed. Test functions
    are tried alone only where they passed alone on the clean source (clean)."""
    path = worker.source / fault["file"]
    original = path.read_bytes()
    text = original.decode("utf-8")
    count = text.count(fault["find"])
    if count != 1:
        return "bad find", f"'find' occurs {count} times in {fault['file']}"
    worker.current_file = fault["file"]
    try:
        worker.written = (path, original)
        path.write_bytes(text.replace(fault["find"], fault["replace"], 1).encode("utf-8"))
        code, out, _ = worker.make(fault["target"].split())
        if STOP.is_set():
            return "interrupted", ""
        if code != 0:
            return "broken fault", out[-3000:] if verbose else "does not compile"
        last = ""
        for name in tests:
            # First the functions the fault names or that caught it last time; when they pass
            # (or no longer exist), the whole test.
            tries = []
            chosen = selection(fault, name, learnt)
            if chosen and clean.get((name, chosen), (None,))[0] is False:
                tries.append(list(chosen))
            tries.append([])
            for functions in tries:
                failed, out = worker.run_test(name, functions, limits[name])
                if failed is None and STOP.is_set():
                    return "interrupted", ""
                if failed:
                    if not functions and failing_functions(out):
                        learnt.put(fault, name, failing_functions(out)[:1])
                    where = f"{name} {' '.join(functions)}".strip()
                    first = out.splitlines()[0] if out.startswith("timed out") else "failed"
                    return "yes", f"{where} ({first})"
                last = out
        return "no", last[-3000:] if verbose else "all tests passed"
    finally:
        worker.restore()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("ids", nargs="*", help="fault ids (default: all)")
    parser.add_argument("--build", default="build", help="a configured build folder (default: build)")
    parser.add_argument("--workers", type=int, default=2, help="faults tried at once (default: 2)")
    parser.add_argument("--jobs", type=int, default=0, help="build jobs per worker (default: cores / workers)")
    parser.add_argument("--since", metavar="REV", help="only the faults in files changed since REV")
    parser.add_argument("--timeout", type=float, default=0,
                        help="seconds a test may run (default: 5 times its clean run, at least 60)")
    parser.add_argument("--verbose", action="store_true", help="show build or test output of faults not caught")
    args = parser.parse_args()
    started = time.monotonic()

    build_dir = (ROOT / args.build).resolve()
    if not (build_dir / "CMakeCache.txt").exists():
        sys.exit(f"{build_dir} is no configured build folder")
    faults = load_faults(args.ids)
    if args.since:
        changed = changed_files(args.since)
        faults = [f for f in faults if f["file"] in changed]
        print(f"{len(faults)} faults in files changed since {args.since}", flush=True)
    if not faults:
        print("no faults to try")
        return 0
    workers_wanted = max(1, min(args.workers, len(faults)))
    jobs = args.jobs or max(1, (os.cpu_count() or 2) // workers_wanted)

    # Ctrl+C raises KeyboardInterrupt in this thread, even when started in the background
    # (where the shell leaves SIGINT ignored); SIGTERM is turned into the same.
    def interrupted(signum, frame):
        raise KeyboardInterrupt
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, interrupted)

    targets = []
    for f in faults:
        targets += [t for t in f["target"].split() if t not in targets]
    rows = {}
    threads = []
    workers = []
    try:
        # The copies are synced before anything is written into this tree.
        files = source_files(build_dir)
        workers = [Worker(1, ROOT, build_dir, jobs)]
        workers += [prepare_copy(n, build_dir, files, jobs) for n in range(2, workers_wanted + 1)]

        # Which tests each fault names; worker 1's tree has them all built.
        tests_of = {}
        learnt = Learnt(build_dir / "mutants" / "caught-by.json")
        pending = list(faults)
        baselines = []     # (test, functions) still to run on the clean source; () is all
        clean = {}         # (test, functions) -> (failed, seconds) on the clean source
        limits = {}
        broken_tests = set()
        lock = threading.Lock()
        failed_builds = []

        def next_job(worker):
            """("test", name), ("fault", fault), ("wait", None) or None when all is done. Each
            test the faults name runs once on the clean source first: it must pass there, and
            its time sets the limit after which a test under a fault counts as hung. Then the
            same file again if there is one (one compile per fault instead of two, as the file
            need not be compiled back first), else a file no other worker is on."""
            with lock:
                if baselines:
                    return "test", baselines.pop(0)
                ready = [f for f in pending
                         if all((n, ()) in clean and (n, selection(f, n, learnt)) in clean for n in tests_of[f["id"]])]
                if not ready:
                    return ("wait", None) if pending else ("done", None)
                busy = {w.current_file for w in workers if w is not worker}
                pick = next((f for f in ready if f["file"] == worker.current_file), None)
                if pick is None:
                    pick = next((f for f in ready if f["file"] not in busy), ready[0])
                pending.remove(pick)
                return "fault", pick

        def work(i):
            worker = workers[i]
            # With all cores while a copy is new; its first build may take a while, in which the
            # others go on.
            code, out, _ = RUNNER.run(worker.make_command(targets, os.cpu_count() or 2), cwd=worker.source,
                                      env=worker.build_env())
            if code != 0 or STOP.is_set():
                if not STOP.is_set():
                    failed_builds.append((worker.build, out))
                return
            try:
                worker.read_tests()
            except RuntimeError as e:
                failed_builds.append((worker.build, str(e)))
                return
            while not STOP.is_set():
                job, item = next_job(worker)
                if job == "done":
                    return
                if job == "wait":
                    time.sleep(0.5)
                    continue
                if job == "test":
                    name, functions = item
                    t0 = time.monotonic()
                    failed, out = None, "the test could not be started"
                    try:
                        failed, out = worker.run_test(name, list(functions), 1800)
                    except OSError as e:
                        out = str(e)
                    seconds = time.monotonic() - t0
                    with lock:
                        clean[item] = (failed, seconds)
                        shown = f"{name} {' '.join(functions)}".strip()
                        if functions or STOP.is_set():
                            pass  # a selection that fails alone is not tried alone
                        elif failed is False:
                            limits[name] = args.timeout or max(60.0, 5 * seconds)
                            print(f"{'clean':<8} {'passes':<13} {shown:<32} [{seconds:.0f} s, worker {worker.number}]",
                                  flush=True)
                        else:
                            broken_tests.add(name)
                            print((out[-3000:] if args.verbose else "")
                                  + f"{name} fails on the clean source: its faults cannot be judged", flush=True)
                    continue
                fault = item
                names = tests_of[fault["id"]]
                t0 = time.monotonic()
                if not names:
                    verdict, detail = "no test", f"no test matches {fault['test']}"
                elif broken_tests.intersection(names):
                    verdict, detail = "no", "its test fails on the clean source"
                else:
                    try:
                        verdict, detail = try_fault(worker, fault, names, limits, learnt, clean, args.verbose)
                    except OSError as e:
                        verdict, detail = "error", str(e)
                if verdict == "interrupted":
                    return
                rows[fault["id"]] = verdict
                first = detail.splitlines()[0] if detail else ""
                print(f"{fault['id']:<8} {verdict:<13} {fault['file']:<32} {first} "
                      f"[{time.monotonic() - t0:.0f} s, worker {worker.number}]", flush=True)
                if verdict != "yes" and args.verbose and "\n" in detail:
                    print(detail, flush=True)

        # The faults' tests, from this tree's test list; what every tree builds from the clean
        # source: the faults' targets and the programs of their tests. Before the programs are
        # known (a test not built yet), this tree is built whole.
        workers[0].read_tests()
        for f in faults:
            regex = re.compile(f["test"])
            tests_of[f["id"]] = [n for n in workers[0].tests if regex.search(n)]
            baselines += [(n, ()) for n in tests_of[f["id"]] if (n, ()) not in baselines]
        if not all(workers[0].tests[n][0] for n, _ in baselines):
            print("building the whole tree once ...", flush=True)
            code, out, _ = workers[0].make_all()
            if code != 0:
                print(out[-3000:])
                print(f"the clean build in {build_dir} failed")
                return 1
            workers[0].read_tests()
        for f in faults:
            for n in tests_of[f["id"]]:
                chosen = selection(f, n, learnt)
                if chosen and (n, chosen) not in baselines:
                    baselines.append((n, chosen))
        for n, _ in baselines:
            program = Path(workers[0].tests[n][0][0])
            if program.is_relative_to(build_dir) and program.name not in targets:
                targets.append(program.name)
        print(f"building {len(targets)} targets from the clean source in {len(workers)} trees ...", flush=True)
        print(f"{'id':<8} {'caught':<13} {'file':<32} detail", flush=True)
        run_all(work, len(workers), threads)
        if STOP.is_set():
            raise KeyboardInterrupt
        for where, out in failed_builds:
            print(out[-3000:])
            print(f"the clean build in {where} failed; its worker tried no fault")
        learnt.save()
    except KeyboardInterrupt:
        STOP.set()
        RUNNER.kill_all()
        for t in threads:
            t.join()
        for w in workers:
            w.restore()
        print("interrupted: every source file is back as it was", flush=True)
        return 130
    finally:
        # Put back whatever a worker left written, should its thread not have got there; a second
        # Ctrl+C must not stop this half way.
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        for w in workers:
            w.restore()
        signal.signal(signal.SIGINT, signal.default_int_handler)
        if STOP.is_set() or rows:
            # This tree's objects of the last fault worker 1 tried are rebuilt from the clean
            # source, so the build folder is left as the developer expects it.
            STOP.clear()
            if targets:
                print("rebuilding the clean source ...", flush=True)
                code, out, _ = Worker(1, ROOT, build_dir, jobs).make(targets)
                if code != 0:
                    print(out[-3000:])
                    print("the clean rebuild failed")

    missed = [f["id"] for f in faults if rows.get(f["id"]) != "yes"]
    minutes, seconds = divmod(int(time.monotonic() - started), 60)
    print(f"{len(faults) - len(missed)} of {len(faults)} faults caught"
          + (": not caught " + " ".join(missed) if missed else ""))
    print(f"total time {minutes} min {seconds:02d} s ({workers_wanted} workers)")
    return 1 if missed else 0


def run_all(body, count, threads=None):
    """body(0) ... body(count - 1) in threads; waits for all, Ctrl+C still reaching this one."""
    threads = threads if threads is not None else []
    threads[:] = [threading.Thread(target=body, args=(i,), daemon=True) for i in range(count)]
    for t in threads:
        t.start()
    for t in threads:
        while t.is_alive():
            t.join(0.2)


if __name__ == "__main__":
    sys.exit(main())
