#!/usr/bin/env python3
"""Opens vandrel in a real SDL window under Xvfb, drives it with xdotool and
checks what it drew (the window captured with xwd): the grid page with the
sample open, About opened by a click and closed by Enter, the open dialog
by Ctrl+O closed by Escape, and Ctrl+Q quitting with status 0.

Usage: window_test.py VANDREL TABLE"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SCALE = 2


def start_xvfb():
    """Xvfb on a display number it picks itself (no race with other servers
    starting at the same time): the server and the display's name."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x800x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
    os.close(write_end)
    with os.fdopen(read_end) as f:
        number = f.readline().strip()
    if not number:
        xvfb.kill()
        raise SystemExit("Xvfb did not start")
    return xvfb, f":{number}"


def wait_for(what, check, timeout=30.0):
    start = time.time()
    while time.time() < start + timeout:
        value = check()
        if value:
            waited = time.time() - start
            if waited > 2:
                print(f"waited {waited:.1f} s for {what}", file=sys.stderr)
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out after {timeout:.0f} s waiting for {what}")


def capture(env, wid):
    """The window's pixels as a function (x, y) -> (r, g, b)."""
    data = subprocess.run(["xwd", "-id", wid, "-silent"], env=env, check=True, capture_output=True).stdout
    f = struct.unpack(">25I", data[:100])
    header_size, width, height = f[0], f[4], f[5]
    byte_order, bits_per_pixel, bytes_per_line = f[7], f[11], f[12]
    masks, ncolors = f[14:17], f[19]
    if bits_per_pixel != 32:
        raise AssertionError(f"unexpected {bits_per_pixel} bits per pixel")
    pixels = data[header_size + 12 * ncolors:]
    order = "<" if byte_order == 0 else ">"

    def at(x, y):
        (p,) = struct.unpack_from(order + "I", pixels, y * bytes_per_line + 4 * x)
        return tuple((p & m) >> (m & -m).bit_length() - 1 for m in masks)

    return width, height, at


def pixel_is(env, wid, logical, colour):
    def check():
        _, _, at = capture(env, wid)
        return at(logical[0] * SCALE + 1, logical[1] * SCALE + 1) == colour
    return check


def main():
    vandrel, sample = sys.argv[1], sys.argv[2]
    # A copy of the sample: tables are opened without sharing.
    work = tempfile.mkdtemp(prefix="vandrel-window-")
    table = os.path.join(work, os.path.basename(sample))
    shutil.copy(sample, table)
    memo = os.path.splitext(sample)[0] + ".fpt"
    if os.path.exists(memo):
        shutil.copy(memo, os.path.splitext(table)[0] + ".fpt")
    xvfb, display = start_xvfb()
    app = None
    try:
        env = dict(os.environ, DISPLAY=display, SDL_VIDEODRIVER="x11")
        # In the sanitizer build: a buffer libdbus (opened by SDL) keeps is not ours.
        supp = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        env["LSAN_OPTIONS"] = (env.get("LSAN_OPTIONS", "") + f":suppressions={supp}").lstrip(":")
        # The display's number is known before the server takes clients.
        wait_for("the X server to take clients",
                 lambda: subprocess.run(["xdotool", "getdisplaygeometry"], env=env,
                                        capture_output=True).returncode == 0)
        app = subprocess.Popen([vandrel, "--scale", str(SCALE), table], env=env)

        def find_window():
            if app.poll() is not None:
                raise AssertionError(f"vandrel ended with {app.returncode} before its window showed")
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Vandrel$"], env=env,
                               capture_output=True, text=True)
            return r.stdout.split()[0] if r.returncode == 0 and r.stdout.split() else None

        wid = wait_for("the window", find_window)
        width, height, _ = capture(env, wid)
        assert (width, height) == (240 * SCALE, 320 * SCALE), (width, height)

        # The first data row of the grid (position 0: the even rows' green),
        # right of its text.
        title_bar, page, grid_row = (120, 5), (120, 200), (140, 67)
        wait_for("the title bar", pixel_is(env, wid, title_bar, (0, 32, 128)))
        wait_for("the grid page", pixel_is(env, wid, grid_row, (192, 255, 192)))

        def xdo(*args):
            subprocess.run(["xdotool", *args], env=env, check=True)

        # About: the command bar's button at (80, 307); its page is white with a caption strip.
        xdo("mousemove", "--window", wid, str(80 * SCALE), str(307 * SCALE))
        xdo("click", "1")
        wait_for("the About page", pixel_is(env, wid, page, (255, 255, 255)))
        wait_for("the About caption", pixel_is(env, wid, (100, 30), (0, 0, 128)))
        xdo("key", "--window", wid, "Return")
        wait_for("About to close", pixel_is(env, wid, grid_row, (192, 255, 192)))

        # Ctrl+O: the open dialog (a white page); Escape closes it.
        xdo("key", "--window", wid, "ctrl+o")
        wait_for("the open dialog", pixel_is(env, wid, page, (255, 255, 255)))
        xdo("key", "--window", wid, "Escape")
        wait_for("the dialog to close", pixel_is(env, wid, grid_row, (192, 255, 192)))

        # The window goes while the key is still being sent: xdotool may complain.
        subprocess.run(["xdotool", "key", "--window", wid, "ctrl+q"], env=env, stderr=subprocess.DEVNULL)
        status = app.wait(timeout=30)
        assert status == 0, f"vandrel ended with {status}"
        app = None
        print("1 passed, 0 failed")
    finally:
        if app:
            app.kill()
            app.wait()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
