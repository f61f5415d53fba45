"""Firefox (over WebDriver BiDi: Debian has no geckodriver) and WebKit (through
WebKitWebDriver and MiniBrowser), each on an Xvfb screen of its own, as neither
has WebGL headless. Neither can lift its display's frame rate, so the frame hold
runs the page's frames as fast as they come."""

import asyncio
import contextlib
import base64
import json
import os
import re
import select
import shutil
import subprocess
import tempfile
from pathlib import Path

import websockets
from selenium.webdriver import WebKitGTKOptions
from selenium.webdriver.webkitgtk.service import Service
from selenium.webdriver.remote.webdriver import WebDriver

from browser import ALT, CTRL, DEADLINE, HOLD_SCRIPT, KEYS, META, HeldPage, wait_until
from chromium import ChromiumSession, end_process, process_tree

MODIFIER_VALUES = {ALT: "\ue00a", CTRL: "\ue009", META: "\ue03d"}  # WebDriver's
UNPACED_HOLD = "window.__unpacedFrames = true;\n" + Path(HOLD_SCRIPT).read_text(encoding="utf-8")


class XBrowser(HeldPage):
    """A browser (`launch`ed) on a screen of its own, with a folder of its own
    as HOME and TMPDIR; all it started is ended at once if the start fails."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="quendrel-engine-")
        self.processes = []
        try:
            read, write = os.pipe()
            try:
                self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", self.SCREEN + "x24",
                            "-nolisten", "tcp"], pass_fds=(write,))
            finally:
                os.close(write)
            with os.fdopen(read) as answer:
                if not select.select([answer], [], [], DEADLINE)[0]:
                    raise AssertionError("Xvfb gave no display")
                display = answer.readline().strip()
            self.env = dict(os.environ, DISPLAY=":" + display, HOME=self.folder, TMPDIR=self.folder)
            self.launch()
        except BaseException:
            self.close()
            raise

    def start(self, command, **options):
        self.processes.append(subprocess.Popen(command, stdin=subprocess.DEVNULL, **options))

    def close(self):
        """Ends every process started, the last first: asked to (Xvfb then
        removes its socket in /tmp), else killed with all it started."""
        for process in reversed(self.processes):
            started = process_tree(process.pid)
            process.terminate()
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(DEADLINE / 4)
            for pid in started:
                end_process(pid)
            process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def key(self, kind, name, modifiers=0, repeat=False):
        """Modifiers first, then the key; up in the other order. Down again
        while down, a key repeats."""
        values = [value for bit, value in MODIFIER_VALUES.items() if modifiers & bit]
        values.append(KEYS[name][3])
        self.perform({"type": "key", "id": "keys", "actions": [
            {"type": "key" + kind.title(), "value": value}
            for value in values[::1 if kind == "down" else -1]]})

    def point_at(self, x, y):
        self.perform({"type": "pointer", "id": "mouse", "actions": [
            {"type": "pointerMove", "x": x, "y": y, "origin": "viewport"}]})

    def capture(self):
        """The display shows a frame some display frames after it is drawn, more
        on a loaded machine: the picture counts once two in a row are the same."""
        self.wait_ticks(2)
        pictures = [self.grab()]
        wait_until(lambda: pictures.append(self.grab()) or pictures[-1] == pictures[-2],
                   "the same picture twice")
        return pictures[-1]


class FirefoxSession(XBrowser):
    """Debian's Firefox ESR over WebDriver BiDi, from Python (websockets)."""
    ESCAPES_TO_END = 1  # full screen refused here (no focus on Xvfb): Escape reaches the page
    SCREEN = "1024x768"
    socket = loop = None

    def launch(self):
        self.last_id, self.messages, self.read_to = 0, [], 0
        # The page's console and WebGL's warnings on stdout as well.
        profile = Path(self.folder, "profile")
        profile.mkdir()
        (profile / "user.js").write_text('user_pref("devtools.console.stdout.content", true);')
        self.log = os.path.join(self.folder, "firefox.log")
        with open(self.log, "wb") as out:
            self.start([os.environ.get("FIREFOX", "/usr/bin/firefox-esr"), "--no-remote",
                        "--profile", profile, "--remote-debugging-port=0", "about:blank"],
                       stdout=out, stderr=subprocess.STDOUT, env=self.env)
        address = wait_until(lambda: re.search(r"WebDriver BiDi listening on (ws://\S+)",
                                               Path(self.log).read_text(errors="replace")),
                             "Firefox's WebDriver BiDi").group(1)
        self.loop = asyncio.new_event_loop()
        # websockets 10 takes the loop running when the connection is made.
        self.socket = self.wait(self.connect(address + "/session"))
        self.bidi("session.new", capabilities={})
        self.bidi("session.subscribe", events=["log.entryAdded"])
        self.context = self.bidi("browsingContext.getTree")["contexts"][0]["context"]
        self.preload(UNPACED_HOLD)

    @staticmethod
    async def connect(address):
        return await websockets.connect(address, max_size=None, max_queue=None)

    def wait(self, awaitable):
        return self.loop.run_until_complete(asyncio.wait_for(awaitable, DEADLINE))

    def bidi(self, method, **parameters):
        """A BiDi command's result; the log's entries that came before it are kept."""
        self.last_id += 1
        self.wait(self.socket.send(json.dumps(
            {"id": self.last_id, "method": method, "params": parameters})))
        while True:
            message = json.loads(self.wait(self.socket.recv()))
            if message.get("method") == "log.entryAdded":
                self.messages.append(f"{message['params']['level']} {message['params']['text']}")
            if message.get("id") == self.last_id:
                if message["type"] == "error":
                    raise AssertionError(f"{method}: {message['error']} {message['message']}")
                return message["result"]

    def preload(self, source):
        return self.bidi("script.addPreloadScript",
                         functionDeclaration=f"() => {{\n{source}\n}}")["script"]

    def close(self):
        with contextlib.suppress(Exception):  # ended below, whatever state it is in
            if self.socket:
                self.bidi("browser.close")
                self.wait(self.socket.close())
        if self.loop:
            self.loop.close()
        super().close()

    def navigate(self, url, before):
        added = before and self.preload(before)
        try:
            self.bidi("browsingContext.navigate", context=self.context, url=url, wait="complete")
        finally:
            if added:
                self.bidi("script.removePreloadScript", script=added)

    def js(self, expression):
        answer = self.bidi("script.evaluate", expression=f"JSON.stringify([{expression}])",
                           target={"context": self.context}, awaitPromise=False)
        if answer["type"] != "success":
            raise AssertionError(f"{expression}: {answer['exceptionDetails']['text']}")
        return json.loads(answer["result"]["value"])[0]

    def set_viewport(self, width, height, pixel_ratio=1, touch=False):
        self.leave_full_screen()  # in full screen, the viewport is the screen
        self.bidi("browsingContext.setViewport", context=self.context,
                  viewport={"width": width, "height": height}, devicePixelRatio=pixel_ratio)

    def perform(self, sequence):
        self.bidi("input.performActions", context=self.context, actions=[sequence])

    def grab(self):
        return base64.b64decode(
            self.bidi("browsingContext.captureScreenshot", context=self.context)["data"])

    def console(self):
        """The page's messages since the last call: BiDi's log, and the
        script errors and WebGL warnings that reach only stdout."""
        with open(self.log, "rb") as out:
            out.seek(self.read_to)
            output = out.read()
        self.read_to += len(output)
        seen, self.messages = self.messages, []
        return seen + re.findall(r"^(?:JavaScript (?:error|warning): (?:file|http)|.*WebGL).*$",
                                 output.decode(errors="replace"), re.MULTILINE)


