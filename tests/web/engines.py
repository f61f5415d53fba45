"""Firefox and WebKit for the page's tests, beside Chromium (browser.py), each
on an Xvfb screen of its own (with WebGL neither has a headless mode): Firefox
over WebDriver BiDi, which it speaks itself (Debian has no geckodriver), WebKit
through WebKitWebDriver and MiniBrowser. Keys and the pointer go to both as
WebDriver action sequences. Neither can lift its display's frame rate, so the
frame hold runs the page's frames as fast as they come."""

import asyncio
import base64
import json
import os
import re
import select
import shutil
import socket
import subprocess
import tempfile
from pathlib import Path

import websockets
from selenium.webdriver import WebKitGTKOptions
from selenium.webdriver.remote.webdriver import WebDriver

from browser import ALT, CTRL, DEADLINE, HOLD_SCRIPT, META, HeldPage, wait_until
from chromium import ChromiumSession, end_process, process_tree

# WebDriver's key values for the keys the tests press, and the modifiers.
KEY_VALUES = {"Left": "\ue012", "Up": "\ue013", "Right": "\ue014", "Down": "\ue015",
              "space": " ", "Escape": "\ue00c", "F2": "\ue032"}
MODIFIER_VALUES = {ALT: "\ue00a", CTRL: "\ue009", META: "\ue03d"}
UNPACED_HOLD = "window.__unpacedFrames = true;\n" + Path(HOLD_SCRIPT).read_text(encoding="utf-8")


class XBrowser(HeldPage):
    """A browser on a virtual screen of its own, with a folder of its own in
    the caller's TMPDIR as HOME and TMPDIR, removed at the end."""

    def __init__(self, screen):
        self.folder = tempfile.mkdtemp(prefix="quendrel-engine-")
        self.processes, self.opened = [], None
        read, write = os.pipe()
        try:
            self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", screen + "x24",
                        "-nolisten", "tcp"], pass_fds=(write,))
        finally:
            os.close(write)
        with os.fdopen(read) as answer:
            if not select.select([answer], [], [], DEADLINE)[0]:
                self.close()
                raise AssertionError("Xvfb gave no display")
            display = answer.readline().strip()
        self.env = dict(os.environ, DISPLAY=":" + display, HOME=self.folder, TMPDIR=self.folder)

    def start(self, command, **options):
        self.processes.append(subprocess.Popen(command, stdin=subprocess.DEVNULL, **options))

    def close(self):
        """Ends every process started, by id, the last first: asked to (Xvfb
        then removes its socket in /tmp), else killed with all it started."""
        for process in reversed(self.processes):
            started = process_tree(process.pid)
            process.terminate()
            try:
                process.wait(DEADLINE / 4)
            except subprocess.TimeoutExpired:
                pass
            for pid in started:
                end_process(pid)
            process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def keys(self, kind, name, modifiers):
        values = [value for bit, value in MODIFIER_VALUES.items() if modifiers & bit]
        values.append(KEY_VALUES[name])
        self.perform({"type": "key", "id": "keys", "actions": [
            {"type": kind, "value": value} for value in values[::1 if kind == "keyDown" else -1]]})

    def key_down(self, name, modifiers=0, repeat=False):
        """The key goes down; down again while down, it repeats."""
        self.keys("keyDown", name, modifiers)

    def key_up(self, name, modifiers=0):
        self.keys("keyUp", name, modifiers)

    def point_at(self, x, y):
        """The pointer moves to (x, y) in CSS pixels."""
        self.perform({"type": "pointer", "id": "mouse", "actions": [
            {"type": "pointerMove", "x": x, "y": y, "origin": "viewport"}]})

    def capture(self):
        """The display shows the last frame drawn only some display frames
        later, more of them on a loaded machine: the picture counts once two
        in a row are the same."""
        self.wait_ticks(2)
        pictures = [self.grab()]
        wait_until(lambda: pictures.append(self.grab()) or pictures[-1] == pictures[-2],
                   "the same picture twice")
        return pictures[-1]


class FirefoxSession(XBrowser):
    """Debian's Firefox ESR over WebDriver BiDi, from Python (websockets)."""
    ESCAPES_TO_END = 1  # full screen refused here (no focus on Xvfb): Escape reaches the page
    socket = loop = None

    def __init__(self):
        super().__init__("1024x768")
        self.last_id, self.messages, self.read_to = 0, [], 0
        try:
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
            self.socket = self.wait(self.connect(address + "/session"))
            self.bidi("session.new", capabilities={})
            self.bidi("session.subscribe", events=["log.entryAdded"])
            self.context = self.bidi("browsingContext.getTree")["contexts"][0]["context"]
            self.preload(UNPACED_HOLD)
        except BaseException:
            self.close()
            raise

    @staticmethod
    async def connect(address):
        # websockets 10 takes the loop running when the connection is made.
        return await websockets.connect(address, max_size=None, max_queue=None)

    def wait(self, awaitable):
        async def within_deadline():
            return await asyncio.wait_for(awaitable, DEADLINE)
        return self.loop.run_until_complete(within_deadline())

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
        try:
            if self.socket:
                self.bidi("browser.close")
                self.wait(self.socket.close())
        except Exception:  # ended below, whatever state it is in
            pass
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
        """Out of full screen (the screen's size) first."""
        self.leave_full_screen()
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
    @property
    def default_capabilities(self):
        return {}  # selenium's browserName and platform match no WebKitGTK browser


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
    """MiniBrowser (WebKitGTK) through WebKitWebDriver and selenium. With no
    script put before a page's own, the page loaded is a copy with them
    first; with no devicePixelRatio to emulate, a ratio of 2 is a second
    browser at GDK_SCALE=2, started when first asked for."""
    ESCAPES_TO_END = 2

    def __init__(self):
        super().__init__("2200x1700")
        self.drivers, self.copies = {}, 0
        try:
            self.use(1)
        except BaseException:
            self.close()
            raise

    def use(self, ratio):
        """Makes the browser at that devicePixelRatio the one driven."""
        self.ratio = ratio
        if ratio not in self.drivers:
            with socket.socket() as free:
                free.bind(("127.0.0.1", 0))
                port = free.getsockname()[1]
            self.start([os.environ.get("WEBKITDRIVER", "/usr/bin/WebKitWebDriver"),
                        f"--port={port}"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       env=dict(self.env, GDK_SCALE=str(ratio)))
            wait_until(lambda: _listening(port), "WebKitWebDriver")
            options = BareOptions()
            options.binary_location = os.environ.get("MINIBROWSER", MINIBROWSER)
            options.add_argument("--automation")
            self.drivers[ratio] = WebDriver(f"http://127.0.0.1:{port}", options=options)
        self.driver = self.drivers[ratio]

    def close(self):
        for driver in self.drivers.values():
            try:
                driver.quit()
            except Exception:  # ended below, whatever state it is in
                pass
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
        """The window around the page, out of full screen first."""
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

    def key_down(self, name, modifiers=0, repeat=False):
        # WebKitWebDriver drops a key that goes down while down: a held key's
        # repeat comes as a new press (the page takes both alike).
        if repeat:
            self.key_up(name, modifiers)
        super().key_down(name, modifiers)

    def perform(self, sequence):
        self.driver.execute("actions", {"actions": [sequence]})

    def grab(self):
        return self.driver.get_screenshot_as_png()

    def console(self):
        return self.js("window.__consoleKept.splice(0)") if self.opened else []


def _listening(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0
