#!/usr/bin/env python3
"""Drives the real sound player from outside, as a person would: xdotool moves
the mouse, clicks and types; the ALSA capture proves which sound played, byte
for byte; a screenshot shows what is on screen; the exit code tells how the
program ended. A probe program run beside the player reports where its windows
are and which one has the focus.

usage: e2e.py BUILD_DIR
"""
import os
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from drive import WINE, check, finish, wait, xdo  # noqa: E402

BUILD = os.path.abspath(sys.argv[1])
PROBE = os.path.join(BUILD, "tests", "probe.exe")


def run_wine(*args, env=None):
    return subprocess.run([WINE, "--build", BUILD, "run", *args], capture_output=True, text=True,
                          env=env or os.environ).stdout.replace("\r", "")


def probe(*args, env=None):
    return [line.split(" ") for line in run_wine(PROBE, *args, env=env).splitlines() if line]


def form_windows(env=None):
    """The form's line and its controls by caption, or None."""
    lines = probe("form", env=env)
    if not lines or lines[0][0] != "form":
        return None
    controls = {" ".join(line[8:]): [int(v) for v in line[2:8]] for line in lines[1:] if line[0] == "control"}
    return [int(v) for v in lines[0][1:]], controls


def data_chunk(wav):
    """The samples of a WAVE file with a 16-byte format chunk, without the pad byte."""
    data = open(wav, "rb").read()
    size = struct.unpack_from("<I", data, 40)[0]
    return data[44:44 + size]


SOUNDS = {name: data_chunk(os.path.join(BUILD, "app", "generated", f"{name}.wav")) for name in ("sound1", "sound2")}


