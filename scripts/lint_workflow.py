#!/usr/bin/python3
"""Checks a workflow of the forge for what a schema lets through and a run
then trips over: runner labels, shells, the jobs that `needs` names, the
matrix keys that expressions read, and the actions used, each at a major
version that runs on the forge's current Node, with the inputs it has and
the values an input of a fixed set allows. Then what this project's
workflow promises: the steps that report failures run after a failure too,
a compiler newer than ours builds with the flags the README gives it, and
a command that only one shell has runs in that shell, with what it set
read back in the same step.

    scripts/lint_workflow.py WORKFLOW.yml...

Prints one line per problem and exits 1 when there is any. The tables
below are what the forge and the actions document; a new label, action or
major version is added here before the workflow uses it."""

import re
import sys

import yaml

# The images of the forge's hosted runners, each pinned: "-latest" moves
# to a new image by itself, and a run that passed yesterday may not today.
RUNNER_LABELS = {
    "ubuntu-24.04", "ubuntu-22.04", "ubuntu-24.04-arm", "ubuntu-22.04-arm",
    "windows-2025", "windows-2022", "windows-11-arm",
    "macos-15", "macos-14",
}

SHELLS = {"bash", "pwsh", "python", "sh", "cmd", "powershell"}
# A shell that an action puts in place for the steps after it.
SHELLS_OF_ACTIONS = {"msys2 {0}": "msys2/setup-msys2"}

BOOLEAN = {"true", "false"}

# Each action at the major version that runs on Node 24, with its inputs;
# an input of a fixed set of values maps to that set.
ACTIONS = {
    "actions/checkout@v5": {
        "repository": None, "ref": None, "token": None, "ssh-key": None, "ssh-known-hosts": None,
        "ssh-strict": BOOLEAN, "ssh-user": None, "persist-credentials": BOOLEAN, "path": None,
        "clean": BOOLEAN, "filter": None, "sparse-checkout": None, "sparse-checkout-cone-mode": BOOLEAN,
        "fetch-depth": None, "fetch-tags": BOOLEAN, "show-progress": BOOLEAN, "lfs": BOOLEAN,
        "submodules": {"true", "false", "recursive"}, "set-safe-directory": BOOLEAN, "github-server-url": None,
    },
    "actions/upload-artifact@v6": {
        "name": None, "path": None, "if-no-files-found": {"warn", "error", "ignore"}, "retention-days": None,
        "compression-level": None, "overwrite": BOOLEAN, "include-hidden-files": BOOLEAN,
    },
    "actions/download-artifact@v7": {
        "name": None, "path": None, "pattern": None, "merge-multiple": BOOLEAN, "github-token": None,
        "repository": None, "run-id": None, "artifact-ids": None,
    },
    "msys2/setup-msys2@v2": {
        "msystem": {"MSYS", "MINGW32", "MINGW64", "UCRT64", "CLANG64", "CLANGARM64"}, "update": BOOLEAN,
        "install": None, "pacboy": None, "release": BOOLEAN, "location": None,
        "path-type": {"minimal", "strict", "inherit"}, "platform-check-severity": {"fatal", "warn"}, "cache": BOOLEAN,
    },
}

# Steps that report what failed, named by a text they hold: they run after
# a step before them failed too, so that one run reports every failure.
REPORT_AFTER_A_FAILURE = ("tests/windows/run.sh", "build/windows-scenarios")
# The conditions under which a step runs after a failure too; the first
# leaves out a cancelled run.
RUNS_AFTER_A_FAILURE = ("!cancelled()", "always()", "failure()")

# An action that installs the newest compiler, with the flags that the
# README gives a compiler newer than ours; every configure in its job
# carries them.
NEWER_COMPILERS = {"msys2/setup-msys2": ("-DKST_WERROR=OFF",)}
CONFIGURE = re.compile(r"\bcmake\s+(?:.*\s)?-S\s")

# A command that only one shell's modules provide, with what reads back in
# the same shell what it set: Set-DisplayResolution comes with Windows
# Server's ServerCore module, a module of Windows PowerShell.
COMMANDS_OF_SHELLS = {"Set-DisplayResolution": ("powershell", ("Get-DisplayResolution", "PrimaryScreen.Bounds"))}

MATRIX_REFERENCE = re.compile(r"\bmatrix\.([A-Za-z_][A-Za-z0-9_-]*)")
EXPRESSION = re.compile(r"\$\{\{\s*matrix\.([A-Za-z_][A-Za-z0-9_-]*)\s*\}\}")


def strings_in(node):
    """Every text below a node of the document, keys and values."""
    if isinstance(node, dict):
        for key, value in node.items():
            yield str(key)
            yield from strings_in(value)
    elif isinstance(node, list):
        for item in node:
            yield from strings_in(item)
    elif node is not None:
        yield str(node)


def matrix_values(job):
    """Each matrix key of the job with the values it takes."""
    matrix = ((job.get("strategy") or {}).get("matrix")) or {}
    if not isinstance(matrix, dict):
        return {}
    values = {}
    for key, listed in matrix.items():
        if key in ("include", "exclude"):
            continue
        values.setdefault(str(key), set()).update(str(v) for v in (listed if isinstance(listed, list) else [listed]))
    for entry in matrix.get("include") or []:
        for key, value in (entry or {}).items():
            values.setdefault(str(key), set()).add(str(value))
    return values


