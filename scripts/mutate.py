#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Puts small faults into a copy of the tree one at a time and tells which the tests catch.

    scripts/mutate.py [--list tests/mutations.txt] [--work DIR] [--only NAME ...] [--verify]

Each line of the list is "name | file | test program | text | replacement" (blank lines and
lines starting with "#" are skipped; "<br>" stands for a line break); the text must occur
exactly once in the file; a test program "ctest:REGEX" stands for the CTest tests it matches
(the crash suites, which run the tool). The tree is copied into the work folder (default:
build-mutate/) and built there once; then, for every mutation, the file is changed, the test
program (and the tool, which some tests run) rebuilt and run, and the file put back. A mutation
whose build or tests fail is killed; one that passes survived, and means a fault the tests
would let through. --verify only checks the list.
"""

import argparse
import pathlib
import shutil
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


def read_list(path):
    mutations = []
    for number, line in enumerate(path.read_text().splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        parts = [p.strip() for p in line.split(" | ")]
        if len(parts) != 5:
            sys.exit(f"{path}:{number}: wants 5 fields separated by ' | '")
        # "<br>" in the text or the replacement stands for a line break.
        parts[3:] = [p.replace("<br>", "\n") for p in parts[3:]]
        mutations.append(dict(zip(("name", "file", "test", "old", "new"), parts), line=number))
    return mutations


def check(mutations, root):
    bad = 0
    for m in mutations:
        text = (root / m["file"]).read_text()
        count = text.count(m["old"])
        if count != 1:
            print(f"line {m['line']}: {m['name']}: the text occurs {count} times in {m['file']}")
            bad += 1
    return bad == 0


def run(command, cwd, timeout):
    try:
        return subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def refresh(tree):
    """Brings a copy built by an earlier run up to this tree: only the files whose bytes differ
    are written, so that they alone are newer than their objects and rebuilt."""
    skip = {"build", ".git"}
    for path in ROOT.rglob("*"):
        relative = path.relative_to(ROOT)
        if relative.parts[0] in skip or relative.parts[0].startswith("build-") or \
                not path.is_file():
            continue
        copy = tree / relative
        if not copy.is_file() or copy.read_bytes() != path.read_bytes():
            copy.parent.mkdir(parents=True, exist_ok=True)
            copy.write_bytes(path.read_bytes())
    print("bringing the copy up to date…", flush=True)
    if run(["cmake", "--build", "build", "-j2"], tree, 3600):
        sys.exit("the unchanged tree does not build")
    return tree


def prepare(work, reuse):
    tree = work / "tree"
    if reuse and (tree / "build" / "CMakeCache.txt").exists():
        return refresh(tree)
    if tree.exists():
        shutil.rmtree(tree)
    ignore = shutil.ignore_patterns("build", "build-*", ".git")
    shutil.copytree(ROOT, tree, ignore=ignore)
    print("building the copy once…", flush=True)
    if run(["cmake", "--preset", "dev", "-DORVEK_BUILD_BENCH=OFF"], tree, 600) or \
            run(["cmake", "--build", "build", "-j2"], tree, 3600):
        sys.exit("the unchanged tree does not build")
    return tree


def try_mutation(m, tree):
    path = tree / m["file"]
    original = path.read_text()
    path.write_text(original.replace(m["old"], m["new"], 1))
    try:
        # "ctest:REGEX" names CTest tests that run the tool (the crash suites) rather than a
        # test program.
        ctest = m["test"].removeprefix("ctest:") if m["test"].startswith("ctest:") else None
        targets = ["orvek-galaxy"] if ctest else [m["test"]] + (
            ["orvek-galaxy"] if m["test"] in ("cli_tests", "fault_tests") else [])
        if run(["cmake", "--build", "build", "-j2", "--target", *targets], tree, 900):
            return "killed (build)"
        if ctest:
            return "survived" if run(["ctest", "--test-dir", "build", "-R", ctest], tree,
                                     1800) == 0 else "killed"
        env_run = ["env", "QT_QPA_PLATFORM=offscreen", f"build/tests/{m['test']}",
                   "--gtest_brief=1"]
        # A fault that makes the tests loop is caught too: past five minutes they count as failed.
        return "survived" if run(env_run, tree, 300) == 0 else "killed"
    finally:
        path.write_text(original)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", default=str(ROOT / "tests" / "mutations.txt"))
    parser.add_argument("--work", default=str(ROOT / "build-mutate"))
    parser.add_argument("--only", action="append", help="a mutation's name (repeatable)")
    parser.add_argument("--verify", action="store_true")
    parser.add_argument("--reuse", action="store_true",
                        help="build on the copy an earlier run left in --work")
    args = parser.parse_args()
    mutations = read_list(pathlib.Path(args.list))
    if args.only:
        mutations = [m for m in mutations if m["name"] in args.only]
    if not check(mutations, ROOT):
        sys.exit(1)
    if args.verify:
        print(f"{len(mutations)} mutations, each text found once")
        return
    work = pathlib.Path(args.work)
    work.mkdir(parents=True, exist_ok=True)
    tree = prepare(work, args.reuse)
    killed = 0
    survivors = []
    for m in mutations:
        start = time.time()
        outcome = try_mutation(m, tree)
        killed += outcome.startswith("killed")
        if outcome == "survived":
            survivors.append(m["name"])
        print(f"{outcome:16} {m['name']} ({time.time() - start:.0f} s)", flush=True)
    print(f"\n{killed} of {len(mutations)} killed ({100 * killed // max(1, len(mutations))} %)")
    for name in survivors:
        print(f"survived: {name}")
    # The copy is rebuilt with the last file put back, so that the next run starts clean.
    run(["cmake", "--build", "build", "-j2"], tree, 3600)


if __name__ == "__main__":
    main()
