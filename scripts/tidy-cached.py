#!/usr/bin/env python3
"""Runs clang-tidy on the program's sources, skipping files it passed before.

A file's clean verdict is kept under ${XDG_CACHE_HOME:-~/.cache}/virn-clang-tidy,
keyed on everything the verdict depends on: the file as the preprocessor gives
it (comments kept, so NOLINT counts; every header it reads included), its
compile flags, .clang-tidy and clang-tidy's version. Paths below the clone are
written relative to it, so another clone of the same sources shares the
verdicts. Only clean verdicts are kept: a file with findings is checked anew
every time, and what is checked is the same as a plain run.
  scripts/tidy-cached.py BUILD_DIR [JOBS]      (prints the findings; exit 1 if any)
"""

import concurrent.futures
import hashlib
import json
import os
import pathlib
import re
import shlex
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent


def cache_dir():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return pathlib.Path(base) / "virn-clang-tidy"


def relative(text):
    return text.replace(str(ROOT), "<clone>")


def compile_flags(entry):
    """The entry's compiler arguments without the compiler, the output and the source."""
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    flags, skip = [], False
    for arg in args[1:]:
        if skip:
            skip = False
        elif arg in ("-o", "-c"):
            skip = True
        elif arg != entry["file"]:
            flags.append(arg)
    return flags


def verdict_key(entry, common):
    flags = compile_flags(entry)
    preprocessed = subprocess.run(
        ["clang++", "-E", "-C", *flags, entry["file"]],
        cwd=entry["directory"], capture_output=True, check=False)
    if preprocessed.returncode != 0:
        return None  # let clang-tidy say what is wrong
    digest = hashlib.sha256(common)
    digest.update(relative(" ".join(flags) + "\n" + entry["file"]).encode())
    digest.update(relative(preprocessed.stdout.decode("utf-8", "replace")).encode())
    return digest.hexdigest()


def check(entry, build, common, cache):
    key = verdict_key(entry, common)
    stamp = cache / key[:2] / key if key else None
    if stamp is not None and stamp.exists():
        return entry["file"], True, ""
    tidy = subprocess.run(["clang-tidy", "-p", str(build), "--quiet", entry["file"]],
                          capture_output=True, text=True, check=False)
    output = tidy.stdout + tidy.stderr
    clean = tidy.returncode == 0 and not re.search(r"(warning|error):", output)
    if clean and stamp is not None:
        stamp.parent.mkdir(parents=True, exist_ok=True)
        stamp.touch()
    return entry["file"], False, "" if clean else output


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    jobs = int(sys.argv[2]) if len(sys.argv) > 2 else os.cpu_count() or 1
    entries = json.loads((build / "compile_commands.json").read_text())
    sources = re.compile(re.escape(str(ROOT / "src")) + r"/.*\.cpp$")
    entries = [e for e in entries if sources.match(e["file"])]
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True, text=True, check=True).stdout
    common = (version + (ROOT / ".clang-tidy").read_text()).encode()
    cache = cache_dir()
    findings, reused = [], 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for name, cached, output in pool.map(lambda e: check(e, build, common, cache), entries):
            reused += cached
            if output:
                findings.append(output)
    for output in findings:
        print(output, end="" if output.endswith("\n") else "\n")
    print(f"clang-tidy: {len(entries)} files, {reused} passed before and unchanged, "
          f"{len(findings)} with findings", file=sys.stderr)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
