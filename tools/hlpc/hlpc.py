#!/usr/bin/env python3
"""hlpc: the program's help compiler. Turns the help source (plain text with light markup, see
resources/help/README in the project README) into a help file of the Windows 3.1 help format
that the system's help viewer opens.

    hlpc.py PROJECT OUTPUT [--depfile FILE]

PROJECT names the file title, the contents topic and the source files in order:

    title Tolvane Plus Help
    copyright ...
    contents contents
    source contents.txt

A source file holds topics:

    == topic_id | Title of the topic
    @context 300 325          help context numbers the program opens this topic with
    @keywords Open command; Files, opening

    A paragraph runs over lines up to a blank line. [Link text](other_topic) jumps to a topic,
    **bold** and //italic// mark words.
    ## A subheading
    - a list item (its further lines are indented)
    # a comment line

The file written is uncompressed: the internal file system (a B+ tree directory), |SYSTEM,
|TOPIC (4 KB topic blocks of topic headers and display paragraphs), |CONTEXT (topic id hashes),
|CTXOMAP (context numbers), |TTLBTREE (titles), |KWBTREE, |KWDATA and |KWMAP (keywords), |FONT.
Errors in the source are reported as FILE:LINE: message and end the run with exit code 1."""

import os
import re
import struct
import sys

# ----------------------------------------------------------------------------------------------
# Source

ID_RE = re.compile(r'^[A-Za-z][A-Za-z0-9_.]*$')


class HelpError(Exception):
    pass


class Topic:
    def __init__(self, topic_id, title, where):
        self.id = topic_id
        self.title = title
        self.where = where          # "file:line" of the topic's heading
        self.contexts = []          # (number, where)
        self.keywords = []          # (keyword, where)
        self.blocks = []            # (kind, text, where); kind: para, item, heading


class Project:
    def __init__(self):
        self.title = ''
        self.copyright = ''
        self.contents = ''
        self.topics = []


def context_hash(name):
    """The viewer's hash of a topic id (letters without case, digits, '.', '_')."""
    h = 0
    for c in name:
        if 'A' <= c <= 'Z':
            x = ord(c) - ord('A') + 17
        elif 'a' <= c <= 'z':
            x = ord(c) - ord('a') + 17
        elif '1' <= c <= '9':
            x = ord(c) - ord('0')
        elif c == '0':
            x = 10
        elif c == '.':
            x = 12
        elif c == '_':
            x = 13
        else:
            x = 0
        if x:
            h = (h * 43 + x) & 0xFFFFFFFF
    return h - (1 << 32) if h & 0x80000000 else h


def encode_text(text, where):
    try:
        data = text.encode('cp1252')
    except UnicodeEncodeError as e:
        raise HelpError('%s: character %r has no place in the help file\'s character set'
                        % (where, text[e.start]))
    if b'\0' in data:
        raise HelpError('%s: a NUL character in the text' % where)
    return data


def read_project(path):
    project = Project()
    base = os.path.dirname(os.path.abspath(path))
    sources = []
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            where = '%s:%d' % (path, number)
            line = line.strip()
            if not line or line.startswith('#'):
                continue
            key, _, value = line.partition(' ')
            value = value.strip()
            if key == 'title':
                project.title = value
            elif key == 'copyright':
                project.copyright = value
            elif key == 'contents':
                project.contents = value
            elif key == 'source':
                sources.append(os.path.join(base, value))
            else:
                raise HelpError('%s: unknown project line "%s"' % (where, key))
    if not project.title:
        raise HelpError('%s: the project names no title' % path)
    if not sources:
        raise HelpError('%s: the project names no source file' % path)
    for source in sources:
        read_source(source, project)
    if not project.topics:
        raise HelpError('%s: no topics' % path)
    if not project.contents:
        project.contents = project.topics[0].id
    return project, sources


