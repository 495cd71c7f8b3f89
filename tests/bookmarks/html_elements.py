#!/usr/bin/env python3
"""Reads an HTML file with Python's own HTML parser and prints what a browser would build from it:
one line "TAG name" per start tag and one line "LINK href<TAB>text" per anchor with an address,
with the text the parser decoded (characters outside printable ASCII as \\x{...})."""
import sys
from html.parser import HTMLParser


def printable(text):
    return "".join(c if 32 <= ord(c) < 127 else "\\x{%x}" % ord(c) for c in text)


class Elements(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.lines = []
        self.anchor = None

    def handle_starttag(self, tag, attrs):
        self.lines.append("TAG " + tag)
        if tag == "a":
            self.finish_anchor()
            href = dict(attrs).get("href")
            if href is not None:
                self.anchor = [href, ""]

    def handle_endtag(self, tag):
        if tag == "a":
            self.finish_anchor()

    def handle_data(self, data):
        if self.anchor is not None:
            self.anchor[1] += data

    def finish_anchor(self):
        if self.anchor is not None:
            href, text = self.anchor
            self.lines.append("LINK " + printable(href) + "\t" + printable(text))
            self.anchor = None


def main():
    with open(sys.argv[1], encoding="latin-1") as f:
        parser = Elements()
        parser.feed(f.read())
        parser.close()
        parser.finish_anchor()
    sys.stdout.write("\n".join(parser.lines) + "\n")


if __name__ == "__main__":
    main()
