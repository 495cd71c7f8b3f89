#!/usr/bin/env python3
"""Runs Firefox ESR headless on a fresh profile that imports a bookmark file at start-up and writes
its own bookmark file when it quits, then prints what its places database holds.

Usage: firefox_peer.py PROFILE_FOLDER BOOKMARK_FILE EXPECTED_BOOKMARKS

The bookmark file is imported at start-up; once Firefox holds EXPECTED_BOOKMARKS bookmarks it is
asked to quit (through its remote-control protocol, Marionette), and its automatic export then
overwrites the bookmark file with Firefox's own. Output (UTF-8), one line per bookmark:
    BOOKMARK <folder path below the bookmarks menu, "/" separated><TAB><title><TAB><url>
and one line per folder: FOLDER <path>. Exit code 0 on success, 2 when Firefox or sqlite3 is
missing, 1 on any other failure (the reason goes to stderr)."""
import json
import os
import shutil
import socket
import subprocess
import sys
import time


def fail(message, code=1):
    sys.stderr.write("firefox_peer: " + message + "\n")
    sys.exit(code)


class Marionette:
    def __init__(self, port, deadline):
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=60)
                break
            except OSError:
                if time.time() > deadline:
                    fail("Firefox did not open its remote-control port")
                time.sleep(0.5)
        self.next_id = 1
        self.read()

    def read(self):
        data = b""
        while b":" not in data:
            chunk = self.sock.recv(1)
            if not chunk:
                fail("remote-control connection closed")
            data += chunk
        length, rest = data.split(b":", 1)
        length = int(length)
        while len(rest) < length:
            chunk = self.sock.recv(length - len(rest))
            if not chunk:
                fail("remote-control connection closed")
            rest += chunk
        return json.loads(rest)

    def call(self, command, params):
        message = json.dumps([0, self.next_id, command, params]).encode()
        self.next_id += 1
        self.sock.sendall(str(len(message)).encode() + b":" + message)
        reply = self.read()
        if reply[2] is not None:
            raise RuntimeError(str(reply[2]))
        return reply[3]


COUNT_SCRIPT = """
const walk = node => (node.uri ? 1 : 0) + (node.children || []).reduce((sum, child) => sum + walk(child), 0);
return PlacesUtils.promiseBookmarksTree().then(walk);
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def dump(places):
    query = ("SELECT b.id, b.type, b.parent, IFNULL(b.title, ''), IFNULL(p.url, ''), b.guid "
             "FROM moz_bookmarks b LEFT JOIN moz_places p ON b.fk = p.id ORDER BY b.parent, b.position")
    out = subprocess.run(["sqlite3", "-ascii", places, query], capture_output=True, check=True).stdout
    rows = {}
    order = []
    for record in out.split(b"\x1e"):
        if not record:
            continue
        fields = record.split(b"\x1f")
        row = (int(fields[0]), int(fields[1]), int(fields[2]), fields[3].decode(), fields[4].decode(), fields[5].decode())
        rows[row[0]] = row
        order.append(row[0])
    menu = next(r[0] for r in rows.values() if r[5] == "menu________")

    def path(node_id):
        parts = []
        while node_id in rows and node_id != menu:
            parts.append(rows[node_id][3])
            node_id = rows[node_id][2]
        return "/".join(reversed(parts)) if node_id == menu else None

    lines = []
    for node_id in order:
        _, kind, parent, title, url, _ = rows[node_id]
        if kind == 1:
            folder = path(parent)
            if folder is not None:
                lines.append("BOOKMARK " + folder + "\t" + title + "\t" + url)
        elif kind == 2 and node_id != menu and path(node_id) is not None:
            lines.append("FOLDER " + path(node_id))
    sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    profile, bookmarks, expected = sys.argv[1], os.path.abspath(sys.argv[2]), int(sys.argv[3])
    firefox = shutil.which("firefox-esr") or shutil.which("firefox")
    if not firefox:
        fail("firefox-esr is not installed", 2)
    if not shutil.which("sqlite3"):
        fail("sqlite3 is not installed", 2)
    os.makedirs(profile, exist_ok=True)
    port = free_port()
    prefs = {
        "browser.places.importBookmarksHTML": True,
        "browser.bookmarks.autoExportHTML": True,
        "browser.bookmarks.file": bookmarks,
        "marionette.port": port,
        "browser.shell.checkDefaultBrowser": False,
        "browser.startup.homepage_override.mstone": "ignore",
        "datareporting.policy.dataSubmissionEnabled": False,
        "toolkit.telemetry.reportingpolicy.firstRun": False,
        "app.update.auto": False,
        "browser.aboutwelcome.enabled": False,
    }
    with open(os.path.join(profile, "user.js"), "w") as f:
        for key, value in prefs.items():
            f.write("user_pref(%s, %s);\n" % (json.dumps(key), json.dumps(value)))
    env = dict(os.environ, MOZ_HEADLESS="1")
    log = open(os.path.join(profile, "firefox.log"), "wb")
    process = subprocess.Popen([firefox, "--headless", "--no-remote", "--marionette", "-remote-allow-system-access", "--profile", profile, "about:blank"],
                               stdout=log, stderr=log, env=env)
    try:
        deadline = time.time() + float(os.environ.get("TV_FIREFOX_TIMEOUT", "240"))
        remote = Marionette(port, deadline)
        remote.call("WebDriver:NewSession", {})
        remote.call("Marionette:SetContext", {"value": "chrome"})
        count = -1
        last_error = ""
        while time.time() < deadline:
            try:
                count = remote.call("WebDriver:ExecuteScript", {"script": COUNT_SCRIPT, "args": []})["value"]
            except RuntimeError as error:
                count = -1
                last_error = str(error)[:300]
            if count >= expected:
                break
            time.sleep(1)
        if count < expected:
            fail("Firefox holds %d bookmarks, expected %d %s" % (count, expected, last_error))
        remote.call("Marionette:Quit", {"flags": ["eAttemptQuit"]})
        process.wait(timeout=120)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    dump(os.path.join(profile, "places.sqlite"))


if __name__ == "__main__":
    main()
