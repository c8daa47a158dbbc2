#!/usr/bin/python3
"""The workflow linter against the workflow itself, which it must pass, and
against copies of it broken in one place each, every one of which it must
refuse with its reason. Prints "workflow: N passed, M failed"."""

import os
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(os.path.dirname(here))
sys.path.insert(0, os.path.join(root, "scripts"))
import lint_workflow  # noqa: E402

WORKFLOW = os.path.join(root, ".github", "workflows", "windows.yml")

# What is changed, into what, and what the linter must say.
BROKEN = [
    ("runs-on: windows-2022", "runs-on: windows-1999", "runs-on windows-1999 is no hosted runner's label"),
    ("runs-on: windows-2022", "runs-on: windows-latest", "runs-on windows-latest is not pinned"),
    ("shell: bash", "shell: bsah", "shell 'bsah' is unknown"),
    ("msystem: MINGW64", "msystme: MINGW64", "has no input 'msystme'"),
    ("msystem: MINGW64", "msystem: MINGW46", "input msystem is 'MINGW46'"),
    ("the ${{ matrix.arch }} build", "the ${{ matrix.archh }} build", "matrix.archh is not a key"),
    ("if-no-files-found: ignore", "if-no-files-found: silently", "input if-no-files-found is 'silently'"),
    ("actions/checkout@v5", "actions/checkout@v3", "actions/checkout@v3 is not an action of a checked major"),
    ("needs: build", "needs: biuld", "needs biuld, which is no job"),
    ("name: windows-${{ matrix.arch }}", "name: windows-${{ matrix.arch }}\n          pathh: x", "has no input 'pathh'"),
    ("if: ${{ !cancelled() }}", "if: success()", "the step of tests/windows/run.sh runs only when every step"),
    ("if: failure()", "if: success()", "the step of build/windows-scenarios runs only when every step"),
    (" -DKST_WERROR=OFF", "", "cmake configures without -DKST_WERROR=OFF"),
    ("shell: powershell", "shell: pwsh", "Set-DisplayResolution runs in shell pwsh; only powershell has it"),
    ("::PrimaryScreen.Bounds", "::PrimaryScreen", "Set-DisplayResolution without reading back"),
]


def lint(text):
    with tempfile.NamedTemporaryFile("w", suffix=".yml", delete=False, encoding="utf-8") as copy:
        copy.write(text)
    try:
        return lint_workflow.check(copy.name)
    finally:
        os.unlink(copy.name)


def main():
    passed = failed = 0

    def report(name, ok, detail=""):
        nonlocal passed, failed
        if ok:
            passed += 1
            print(f"[workflow] PASS {name}")
        else:
            failed += 1
            print(f"[workflow] FAIL {name}{detail}")

    with open(WORKFLOW, encoding="utf-8") as file:
        original = file.read()
    problems = lint(original)
    report("the workflow itself passes", not problems, "".join("\n    " + p for p in problems))
    for old, new, expected in BROKEN:
        name = f"{old!r} made {new!r} is refused"
        if old not in original:
            report(name, False, ": the workflow no longer holds the text to break")
            continue
        problems = lint(original.replace(old, new, 1))
        report(name, any(expected in problem for problem in problems),
               "".join("\n    said: " + p for p in problems) or "\n    said nothing")
    print(f"workflow: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
