#!/usr/bin/env python3
"""hlpread: reads a help file of the Windows 3.1 help format and checks its structure as it goes
(it shares no code with the compiler, so the compiler's tests compare two readings of the format).

    hlpread.py FILE            prints the internal files, the topics with their offsets and
                               contexts, and the keywords

Every inconsistency found raises FormatError."""

import struct
import sys


class FormatError(Exception):
    pass


def check(condition, message):
    if not condition:
        raise FormatError(message)


class Reader:
    def __init__(self, data):
        self.data = data
        check(len(data) >= 16, 'file shorter than its header')
        magic, self.directory_start, first_free, size = struct.unpack_from('<IiiI', data, 0)
        check(magic == 0x00035F3F, 'wrong magic %08x' % magic)
        check(size == len(data), 'header size %d, file size %d' % (size, len(data)))
        check(first_free == -1, 'free block list %d in a fresh file' % first_free)
        directory = self.internal_at(self.directory_start)
        tree = BTree(directory, 'directory')
        check(tree.flags & 0x0400, 'directory tree without its flag')
        self.files = {}
        for key, value in tree.entries(lambda b, p: cstring(b, p), lambda b, p: (b[p:p + 4], p + 4)):
            offset = struct.unpack('<I', value)[0]
            self.files[key.decode('ascii')] = self.internal_at(offset)
        names = list(self.files)
        check(names == sorted(names, key=lambda n: n.encode('ascii')), 'directory not in order')
        self.tree = tree

    def internal_at(self, offset):
        check(16 <= offset <= len(self.data) - 9, 'internal file at %d outside the file' % offset)
        reserved, used, flags = struct.unpack_from('<IIB', self.data, offset)
        check(reserved >= used + 9, 'internal file at %d: reserved %d < used %d + 9' % (offset, reserved, used))
        check(offset + reserved <= len(self.data), 'internal file at %d runs past the end' % offset)
        return self.data[offset + 9:offset + 9 + used]

    def file(self, name):
        check(name in self.files, 'no internal file %s' % name)
        return self.files[name]


def cstring(buf, pos):
    end = buf.find(b'\0', pos)
    check(end >= 0, 'string without its end at %d' % pos)
    return buf[pos:end], end + 1