class Player:
    def __init__(self, exe="sondrel.exe", dpi=None):
        self.capture = tempfile.mktemp(suffix=".raw")
        self.env = dict(os.environ, SONDREL_CAPTURE_FILE=self.capture)
        if dpi:
            self.env["SONDREL_DPI"] = str(dpi)
            # The first run at a density makes its Wine prefix: not part of the wait for the window.
            subprocess.run([WINE, "--build", BUILD, "display"], env=self.env, capture_output=True)
        self.process = subprocess.Popen([WINE, "--build", BUILD, "run", os.path.join(BUILD, "app", exe)],
                                        env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows(self):
        return wait(lambda: form_windows(self.env), 30)

    def plays(self, action, sound):
        """Runs the action and tells whether exactly that sound reached the device."""
        if os.path.exists(self.capture):
            os.remove(self.capture)
        action()
        expected = SOUNDS[sound]
        got = wait(lambda: os.path.exists(self.capture) and os.path.getsize(self.capture) >= len(expected) and
                   open(self.capture, "rb").read())
        time.sleep(0.2)
        return got is not None and open(self.capture, "rb").read() == expected

    def exit_code(self, seconds=30):
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None


def centre(rect):
    return str((rect[0] + rect[2]) // 2), str((rect[1] + rect[3]) // 2)


def click(rect):
    xdo("mousemove", *centre(rect))
    xdo("click", "1")


def focused(player):
    _, controls = player.windows()
    return next((caption for caption, c in controls.items() if c[4]), None)


def pixel(png, x, y):
    out = subprocess.run(["convert", png, "-format", f"%[pixel:p{{{x},{y}}}]", "info:"], capture_output=True,
                         text=True).stdout
    return out.strip()


# The definition's layout at 96 pixels per inch, in client coordinates:
# (left, top, right, bottom) of each window, and the client area.
DESIGN = {"Sai&r": (8, 136, 83, 161), "Tocar Som &1": (8, 8, 83, 33), "Tocar Som &2": (8, 40, 83, 65),
          "": (88, 8, 393, 161)}
LABEL = (16, 16, 297, 137)  # inside the panel
DESIGN_CLIENT = (401, 170)


def drive(player, controls):
    """The sounds by mouse and keyboard, Tab, and Sair."""
    check(player.plays(lambda: click(controls["Tocar Som &1"]), "sound1"), "clicking Tocar Som 1 plays sound 1")
    check(player.plays(lambda: click(controls["Tocar Som &2"]), "sound2"), "clicking Tocar Som 2 plays sound 2")
    check(player.plays(lambda: xdo("key", "space"), "sound2"), "Space on the focused button clicks it")
    check(player.plays(lambda: xdo("key", "alt+1"), "sound1"), "Alt+1 clicks Tocar Som 1")
    check(player.plays(lambda: xdo("key", "2"), "sound2"), "the bare mnemonic 2 clicks Tocar Som 2")
    xdo("key", "Tab")
    check(wait(lambda: focused(player) == "Sai&r", 5) is not None, "Tab moves on to Sair, past the panel")
    xdo("key", "Tab")
    check(wait(lambda: focused(player) == "Tocar Som &1", 5) is not None, "Tab wraps to Tocar Som 1")
    check(player.plays(lambda: xdo("key", "Return"), "sound1"), "Enter clicks the focused button")
    click(controls["Sai&r"])
    check(player.exit_code() == 0, "Sair ends the program with exit code 0")


def ink_rows(png, left, right, top, bottom):
    """The rows of the area that hold black pixels (the label's text)."""
    out = subprocess.run(["convert", png, "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                          "-threshold", "10%", "-negate", "txt:-"], capture_output=True, text=True).stdout
    rows = set()
    for line in out.splitlines()[1:]:
        position, _, colour = line.partition(":")
        if "#FFFFFF" in colour or "white" in colour:
            rows.add(int(position.split(",")[1]) + top)
    return sorted(rows)


def check_layout(player, dpi, shot):
    """At any density: no scroll bar, the client area and every window scaled
    with the text height, and the label's lines inside the panel."""
    found = player.windows()
    if not check(found is not None, f"the window appears at {dpi} pixels per inch"):
        return None
    form, controls = found
    text = int(probe("text", str(-round(11 * dpi / 96 + 1e-9)), env=player.env)[0][1])

    def scaled(v):
        return (v * text + 6) // 13

    origin = form[9:11]
    check(form[8] == 0, f"at {dpi}: no scroll bar")
    client = [form[4], form[5]]
    check(client == [scaled(v) for v in DESIGN_CLIENT], f"at {dpi}: client area {client[0]}x{client[1]} "
          f"(text height {text})")
    for caption, design in DESIGN.items():
        rect = controls.get(caption, [0] * 4)
        local = [rect[0] - origin[0], rect[1] - origin[1], rect[2] - origin[0], rect[3] - origin[1]]
        want = [scaled(v) for v in design]
        check(all(abs(a - b) <= 2 for a, b in zip(local, want)) and 0 <= local[0] and local[2] <= client[0]
              and 0 <= local[1] and local[3] <= client[1], f"at {dpi}: {caption or 'panel'} at {local} ({want})")
    subprocess.run(["import", "-window", "root", shot], check=False)
    panel = controls[""]
    label = [panel[0] + scaled(LABEL[0]), panel[1] + scaled(LABEL[1]), panel[0] + scaled(LABEL[2]),
             panel[1] + scaled(LABEL[3])]
    rows = ink_rows(shot, label[0], label[2], label[1], label[3])
    lines = sum(1 for i, r in enumerate(rows) if i == 0 or r != rows[i - 1] + 1)
    edge = ink_rows(shot, label[0], label[0] + 2, label[1], label[3]) + \
        ink_rows(shot, label[2] - 2, label[2], label[1], label[3])
    check(lines >= 3 and rows[-1] < label[3] - 2 and not edge,
          f"at {dpi}: the label's {lines} lines lie inside the panel")
    return controls


def main():
    os.environ["DISPLAY"] = subprocess.run([WINE, "--build", BUILD, "display"], capture_output=True,
                                           text=True).stdout.strip()

    # The main run at 96 pixels per inch: the window exactly as its definition
    # gives it, the sounds by mouse and keyboard, Tab, Sair.
    player = Player()
    found = player.windows()
    if not check(found is not None, "the window Sondrel appears"):
        player.exit_code(1)
        return
    form, controls = found
    check(form[4:6] == form[6:8] == list(DESIGN_CLIENT), f"client area {form[4]}x{form[5]} is what the definition's size gives")
    shot = os.path.join(BUILD, "e2e-screen.png")
    check_layout(player, 96, shot)
    panel = controls[""]  # the panel has no caption
    shadow, highlight = (probe("color", str(index))[0][1] for index in (16, 20))  # button shadow, highlight
    edges = [pixel(shot, panel[0], (panel[1] + panel[3]) // 2), pixel(shot, panel[2] - 1, (panel[1] + panel[3]) // 2)]
    check(edges == [shadow, highlight], f"the panel's lowered bevel: {edges}")
    drive(player, controls)

    # The window's own close command: the close box at the caption's right end.
    player = Player()
    found = player.windows()
    if found:
        form = found[0]
        frame = (form[2] - form[0] - form[4]) // 2
        caption = form[3] - form[1] - form[5] - 2 * frame
        xdo("mousemove", str(form[2] - frame - 11), str(form[1] + frame + caption // 2))
        xdo("click", "1")
    check(player.exit_code() == 0, "the window's close box ends the program with exit code 0")

    # Without its form definition the program reports that and ends.
    player = Player("sondrel_noform.exe")
    box = wait(lambda: probe("box", env=player.env))
    check(box is not None and " ".join(box[0][1:]) == "Sondrel|Resource TMainForm not found.",
          f"a missing definition shows the error box ({box})")
    xdo("key", "Return")
    check(player.exit_code() == 0, "and the program ends with exit code 0 once it is dismissed")

    # On screens of higher density the whole layout follows the text height;
    # at 144 the program is driven as at 96.
    for dpi in (120, 144, 192):
        player = Player(dpi=dpi)
        controls = check_layout(player, dpi, os.path.join(BUILD, f"e2e-screen-{dpi}dpi.png"))
        if controls and dpi == 144:
            drive(player, controls)
        elif controls:
            click(controls["Sai&r"])
            check(player.exit_code() == 0, f"at {dpi}: Sair ends the program with exit code 0")
        else:
            player.exit_code(1)


main()
finish()