def values_of(text, matrix):
    """The values an input takes: each matrix expression stands for each of
    its key's values; another expression cannot be known here (nothing)."""
    results = {text}
    while any("${{" in result for result in results):
        expanded = set()
        for result in results:
            found = EXPRESSION.search(result)
            if found is None or found.group(1) not in matrix:
                return set()
            for value in matrix[found.group(1)]:
                expanded.add(result[:found.start()] + value + result[found.end():])
        results = expanded
    return results


def check_runs_on(where, runs_on, matrix, problems):
    labels = runs_on if isinstance(runs_on, list) else [runs_on]
    for label in labels:
        for value in values_of(str(label), matrix):
            if value.endswith("-latest"):
                problems.append(f"{where}: runs-on {value} is not pinned: name the image, such as windows-2022")
            elif value not in RUNNER_LABELS:
                problems.append(f"{where}: runs-on {value} is no hosted runner's label")


def check_shell(where, shell, actions_used, problems):
    if shell is None:
        return
    if shell in SHELLS:
        return
    needed = SHELLS_OF_ACTIONS.get(shell)
    if needed is None:
        problems.append(f"{where}: shell {shell!r} is unknown")
    elif needed not in actions_used:
        problems.append(f"{where}: shell {shell!r} needs the action {needed}, which the job does not use")


def check_step(where, step, matrix, problems):
    uses = step.get("uses")
    if uses is None:
        return
    inputs = ACTIONS.get(uses)
    if inputs is None:
        name = uses.split("@")[0]
        known = sorted(action for action in ACTIONS if action.split("@")[0] == name)
        hint = f"; use {', '.join(known)}" if known else "; add its inputs to scripts/lint_workflow.py"
        problems.append(f"{where}: {uses} is not an action of a checked major version{hint}")
        return
    for key, value in (step.get("with") or {}).items():
        if key not in inputs:
            problems.append(f"{where}: {uses} has no input {key!r}; it has {', '.join(sorted(inputs))}")
            continue
        allowed = inputs[key]
        if allowed is None:
            continue
        for shown in values_of(str(value).lower() if allowed is BOOLEAN else str(value), matrix):
            if shown not in allowed:
                problems.append(f"{where}: {uses} input {key} is {shown!r}; it takes {', '.join(sorted(allowed))}")


def check_after_a_failure(where, step, problems):
    text = " ".join(strings_in({key: value for key, value in step.items() if key != "if"}))
    for marker in REPORT_AFTER_A_FAILURE:
        if marker in text and not any(condition in str(step.get("if", "")) for condition in RUNS_AFTER_A_FAILURE):
            problems.append(f"{where}: the step of {marker} runs only when every step before it passed; "
                            "give it if: ${{ !cancelled() }} so that one run reports every failure")


def check_configure(where, step, actions_used, problems):
    for action, flags in NEWER_COMPILERS.items():
        if action not in actions_used:
            continue
        for line in str(step.get("run", "")).splitlines():
            for flag in flags:
                if CONFIGURE.search(line) and flag not in line.split():
                    problems.append(f"{where}: cmake configures without {flag}, which the README gives a "
                                    f"compiler newer than ours, such as the one {action} installs")


def check_commands_of_shells(where, step, shell, problems):
    run = str(step.get("run", ""))
    for command, (needed, readers) in COMMANDS_OF_SHELLS.items():
        if command not in run:
            continue
        if shell != needed:
            problems.append(f"{where}: {command} runs in shell {shell or 'the default'}; "
                            f"only {needed} has it: give the step shell: {needed}")
        if not any(reader in run for reader in readers):
            problems.append(f"{where}: {command} without reading back what it set in the same step "
                            f"({' or '.join(readers)})")


def check_job(name, job, jobs, problems):
    where = f"job {name}"
    matrix = matrix_values(job)
    for key in sorted(set(MATRIX_REFERENCE.findall(" ".join(strings_in(job))))):
        if key not in matrix:
            problems.append(f"{where}: matrix.{key} is not a key of the job's matrix")
    check_runs_on(where, job.get("runs-on"), matrix, problems)
    needs = job.get("needs") or []
    for needed in needs if isinstance(needs, list) else [needs]:
        if needed not in jobs:
            problems.append(f"{where}: needs {needed}, which is no job of the workflow")
    steps = job.get("steps") or []
    actions_used = {str(step.get("uses", "")).split("@")[0] for step in steps}
    default_shell = ((job.get("defaults") or {}).get("run") or {}).get("shell")
    check_shell(f"{where} defaults", default_shell, actions_used, problems)
    for index, step in enumerate(steps, 1):
        step_where = f"{where} step {index} ({step.get('name') or step.get('uses') or 'run'})"
        check_shell(step_where, step.get("shell"), actions_used, problems)
        check_step(step_where, step, matrix, problems)
        check_after_a_failure(step_where, step, problems)
        check_configure(step_where, step, actions_used, problems)
        check_commands_of_shells(step_where, step, step.get("shell") or default_shell, problems)


def check(path):
    with open(path, encoding="utf-8") as file:
        workflow = yaml.safe_load(file)
    problems = []
    jobs = workflow.get("jobs") or {}
    for name, job in jobs.items():
        check_job(name, job or {}, jobs, problems)
    return [f"{path}: {problem}" for problem in problems]


def main(paths):
    problems = [problem for path in paths for problem in check(path)]
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
