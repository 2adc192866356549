"""A real X server for tests that need to see windows: Xvfb on a free display number, and
what a person would do with an error box (find it by its title, press its OK button)."""

import os
import shutil
import subprocess
import time


def available():
    return all(shutil.which(tool) for tool in ("Xvfb", "xdotool"))


class VirtualDisplay:
    """Xvfb on the first free display number from 90 on, 1024x768, 24-bit colour."""

    def __enter__(self):
        for number in range(90, 140):
            if os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            self.process = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.name = f":{number}"
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline:
                if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                    return self
                if self.process.poll() is not None:
                    break
                time.sleep(0.05)
            self.process.kill()
            self.process.wait()
        raise RuntimeError("could not start Xvfb")

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait()

    def _xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=self.name),
                              capture_output=True, text=True)

    def find_window(self, title, timeout=60):
        """The id of a window with exactly this title that has a size, once there is one.
        (Wine's windows do not count as visible to xdotool, so that test is not used.)"""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self._xdotool("search", "--name", f"^{title}$")
            for window in found.stdout.split():
                if self.geometry(window)[2] > 1:
                    return window
            time.sleep(0.1)
        return None

    def geometry(self, window):
        """(x, y, width, height) of the window on the screen."""
        values = {"X": 0, "Y": 0, "WIDTH": 0, "HEIGHT": 0}
        for line in self._xdotool("getwindowgeometry", "--shell", window).stdout.splitlines():
            key, _, value = line.partition("=")
            if key in values:
                values[key] = int(value)
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def click(self, x, y):
        self._xdotool("mousemove", str(x), str(y), "click", "1")

    def press_ok(self, window, above_bottom):
        """Clicks the horizontally centred OK button whose middle is above_bottom pixels above
        the window's bottom edge (there is no window manager to give the box the focus)."""
        x, y, width, height = self.geometry(window)
        self.click(x + width // 2, y + height - above_bottom)