class BTree:
    """A B+ tree internal file: header, then pages (leaf pages and index pages)."""

    def __init__(self, buf, name):
        check(len(buf) >= 38, '%s: shorter than a B+ tree header' % name)
        (magic, self.flags, self.page_size) = struct.unpack_from('<HHH', buf, 0)
        self.structure = buf[6:22].split(b'\0')[0].decode('ascii', 'replace')
        (zero, splits, self.root, neg_one, self.total_pages, self.levels,
         self.count) = struct.unpack_from('<hhhhhhi', buf, 22)
        check(magic == 0x293B, '%s: B+ tree magic %04x' % (name, magic))
        check(neg_one == -1 and zero == 0, '%s: fixed header fields wrong' % name)
        check(self.page_size >= 64, '%s: page size %d' % (name, self.page_size))
        check(len(buf) == 38 + self.total_pages * self.page_size,
              '%s: %d pages of %d bytes do not make %d bytes' % (name, self.total_pages, self.page_size, len(buf) - 38))
        check(0 <= self.root < self.total_pages, '%s: root page %d' % (name, self.root))
        check(self.levels >= 1, '%s: %d levels' % (name, self.levels))
        self.buf = buf
        self.name = name

    def page(self, n):
        check(0 <= n < self.total_pages, '%s: page %d does not exist' % (self.name, n))
        return self.buf[38 + n * self.page_size:38 + (n + 1) * self.page_size]

    def entries(self, read_key, read_value, compare=None):
        """Walks the whole tree from the root; checks page links, free space and order, and
        that every index key is the first key below it. Returns [(key, value)]."""
        out = []
        leaves = []

        def walk(n, level, low_key):
            page = self.page(n)
            unused, count = struct.unpack_from('<Hh', page, 0)
            if level == 1:
                prev_page, next_page = struct.unpack_from('<hh', page, 4)
                pos = 8
                first = None
                for _ in range(count):
                    key, pos = read_key(page, pos)
                    value, pos = read_value(page, pos)
                    if first is None:
                        first = key
                    out.append((key, value))
                check(unused == self.page_size - pos, '%s: page %d says %d bytes unused, %d are'
                      % (self.name, n, unused, self.page_size - pos))
                leaves.append((n, prev_page, next_page))
                return first
            first_child = struct.unpack_from('<h', page, 4)[0]
            pos = 6
            children = [(first_child, None)]
            for _ in range(count):
                key, pos = read_key(page, pos)
                child = struct.unpack_from('<h', page, pos)[0]
                pos += 2
                children.append((child, key))
            check(unused == self.page_size - pos, '%s: index page %d free space' % (self.name, n))
            first = None
            for child, key in children:
                below = walk(child, level - 1, key)
                if key is not None:
                    check(below == key, '%s: index key of page %d is not its first key' % (self.name, child))
                if first is None:
                    first = below
            return first

        walk(self.root, self.levels, None)
        check(len(out) == self.count, '%s: %d entries, header says %d' % (self.name, len(out), self.count))
        for i, (n, prev_page, next_page) in enumerate(leaves):
            check(prev_page == (leaves[i - 1][0] if i > 0 else -1), '%s: leaf %d previous link' % (self.name, n))
            check(next_page == (leaves[i + 1][0] if i + 1 < len(leaves) else -1), '%s: leaf %d next link' % (self.name, n))
        if compare:
            for a, b in zip(out, out[1:]):
                check(compare(a[0], b[0]) < 0, '%s: keys out of order' % self.name)
        self.leaf_pages = [n for n, _, _ in leaves]
        return out

    def search(self, key, read_key, read_value, compare):
        """Looks a key up as the viewer does: down the index pages, then along one leaf."""
        n = self.root
        for _ in range(self.levels - 1):
            page = self.page(n)
            count = struct.unpack_from('<h', page, 2)[0]
            child = struct.unpack_from('<h', page, 4)[0]
            pos = 6
            for _ in range(count):
                k, pos = read_key(page, pos)
                if compare(k, key) > 0:
                    break
                child = struct.unpack_from('<h', page, pos)[0]
                pos += 2
            n = child
        page = self.page(n)
        count = struct.unpack_from('<h', page, 2)[0]
        pos = 8
        for _ in range(count):
            k, pos = read_key(page, pos)
            v, pos = read_value(page, pos)
            if compare(k, key) == 0:
                return v
        return None


def viewer_hash(name):
    h = 0
    for ch in name.upper():
        if ch.isalpha() and 'A' <= ch <= 'Z':
            x = ord(ch) - 64 + 16
        elif ch == '0':
            x = 10
        elif '1' <= ch <= '9':
            x = int(ch)
        else:
            x = {'.': 12, '_': 13}.get(ch, 0)
        if x:
            h = (h * 43 + x) % (1 << 32)
    return struct.unpack('<i', struct.pack('<I', h))[0]


