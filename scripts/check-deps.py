#!/usr/bin/env python3
"""Checks that every folder of src/ uses only what its README allows.

Each src/<folder>/README.md has a sentence that starts with "Depends on:"; that
sentence (up to its first full stop outside backticks) lists everything the
folder may use, and the rest of the README may say what it must not. In it:
  - another folder in backticks: `link/` or `link` (all of it), `link/d2xx.h`
    (that header only), or one of its library targets, `virn_link_core`;
  - a library from outside by its name: QtCore, QtGui, QtWidgets (or
    "Qt Widgets"), QtXml, QtPrintSupport, QtNetwork, libftdi1, libjpeg, POSIX (for dlopen),
    threads.
What the folder uses is read from its sources' `#include "<folder>/..."` lines
and from the target_link_libraries of its CMakeLists.txt. Every folder found
is checked, so a new one needs its README first.
  scripts/check-deps.py [SRC_DIR]      (default: src)
"""

import pathlib
import re
import sys

# What a library outside the program is linked as, and the name a README gives it.
EXTERNAL = {
    "Qt6::Core": "QtCore",
    "Qt6::Gui": "QtGui",
    "Qt6::Widgets": "QtWidgets",
    "Qt6::Xml": "QtXml",
    "Qt6::PrintSupport": "QtPrintSupport",
    "Qt6::Network": "QtNetwork",
    "PkgConfig::LIBFTDI1": "libftdi1",
    "JPEG::JPEG": "libjpeg",
    "${CMAKE_DL_LIBS}": "POSIX",
    "Threads::Threads": "threads",
}
KEYWORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "LINK_PUBLIC", "LINK_PRIVATE"}


def strip_cmake_comments(text):
    return re.sub(r"#[^\n]*", "", text)


def depends_sentence(readme):
    """The "Depends on:" sentence of a README, or None."""
    text = readme.read_text(encoding="utf-8")
    start = text.find("Depends on:")
    if start < 0:
        return None
    paragraph = re.split(r"\n\s*\n", text[start:], maxsplit=1)[0]
    # A full stop inside backticks (`link/d2xx.h`) does not end the sentence.
    masked = re.sub(r"`[^`]*`", lambda m: "x" * len(m.group(0)), paragraph)
    end = re.search(r"\.(\s|$)", masked)
    return " ".join(paragraph[: end.start() if end else len(paragraph)].split())


def targets_by_folder(src, folders):
    """Every library and program target of src/, with the folder that defines it."""
    texts = {f: strip_cmake_comments((src / f / "CMakeLists.txt").read_text(encoding="utf-8")) for f in folders}
    # Functions that wrap add_library or add_executable, wherever they are defined.
    wrappers = set()
    for text in texts.values():
        for name, body in re.findall(r"function\(\s*(\w+)([^)]*\).*?)endfunction", text, re.S):
            if re.search(r"add_(library|executable)\(\s*\$\{", body):
                wrappers.add(name)
    makers = "|".join(["add_library", "add_executable"] + sorted(wrappers))
    owner = {}
    for folder, text in texts.items():
        for target in re.findall(r"\b(?:%s)\(\s*([A-Za-z0-9_.+-]+)" % makers, text):
            owner[target] = folder
    return owner


def linked(text):
    """What each target_link_libraries call of a CMakeLists links."""
    for args in re.findall(r"target_link_libraries\(([^)]*)\)", text):
        words = args.split()
        yield from (w for w in words[1:] if w not in KEYWORDS)


def check_folder(src, folder, folders, owner):
    sentence = depends_sentence(src / folder / "README.md") if (src / folder / "README.md").exists() else None
    if sentence is None:
        return [f"{src / folder}: no README.md with a \"Depends on:\" sentence"]
    named = re.findall(r"`([^`]+)`", sentence)
    whole = {n.rstrip("/") for n in named if n.rstrip("/") in folders}
    headers = {n for n in named if "/" in n.rstrip("/") and n.split("/")[0] in folders}
    targets = {n for n in named if n in owner}
    words = sentence.replace("Qt ", "Qt")
    problems = []

    for source in sorted((src / folder).rglob("*")):
        if source.suffix not in {".h", ".cpp", ".in"}:
            continue
        for number, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
            match = re.match(r'\s*#\s*include\s+"(([^"/]+)/[^"]+)"', line)
            if not match or match.group(2) not in folders or match.group(2) == folder:
                continue
            if match.group(2) not in whole and match.group(1) not in headers:
                problems.append(f"{source}:{number}: includes \"{match.group(1)}\"")

    cmake = strip_cmake_comments((src / folder / "CMakeLists.txt").read_text(encoding="utf-8"))
    for library in linked(cmake):
        if library in owner:
            other = owner[library]
            if other != folder and other not in whole and library not in targets:
                problems.append(f"{src / folder}/CMakeLists.txt: links {library} ({src / other}/)")
        elif library in EXTERNAL:
            if not re.search(r"\b%s\b" % re.escape(EXTERNAL[library]), words):
                problems.append(f"{src / folder}/CMakeLists.txt: links {library} ({EXTERNAL[library]})")
        else:
            problems.append(f"{src / folder}/CMakeLists.txt: links {library}, which this check does not know")
    return [f"{p}: not in the README's \"Depends on:\"" if "does not know" not in p else p for p in problems]


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    folders = sorted(p.parent.name for p in src.glob("*/CMakeLists.txt"))
    owner = targets_by_folder(src, folders)
    problems = [p for folder in folders for p in check_folder(src, folder, set(folders), owner)]
    for problem in problems:
        print(problem, file=sys.stderr)
    print(f"dependencies: {len(folders)} folders, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
