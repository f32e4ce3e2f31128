#!/usr/bin/env python3
"""Applies the hand-written mutations of scripts/mutations.txt one at a time to a separate
source tree, builds it incrementally and runs the tests; prints the mutations no test caught."""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path


def parse_list(path):
    mutations, current = [], None
    for number, raw in enumerate(Path(path).read_text(encoding="utf-8").splitlines(), 1):
        line = raw.rstrip("\n")
        if line.startswith("== "):
            current = {"name": line[3:].strip(), "line": number, "find": None, "repl": None}
            mutations.append(current)
            continue
        if current is None or not line.strip() or line.startswith("#"):
            continue
        key, sep, value = line.partition(":")
        if not sep:
            sys.exit(f"{path}:{number}: no 'key: value' line")
        value = value[1:] if value.startswith(" ") else value
        if key in ("find+", "repl+"):
            base = key[:-1]
            if current[base] is None:
                sys.exit(f"{path}:{number}: {key} before {base}")
            current[base] += "\n" + value
        elif key in ("file", "tests", "find", "repl", "why"):
            current[key] = value
        else:
            sys.exit(f"{path}:{number}: unknown key {key}")
    names = set()
    for m in mutations:
        for key in ("file", "tests", "find", "repl", "why"):
            if m.get(key) is None:
                sys.exit(f"{path}:{m['line']}: mutation {m['name']} lacks {key}")
        if not m["find"]:
            sys.exit(f"{path}:{m['line']}: mutation {m['name']} has an empty find")
        if m["name"] in names:
            sys.exit(f"{path}:{m['line']}: mutation {m['name']} twice")
        names.add(m["name"])
    return mutations


def run(cmd, log, timeout=None, cwd=None, env=None):
    """Runs cmd in its own process group; returns its exit code, or None after a time-out."""
    with open(log, "a", encoding="utf-8") as out:
        out.write(f"\n$ {' '.join(cmd)}\n")
        out.flush()
        proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.STDOUT, cwd=cwd, env=env,
                                start_new_session=True)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            out.write(f"\n(killed after {timeout} s)\n")
            return None


