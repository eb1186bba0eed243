#!/usr/bin/env python3
"""The example program, examples/soundboard, built as a separate project
against the installed package and driven from outside as a person would:
the sounds by mouse (the ALSA capture proves which one played), the main
menu by mouse and by shortcut, the modal settings dialog ended with Enter and
with Escape, a hint, a drag onto the favourites, the pop-up menu, the window
resized by its border with the panels re-aligned and the board scrolling, and
a folder of WAVE files named on the command line.

usage: soundboard.py BUILD_DIR
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from drive import SOURCE, WINE, check, finish, wait, window_named, wine_env, xdo  # noqa: E402

BUILD = os.path.abspath(sys.argv[1])
PROBE = os.path.join(BUILD, "tests", "probe.exe")
EXAMPLE = os.path.join(SOURCE, "examples", "soundboard")


def probe(*args):
    out = subprocess.run([WINE, "--build", BUILD, "run", PROBE, *args], capture_output=True, text=True).stdout
    return [line.split(" ") for line in out.replace("\r", "").splitlines() if line]


def form(title):
    """The form's line and its windows: (class, [L, T, R, B, focused, bars], caption)."""
    lines = probe("form", title)
    if not lines or lines[0][0] != "form":
        return None
    return [int(v) for v in lines[0][1:]], [(l[1], [int(v) for v in l[2:8]], " ".join(l[8:])) for l in lines[1:]]


def find(controls, cls, caption=None):
    return [c[1] for c in controls if c[0] == cls and (caption is None or c[2] == caption)]


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def click(x, y, button="1"):
    xdo("mousemove", str(x), str(y))
    xdo("click", button)


def samples(wav):
    data = open(wav, "rb").read()
    return data[44:44 + struct.unpack_from("<I", data, 40)[0]]


