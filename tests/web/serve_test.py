"""scripts/serve on 127.0.0.1: it says where, with a QR code, and what needs
https; serves docs/ as it is; and ends on Ctrl+C with status 0."""

import os
import signal
import socket
import subprocess
import unittest
import urllib.request
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


class Serve(unittest.TestCase):
    def test_serves_docs_and_ends_on_ctrl_c(self):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        serving = subprocess.Popen([ROOT / "scripts/serve", str(port)], text=True,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                   env=dict(os.environ, QUENDREL_SERVE_ADDRESS="127.0.0.1",
                                            PYTHONUNBUFFERED="1"))
        try:
            said = serving.stdout.readline()
            self.assertIn(f"at http://127.0.0.1:{port}/", said)
            while "Serving HTTP" not in said:  # the server's own line, once it listens
                said += serving.stdout.readline() or self.fail(f"ended early: {said}")
            self.assertIn("\u2588", said, "no QR code")
            self.assertIn("need https or localhost", " ".join(said.split()))
            with urllib.request.urlopen(f"http://127.0.0.1:{port}/", timeout=10) as answer:
                self.assertEqual(answer.read(), (ROOT / "docs/index.html").read_bytes())
        finally:
            serving.send_signal(signal.SIGINT)
            self.assertEqual(serving.wait(10), 0)
            serving.stdout.close()


if __name__ == "__main__":
    unittest.main()
