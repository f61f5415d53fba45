"""Debian's headless Chromium through chromedriver, with frame_hold.js put
before every page's own scripts: pages held frame by frame, real key events,
resizes, screenshots as PNG files and the console's messages. Chromium and
chromedriver are ended by process id when the session closes, also after a
failure."""

import base64
import os
import pathlib
import shutil
import signal
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

HOLD_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "frame_hold.js")

# WebGL on SwiftShader, the only GL headless Chromium has here; none of the
# browser's own network traffic; animation frames as fast as they come, not 60
# a second, since the tests hold the page at the frames they look at.
CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-default-apps", "--no-first-run", "--no-default-browser-check",
    "--disable-frame-rate-limit", "--disable-gpu-vsync",
]

# What a keyboard sends for each key the tests press (CDP Input.dispatchKeyEvent).
KEYS = {
    "Left": ("ArrowLeft", "ArrowLeft", 37), "Up": ("ArrowUp", "ArrowUp", 38),
    "Right": ("ArrowRight", "ArrowRight", 39), "Down": ("ArrowDown", "ArrowDown", 40),
    "space": (" ", "Space", 32), "Escape": ("Escape", "Escape", 27), "F2": ("F2", "F2", 113),
}
ALT, CTRL, META = 1, 2, 4  # CDP's modifier bits

DEADLINE = 20.0  # seconds for any one awaited condition


class BrowserSession:
    def __init__(self):
        options = webdriver.ChromeOptions()
        options.binary_location = os.environ.get("CHROMIUM", "/usr/bin/chromium")
        for flag in CHROMIUM_FLAGS:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        # Chromium keeps a profile, crash reports and certificate stores in
        # HOME and TMPDIR: folders of the session's own, removed with it. Its
        # TMPDIR holds a Unix socket, whose path may not pass 107 bytes: a
        # short folder in /tmp, whatever the test's own TMPDIR is.
        self._home = tempfile.mkdtemp(prefix="chromium-home-")
        self._tmp = tempfile.mkdtemp(prefix="quendrel-chromium-", dir="/tmp")
        options.add_argument("--user-data-dir=" + os.path.join(self._home, "profile"))
        self._service = Service(os.environ.get("CHROMEDRIVER", "/usr/bin/chromedriver"),
                                env=dict(os.environ, HOME=self._home, TMPDIR=self._tmp))
        self.driver = None
        try:
            self.driver = webdriver.Chrome(service=self._service, options=options)
            with open(HOLD_SCRIPT, encoding="utf-8") as script:
                self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": script.read()})
        except BaseException:
            self.close()
            raise

    def close(self):
        process = getattr(self._service, "process", None)
        pids = _tree(process.pid) if process else []
        try:
            if self.driver is not None:
                self.driver.quit()
        finally:
            self._service.stop()
            for pid in pids:
                _end(pid)
            shutil.rmtree(self._home, ignore_errors=True)
            shutil.rmtree(self._tmp, ignore_errors=True)

    def open(self, url, width=1024, height=768, pixel_ratio=1):
        """Opens `url` at a viewport of width x height CSS pixels and the given
        devicePixelRatio; on return the page holds after its first frame."""
        self.resize(width, height, pixel_ratio)
        self.driver.get(url)
        self.wait_until_held(1)

    def cdp(self, command, parameters=None):
        return self.driver.execute_cdp_cmd(command, parameters or {})

    def js(self, expression):
        return self.driver.execute_script("return " + expression)

    def wait_for(self, expression, what):
        until = time.monotonic() + DEADLINE
        while not self.js(expression):
            if time.monotonic() > until:
                raise AssertionError(f"{what}: not within {DEADLINE} s")
            time.sleep(0.002)

    def frames_shown(self):
        return self.js("window.__frameHold.shown")

    def wait_until_held(self, frame):
        self.wait_for(f"window.__frameHold.isHeldAfter({frame})", f"page held after frame {frame}")

    def run_frames(self, count):
        """From a hold: lets exactly `count` more frames run and holds again."""
        target = self.frames_shown() + count
        self.js(f"window.__frameHold.release({count})")
        self.wait_until_held(target)

    def run_to(self, frame):
        self.run_frames(frame - self.frames_shown())

    def wait_ticks(self, count):
        """Waits for `count` frames the display shows, whatever the page does."""
        target = self.js("window.__frameHold.ticks") + count
        self.wait_for(f"window.__frameHold.ticks >= {target}", f"{count} display frames")

    def press(self, name, modifiers=0):
        """A key pressed and released, as a keyboard sends it."""
        self.key_down(name, modifiers)
        self.key_up(name, modifiers)

    def key_down(self, name, modifiers=0, repeat=False):
        """The key goes down, or repeats as a held key does."""
        key, code, number = KEYS[name]
        # A key with text comes as keyDown with it, the others as rawKeyDown.
        down = {"type": "keyDown", "text": key} if len(key) == 1 else {"type": "rawKeyDown"}
        self.cdp("Input.dispatchKeyEvent", dict(down, key=key, code=code, modifiers=modifiers,
                                                windowsVirtualKeyCode=number, autoRepeat=repeat))

    def key_up(self, name, modifiers=0):
        key, code, number = KEYS[name]
        self.cdp("Input.dispatchKeyEvent", {"type": "keyUp", "key": key, "code": code,
                                            "windowsVirtualKeyCode": number,
                                            "modifiers": modifiers})

    def point_at(self, x, y):
        """The pointer moves to (x, y) in CSS pixels."""
        self.cdp("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y})

    def keys_taken(self, count):
        """Whether the page took each of the last `count` keys pressed for
        itself, so that the browser does nothing more with it."""
        self.wait_for(f"window.__frameHold.keysTaken.length >= {count}", "keys seen")
        return self.js(f"window.__frameHold.keysTaken.slice(-{count})")

    def resize(self, width, height, pixel_ratio=1):
        self.cdp("Emulation.setDeviceMetricsOverride",
                 {"width": width, "height": height, "deviceScaleFactor": pixel_ratio,
                  "mobile": False})

    def screenshot(self, path):
        """The page as shown now, in device pixels, written as PNG."""
        with open(path, "wb") as png:
            png.write(base64.b64decode(self.cdp("Page.captureScreenshot")["data"]))
        return path

    def console(self):
        """The console's messages since the last call, as 'LEVEL message'."""
        return [f"{entry['level']} {entry['message']}" for entry in self.driver.get_log("browser")]


def _tree(pid):
    """The process and all its descendants."""
    try:
        children = [int(child) for task in pathlib.Path(f"/proc/{pid}/task").iterdir()
                    for child in (task / "children").read_text().split()]
    except OSError:
        children = []
    return [pid] + [each for child in children for each in _tree(child)]


def _end(pid):
    """SIGKILL for a process that has not ended (and is not just waiting to be
    reaped) once the browser was asked to quit."""
    try:
        if pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0] != "Z":
            os.kill(pid, signal.SIGKILL)
    except (OSError, IndexError):
        pass