def read_source(path, project):
    topic = None
    block = None    # [kind, lines, where] being collected

    def flush():
        nonlocal block
        if block is not None:
            topic.blocks.append((block[0], ' '.join(block[1]), block[2]))
            block = None

    try:
        with open(path, encoding='utf-8') as f:
            lines = f.read().split('\n')
    except (OSError, UnicodeDecodeError) as e:
        raise HelpError('%s: cannot be read (%s)' % (path, e))
    for number, raw in enumerate(lines, 1):
        where = '%s:%d' % (path, number)
        line = raw.rstrip()
        if line.startswith('#') and not line.startswith('##'):
            continue
        if line.startswith('=='):
            if topic is not None:
                flush()
            head = line[2:].strip()
            topic_id, bar, title = head.partition('|')
            topic_id, title = topic_id.strip(), title.strip()
            if not bar or not title:
                raise HelpError('%s: a topic starts with "== id | Title"' % where)
            if not ID_RE.match(topic_id):
                raise HelpError('%s: topic id "%s" may hold only letters, digits, "_" and "."'
                                % (where, topic_id))
            if len(title) > 127:
                raise HelpError('%s: the title is longer than 127 characters' % where)
            topic = Topic(topic_id, title, where)
            project.topics.append(topic)
            continue
        if topic is None:
            if line.strip():
                raise HelpError('%s: text before the first topic' % where)
            continue
        if line.startswith('@'):
            flush()
            key, _, value = line[1:].partition(' ')
            if key == 'context':
                for word in value.split():
                    if not word.isdigit() or int(word) > 0x7FFFFFFF:
                        raise HelpError('%s: "%s" is no context number' % (where, word))
                    topic.contexts.append((int(word), where))
            elif key == 'keywords':
                for word in value.split(';'):
                    word = ' '.join(word.split())
                    if word:
                        topic.keywords.append((word, where))
            else:
                raise HelpError('%s: unknown line "@%s"' % (where, key))
            continue
        if not line.strip():
            flush()
            continue
        if line.startswith('## '):
            flush()
            topic.blocks.append(('heading', line[3:].strip(), where))
            continue
        if line.startswith('- '):
            flush()
            block = ['item', [line[2:].strip()], where]
            continue
        if block is not None and block[0] == 'item' and raw.startswith('  '):
            block[1].append(line.strip())
            continue
        if block is not None and block[0] == 'para':
            block[1].append(line.strip())
            continue
        flush()
        block = ['para', [line.strip()], where]
    if topic is not None:
        flush()


# ----------------------------------------------------------------------------------------------
# Inline markup -> pieces: ('text', str), ('bold', bool), ('italic', bool), ('link', id, text)

INLINE_RE = re.compile(r'\\(.)|\[([^\]]+)\]\(([^)\s]+)\)|\*\*|//')


def parse_inline(text, where):
    pieces = []
    pos = 0
    bold = italic = False
    for m in INLINE_RE.finditer(text):
        if m.start() > pos:
            pieces.append(('text', text[pos:m.start()]))
        pos = m.end()
        if m.group(1) is not None:
            pieces.append(('text', m.group(1)))
        elif m.group(2) is not None:
            pieces.append(('link', m.group(3), m.group(2)))
        elif m.group(0) == '**':
            bold = not bold
            pieces.append(('bold', bold))
        else:
            italic = not italic
            pieces.append(('italic', italic))
    if pos < len(text):
        pieces.append(('text', text[pos:]))
    if bold or italic:
        raise HelpError('%s: "**" or "//" is not closed in the paragraph' % where)
    return pieces


# ----------------------------------------------------------------------------------------------
# Binary helpers

def u8(v):
    return struct.pack('<B', v)


def u16(v):
    return struct.pack('<H', v)


def i16(v):
    return struct.pack('<h', v)


def u32(v):
    return struct.pack('<I', v & 0xFFFFFFFF)


def cshort(v):
    """Compressed signed short: one byte for -64..63, else two."""
    if -64 <= v <= 63:
        return u8(0x80 + 2 * v)
    if not -16384 <= v <= 16383:
        raise ValueError('compressed short out of range')
    return u16(0x8000 + 2 * v + 1)


def cushort(v):
    if 0 <= v < 128:
        return u8(2 * v)
    if not 0 <= v < 32768:
        raise ValueError('compressed unsigned short out of range')
    return u16(2 * v + 1)


