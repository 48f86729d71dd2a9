#!/usr/bin/env python3
r"""A small web map tile server on 127.0.0.1 for the imagery tests and the sample host.

Every tile is a 256x256 square of one colour chosen by its quadkey (FNV-1a of the quadkey's
text: red, green, blue = bits 16-23, 8-15, 0-7), as PNG or JPEG by the extension of the last
path segment, which names the tile as one letter, the quadkey and ".png" or ".jpeg"
("r0231.png", "a0231.jpeg"). Paths with a "missing" segment answer 404. Each request is logged
as one line "<path and query>" to the log file, and whole, as one line of fields separated by
the unit separator (0x1F): method, path, body, then each header as "Name: value" (Basic
credentials decoded), to "<log file>.details".

The same server answers the imagery services:
- the metadata service: POST /REST/v1/Imagery/Metadata/<Road|Aerial|AerialWithLabels>?output=xml
  &key=<the key> answers the tile address template of this server (tiles under a subdomain path
  segment, "&mkt={culture}" at the end) and the subdomains "t0", "t1", "t2"; other methods 405,
  another key 401;
- the token service: POST /find-30/common.asmx asks for Basic credentials (401) and answers the
  account's token in a SOAP envelope;
- a proxy: a request for an absolute address is served as if passed on to that address.

A path with one of these segments, or any path while the option "hostile" names one, answers as
a hostile server would, whatever else it names: "loop" redirects to itself, "grow" to an address
501 characters longer, "huge" answers 8 MB (announced), "vast" 40 MB (announced), "flood" 40 MB
(unannounced, the connection's end ends it), "slow" trickles its answer a byte every 100 ms, and
"stall" sends its headers and then nothing for a minute. Each answer of "huge", "vast" or "flood"
is logged once the server stopped sending it, whole or cut off by the client, as one line
"<bytes sent> <bytes of the answer>" to "<log file>.sent".

A path with the segment "to1" or "to2" is redirected (307), without it, to this server on 127.0.0.1
or on 127.0.0.2 (below); "crlocation" and "dellocation" to an address holding a CR or a DEL.

The option "tile_answer" makes tiles answer 200 with what no map can draw, as captive portals do:
"half_png", "giant_png" (20000 x 20000 pixels), "short_body" and "short_after_tile" (half the tile
or all of it, closed short of the length announced), "random", "html", "empty"; or nothing for
30 s ("mute"), or 400 to an address whose token holds a blank ("refuse_blank_token").

The file named by VADAZ_TILE_CONFIG (read at each request, "name=value" lines) changes it:
tile_delay_ms (before each tile), proxy_credentials ("user:password": proxied requests without
them answer 407), metadata_status (answer that status instead), metadata_template ("{host}"
stands for this server) and metadata_subdomains (comma-separated, may be empty), token_value,
token_form ("plain": the result elements in no namespace), direct_proxy_auth (a request not made
to a proxy answers 407). "<option>_escaped" gives an option with Python's backslash escapes.

Each request's head is also logged as it came, as one line to "<log file>.heads", every byte outside
printable ASCII (and the backslash) written "\xNN".

    tile_server.py [--port N] [--log FILE] [-- COMMAND ...]

With a command, the server takes a free port (unless one is given), runs the command with
VADAZ_TILE_SERVER=http://127.0.0.1:PORT, VADAZ_TILE_LOG=<log file> and VADAZ_TILE_CONFIG=<config
file> in its environment, stops when the command ends and exits with its exit code. Without one
it serves until stopped. With a command, it also listens on the same port of 127.0.0.2, as another host.
"""
import argparse
import base64
import codecs
import functools
import http.server
import os
import random
import re
import socketserver
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import zlib