def fetch(buf, pos, kind):
    """Compressed numbers: kind 'l' (signed long), 'L' (unsigned), 's', 'S'."""
    b = buf[pos]
    if kind in 'lL':
        if b & 1:
            v = struct.unpack_from('<I', buf, pos)[0]
            return ((v - 0x80000000) // 2 if kind == 'l' else v // 2), pos + 4
        v = struct.unpack_from('<H', buf, pos)[0]
        return ((v - 0x8000) // 2 if kind == 'l' else v // 2), pos + 2
    if b & 1:
        v = struct.unpack_from('<H', buf, pos)[0]
        return ((v - 0x8000) // 2 if kind == 's' else v // 2), pos + 2
    return ((b - 0x80) // 2 if kind == 's' else b // 2), pos + 1


class HelpFile:
    def __init__(self, data):
        self.reader = Reader(data)
        self.read_system()
        self.read_fonts()
        self.read_topics()
        self.read_maps()

    def read_system(self):
        buf = self.reader.file('|SYSTEM')
        magic, minor, major, date, self.flags = struct.unpack_from('<HHHIH', buf, 0)
        check(magic == 0x036C and major == 1 and minor > 16, '|SYSTEM header %04x %d.%d' % (magic, major, minor))
        check(self.flags == 0, '|SYSTEM: only uncompressed 4 KB topic blocks are read')
        self.title = None
        self.contents = None
        self.windows = {}
        pos = 12
        while pos < len(buf):
            kind, size = struct.unpack_from('<HH', buf, pos)
            check(pos + 4 + size <= len(buf), '|SYSTEM record %d runs past the end' % kind)
            data = buf[pos + 4:pos + 4 + size]
            if kind == 1:
                check(data.endswith(b'\0'), '|SYSTEM title without its end')
                self.title = data[:-1].decode('cp1252')
            elif kind == 6:
                check(size == 90, '|SYSTEM window record size %d' % size)
                name = data[12:21].split(b'\0')[0].decode('cp1252')
                self.windows[name] = data[21:72].split(b'\0')[0].decode('cp1252')
            elif kind == 3:
                check(size == 4, '|SYSTEM contents record size')
                self.contents = struct.unpack('<I', data)[0]
            pos += 4 + size
        check(self.title is not None, '|SYSTEM without a title')

    def read_fonts(self):
        buf = self.reader.file('|FONT')
        faces, count, face_offset, desc_offset = struct.unpack_from('<HHHH', buf, 0)
        check(faces > 0 and face_offset == 8, '|FONT header')
        size = (desc_offset - face_offset) // faces
        check(desc_offset + 11 * count == len(buf), '|FONT size')
        names = [buf[face_offset + i * size:face_offset + (i + 1) * size].split(b'\0')[0].decode('ascii')
                 for i in range(faces)]
        self.fonts = []
        for i in range(count):
            attributes, half_points, family, face = struct.unpack_from('<BBBH', buf, desc_offset + 11 * i)
            check(face < faces, '|FONT descriptor %d names face %d' % (i, face))
            self.fonts.append((names[face], half_points, attributes))

    def read_topics(self):
        buf = self.reader.file('|TOPIC')
        check(len(buf) % 4096 == 0 and buf, '|TOPIC is not made of whole 4 KB blocks')
        blocks = len(buf) // 4096
        stream = b''.join(buf[b * 4096 + 12:(b + 1) * 4096] for b in range(blocks))
        block_heads = [struct.unpack_from('<III', buf, b * 4096) for b in range(blocks)]

        def where(topic_pos):
            block, offset = topic_pos >> 14, topic_pos & 0x3FFF
            check(block < blocks and 12 <= offset < 4096, 'TOPICPOS %08x outside |TOPIC' % topic_pos)
            return block * 4084 + offset - 12

        self.topics = []
        links = []
        pos = 12
        previous = 0xFFFFFFFF
        block = -1
        characters = 0
        seen = set()
        records = []
        while pos != 0xFFFFFFFF:
            check(pos not in seen, 'topic links run in a circle')
            seen.add(pos)
            p = where(pos)
            check(p + 21 <= len(stream), 'topic link at %08x cut off' % pos)
            size, len2, prev, nxt, len1, kind = struct.unpack_from('<IIIIIB', stream, p)
            check(len1 >= 21 and size >= len1 and p + size <= len(stream), 'topic link at %08x sizes' % pos)
            check(prev == previous, 'topic link at %08x: previous link %08x, expected %08x' % (pos, prev, previous))
            check(len2 == size - len1, 'topic link at %08x: text stored compressed' % pos)
            data1 = stream[p + 21:p + len1]
            data2 = stream[p + len1:p + size]
            b = p // 4084
            if b != block:
                block, characters = b, 0
            records.append((pos, kind))
            if kind == 2:
                check(len(data1) == 28, 'topic header size')
                (topic_size, back, fwd, number, non_scroll, scroll, next_topic) = struct.unpack('<IIIIIII', data1)
                check(number == len(self.topics), 'topic number %d, expected %d' % (number, len(self.topics)))
                title = data2.split(b'\0')[0].decode('cp1252')
                if self.topics:
                    check(self.topics[-1]['next_topic'] == pos, 'topic %d: next-topic link' % (number - 1))
                self.topics.append({'title': title, 'offset': b * 0x8000 + characters, 'pos': pos,
                                    'scroll': scroll, 'next_topic': next_topic, 'paragraphs': [],
                                    'links': [], 'size': topic_size, 'counted': 0})
            elif kind == 0x20:
                check(self.topics, 'a paragraph before the first topic')
                text, count, hashes = self.paragraph(data1, data2, pos)
                characters += count
                topic = self.topics[-1]
                if not topic['paragraphs']:
                    check(topic['scroll'] == pos, 'topic "%s": scrolling region' % topic['title'])
                topic['paragraphs'].append(text)
                topic['links'] += hashes
            else:
                raise FormatError('topic link at %08x of kind %02x' % (pos, kind))
            self.topics[-1]['counted'] += size
            previous = pos
            pos = nxt
        check(self.topics and self.topics[-1]['next_topic'] == 0xFFFFFFFF, 'last topic links on')
        for topic in self.topics:
            check(topic['size'] == topic['counted'], 'topic "%s": size %d, links hold %d'
                  % (topic['title'], topic['size'], topic['counted']))
        # Block headers: last link before the block, first link in it, last topic header before it.
        for b, (last_link, first_link, last_header) in enumerate(block_heads):
            before = [r for r in records if where(r[0]) < b * 4084]
            inside = [r for r in records if b * 4084 <= where(r[0]) < (b + 1) * 4084]
            check(last_link == (before[-1][0] if before else 0xFFFFFFFF), 'block %d: last link' % b)
            check(first_link == (inside[0][0] if inside else 0xFFFFFFFF), 'block %d: first link' % b)
            heads = [r for r in before if r[1] == 2]
            check(last_header == (heads[-1][0] if heads else 0xFFFFFFFF), 'block %d: last topic header' % b)
        self.by_offset = {t['offset']: t for t in self.topics}

    def paragraph(self, data1, data2, pos):
        """Returns (plain text, character count, link hashes) of one display paragraph."""
        text_size, p = fetch(data1, 0, 'l')
        count, p = fetch(data1, p, 'S')
        check(text_size == len(data2), 'paragraph at %08x: text size' % pos)
        p += 4
        bits = struct.unpack_from('<H', data1, p)[0]
        p += 2
        for bit in (0x02, 0x04, 0x08, 0x10, 0x20, 0x40):
            if bits & bit:
                _, p = fetch(data1, p, 's')
        check(not bits & 0x0101, 'paragraph at %08x: unexpected bits %04x' % (pos, bits))
        if bits & 0x0200:
            stops, p = fetch(data1, p, 's')
            for _ in range(stops):
                stop, p = fetch(data1, p, 'S')
                if stop & 0x4000:
                    _, p = fetch(data1, p, 'S')
        texts = data2.split(b'\0')
        check(texts[-1] == b'', 'paragraph at %08x: text without its end' % pos)
        out = ''
        counted = 0
        hashes = []
        in_link = False
        for i, t in enumerate(texts[:-1]):
            out += t.decode('cp1252')
            counted += len(t)
            check(p < len(data1), 'paragraph at %08x: commands end early' % pos)
            c = data1[p]
            if c == 0xFF:
                check(p + 1 == len(data1) and i == len(texts) - 2, 'paragraph at %08x: data after the end' % pos)
                p += 1
                break
            if c == 0x80:
                font = struct.unpack_from('<H', data1, p + 1)[0]
                check(font < len(self.fonts), 'paragraph at %08x: font %d' % (pos, font))
                p += 3
            elif c in (0x81, 0x82, 0x83):
                out += {0x81: '\n', 0x82: '\n', 0x83: '\t'}[c]
                counted += 1
                p += 1
            elif c in (0xE2, 0xE3):
                check(not in_link, 'paragraph at %08x: link inside a link' % pos)
                hashes.append(struct.unpack_from('<i', data1, p + 1)[0])
                in_link = True
                p += 5
            elif c == 0x89:
                check(in_link, 'paragraph at %08x: link end without a link' % pos)
                in_link = False
                p += 1
            else:
                raise FormatError('paragraph at %08x: command %02x' % (pos, c))
        check(p == len(data1), 'paragraph at %08x: commands and texts disagree' % pos)
        check(not in_link, 'paragraph at %08x: open link' % pos)
        check(counted == count, 'paragraph at %08x: %d characters, says %d' % (pos, counted, count))
        return out, count, hashes

    def read_maps(self):
        def read_u32(b, p):
            return b[p:p + 4], p + 4

        def signed(a, b):
            x, y = struct.unpack('<i', a)[0], struct.unpack('<i', b)[0]
            return (x > y) - (x < y)

        def unsigned(a, b):
            x, y = struct.unpack('<I', a)[0], struct.unpack('<I', b)[0]
            return (x > y) - (x < y)

        self.context_tree = BTree(self.reader.file('|CONTEXT'), '|CONTEXT')
        self.context = {}
        for key, value in self.context_tree.entries(read_u32, read_u32, signed):
            offset = struct.unpack('<I', value)[0]
            check(offset in self.by_offset, '|CONTEXT: offset %08x is no topic' % offset)
            self.context[struct.unpack('<i', key)[0]] = offset

        buf = self.reader.file('|CTXOMAP')
        count = struct.unpack_from('<H', buf, 0)[0]
        check(len(buf) == 2 + 8 * count, '|CTXOMAP size')
        self.map = {}
        for i in range(count):
            number, offset = struct.unpack_from('<II', buf, 2 + 8 * i)
            check(number not in self.map, '|CTXOMAP: context %d twice' % number)
            check(offset in self.by_offset, '|CTXOMAP: context %d at %08x, no topic' % (number, offset))
            self.map[number] = offset

        tree = BTree(self.reader.file('|TTLBTREE'), '|TTLBTREE')
        titles = tree.entries(read_u32, cstring, unsigned)
        check(len(titles) == len(self.topics), '|TTLBTREE: %d titles for %d topics' % (len(titles), len(self.topics)))
        for key, title in titles:
            offset = struct.unpack('<I', key)[0]
            check(offset in self.by_offset and self.by_offset[offset]['title'] == title.decode('cp1252'),
                  '|TTLBTREE: title at %08x' % offset)

        kwdata = self.reader.file('|KWDATA')
        check(len(kwdata) % 4 == 0, '|KWDATA size')

        def read_kw(b, p):
            count, offset = struct.unpack_from('<HI', b, p)
            return (count, offset), p + 6

        def nocase(a, b):
            x, y = a.lower(), b.lower()
            return (x > y) - (x < y)

        self.keyword_tree = BTree(self.reader.file('|KWBTREE'), '|KWBTREE')
        self.keywords = {}
        for word, (count, offset) in self.keyword_tree.entries(cstring, read_kw, nocase):
            check(offset + 4 * count <= len(kwdata), '|KWBTREE: "%s" past |KWDATA' % word)
            targets = [struct.unpack_from('<I', kwdata, offset + 4 * i)[0] for i in range(count)]
            for t in targets:
                check(t in self.by_offset, '|KWDATA: keyword "%s" at %08x, no topic' % (word, t))
            self.keywords[word.decode('cp1252')] = targets
        kwmap = self.reader.file('|KWMAP')
        leaves = self.keyword_tree.leaf_pages
        count = struct.unpack_from('<H', kwmap, 0)[0]
        check(count == len(leaves) and len(kwmap) == 2 + 6 * count, '|KWMAP size')
        first = 0
        for i in range(count):
            rec, page = struct.unpack_from('<IH', kwmap, 2 + 6 * i)
            check(page == leaves[i] and rec == first, '|KWMAP entry %d' % i)
            first += struct.unpack_from('<h', self.keyword_tree.page(page), 2)[0]

        for topic in self.topics:
            for h in topic['links']:
                check(h in self.context, 'topic "%s": link to hash %d, which is no topic' % (topic['title'], h))

    # Look-ups as the viewer makes them.
    def topic_by_context(self, number):
        offset = self.map.get(number)
        return self.by_offset[offset] if offset is not None else None

    def topic_by_hash(self, h):
        def read_u32(b, p):
            return b[p:p + 4], p + 4

        def signed(a, b):
            x, y = struct.unpack('<i', a)[0], struct.unpack('<i', b)[0]
            return (x > y) - (x < y)
        value = self.context_tree.search(struct.pack('<i', h), read_u32, read_u32, signed)
        return self.by_offset[struct.unpack('<I', value)[0]] if value is not None else None

    def contents_topic(self):
        return self.by_offset.get(self.contents)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__.split('\n\n')[1] + '\n')
        return 2
    with open(argv[1], 'rb') as f:
        data = f.read()
    try:
        hlp = HelpFile(data)
    except FormatError as e:
        print('hlpread: %s' % e)
        return 1
    print('title: %s' % hlp.title)
    for name, buf in hlp.reader.files.items():
        print('file %-10s %7d bytes' % (name, len(buf)))
    contexts = {}
    for number, offset in hlp.map.items():
        contexts.setdefault(offset, []).append(number)
    for topic in hlp.topics:
        print('%08x %-40s %s' % (topic['offset'], topic['title'],
                                 ' '.join(str(n) for n in sorted(contexts.get(topic['offset'], [])))))
    for word, targets in sorted(hlp.keywords.items(), key=lambda kv: kv[0].lower()):
        print('keyword %-40s -> %s' % (word, ', '.join(hlp.by_offset[t]['title'] for t in targets)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
