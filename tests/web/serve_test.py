"""scripts/serve on 127.0.0.1: it says where and what, with a QR code, serves
docs/ as it is, and ends on Ctrl+C with status 0."""

import os
import signal
import socket
import subprocess
import time
import unittest
import urllib.request
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


def listening(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0


class Serve(unittest.TestCase):
    def test_serves_docs_and_ends_on_ctrl_c(self):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        serving = subprocess.Popen([ROOT / "scripts/serve", str(port)], text=True,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                   env=dict(os.environ, QUENDREL_SERVE_ADDRESS="127.0.0.1"))
        try:
            url = f"http://127.0.0.1:{port}/"
            said = serving.stdout.readline()
            self.assertIn(f"at {url}", said)
            while "folder)" not in said:
                said += serving.stdout.readline() or self.fail(f"ended early: {said}")
            self.assertIn("\u2588", said, "no QR code")
            self.assertIn("need https or localhost", " ".join(said.split()))
            # Serving starts once it has said so.
            until = time.monotonic() + 20
            while not listening(port) and time.monotonic() < until:
                time.sleep(0.05)
            for name in ("", "worker.js"):
                with urllib.request.urlopen(url + name, timeout=10) as answer:
                    self.assertEqual(answer.read(),
                                     (ROOT / "docs" / (name or "index.html")).read_bytes())
        finally:
            serving.send_signal(signal.SIGINT)
            self.assertEqual(serving.wait(10), 0)
            serving.stdout.close()


if __name__ == "__main__":
    unittest.main()