def main():
    here = Path(__file__).resolve().parent
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--tree", required=True, help="source tree to mutate (never your own checkout)")
    ap.add_argument("--build", help="build folder (default TREE/build-mutate)")
    ap.add_argument("--list", default=str(here / "mutations.txt"))
    ap.add_argument("--only", nargs="*", help="names of the mutations to apply")
    ap.add_argument("--check", action="store_true", help="only report stale mutations")
    ap.add_argument("--results", help="file for one 'name<TAB>outcome<TAB>detail' line each")
    ap.add_argument("--log", help="build and test output (default BUILD/mutate.log)")
    ap.add_argument("--test-timeout", type=int, default=120, help="seconds per test program")
    ap.add_argument("--jobs", default="2")
    ap.add_argument("--skip-check", action="store_true",
                    help="do not run the suite on the unmutated tree first")
    args = ap.parse_args()

    tree = Path(args.tree).resolve()
    build = Path(args.build).resolve() if args.build else tree / "build-mutate"
    mutations = parse_list(args.list)
    if args.only:
        wanted = set(args.only)
        unknown = wanted - {m["name"] for m in mutations}
        if unknown:
            sys.exit(f"unknown mutations: {', '.join(sorted(unknown))}")
        mutations = [m for m in mutations if m["name"] in wanted]

    results = []

    def applies(m):
        path = tree / m["file"]
        if not path.is_file():
            return None, "file missing"
        text = path.read_text(encoding="utf-8")
        count = text.count(m["find"])
        if count != 1:
            return None, f"found {count} times"
        return text, ""

    if args.check:
        stale = 0
        for m in mutations:
            text, why = applies(m)
            if text is None:
                stale += 1
                print(f"stale   {m['name']}: {m['file']}: {why}")
        print(f"{len(mutations)} mutations, {stale} stale")
        return 1 if stale else 0

    log = Path(args.log).resolve() if args.log else build / "mutate.log"
    build.mkdir(parents=True, exist_ok=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    # A mutation that makes a test hang costs the test's whole time-out, so it is kept short.
    timeout_option = f"-DZEPTAL_TEST_TIMEOUT={args.test_timeout}"
    if (build / "build.ninja").exists():
        run(["cmake", timeout_option, str(build)], log)
    else:
        rc = run(["cmake", "-S", str(tree), "-B", str(build), "-G", "Ninja", timeout_option,
                  "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"]
                 # Every mutation relinks many test programs; lld does that fastest.
                 + (["-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld"] if shutil.which("ld.lld") else []),
                 log)
        if rc != 0:
            sys.exit(f"configure failed, see {log}")
    build_cmd = ["ninja", "-C", str(build), f"-j{args.jobs}"]
    ctest = ["ctest", "--test-dir", str(build), f"-j{args.jobs}", "--stop-on-failure",
             "--timeout", str(args.test_timeout)]
    # A run is ended from outside when a test hangs longer than its own time-out allows.
    suite_limit = 8 * 60
    print(f"building the unmutated tree in {build} ...", flush=True)
    if run(build_cmd, log) != 0:
        sys.exit(f"the unmutated tree does not build, see {log}")
    if not args.skip_check and run(ctest, log, timeout=suite_limit, env=env) != 0:
        sys.exit(f"the unmutated tree fails its tests, see {log}")

    def test_names(pattern):
        listed = subprocess.run(["ctest", "--test-dir", str(build), "-N", "-R", pattern],
                                capture_output=True, text=True).stdout
        return [line.split(":", 1)[1].strip() for line in listed.splitlines()
                if line.strip().startswith("Test") and "#" in line and ":" in line]

    def outcome(m):
        text, why = applies(m)
        if text is None:
            return "stale", why
        path = tree / m["file"]
        try:
            path.write_text(text.replace(m["find"], m["repl"], 1), encoding="utf-8")
            # The named tests first, with only their own executables rebuilt.
            named = test_names(m["tests"])
            if named:
                if run(build_cmd + named, log) != 0:
                    return "no-build", "the mutated tree does not compile"
                rc = run(ctest + ["-R", m["tests"]], log, timeout=suite_limit, env=env)
                if rc != 0:
                    return "caught", f"by {m['tests']}" if rc is not None else "hang"
            if run(build_cmd, log) != 0:
                return "no-build", "the mutated tree does not compile"
            rc = run(ctest + ["-E", m["tests"]], log, timeout=suite_limit, env=env)
            if rc != 0:
                return "caught", "by the rest of the suite" if rc is not None else "hang"
            return "uncaught", ""
        finally:
            path.write_text(text, encoding="utf-8")

    started = time.monotonic()
    for i, m in enumerate(mutations, 1):
        t0 = time.monotonic()
        result, detail = outcome(m)
        results.append((m, result, detail))
        print(f"[{i}/{len(mutations)}] {result:9} {m['name']} ({detail}, "
              f"{time.monotonic() - t0:.0f} s)", flush=True)
        if args.results:
            with open(args.results, "a", encoding="utf-8") as out:
                out.write(f"{m['name']}\t{result}\t{detail}\n")
    # The tree is left as it was, built.
    run(build_cmd, log)

    counts = {}
    for _, result, _ in results:
        counts[result] = counts.get(result, 0) + 1
    print(f"\n{len(results)} mutations in {time.monotonic() - started:.0f} s: " +
          ", ".join(f"{counts.get(k, 0)} {k}" for k in ("caught", "uncaught", "stale", "no-build")))
    for m, result, _ in results:
        if result == "uncaught":
            print(f"  uncaught: {m['name']} ({m['file']}): {m['why']}")
    return 1 if counts.get("uncaught") or counts.get("stale") else 0


if __name__ == "__main__":
    sys.exit(main())
