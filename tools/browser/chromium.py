"""Debian's headless Chromium through chromedriver and selenium, for the web
tests and the web measurement alike: one fresh browser with a HOME and TMPDIR
of its own, a script put before every page's own, CDP commands and the
console's messages. Chromium and chromedriver are ended by process id when the
session closes, also after a failure, and its folders are removed."""

import os
import pathlib
import shutil
import signal
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# WebGL on SwiftShader, the only GL headless Chromium has here; none of the
# browser's own network traffic or first-run work.
CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-default-apps", "--no-first-run", "--no-default-browser-check",
]
# Animation frames as fast as they come, not one per display refresh.
UNPACED_FLAGS = ["--disable-frame-rate-limit", "--disable-gpu-vsync"]


class ChromiumSession:
    def __init__(self, before_page, unpaced=False):
        """A browser whose pages all run the script file `before_page` before
        their own; `unpaced` lifts the display's frame rate."""
        options = webdriver.ChromeOptions()
        options.binary_location = os.environ.get("CHROMIUM", "/usr/bin/chromium")
        for flag in CHROMIUM_FLAGS + (UNPACED_FLAGS if unpaced else []):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        # Chromium keeps a profile, crash reports and certificate stores in
        # HOME and TMPDIR: folders of the session's own, removed with it. Its
        # TMPDIR holds a Unix socket, whose path may not pass 107 bytes: a
        # short folder in /tmp, whatever the caller's own TMPDIR is.
        self._home = tempfile.mkdtemp(prefix="chromium-home-")
        self._tmp = tempfile.mkdtemp(prefix="quendrel-chromium-", dir="/tmp")
        options.add_argument("--user-data-dir=" + os.path.join(self._home, "profile"))
        self._service = Service(os.environ.get("CHROMEDRIVER", "/usr/bin/chromedriver"),
                                env=dict(os.environ, HOME=self._home, TMPDIR=self._tmp))
        self.driver = None
        try:
            self.driver = webdriver.Chrome(service=self._service, options=options)
            self._before_page = pathlib.Path(before_page).read_text(encoding="utf-8")
            self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": self._before_page})
        except BaseException:
            self.close()
            raise

    def close(self):
        process = getattr(self._service, "process", None)
        pids = process_tree(process.pid) if process else []
        try:
            if self.driver is not None:
                self.driver.quit()
        finally:
            self._service.stop()
            for pid in pids:
                end_process(pid)
            shutil.rmtree(self._home, ignore_errors=True)
            shutil.rmtree(self._tmp, ignore_errors=True)

    def browser_processes(self):
        """The browser's processes now: chromedriver's descendants."""
        return process_tree(self._service.process.pid)[1:]

    def cdp(self, command, parameters=None):
        return self.driver.execute_cdp_cmd(command, parameters or {})

    def js(self, expression):
        return self.driver.execute_script("return " + expression)

    def resize(self, width, height, pixel_ratio=1, mobile=False):
        """A viewport of width x height CSS pixels at that devicePixelRatio, a
        phone's or tablet's if `mobile`."""
        self.cdp("Emulation.setDeviceMetricsOverride",
                 {"width": width, "height": height, "deviceScaleFactor": pixel_ratio,
                  "mobile": mobile})

    def console(self):
        """The console's messages since the last call, as 'LEVEL message'."""
        return [f"{entry['level']} {entry['message']}" for entry in self.driver.get_log("browser")]

    def new_tab(self):
        """A new, empty tab in place of the current one, which is closed, as
        when an app is launched again: pages the old tab held are gone. The
        script put before every page's own is put in the new tab too."""
        old = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        new = self.driver.current_window_handle
        self.driver.switch_to.window(old)
        self.driver.close()
        self.driver.switch_to.window(new)
        self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": self._before_page})


def process_tree(pid):
    """The process and all its descendants."""
    try:
        children = [int(child) for task in pathlib.Path(f"/proc/{pid}/task").iterdir()
                    for child in (task / "children").read_text().split()]
    except OSError:
        children = []
    return [pid] + [each for child in children for each in process_tree(child)]


def end_process(pid):
    """SIGKILL for a process that has not ended (and is not just waiting to be
    reaped) once the browser was asked to quit."""
    try:
        if pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0] != "Z":
            os.kill(pid, signal.SIGKILL)
    except (OSError, IndexError):
        pass
