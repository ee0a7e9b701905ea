#!/usr/bin/env python3
"""Deliberate faults, one at a time: each is written into its source file, the targets that hold
it are rebuilt, its catching test is run, and the file is put back byte for byte.

A fault counts as caught only when the tests ran and at least one failed. A fault that does not
compile says nothing about the tests; it is reported as a broken fault and also fails the run.

    mutants/run.py [--build DIR] [--jobs N] [ID ...]
"""

import argparse
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FAULTS = Path(__file__).resolve().parent / "mutants.json"


def load_faults(wanted):
    faults = json.loads(FAULTS.read_text(encoding="utf-8"))
    ids = [f["id"] for f in faults]
    if len(set(ids)) != len(ids):
        sys.exit("mutants.json: repeated fault id")
    unknown = [i for i in wanted if i not in ids]
    if unknown:
        sys.exit("unknown fault id: " + ", ".join(unknown))
    return [f for f in faults if not wanted or f["id"] in wanted]


def build(build_dir, targets, jobs):
    cmd = ["cmake", "--build", str(build_dir), "-j", str(jobs), "--target", *targets]
    return subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")


def run_tests(build_dir, regex):
    """The CTest names that failed, or None when CTest found no test to run."""
    with tempfile.TemporaryDirectory(prefix="mutants-") as tmp:
        config = Path(tmp) / "config"
        runtime = Path(tmp) / "runtime"
        config.mkdir()
        runtime.mkdir(mode=0o700)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
                   XDG_CONFIG_HOME=str(config), XDG_RUNTIME_DIR=str(runtime))
        out = subprocess.run(["ctest", "-R", regex, "--output-on-failure"], cwd=build_dir, env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace").stdout
    if "No tests were found" in out:
        return None, out
    # The summary ends with "The following tests FAILED:" and lines like "  5 - tst_evaluator (Failed)".
    failed = re.findall(r"^\s*\d+ - (\S+) \((.*)\)$", out.split("The following tests FAILED:", 1)[-1],
                        re.MULTILINE) if "The following tests FAILED:" in out else []
    return [f"{name} ({why})" for name, why in failed], out


def try_fault(fault, build_dir, jobs, verbose):
    path = ROOT / fault["file"]
    original = path.read_bytes()
    text = original.decode("utf-8")
    count = text.count(fault["find"])
    if count != 1:
        return "bad find", f"'find' occurs {count} times in {fault['file']}"
    targets = fault["target"].split()
    try:
        path.write_bytes(text.replace(fault["find"], fault["replace"], 1).encode("utf-8"))
        built = build(build_dir, targets, jobs)
        if built.returncode != 0:
            return "broken fault", built.stdout[-3000:] if verbose else "does not compile"
        failed, out = run_tests(build_dir, fault["test"])
        if failed is None:
            return "no test", f"no test matches {fault['test']}"
        if failed:
            return "yes", " ".join(failed)
        return "no", out[-3000:] if verbose else "all tests passed"
    finally:
        path.write_bytes(original)


def interrupted(signum, frame):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("ids", nargs="*", help="fault ids (default: all)")
    parser.add_argument("--build", default="build", help="an existing build folder (default: build)")
    parser.add_argument("--jobs", type=int, default=2, help="parallel build jobs (default: 2)")
    parser.add_argument("--verbose", action="store_true", help="show build or test output of faults not caught")
    args = parser.parse_args()

    build_dir = (ROOT / args.build).resolve()
    if not (build_dir / "CMakeCache.txt").exists():
        sys.exit(f"{build_dir} is no configured build folder")
    faults = load_faults(args.ids)

    # Ctrl+C raises KeyboardInterrupt in Python; SIGTERM is turned into the same, so the finally
    # blocks put the source back either way.
    signal.signal(signal.SIGTERM, interrupted)

    rows = []
    all_targets = []
    stopped = False
    try:
        print(f"{'id':<5} {'caught':<13} {'file':<32} detail", flush=True)
        for fault in faults:
            for t in fault["target"].split():
                if t not in all_targets:
                    all_targets.append(t)
            caught, detail = try_fault(fault, build_dir, args.jobs, args.verbose)
            rows.append((fault["id"], caught))
            first = detail.splitlines()[0] if detail else ""
            print(f"{fault['id']:<5} {caught:<13} {fault['file']:<32} {first}", flush=True)
            if caught != "yes" and args.verbose and "\n" in detail:
                print(detail, flush=True)
    except KeyboardInterrupt:
        stopped = True
        print("interrupted: the source of the fault in hand is back as it was", flush=True)
    finally:
        if all_targets:
            print("rebuilding the clean source ...", flush=True)
            clean = build(build_dir, all_targets, args.jobs)
            if clean.returncode != 0:
                print(clean.stdout[-3000:])
                print("the clean rebuild failed")

    if stopped:
        return 130
    missed = [i for i, c in rows if c != "yes"]
    print(f"{len(rows) - len(missed)} of {len(rows)} faults caught" + (": not caught " + " ".join(missed) if missed else ""))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
