"""Firefox and WebKit for the page's tests, beside Chromium (browser.py), each
on an Xvfb screen of its own: with WebGL there is no headless mode for either.
Firefox is driven over WebDriver BiDi, which it speaks itself (Debian has no
geckodriver), WebKit through WebKitWebDriver and MiniBrowser. Keys and the
pointer go to both as WebDriver action sequences. Every process is ended by
id at the end, and the session's folder (HOME, TMPDIR, profile, page copies)
is removed."""

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
import time
from pathlib import Path

import websockets
from selenium.webdriver import WebKitGTKOptions
from selenium.webdriver.remote.webdriver import WebDriver

from browser import ALT, CTRL, DEADLINE, HOLD_SCRIPT, META, HeldPage
from chromium import end_process, process_tree

# WebDriver's key values for the keys the tests press, and the modifiers.
KEY_VALUES = {"Left": "\ue012", "Up": "\ue013", "Right": "\ue014", "Down": "\ue015",
              "space": " ", "Escape": "\ue00c", "F2": "\ue032"}
MODIFIER_VALUES = {ALT: "\ue00a", CTRL: "\ue009", META: "\ue03d"}


# The frame hold, with frames as fast as they come: neither browser can lift
# its display's frame rate as Chromium does.
UNPACED_HOLD = "window.__unpacedFrames = true;\n" + Path(HOLD_SCRIPT).read_text(encoding="utf-8")


def _until(condition, what):
    until = time.monotonic() + DEADLINE
    while not (found := condition()):
        if time.monotonic() > until:
            raise AssertionError(f"{what}: not within {DEADLINE} s")
        time.sleep(0.02)
    return found


def _listening(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0


class XBrowser(HeldPage):
    """A browser on a virtual screen of its own, its HOME and TMPDIR a folder
    of its own in the caller's TMPDIR."""

    def __init__(self, screen):
        self.folder = tempfile.mkdtemp(prefix="quendrel-engine-")
        self.processes = []
        self.opened = None
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
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, **options)
        self.processes.append(process)
        return process

    def close(self):
        """Ends every process the session started, by id, the last first."""
        self.stop_serving()
        for process in reversed(self.processes):
            for pid in process_tree(process.pid):
                end_process(pid)
            process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def key_down(self, name, modifiers=0, repeat=False):
        """The key goes down; down again while down, it repeats (WebDriver
        makes a key already down a repeat, so `repeat` is the caller's note)."""
        values = [value for bit, value in MODIFIER_VALUES.items() if modifiers & bit]
        values.append(KEY_VALUES[name])
        self.perform({"type": "key", "id": "keys",
                      "actions": [{"type": "keyDown", "value": value} for value in values]})

    def key_up(self, name, modifiers=0):
        values = [value for bit, value in MODIFIER_VALUES.items() if modifiers & bit]
        values.append(KEY_VALUES[name])
        self.perform({"type": "key", "id": "keys",
                      "actions": [{"type": "keyUp", "value": value} for value in values[::-1]]})

    def point_at(self, x, y):
        """The pointer moves to (x, y) in CSS pixels."""
        self.perform({"type": "pointer", "id": "mouse", "actions": [
            {"type": "pointerMove", "x": x, "y": y, "origin": "viewport"}]})

    def screenshot(self, path):
        """The page as shown now, in device pixels, written as PNG. Frames run
        between the display's: the last one drawn shows once the display has
        gone on."""
        self.wait_ticks(2)
        Path(path).write_bytes(self.capture())
        return path

    def new_output(self, log):
        """What the browser wrote to `log` since the last call."""
        with open(log, "rb") as out:
            out.seek(self._read_to.get(log, 0))
            text = out.read()
        self._read_to[log] = self._read_to.get(log, 0) + len(text)
        return text.decode(errors="replace").splitlines()