class BareOptions(WebKitGTKOptions):
    default_capabilities = {}  # selenium's browserName and platform match no WebKitGTK browser


MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
TOOLBAR = 38  # MiniBrowser's toolbar above the page, in CSS pixels
# The page's console and uncaught errors, kept for the test: WebDriver does
# not give WebKit's console, and MiniBrowser under automation prints none.
CONSOLE_KEPT = """(() => {
  const kept = window.__consoleKept = [];
  for (const level of ['error', 'warn', 'info', 'log', 'debug']) {
    const real = console[level].bind(console);
    console[level] = (...args) => { kept.push(`${level} ${args.join(' ')}`); real(...args); };
  }
  addEventListener('error', (event) => kept.push(`error ${event.message}`));
  addEventListener('unhandledrejection', (event) => kept.push(`error ${event.reason}`));
})();"""


class WebKitSession(XBrowser):
    """MiniBrowser through WebKitWebDriver. With no script put before a page's
    own, the page loaded is a copy with them first; with no devicePixelRatio to
    emulate, a ratio of 2 is a second browser at GDK_SCALE=2."""
    ESCAPES_TO_END = 2
    SCREEN = "2200x1700"
    drivers = {}

    def launch(self):
        self.drivers, self.copies = {}, 0
        self.use(1)

    def use(self, ratio):
        """Drives the browser at that devicePixelRatio, started when first asked for."""
        self.ratio = ratio
        if ratio not in self.drivers:
            # On a free port, started once it listens, and kept with its driver.
            service = Service(os.environ.get("WEBKITDRIVER", "/usr/bin/WebKitWebDriver"),
                              log_path=os.devnull, env=dict(self.env, GDK_SCALE=str(ratio)))
            service.start()
            self.processes.append(service.process)
            options = BareOptions()
            options.binary_location = os.environ.get("MINIBROWSER", MINIBROWSER)
            options.add_argument("--automation")
            self.drivers[ratio] = WebDriver(service.service_url, options=options)
            self.drivers[ratio].service = service
        self.driver = self.drivers[ratio]

    def close(self):
        for driver in self.drivers.values():
            with contextlib.suppress(Exception):  # ended below, whatever state it is in
                driver.quit()
        super().close()

    def page_file(self, path, before=""):
        self.copies += 1
        copy = Path(self.folder, f"page-{self.copies}.html")
        scripts = "\n".join((CONSOLE_KEPT, UNPACED_HOLD, before))
        copy.write_text(Path(path).read_text(encoding="utf-8").replace(
            "<head>", f"<head>\n<script>\n{scripts}\n</script>", 1), encoding="utf-8")
        return copy

    def navigate(self, url, before):
        if url.startswith("file:"):
            url = self.page_file(url.removeprefix("file://"), before).as_uri()
        self.driver.get(url)

    js = ChromiumSession.js  # selenium's, as there

    def set_viewport(self, width, height, pixel_ratio=1, touch=False):
        if self.opened and pixel_ratio == self.ratio:
            self.leave_full_screen()
        self.use(pixel_ratio)
        self.driver.set_window_rect(0, 0, width, height + TOOLBAR)

    def resize(self, width, height, pixel_ratio=1, touch=False):
        """A new ratio is the other browser: the page opens anew there."""
        if pixel_ratio != self.ratio:
            self.open(self.opened[0], width, height, pixel_ratio, self.opened[1])
        else:
            super().resize(width, height, pixel_ratio)

    def key(self, kind, name, modifiers=0, repeat=False):
        # WebKitWebDriver drops a key that goes down while down: a held key's
        # repeat comes as a new press (the page takes both alike).
        if repeat:
            super().key("up", name, modifiers)
        super().key(kind, name, modifiers)

    def perform(self, sequence):
        self.driver.execute("actions", {"actions": [sequence]})

    def grab(self):
        return self.driver.get_screenshot_as_png()

    def console(self):
        return self.js("window.__consoleKept.splice(0)") if self.opened else []
