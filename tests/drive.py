"""What the tests that drive programs from outside share: counted checks,
waiting, xdotool, windows found by title, and the environment in which a
plain `wine` runs a program as the build's runner does (its prefix and its
display)."""
import os
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE = os.path.join(SOURCE, "tools", "wine.sh")
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def finish():
    print(f"{len(failures)} failed" if failures else "all passed")
    sys.exit(1 if failures else 0)


def wait(predicate, seconds=10.0):
    end = time.time() + seconds
    while time.time() < end:
        result = predicate()
        if result:
            return result
        time.sleep(0.1)
    return None


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, check=False).stdout


def window_named(title):
    """A visible window with exactly this title, larger than a pixel (the
    application's own window shares the title), or None."""
    for wid in xdo("search", "--onlyvisible", "--name", f"^{title}$").split():
        if "Geometry: 1x1" not in xdo("getwindowgeometry", wid):
            return wid
    return None


def wine_env(build):
    """The environment of the build's runner, for commands that call wine;
    xdotool is pointed at the same display."""
    display = subprocess.run([WINE, "--build", build, "display"], capture_output=True, text=True).stdout.strip()
    os.environ["DISPLAY"] = display
    return dict(os.environ, WINEPREFIX=os.path.join(build, "wine"), WINEARCH="win32",
                WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C")
