#!/usr/bin/env python3
"""A small web map tile server on 127.0.0.1 for the imagery tests and the sample host.

Every tile is a 256x256 square of one colour chosen by its quadkey (FNV-1a of the quadkey's
text: red, green, blue = bits 16-23, 8-15, 0-7), as PNG or JPEG by the extension of the last
path segment, which names the tile as one letter, the quadkey and ".png" or ".jpeg"
("r0231.png", "a0231.jpeg"). Paths with a "missing" segment answer 404. Each request is logged
as one line "<path and query>" to the log file.

    tile_server.py [--port N] [--log FILE] [-- COMMAND ...]

With a command, the server takes a free port (unless one is given), runs the command with
VADAZ_TILE_SERVER=http://127.0.0.1:PORT and VADAZ_TILE_LOG=<log file> in its environment,
stops when the command ends and exits with its exit code. Without one it serves until stopped.
"""
import argparse
import http.server
import os
import re
import struct
import subprocess
import sys
import tempfile
import threading
import zlib

TILE = 256
TILE_NAME = re.compile(r"^[a-z]([0-3]+)\.(png|jpeg)$")


def colour_of(quadkey):
    h = 0x811C9DC5
    for c in quadkey.encode("ascii"):
        h = ((h ^ c) * 0x01000193) & 0xFFFFFFFF
    return (h >> 16) & 0xFF, (h >> 8) & 0xFF, h & 0xFF


def png_of(rgb):
    row = b"\x00" + bytes(rgb) * TILE
    raw = row * TILE

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", TILE, TILE, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def jpeg_of(rgb):
    colour = "#%02x%02x%02x" % rgb
    return subprocess.run(["convert", "-size", "%dx%d" % (TILE, TILE), "xc:" + colour, "-quality", "95", "jpeg:-"],
                          check=True, stdout=subprocess.PIPE).stdout


class Tiles(http.server.BaseHTTPRequestHandler):
    log_lock = threading.Lock()
    log_path = None
    cache = {}

    def log_message(self, *args):
        pass

    def record(self):
        if not self.log_path:
            return
        with self.log_lock, open(self.log_path, "a") as log:
            log.write(self.path + "\n")

    def do_GET(self):
        self.record()
        path = self.path.split("?", 1)[0]
        segments = [s for s in path.split("/") if s]
        match = TILE_NAME.match(segments[-1]) if segments else None
        if not match or "missing" in segments:
            self.send_error(404)
            return
        quadkey, kind = match.group(1), match.group(2)
        key = (quadkey, kind)
        if key not in self.cache:
            rgb = colour_of(quadkey)
            self.cache[key] = png_of(rgb) if kind == "png" else jpeg_of(rgb)
        body = self.cache[key]
        self.send_response(200)
        self.send_header("Content-Type", "image/png" if kind == "png" else "image/jpeg")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "max-age=86400")
        self.end_headers()
        self.wfile.write(body)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--log")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command

    log = args.log or os.path.join(tempfile.mkdtemp(prefix="tiles_"), "requests.log")
    open(log, "w").close()
    Tiles.log_path = log
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Tiles)
    address = "http://127.0.0.1:%d" % server.server_address[1]
    if not command:
        print("serving tiles at %s, requests logged to %s" % (address, log), flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
        return 0

    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        env = dict(os.environ, VADAZ_TILE_SERVER=address, VADAZ_TILE_LOG=log)
        return subprocess.call(command, env=env)
    finally:
        server.shutdown()
        server.server_close()


if __name__ == "__main__":
    sys.exit(main())