TILE = 256
TILE_NAME = re.compile(r"^[a-z]([0-3]+)\.(png|jpeg)$")
METADATA_KEY = "Tq8sLmR2vXw7NpZ4kYb1HcJ6dFg3QeW9uVa5oPi0tSn_rGhEy2MxKcDl8BfUjO4z"
TOKEN_ACCOUNT = "482917:Hx3rtM9bo0Qy!"
METADATA_NS = "http://schemas.imagery.zemro.net/search/local/ws/rest/v1"
TOKEN_NS = "http://s.imagery.zemro.net/mappoint-30/"
IMAGERY = {"Road": "r{quadkey}.png", "Aerial": "a{quadkey}.jpeg", "AerialWithLabels": "h{quadkey}.jpeg"}
HOSTILE = ("loop", "grow", "huge", "vast", "flood", "slow", "stall")
LARGE_ANSWER_MB = {"huge": 8, "vast": 40, "flood": 40}
REDIRECTS = ("to1", "to2", "crlocation", "dellocation")


def xml_text(text):
    """Text as an XML element's content, control characters as character references."""
    text = text.replace("&", "&amp;").replace("<", "&lt;")
    return "".join("&#%d;" % ord(c) if ord(c) < 0x20 else c for c in text)


def escaped_bytes(data):
    return "".join(chr(b) if 0x20 <= b < 0x7F and b != 0x5C else "\\x%02x" % b for b in data)


class RecordingReader:
    """A request's stream that keeps the lines of the request's head as they came."""

    def __init__(self, stream):
        self.stream, self.head = stream, []

    def readline(self, *args):
        self.head.append(self.stream.readline(*args))
        return self.head[-1]

    def __getattr__(self, name):
        return getattr(self.stream, name)


def colour_of(quadkey):
    h = 0x811C9DC5
    for c in quadkey.encode("ascii"):
        h = ((h ^ c) * 0x01000193) & 0xFFFFFFFF
    return (h >> 16) & 0xFF, (h >> 8) & 0xFF, h & 0xFF


def png_of(rgb):
    row = b"\x00" + bytes(rgb) * TILE
    raw = row * TILE
    header = struct.pack(">IIBBBBB", TILE, TILE, 8, 2, 0, 0, 0)
    return png_file(header, zlib.compress(raw, 9))


def png_file(header, pixels):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", pixels) + chunk(b"IEND", b"")