class Board:
    def __init__(self, exe, *args):
        self.capture = tempfile.mktemp(suffix=".raw")
        env = dict(os.environ, SONDREL_CAPTURE_FILE=self.capture)
        self.process = subprocess.Popen([WINE, "--build", BUILD, "run", exe, *args], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.shown = wait(lambda: form("Sound Board"), 30)

    def plays(self, action, wav):
        """Runs the action and tells whether exactly that sound reached the device."""
        if os.path.exists(self.capture):
            os.remove(self.capture)
        action()
        expected = samples(wav)
        wait(lambda: os.path.exists(self.capture) and os.path.getsize(self.capture) >= len(expected))
        time.sleep(0.2)
        return os.path.exists(self.capture) and open(self.capture, "rb").read() == expected

    def exit_code(self):
        try:
            return self.process.wait(30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None


def build(work, env):
    prefix, tree = os.path.join(work, "prefix"), os.path.join(work, "build")
    steps = [["cmake", "--install", BUILD, "--prefix", prefix],
             ["cmake", "-S", EXAMPLE, "-B", tree, f"-DCMAKE_TOOLCHAIN_FILE={SOURCE}/examples/toolchain.cmake",
              f"-DCMAKE_PREFIX_PATH={prefix}"],
             ["cmake", "--build", tree]]
    for step in steps:
        done = subprocess.run(step, env=env, capture_output=True, text=True)
        if done.returncode != 0:
            print(done.stdout[-3000:] + done.stderr[-3000:])
            return None
    return tree


def main():
    work = tempfile.mkdtemp(prefix="sondrel-board-")
    env = wine_env(BUILD)
    tree = build(work, env)
    if not check(tree is not None, "the example builds against the installed package from outside the tree"):
        return
    exe, sound = os.path.join(tree, "soundboard.exe"), os.path.join(tree, "sounds")

    board = Board(exe)
    if not check(board.shown is not None, "the board shows its form"):
        board.process.kill()
        return
    frame, controls = board.shown
    buttons = {name: find(controls, "TButton", name)[0] for name in ("Bell", "Drum", "Chirp")}
    check(board.plays(lambda: click(*centre(buttons["Bell"])), f"{sound}/bell.wav"), "clicking Bell plays the bell")
    check(board.plays(lambda: xdo("key", "ctrl+r"), f"{sound}/bell.wav"), "Ctrl+R (Sound, Replay) plays it again")

    # The settings by the menu bar and the mouse; Fewer, then Enter: OK.
    menu_y = frame[10] - 9
    click(frame[9] + 20, menu_y)
    popup = wait(lambda: probe("popup"), 5)
    if check(popup is not None, "clicking Board opens its menu"):
        rect = [int(v) for v in popup[0][1:]]
        click(rect[0] + 30, rect[1] + 10)
    dialog = wait(lambda: form("Board settings"), 5)
    check(dialog is not None, "its first item opens the settings dialog")
    xdo("key", "alt+f")
    xdo("key", "Return")
    check(wait(lambda: form("Board settings") is None, 5) is not None, "Enter closes the dialog with OK")
    controls = wait(lambda: form("Sound Board"))[1]
    rows = [find(controls, "TButton", name)[0][1] for name in ("Bell", "Drum", "Chirp")]
    check(rows[0] == rows[1] < rows[2], f"the board has two columns now (tops {rows})")

    # The settings by Ctrl+E; More, then Escape: Cancel keeps the layout.
    xdo("key", "ctrl+e")
    check(wait(lambda: form("Board settings"), 5) is not None, "Ctrl+E opens the settings dialog")
    xdo("key", "alt+m")
    xdo("key", "Escape")
    check(wait(lambda: form("Board settings") is None, 5) is not None, "Escape closes the dialog with Cancel")
    controls = form("Sound Board")[1]
    check([find(controls, "TButton", n)[0][1] for n in ("Bell", "Drum", "Chirp")] == rows, "and changes nothing")

    # A hint, a drag onto the favourites, the pop-up menu.
    xdo("mousemove", *map(str, centre(find(controls, "TButton", "Drum")[0])))
    hint = wait(lambda: probe("hint"), 5)
    check(hint is not None and " ".join(hint[0][1:]) == "Drum", f"resting on Drum shows its hint ({hint})")
    chirp = centre(find(controls, "TButton", "Chirp")[0])
    favourites = find(controls, "TPanel", "Favourites: drop sounds here. ")[0]
    xdo("mousemove", *map(str, chirp))
    xdo("mousedown", "1")
    for step in range(1, 9):
        xdo("mousemove", str(chirp[0] + (favourites[0] + 60 - chirp[0]) * step // 8),
            str(chirp[1] + ((favourites[1] + favourites[3]) // 2 - chirp[1]) * step // 8))
        time.sleep(0.05)
    xdo("mouseup", "1")
    kept = wait(lambda: [r for r in find(form("Sound Board")[1], "TButton", "Chirp") if r[1] >= favourites[1]], 5)
    check(kept is not None, "dragging Chirp onto the favourites keeps a Chirp button there")
    subprocess.run(["import", "-window", window_named("Sound Board"), os.path.join(BUILD, "soundboard.png")])
    if kept:
        check(board.plays(lambda: click(*centre(kept[0])), f"{sound}/chirp.wav"), "which plays the chirp")
    xdo("mousemove", *map(str, centre(buttons["Drum"])))
    xdo("click", "3")
    popup = wait(lambda: probe("popup"), 5)
    if check(popup is not None, "right-clicking Drum opens the pop-up menu"):
        rect = [int(v) for v in popup[0][1:]]
        check(board.plays(lambda: click(rect[0] + 30, rect[1] + 10), f"{sound}/drum.wav"), "whose Play plays the drum")

    # The window made smaller by its corner: the panels follow, the board scrolls.
    frame = form("Sound Board")[0]
    xdo("mousemove", str(frame[2] - 2), str(frame[3] - 2))
    xdo("mousedown", "1")
    for step in range(1, 6):
        xdo("mousemove", str(frame[2] - 2 - 35 * step), str(frame[3] - 2 - 30 * step))
        time.sleep(0.05)
    xdo("mouseup", "1")
    time.sleep(0.5)
    frame, controls = form("Sound Board")
    panels = sorted(find(controls, "TPanel"), key=lambda r: r[1])
    top, bottom, box = panels[:1], panels[-1:], find(controls, "TScrollBox")
    client = (frame[9], frame[10], frame[9] + frame[4], frame[10] + frame[5])
    aligned = top and bottom and box and top[0][:3] == [client[0], client[1], client[2]] and \
        bottom[0][0] == client[0] and bottom[0][2:4] == [client[2], client[3]] and \
        box[0][1] == top[0][3] and box[0][3] == bottom[0][1]
    check(frame[2] - frame[0] < 420 and aligned,
          f"resized to {frame[2] - frame[0]} wide, the panels re-align ({client}: {top} {box} {bottom})")
    check(bool(box) and box[0][5] & 2, "and the board scrolls its sounds")
    xdo("key", "ctrl+q")
    check(board.exit_code() == 0, "Ctrl+Q (Board, Exit) ends the program with exit code 0")

    # A folder of WAVE files named on the command line.
    folder = os.path.join(work, "my sounds")
    os.makedirs(folder)
    shutil.copy(f"{sound}/drum.wav", os.path.join(folder, "Alpha.wav"))
    shutil.copy(f"{sound}/chirp.wav", os.path.join(folder, "Beta.wav"))
    board = Board(exe, "Z:" + folder.replace("/", "\\"))
    names = sorted(c[2] for c in board.shown[1] if c[0] == "TButton") if board.shown else []
    check(names == ["Alpha", "Beta"], f"a folder on the command line gives a button a file ({names})")
    if names:
        beta = centre(find(board.shown[1], "TButton", "Beta")[0])
        check(board.plays(lambda: click(*beta), os.path.join(folder, "Beta.wav")), "Beta plays its file")
    xdo("key", "ctrl+q")
    check(board.exit_code() == 0, "and it ends with exit code 0")
    shutil.rmtree(work, ignore_errors=True)


main()
finish()