def clong(v):
    """Compressed signed long: two bytes for -16384..16383, else four."""
    if -16384 <= v <= 16383:
        return u16(0x8000 + 2 * v)
    return u32(0x80000000 + 2 * v + 1)


NIL = 0xFFFFFFFF

# ----------------------------------------------------------------------------------------------
# Fonts: (face, half points, attributes (1 bold, 2 italic), family (3 swiss))

FONTS = [
    ('Arial', 20, 0, 3),    # 0 text
    ('Arial', 20, 1, 3),    # 1 bold text
    ('Arial', 20, 2, 3),    # 2 italic text
    ('Arial', 28, 1, 3),    # 3 topic heading
    ('Arial', 22, 1, 3),    # 4 subheading
]
FONT_TEXT, FONT_BOLD, FONT_ITALIC, FONT_TITLE, FONT_HEADING = range(5)
FACE_SIZE = 32


def font_file():
    faces = []
    for face, _, _, _ in FONTS:
        if face not in faces:
            faces.append(face)
    head = u16(len(faces)) + u16(len(FONTS)) + u16(8) + u16(8 + FACE_SIZE * len(faces))
    body = b''.join(face.encode('ascii').ljust(FACE_SIZE, b'\0') for face in faces)
    for face, half_points, attributes, family in FONTS:
        body += (u8(attributes) + u8(half_points) + u8(family) + u16(faces.index(face))
                 + bytes([0, 0, 0]) + bytes([255, 255, 255]))
    return head + body


# ----------------------------------------------------------------------------------------------
# Paragraphs

# Paragraph bits: 0x02 space before, 0x04 space after, 0x10 left indent, 0x40 first-line indent
# (values in that order after the bits, as compressed shorts).
PARAGRAPH_STYLES = {
    'title': (FONT_TITLE, [(0x02, 4), (0x04, 10)]),
    'heading': (FONT_HEADING, [(0x02, 16)]),
    'para': (FONT_TEXT, [(0x02, 8)]),
    'item': (FONT_TEXT, [(0x02, 4), (0x10, 30), (0x40, -14)]),
}


class Paragraph:
    """One display record: its formatting commands (in LinkData1) and text (LinkData2)."""

    def __init__(self, kind):
        self.kind = kind
        self.font, self.spacing = PARAGRAPH_STYLES[kind]
        self.commands = b''
        self.texts = [b'']          # text before each command
        self.characters = 0
        self.links = []             # topic ids linked from here

    def text(self, data):
        self.texts[-1] += data
        self.characters += len(data)

    def command(self, data, counts=False):
        self.commands += data
        self.texts.append(b'')
        if counts:
            self.characters += 1

    def link_data(self):
        bits = 0
        values = b''
        for bit, value in self.spacing:
            bits |= bit
            values += cshort(value)
        if self.kind == 'item':
            # One tab stop at the indent: the bullet's tab leads there.
            bits |= 0x0200
            values += cshort(1) + cushort(self.spacing[1][1])
        text = b''.join(t + b'\0' for t in self.texts)
        head = (clong(len(text)) + cushort(self.characters) + bytes([0x00, 0x80, 0x00, 0x00])
                + u16(bits) + values)
        return head + self.commands, text


def build_paragraph(kind, text, where, hashes):
    paragraph = Paragraph(kind)
    paragraph.command(u8(0x80) + u16(paragraph.font))
    if kind == 'item':
        paragraph.text(b'\x95')
        paragraph.command(u8(0x83), counts=True)     # tab to the indent
    bold = italic = False

    def set_font():
        if kind != 'para' and kind != 'item':
            return
        font = FONT_BOLD if bold else FONT_ITALIC if italic else FONT_TEXT
        paragraph.command(u8(0x80) + u16(font))

    for piece in (parse_inline(text, where) if kind != 'title' else [('text', text)]):
        if piece[0] == 'text':
            paragraph.text(encode_text(piece[1], where))
        elif piece[0] == 'bold':
            bold = piece[1]
            set_font()
        elif piece[0] == 'italic':
            italic = piece[1]
            set_font()
        else:
            target = piece[1]
            if target.lower() not in hashes:
                raise HelpError('%s: the link goes to "%s", which is no topic' % (where, target))
            paragraph.links.append(target)
            paragraph.command(u8(0xE3) + u32(context_hash(target)))
            paragraph.text(encode_text(piece[2], where))
            paragraph.command(u8(0x89))
    paragraph.command(u8(0x82), counts=True)
    paragraph.commands += u8(0xFF)
    if paragraph.characters >= 32768:
        raise HelpError('%s: the paragraph is too long' % where)
    return paragraph


