#!/usr/bin/env python3
"""Follows the guide, docs/guide.md, word for word, as a new user would: its
shell commands run in order, each file it shows is written where it shows
it. So the library is built and installed into a fresh prefix (a temporary
home), and the guide's program is configured and built from outside the tree
against the installed package; then the program is run and driven from
outside. Last, the two mistakes the guide describes are made in the form's
text and the build must stop with the messages the guide quotes.

usage: guide.py BUILD_DIR
"""
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from drive import SOURCE, check, finish, wait, window_named, wine_env, xdo  # noqa: E402

BUILD = os.path.abspath(sys.argv[1])
GUIDE = open(os.path.join(SOURCE, "docs", "guide.md")).read()


def steps():
    """The guide's shell commands and files, in order: ("sh", line) and
    ("file", name, text). A file is a fenced block right after a line that is
    its name in backquotes and a colon."""
    out, lines, i, name = [], GUIDE.splitlines(), 0, None
    while i < len(lines):
        line = lines[i]
        fence = re.match(r"^```(\w*)$", line)
        if fence:
            end = lines.index("```", i + 1)
            body = lines[i + 1:end]
            if name:
                out.append(("file", name, "\n".join(body) + "\n"))
            elif fence.group(1) == "sh":
                out.extend(("sh", command) for command in body)
            i, name = end + 1, None
            continue
        match = re.match(r"^`([^`]+)`:$", line)
        name = match.group(1) if match else (name if not line.strip() else None)
        i += 1
    return out


def script(items):
    """One shell script of the steps before the program runs. The guide
    builds in the checkout's tree `build`; this test uses its own build tree."""
    text = ["set -ex", f"cd {SOURCE}"]
    for item in items:
        if item[0] == "file":
            text.append(f"cat > '{item[1]}' <<'GUIDE_FILE_END'\n{item[2]}GUIDE_FILE_END")
        else:
            text.append(re.sub(r"(?<= )build(?= |$)", BUILD, item[1]) if "tools/" in item[1] or "--install" in item[1]
                        else item[1])
    return "\n".join(text) + "\n"


def mistakes():
    """The guide's mistakes: the form line it changes and the message it quotes."""
    section = GUIDE.split("## When the form and the code disagree", 1)[1]
    return re.findall(r"\(say\s+`([^`]+)`\).*?:\s+`([^`]+)`", section, re.S)


def main():
    home = tempfile.mkdtemp(prefix="sondrel-guide-")
    env = dict(wine_env(BUILD), HOME=home)
    items = steps()
    run = [item[1] for item in items if item[0] == "sh" and item[1].startswith("wine ")]
    built = subprocess.run(["bash", "-c", script([i for i in items if not (i[0] == "sh" and i[1] in run)])],
                           env=env, capture_output=True, text=True)
    print(built.stdout[-3000:] + built.stderr[-3000:])
    hello = os.path.join(home, "hello")
    if not check(built.returncode == 0, "the guide's commands install the library and build the program"):
        return
    check(os.path.isfile(os.path.join(home, "sondrel", "lib", "cmake", "Sondrel", "SondrelConfigVersion.cmake")),
          "the package is installed with its version file")

    program = subprocess.Popen(["bash", "-c", run[0]], cwd=hello, env=env)
    form = wait(lambda: window_named("Hello"), 20)
    if check(form is not None, "the program shows its form"):
        xdo("windowactivate", "--sync", form)
        xdo("key", "alt+g")
        check(wait(lambda: window_named("Hello, world!"), 5) is not None, "Alt+G greets")
        xdo("key", "alt+c")
    try:
        code = program.wait(30)
    except subprocess.TimeoutExpired:
        program.kill()
        code = None
    check(code == 0, "Alt+C closes it with exit code 0")

    frm = os.path.join(hello, "HelloForm.frm")
    original = open(frm).read()
    for change, message in mistakes():
        lines = original.splitlines()
        wrong = difflib.get_close_matches(change, [line.strip() for line in lines], n=1)[0]
        at = next(i for i, line in enumerate(lines) if line.strip() == wrong)
        lines[at] = lines[at].replace(wrong, change)
        open(frm, "w").write("\n".join(lines) + "\n")
        failed = subprocess.run(["cmake", "--build", "build"], cwd=hello, env=env, capture_output=True, text=True)
        output = failed.stdout + failed.stderr
        pattern = re.escape(message).replace(re.escape("..."), ".*")
        check(failed.returncode != 0 and re.search(pattern, output) is not None,
              f"`{change}` stops the build with `{message}`")
        open(frm, "w").write(original)
    shutil.rmtree(home, ignore_errors=True)


main()
finish()