@functools.lru_cache(maxsize=None)
def giant_png():
    """A PNG of 20000 x 20000 grey pixels, one bit each."""
    side = 20000
    return png_file(struct.pack(">IIBBBBB", side, side, 1, 0, 0, 0, 0), zlib.compress(bytes(1 + side // 8) * side, 9))


def jpeg_of(rgb):
    colour = "#%02x%02x%02x" % rgb
    return subprocess.run(["convert", "-size", "%dx%d" % (TILE, TILE), "xc:" + colour, "-quality", "95", "jpeg:-"],
                          check=True, stdout=subprocess.PIPE).stdout


class Tiles(http.server.BaseHTTPRequestHandler):
    log_lock = threading.Lock()
    log_path = None
    config_path = None
    cache = {}
    addresses = {}  # "to1" and "to2": the server's addresses on 127.0.0.1 and 127.0.0.2

    def log_message(self, *args):
        pass

    def setup(self):
        super().setup()
        self.rfile = RecordingReader(self.rfile)

    def config(self):
        values = {}
        if self.config_path and os.path.exists(self.config_path):
            with open(self.config_path) as f:
                for line in f:
                    name, _, value = line.rstrip("\n").partition("=")
                    if name:
                        values[name] = value
        for name in [name for name in values if name.endswith("_escaped")]:
            values[name[:-len("_escaped")]] = codecs.decode(values[name], "unicode_escape")
        return values

    def record(self, body):
        if not self.log_path:
            return
        fields = [self.command, self.path, body.decode("latin-1")]
        for name, value in self.headers.items():
            if value.startswith("Basic "):
                value = "Basic " + base64.b64decode(value[6:]).decode("latin-1")
            fields.append("%s: %s" % (name, value))
        with self.log_lock:
            with open(self.log_path, "a") as log:
                log.write(self.path + "\n")
            with open(self.log_path + ".details", "a", encoding="latin-1") as log:
                log.write("\x1f".join(fields) + "\n")
            with open(self.log_path + ".heads", "a") as log:
                log.write(escaped_bytes(b"".join(self.rfile.head)) + "\n")
        self.rfile.head = []

    def answer(self, status, body=b"", kind="text/xml; charset=utf-8", headers=(), length=None):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body) if length is None else length))
        self.end_headers()
        self.wfile.write(body)

    def handle_request(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        self.record(body)
        config = self.config()
        path = self.path
        if path.startswith("http://"):
            wanted = config.get("proxy_credentials")
            given = self.headers.get("Proxy-Authorization", "")
            if wanted and given != "Basic " + base64.b64encode(wanted.encode()).decode():
                self.answer(407, headers=[("Proxy-Authenticate", 'Basic realm="tiles"')])
                return
            path = "/" + path.split("/", 3)[3] if path.count("/") >= 3 else "/"
        route, _, query = path.partition("?")
        redirect = [segment for segment in route.split("/") if segment in REDIRECTS]
        if redirect:
            self.redirect(redirect[0], route, query)
            return
        if config.get("direct_proxy_auth") and not self.path.startswith("http://"):
            self.answer(407, headers=[("Proxy-Authenticate", 'Basic realm="tiles"')])
            return
        hostile = [segment for segment in route.split("/") if segment in HOSTILE] + [config.get("hostile")]
        if hostile[0]:
            self.hostile(hostile[0], route, query)
        elif route.startswith("/REST/v1/Imagery/Metadata/"):
            self.metadata(route.rsplit("/", 1)[1], urllib.parse.parse_qs(query), config)
        elif route == "/find-30/common.asmx":
            self.token(config)
        elif self.command != "GET":
            self.answer(405)
        else:
            self.tile(route, config)

    do_GET = do_POST = handle_request

    def hostile(self, kind, route, query):
        try:
            if kind in ("loop", "grow"):
                target = route if kind == "loop" else "/" + "x" * 500 + route
                self.answer(302, headers=[("Location", target + ("?" + query if query else ""))])
            elif kind in LARGE_ANSWER_MB:
                self.large_answer(LARGE_ANSWER_MB[kind] * 1024 * 1024, announced=kind != "flood")
            else:
                self.send_response(200)
                self.send_header("Content-Type", "image/png")
                self.send_header("Content-Length", "100000")
                self.end_headers()
                self.wfile.flush()
                if kind == "stall":
                    time.sleep(60)
                for _ in range(100000):
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(0.1)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up, as it should

    def large_answer(self, size, announced):
        self.send_response(200)
        self.send_header("Content-Type", "text/xml")
        if announced:
            self.send_header("Content-Length", str(size))
        else:
            self.close_connection = True
        self.end_headers()
        block = b"<" + b"x" * 65535
        sent = 0
        try:
            for _ in range(size // len(block)):
                self.wfile.write(block)
                sent += len(block)
        finally:
            if self.log_path:
                with self.log_lock:
                    with open(self.log_path + ".sent", "a") as log:
                        log.write("%d %d\n" % (sent, size))

    def redirect(self, kind, route, query):
        rest = "/".join(segment for segment in route.split("/") if segment != kind) + ("?" + query if query else "")
        target = {"crlocation": "/t\rX-From-Location: 1/r0.png", "dellocation": "/t\x7fx/r0.png"}
        self.answer(307, headers=[("Location", target.get(kind, self.addresses.get(kind, "") + rest))])

    def metadata(self, imagery, query, config):
        if self.command != "POST":
            self.answer(405)
        elif query.get("key") != [METADATA_KEY] or imagery not in IMAGERY:
            self.answer(401)
        elif "metadata_status" in config:
            self.answer(int(config["metadata_status"]))
        else:
            template = config.get("metadata_template",
                                  "http://{host}/{subdomain}/tiles/" + IMAGERY[imagery] + "?g=1&mkt={culture}")
            template = template.replace("{host}", self.headers.get("Host", ""))
            subdomains = config.get("metadata_subdomains", "t0,t1,t2")
            strings = "".join("<string>%s</string>" % xml_text(s) for s in subdomains.split(",") if s)
            self.answer(200, ('<?xml version="1.0" encoding="utf-8"?><Response xmlns="%s"><ResourceSets><ResourceSet>'
                              "<Resources><ImageryMetadata><ImageUrl>%s</ImageUrl><ImageUrlSubdomains>%s"
                              "</ImageUrlSubdomains></ImageryMetadata></Resources></ResourceSet></ResourceSets>"
                              "</Response>" % (METADATA_NS, xml_text(template), strings)).encode())

    def token(self, config):
        if self.command != "POST":
            self.answer(405)
        elif self.headers.get("Authorization") != "Basic " + base64.b64encode(TOKEN_ACCOUNT.encode()).decode():
            self.answer(401, headers=[("WWW-Authenticate", 'Basic realm="token"')])
        else:
            ns = "" if config.get("token_form") == "plain" else ' xmlns="%s"' % TOKEN_NS
            self.answer(200, ('<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap='
                              '"http://schemas.xmlsoap.org/soap/envelope/"><soap:Body><GetClientTokenResponse%s>'
                              "<GetClientTokenResult>%s</GetClientTokenResult></GetClientTokenResponse></soap:Body>"
                              "</soap:Envelope>" % (ns, xml_text(config.get("token_value", "T0K3N")))).encode())

    def tile(self, route, config):
        segments = [s for s in route.split("/") if s]
        match = TILE_NAME.match(segments[-1]) if segments else None
        if not match or "missing" in segments:
            self.send_error(404)
            return
        if config.get("tile_answer") and self.undrawable_tile(config["tile_answer"], match.group(1)):
            return
        time.sleep(int(config.get("tile_delay_ms", "0")) / 1000.0)
        quadkey, kind = match.group(1), match.group(2)
        key = (quadkey, kind)
        if key not in self.cache:
            rgb = colour_of(quadkey)
            self.cache[key] = png_of(rgb) if kind == "png" else jpeg_of(rgb)
        self.answer(200, self.cache[key], "image/png" if kind == "png" else "image/jpeg",
                    [("Cache-Control", "max-age=86400")])

    def undrawable_tile(self, kind, quadkey):
        """The answers of the option "tile_answer"; False when the tile is to be answered as usual."""
        tile = png_of(colour_of(quadkey))
        try:
            if kind == "refuse_blank_token":
                if " " not in urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query).get("token", [""])[0]:
                    return False
                self.send_error(400, "A token holds no blanks")
            elif kind == "mute":
                time.sleep(30)
            elif kind in ("short_body", "short_after_tile"):
                sent, announced = (tile[:len(tile) // 2], len(tile)) if kind == "short_body" else (tile, len(tile) + 1000)
                self.answer(200, sent, "image/png", length=announced)
                self.close_connection = True
            else:
                bodies = {"half_png": lambda: tile[:len(tile) // 2], "giant_png": giant_png, "empty": lambda: b"",
                          "random": lambda: random.Random(quadkey).randbytes(5000),
                          "html": lambda: b"<html><head><title>Sign in</title></head><body>Sign in first.</body></html>"}
                self.answer(200, bodies[kind](), "text/html" if kind == "html" else "image/png")
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up
        return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--log")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command

    log = args.log or os.path.join(tempfile.mkdtemp(prefix="tiles_"), "requests.log")
    for suffix in ("", ".details", ".heads", ".sent"):
        open(log + suffix, "w").close()
    Tiles.log_path = log
    Tiles.config_path = os.path.join(os.path.dirname(os.path.abspath(log)), "server.config")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Tiles)
    address = "http://127.0.0.1:%d" % server.server_address[1]
    if not command:
        print("serving tiles at %s, requests logged to %s" % (address, log), flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
        return 0

    other = socketserver.ThreadingTCPServer(("127.0.0.2", server.server_address[1]), Tiles)  # no name looked up
    other.daemon_threads = True
    threading.Thread(target=other.serve_forever, daemon=True).start()
    Tiles.addresses = {"to1": address, "to2": address.replace("127.0.0.1", "127.0.0.2")}
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        env = dict(os.environ, VADAZ_TILE_SERVER=address, VADAZ_TILE_LOG=log, VADAZ_TILE_CONFIG=Tiles.config_path)
        return subprocess.call(command, env=env)
    finally:
        server.shutdown()
        server.server_close()
        other.shutdown()
        other.server_close()


if __name__ == "__main__":
    sys.exit(main())