# ----------------------------------------------------------------------------------------------
# |TOPIC

BLOCK_SIZE = 4096
BLOCK_DATA = BLOCK_SIZE - 12
LINK_HEADER = 21


def topic_pos(p):
    """Position in the topic data stream -> TOPICPOS (block * 0x4000 + offset in the block)."""
    return (p // BLOCK_DATA) * 0x4000 + 12 + p % BLOCK_DATA


class Record:
    def __init__(self, kind, data1, data2, topic_index, characters=0):
        self.kind = kind
        self.data1 = data1      # LinkData1 (filled in later for topic headers)
        self.data2 = data2
        self.topic = topic_index
        self.characters = characters
        self.pos = 0

    def size(self):
        return LINK_HEADER + len(self.data1) + len(self.data2)


def build_topics(project):
    hashes = {}
    for topic in project.topics:
        key = topic.id.lower()
        if key in hashes:
            raise HelpError('%s: topic id "%s" is used twice' % (topic.where, topic.id))
        h = context_hash(topic.id)
        for other, other_hash in hashes.items():
            if other_hash == h:
                raise HelpError('%s: topic id "%s" has the same hash as "%s"' % (topic.where, topic.id, other))
        hashes[key] = h
    if project.contents.lower() not in hashes:
        raise HelpError('the contents topic "%s" is no topic' % project.contents)

    records = []
    for index, topic in enumerate(project.topics):
        records.append(Record(2, b'\0' * 28, encode_text(topic.title, topic.where) + b'\0', index))
        paragraphs = [build_paragraph('title', topic.title, topic.where, hashes)]
        for kind, text, where in topic.blocks:
            paragraphs.append(build_paragraph(kind, text, where, hashes))
        for paragraph in paragraphs:
            data1, data2 = paragraph.link_data()
            records.append(Record(0x20, data1, data2, index, paragraph.characters))

    # Places in the stream: a record's 21-byte header never straddles two blocks.
    p = 0
    for record in records:
        room = BLOCK_DATA - p % BLOCK_DATA
        if room < LINK_HEADER:
            p += room
        record.pos = p
        p += record.size()
    total = p

    # Topic offsets: block * 0x8000 + characters of the paragraphs that start earlier in the block.
    offsets = [0] * len(project.topics)
    block = -1
    count = 0
    for record in records:
        b = record.pos // BLOCK_DATA
        if b != block:
            block, count = b, 0
        if record.kind == 2:
            offsets[record.topic] = b * 0x8000 + count
        else:
            count += record.characters

    headers = [r for r in records if r.kind == 2]
    for i, header in enumerate(headers):
        members = [r for r in records if r.topic == header.topic]
        first_display = next(r for r in members if r.kind == 0x20)
        next_header = topic_pos(headers[i + 1].pos) if i + 1 < len(headers) else NIL
        header.data1 = (u32(sum(r.size() for r in members)) + u32(NIL) + u32(NIL) + u32(i)
                        + u32(NIL) + u32(topic_pos(first_display.pos)) + u32(next_header))

    stream = bytearray(total)
    for i, record in enumerate(records):
        prev_pos = topic_pos(records[i - 1].pos) if i > 0 else NIL
        next_pos = topic_pos(records[i + 1].pos) if i + 1 < len(records) else NIL
        data = (u32(record.size()) + u32(len(record.data2)) + u32(prev_pos) + u32(next_pos)
                + u32(LINK_HEADER + len(record.data1)) + u8(record.kind) + record.data1 + record.data2)
        stream[record.pos:record.pos + len(data)] = data

    blocks = (total + BLOCK_DATA - 1) // BLOCK_DATA
    out = bytearray()
    for b in range(blocks):
        start, end = b * BLOCK_DATA, (b + 1) * BLOCK_DATA
        before = [r for r in records if r.pos < start]
        inside = [r for r in records if start <= r.pos < end]
        last_link = topic_pos(before[-1].pos) if before else NIL
        first_link = topic_pos(inside[0].pos) if inside else NIL
        header_before = [r for r in before if r.kind == 2]
        last_header = topic_pos(header_before[-1].pos) if header_before else NIL
        out += u32(last_link) + u32(first_link) + u32(last_header)
        out += bytes(stream[start:end]).ljust(BLOCK_DATA, b'\0')
    return bytes(out), offsets, hashes


# ----------------------------------------------------------------------------------------------
# B+ trees

BTREE_MAGIC = 0x293B


def btree(entries, page_size, structure, directory=False):
    """entries: sorted list of (key bytes, leaf data bytes); returns (tree bytes, leaf pages
    as lists of entry indexes)."""
    leaves = [[]]
    used = 8
    for i, (key, data) in enumerate(entries):
        size = len(key) + len(data)
        if size + 8 > page_size:
            raise HelpError('an entry does not fit a B+ tree page')
        if used + size > page_size and leaves[-1]:
            leaves.append([])
            used = 8
        leaves[-1].append(i)
        used += size
    pages = []
    for n, leaf in enumerate(leaves):
        body = b''.join(entries[i][0] + entries[i][1] for i in leaf)
        prev_page = n - 1 if n > 0 else -1
        next_page = n + 1 if n + 1 < len(leaves) else -1
        head = u16(page_size - 8 - len(body)) + i16(len(leaf)) + i16(prev_page) + i16(next_page)
        pages.append(head + body)
    # Index levels: each child after the first is named by its first key.
    level = [(n, entries[leaf[0]][0] if leaf else b'') for n, leaf in enumerate(leaves)]
    levels = 1
    while len(level) > 1:
        upper = []
        group = []
        used = 6
        for child in level:
            size = len(child[1]) + 2
            if group and used + size > page_size:
                upper.append(group)
                group = []
                used = 6
            group.append(child)
            if len(group) > 1:
                used += size
        upper.append(group)
        next_level = []
        for group in upper:
            body = b''.join(key + u16(page) for page, key in group[1:])
            head = u16(page_size - 6 - len(body)) + i16(len(group) - 1) + i16(group[0][0])
            next_level.append((len(pages), group[0][1]))
            pages.append(head + body)
        level = next_level
        levels += 1
    root = level[0][0]
    flags = 0x0002 | (0x0400 if directory else 0)
    header = (u16(BTREE_MAGIC) + u16(flags) + u16(page_size) + structure.encode('ascii').ljust(16, b'\0')
              + i16(0) + i16(len(pages) - 1) + i16(root) + i16(-1) + i16(len(pages)) + i16(levels)
              + u32(len(entries)))
    return header + b''.join(p.ljust(page_size, b'\0') for p in pages), leaves


# ----------------------------------------------------------------------------------------------
# The file

def system_file(project, contents_offset):
    title = encode_text(project.title, 'title') + b'\0'
    records = u16(1) + u16(len(title)) + title
    if project.copyright:
        text = encode_text(project.copyright, 'copyright') + b'\0'
        records += u16(2) + u16(len(text)) + text
    records += u16(3) + u16(4) + u32(contents_offset)
    # The main window: type, name and caption given (flags 1, 2, 4), the rest the viewer's own.
    caption = encode_text(project.title, 'title')[:50]
    window = (u16(0x0007) + b'primary'.ljust(10, b'\0') + b'main'.ljust(9, b'\0') + caption.ljust(51, b'\0')
              + u16(0) * 5 + u32(0xFFFFFF) + u32(0xFFFFFF))
    records += u16(6) + u16(len(window)) + window
    # Magic, version 3.21 (minor 21, major 1), a fixed date (the file is the same for the same
    # source), flags 0: topic blocks of 4 KB, not compressed.
    return u16(0x036C) + u16(21) + u16(1) + u32(0) + u16(0) + records


def keyword_key(word):
    return (word.lower(), word)


def compile_project(project, page_size=0x800):
    topic_data, offsets, hashes = build_topics(project)
    by_id = {t.id.lower(): i for i, t in enumerate(project.topics)}
    files = {}
    files['|SYSTEM'] = system_file(project, offsets[by_id[project.contents.lower()]])
    files['|TOPIC'] = topic_data
    files['|FONT'] = font_file()

    context = sorted((hashes[t.id.lower()], offsets[i]) for i, t in enumerate(project.topics))
    files['|CONTEXT'] = btree([(struct.pack('<i', h), u32(o)) for h, o in context], page_size, 'L4')[0]

    numbers = {}
    for i, topic in enumerate(project.topics):
        for number, where in topic.contexts:
            if number in numbers:
                raise HelpError('%s: context %d already opens topic "%s"'
                                % (where, number, project.topics[numbers[number]].id))
            numbers[number] = i
    if len(numbers) > 0xFFFF:
        raise HelpError('too many context numbers')
    files['|CTXOMAP'] = u16(len(numbers)) + b''.join(
        u32(n) + u32(offsets[numbers[n]]) for n in sorted(numbers))

    titles = sorted((offsets[i], t.title) for i, t in enumerate(project.topics))
    files['|TTLBTREE'] = btree([(u32(o), encode_text(title, 'title') + b'\0') for o, title in titles],
                               page_size, 'Lz')[0]

    keywords = {}
    for i, topic in enumerate(project.topics):
        for word, where in topic.keywords:
            key = word.lower()
            if key in keywords:
                raise HelpError('%s: keyword "%s" already leads to topic "%s" (a keyword names one '
                                'topic: use "word, topic" forms)' % (where, word, project.topics[keywords[key][1]].id))
            keywords[key] = (word, i, where)
    words = sorted(keywords.values(), key=lambda k: keyword_key(k[0]))
    kwdata = b''.join(u32(offsets[i]) for _, i, _ in words)
    tree, leaves = btree([(encode_text(w, where) + b'\0', u16(1) + u32(4 * n))
                          for n, (w, _, where) in enumerate(words)], page_size, 'F24')
    files['|KWBTREE'] = tree
    files['|KWDATA'] = kwdata
    files['|KWMAP'] = u16(len(leaves)) + b''.join(
        u32(leaf[0] if leaf else 0) + u16(page) for page, leaf in enumerate(leaves))
    return assemble(files, page_size)


def assemble(files, page_size=0x800):
    out = bytearray(16)
    places = {}
    for name in sorted(files):
        data = files[name]
        places[name] = len(out)
        out += u32(len(data) + 9) + u32(len(data)) + u8(4) + data
    directory = btree([(name.encode('ascii') + b'\0', u32(places[name])) for name in sorted(files)],
                      min(page_size, 0x400), 'z4', directory=True)[0]
    directory_start = len(out)
    out += u32(len(directory) + 9) + u32(len(directory)) + u8(4) + directory
    out[0:16] = u32(0x00035F3F) + u32(directory_start) + u32(NIL) + u32(len(out))
    return bytes(out)


def main(argv):
    args = argv[1:]
    depfile = None
    if '--depfile' in args:
        i = args.index('--depfile')
        depfile = args[i + 1]
        del args[i:i + 2]
    if len(args) != 2:
        sys.stderr.write(__doc__.split('\n\n')[1] + '\n')
        return 2
    project_path, output = args
    try:
        project, sources = read_project(project_path)
        data = compile_project(project)
    except HelpError as e:
        sys.stderr.write('hlpc: %s\n' % e)
        return 1
    tmp = output + '.tmp'
    with open(tmp, 'wb') as f:
        f.write(data)
    os.replace(tmp, output)
    if depfile:
        with open(depfile, 'w') as f:
            f.write('%s: %s\n' % (output.replace(' ', '\\ '),
                                  ' '.join(s.replace(' ', '\\ ') for s in [project_path] + sources)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