# The page's console and WebGL's warnings on stdout; full screen without its
# transition and notice; none of the browser's own network traffic or
# first-run work.
FIREFOX_PREFS = {
    "devtools.console.stdout.content": True, "devtools.console.stdout.chrome": False,
    "full-screen-api.transition-duration.enter": "0 0",
    "full-screen-api.transition-duration.leave": "0 0", "full-screen-api.warning.timeout": 0,
    "browser.shell.checkDefaultBrowser": False,
    "app.normandy.enabled": False, "app.update.disabledForTesting": True,
    "messaging-system.rsexperimentloader.enabled": False, "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False, "browser.aboutwelcome.enabled": False,
}
# Lines of Firefox's stdout from a page that BiDi's log misses: its script
# errors and warnings, and WebGL's warnings.
PAGE_OUTPUT = re.compile(r"^(JavaScript (error|warning): (file|http)|.*WebGL)")


class FirefoxSession(XBrowser):
    """Debian's Firefox ESR over WebDriver BiDi, from Python (websockets)."""
    ESCAPES_TO_END = 1  # no window manager here: Firefox never has the focus, so no full screen

    def __init__(self):
        super().__init__("1024x768")
        self._read_to, self.messages, self.last_id = {}, [], 0
        try:
            profile = os.path.join(self.folder, "profile")
            os.mkdir(profile)
            Path(profile, "user.js").write_text("".join(
                f"user_pref({json.dumps(name)}, {json.dumps(value)});\n"
                for name, value in FIREFOX_PREFS.items()))
            self.log = os.path.join(self.folder, "firefox.log")
            with open(self.log, "wb") as out:
                self.start([os.environ.get("FIREFOX", "/usr/bin/firefox-esr"), "--no-remote",
                            "--profile", profile, "--remote-debugging-port=0", "about:blank"],
                           stdout=out, stderr=subprocess.STDOUT, env=self.env)
            address = _until(lambda: re.search(r"WebDriver BiDi listening on (ws://\S+)",
                                               Path(self.log).read_text(errors="replace")),
                             "Firefox's WebDriver BiDi").group(1)
            self.loop = asyncio.new_event_loop()
            self.socket = self._wait(self._connect(address + "/session"))
            self.bidi("session.new", capabilities={})
            self.bidi("session.subscribe", events=["log.entryAdded"])
            self.context = self.bidi("browsingContext.getTree")["contexts"][0]["context"]
            self.preload(UNPACED_HOLD)
        except BaseException:
            self.close()
            raise

    @staticmethod
    async def _connect(address):
        # websockets 10 takes the loop running when the connection is made.
        return await websockets.connect(address, max_size=None, max_queue=None)

    def _wait(self, awaitable):
        async def within_deadline():
            return await asyncio.wait_for(awaitable, DEADLINE)
        return self.loop.run_until_complete(within_deadline())

    def bidi(self, method, **parameters):
        """A BiDi command's result; the events that came before it are kept."""
        self.last_id += 1
        self._wait(self.socket.send(json.dumps(
            {"id": self.last_id, "method": method, "params": parameters})))
        while True:
            message = json.loads(self._wait(self.socket.recv()))
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
            if getattr(self, "socket", None) is not None:
                self.bidi("browser.close")
                self._wait(self.socket.close())
        except Exception:  # ended below, whatever state it is in
            pass
        finally:
            if getattr(self, "loop", None) is not None:
                self.loop.close()
            super().close()

    def open(self, url, width=1024, height=768, pixel_ratio=1, before="", held=True):
        self.resize(width, height, pixel_ratio)
        added = before and self.preload(before)
        try:
            self.bidi("browsingContext.navigate", context=self.context, url=url, wait="complete")
        finally:
            if added:
                self.bidi("script.removePreloadScript", script=added)
        if held:
            self.wait_until_held(1)

    def js(self, expression):
        answer = self.bidi("script.evaluate", expression=f"JSON.stringify([{expression}])",
                           target={"context": self.context}, awaitPromise=False)
        if answer["type"] != "success":
            raise AssertionError(f"{expression}: {answer['exceptionDetails']['text']}")
        return json.loads(answer["result"]["value"])[0]

    def resize(self, width, height, pixel_ratio=1):
        """A viewport of width x height CSS pixels at that devicePixelRatio,
        out of full screen (a screen-sized viewport) first."""
        self.leave_full_screen()
        self.bidi("browsingContext.setViewport", context=self.context,
                  viewport={"width": width, "height": height}, devicePixelRatio=pixel_ratio)

    def perform(self, sequence):
        self.bidi("input.performActions", context=self.context, actions=[sequence])

    def capture(self):
        return base64.b64decode(
            self.bidi("browsingContext.captureScreenshot", context=self.context)["data"])

    def console(self):
        """The page's messages since the last call: BiDi's log, and what only
        reaches stdout (WebGL's warnings)."""
        seen, self.messages = self.messages, []
        return seen + [line for line in self.new_output(self.log) if PAGE_OUTPUT.match(line)]


