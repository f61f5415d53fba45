#!/usr/bin/python3
"""Makes the site around the page, the folder a static host serves as it is:
index.html (the page), the web app manifest, its icons and the service worker
that keeps them for play with no network (web/worker.js, given the list of
files and the name of their cache, a hash of their bytes). The icons come from
the program's own icon (256 px), on black; the same input gives the same bytes.
Usage: make_site.py PAGE ICON FOLDER"""

import hashlib
import io
import json
import sys
from pathlib import Path

from PIL import Image

WORKER = Path(__file__).with_name("worker.js")
BLACK = (0, 0, 0, 255)

# name: (size in pixels, the cube's share of it, on black or not). A maskable
# icon is cut to a circle or a rounded square of 80 % of its side, and iPhone
# and iPad round the corners of theirs and fill what is transparent.
ICONS = {
    "icon-192.png": (192, 1.0, False),
    "icon-512.png": (512, 1.0, False),
    "icon-maskable-512.png": (512, 0.56, True),
    "apple-touch-icon.png": (180, 0.78, True),
}

MANIFEST = {
    "name": "Quendrel",
    "short_name": "Quendrel",
    "description": "A spinning cube to send drifting and a pyramid to fire.",
    "id": "./",
    "start_url": "./",
    "scope": "./",
    "display": "fullscreen",
    "orientation": "landscape",
    "background_color": "#000000",
    "theme_color": "#000000",
    "icons": [
        {"src": "icon-192.png", "sizes": "192x192", "type": "image/png"},
        {"src": "icon-512.png", "sizes": "512x512", "type": "image/png"},
        {"src": "icon-maskable-512.png", "sizes": "512x512", "type": "image/png",
         "purpose": "maskable"},
    ],
}


def icon(source, size, share, on_black):
    cube = source.resize((round(size * share),) * 2, Image.LANCZOS)
    picture = Image.new("RGBA", (size, size), BLACK if on_black else (0, 0, 0, 0))
    offset = (size - cube.width) // 2
    picture.alpha_composite(cube, (offset, offset))
    png = io.BytesIO()
    (picture.convert("RGB") if on_black else picture).save(png, "PNG", optimize=True)
    return png.getvalue()


def site_files(page, icon_path):
    """{name: bytes} of every file of the site, the worker last: its cache is
    named by the hash of the others, which it stores in this order ("./" is
    index.html, as the host serves the folder)."""
    source = Image.open(icon_path).convert("RGBA")
    files = {"index.html": page,
             "manifest.webmanifest": (json.dumps(MANIFEST, indent=1) + "\n").encode()}
    for name, (size, share, on_black) in ICONS.items():
        files[name] = icon(source, size, share, on_black)
    content = hashlib.sha256(b"".join(files.values())).hexdigest()[:16]
    stored = ["./"] + list(files)[1:]
    files["worker.js"] = (WORKER.read_text(encoding="utf-8")
                          .replace("@CONTENT@", content)
                          .replace("@FILES@", json.dumps(stored))).encode()
    return files


def make_site(page, icon_path, folder):
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in site_files(page, icon_path).items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    make_site(Path(sys.argv[1]).read_bytes(), sys.argv[2], sys.argv[3])