class _BareOptions(WebKitGTKOptions):
    @property
    def default_capabilities(self):
        # browserName and platform, selenium's defaults, match no WebKitGTK browser.
        return {}


MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
TOOLBAR = 38  # MiniBrowser's toolbar above the page, in CSS pixels
# What the page writes to its console, and its uncaught errors, kept for the
# test: WebDriver does not give WebKit's console.
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
        self._read_to, self.drivers, self.logs, self.copies = {}, {}, [], 0
        try:
            self.use(1)
        except BaseException:
            self.close()
            raise

    def use(self, ratio):
        """Makes the browser at that devicePixelRatio the one driven."""
        self.ratio = ratio
        if ratio in self.drivers:
            self.driver = self.drivers[ratio]
            return
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        port = listener.getsockname()[1]
        listener.close()
        log = os.path.join(self.folder, f"webkit-{ratio}.log")
        self.logs.append(log)
        with open(log, "wb") as out:
            self.start([os.environ.get("WEBKITDRIVER", "/usr/bin/WebKitWebDriver"),
                        f"--port={port}"], stdout=out, stderr=subprocess.STDOUT,
                       env=dict(self.env, GDK_SCALE=str(ratio)))
        _until(lambda: _listening(port), "WebKitWebDriver")
        options = _BareOptions()
        options.binary_location = os.environ.get("MINIBROWSER", MINIBROWSER)
        for argument in ("--automation", "--enable-write-console-messages-to-stdout=true"):
            options.add_argument(argument)
        self.driver = self.drivers[ratio] = WebDriver(f"http://127.0.0.1:{port}", options=options)

    def close(self):
        for driver in self.drivers.values():
            try:
                driver.quit()
            except Exception:  # ended below, whatever state it is in
                pass
        super().close()

    def page_file(self, path, before=""):
        self.copies += 1
        copy = os.path.join(self.folder, f"page-{self.copies}.html")
        scripts = "\n".join((CONSOLE_KEPT, UNPACED_HOLD, before))
        page = Path(path).read_text(encoding="utf-8")
        Path(copy).write_text(page.replace("<head>", f"<head>\n<script>\n{scripts}\n</script>", 1),
                              encoding="utf-8")
        return copy

    def open(self, url, width=1024, height=768, pixel_ratio=1, before="", held=True):
        self.opened = (url, before)
        if url.startswith("file:"):
            url = Path(self.page_file(url.removeprefix("file://"), before)).as_uri()
        self.use(pixel_ratio)
        self.resize(width, height, pixel_ratio)
        self.driver.get(url)
        if held:
            self.wait_until_held(1)

    def js(self, expression):
        return self.driver.execute_script("return " + expression)

    def resize(self, width, height, pixel_ratio=1):
        """A window of width x height CSS pixels at that devicePixelRatio. A
        new ratio is the other browser: the page opens anew there."""
        if pixel_ratio != self.ratio:
            self.open(self.opened[0], width, height, pixel_ratio, self.opened[1])
            return
        if self.opened:
            self.leave_full_screen()
        self.driver.set_window_rect(0, 0, width, height + TOOLBAR)
        if self.opened:
            self.wait_for(f"innerWidth == {width} && innerHeight == {height}", "the new size")

    def key_down(self, name, modifiers=0, repeat=False):
        # WebKitWebDriver drops a key that goes down while down: a held key's
        # repeat comes as a new press (the page treats both alike).
        if repeat:
            self.key_up(name, modifiers)
        super().key_down(name, modifiers)

    def perform(self, sequence):
        self.driver.execute("actions", {"actions": [sequence]})

    def capture(self):
        return self.driver.get_screenshot_as_png()

    def console(self):
        seen = self.js("window.__consoleKept.splice(0)") if self.opened else []
        return seen + [line for log in self.logs for line in self.new_output(log) if line]
