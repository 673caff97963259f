#!/usr/bin/env python3
"""Compiles the product's help source into a WinHelp 3.1 file.

    helpc.py SOURCE -o OUTPUT

The source is UTF-8 text, one line at a time:

    # comment                      ignored (only at the start of a line)
    @title Tazmor Help             the file's title (before the first topic)
    @copyright text                optional, before the first topic
    @topic Setup options           starts a topic with this title; the first
                                   topic is the contents topic
    @number 4288                   optional: context number (HELP_CONTEXT)
    @name IDH_SETUP                optional: context name, target of jumps;
                                   letters, digits, '.' and '_'
    @keywords a; b; c              optional: index entries, ';'-separated

The directives of a topic come before its text. Text lines form paragraphs;
a blank line ends one. A line that starts with "== " is a heading, one that
starts with "* " begins a list item. Within a line, {text|NAME} is a jump to
the topic named NAME; "{{" and "}}" stand for literal braces.
A heading or list item line always starts a new paragraph, so list items
need no blank lines between them.

The output depends on nothing but the source (the file date is taken from
SOURCE_DATE_EPOCH when set, else 0), so two runs give identical bytes. A
source that cannot be compiled is rejected with "SOURCE:LINE: message" and no
output file is written.
"""

import os
import re
import struct
import sys

# --- Source -------------------------------------------------------------------

TEXT_CODEPAGE = "cp1252"
NAME_PATTERN = re.compile(r"[0-9A-Za-z._]+\Z")
MAX_CONTEXT_NUMBER = 0x7FFFFFFF
BULLET = "\u2022 "
# Titles stay short enough that a topic's header and heading share a block.
MAX_TITLE_CHARS = 255


class SourceError(Exception):
    def __init__(self, line, message):
        super().__init__(message)
        self.line = line
        self.message = message


class Jump:
    def __init__(self, text, target, line):
        self.text = text
        self.target = target
        self.line = line


class Paragraph:
    """A run of text pieces (str) and jumps (Jump); kind is text, heading or item."""

    def __init__(self, kind, line):
        self.kind = kind
        self.line = line
        self.pieces = []


class Topic:
    def __init__(self, title, line):
        self.title = title
        self.line = line
        self.number = None
        self.name = None
        self.keywords = []
        self.paragraphs = []


class HelpSource:
    def __init__(self):
        self.title = ""
        self.copyright = ""
        self.topics = []


def encode_text(text, line):
    """The viewer reads ANSI text; a character outside code page 1252 or a NUL
    has no place in it."""
    if "\0" in text:
        raise SourceError(line, "NUL character in text")
    try:
        return text.encode(TEXT_CODEPAGE)
    except UnicodeEncodeError as error:
        raise SourceError(line, "character %r has no code page 1252 form"
                          % text[error.start]) from None


def parse_inline(text, line):
    """Splits one line of paragraph text into strings and jumps."""
    pieces = []
    plain = []
    i = 0
    while i < len(text):
        c = text[i]
        if text.startswith("{{", i) or text.startswith("}}", i):
            plain.append(c)
            i += 2
        elif c == "}":
            raise SourceError(line, "'}' without a jump; write '}}' for a brace")
        elif c == "{":
            end = text.find("}", i + 1)
            if end < 0:
                raise SourceError(line, "jump not closed on this line")
            body = text[i + 1:end]
            if "{" in body:
                raise SourceError(line, "'{' inside a jump")
            if "|" not in body:
                raise SourceError(line, "jump without '|': write {text|NAME}")
            label, target = body.rsplit("|", 1)
            label = label.strip()
            target = target.strip()
            if not label:
                raise SourceError(line, "jump without text")
            if not NAME_PATTERN.match(target):
                raise SourceError(line, "bad context name %r in jump" % target)
            if plain:
                pieces.append("".join(plain))
                plain = []
            pieces.append(Jump(label, target, line))
            i = end + 1
        else:
            plain.append(c)
            i += 1
    if plain:
        pieces.append("".join(plain))
    return pieces


def append_line(paragraph, pieces):
    """Joins a further line to a paragraph with one blank."""
    if paragraph.pieces and pieces:
        if isinstance(paragraph.pieces[-1], str):
            paragraph.pieces[-1] += " "
        else:
            paragraph.pieces.append(" ")
    for piece in pieces:
        if isinstance(piece, str) and paragraph.pieces and isinstance(paragraph.pieces[-1], str):
            paragraph.pieces[-1] += piece
        else:
            paragraph.pieces.append(piece)


def parse(data):
    """Reads the source bytes into a HelpSource; raises SourceError."""
    source = HelpSource()
    topic = None
    paragraph = None
    seen_header = set()
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    for number, raw in enumerate(lines, 1):
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError:
            raise SourceError(number, "not UTF-8 text") from None
        text = text.rstrip("\r").replace("\t", " ")
        if text.startswith("#"):
            continue
        stripped = text.strip()
        if not stripped:
            paragraph = None
            continue
        if stripped.startswith("@"):
            paragraph = None
            word, _, value = stripped[1:].partition(" ")
            value = value.strip()
            topic = parse_directive(source, topic, seen_header, word, value, number)
            continue
        if topic is None:
            raise SourceError(number, "text before the first @topic")
        # A heading or a list item always starts a paragraph of its own; a
        # heading is one line long.
        kind = None
        if stripped.startswith("== "):
            kind, stripped = "heading", stripped[3:].strip()
        elif stripped.startswith("* "):
            kind, stripped = "item", BULLET + stripped[2:].strip()
        elif paragraph is None or paragraph.kind == "heading":
            kind = "text"
        if kind is not None:
            paragraph = Paragraph(kind, number)
            topic.paragraphs.append(paragraph)
        append_line(paragraph, parse_inline(stripped, number))
    check(source, len(lines))
    return source


def parse_directive(source, topic, seen_header, word, value, line):
    if word in ("title", "copyright"):
        if topic is not None:
            raise SourceError(line, "@%s belongs before the first @topic" % word)
        if word in seen_header:
            raise SourceError(line, "second @%s" % word)
        seen_header.add(word)
        encode_text(value, line)
        setattr(source, word, value)
        return topic
    if word == "topic":
        if not value:
            raise SourceError(line, "@topic without a title")
        if len(value) > MAX_TITLE_CHARS:
            raise SourceError(line, "title longer than %d characters" % MAX_TITLE_CHARS)
        encode_text(value, line)
        topic = Topic(value, line)
        source.topics.append(topic)
        return topic
    if word not in ("number", "name", "keywords"):
        raise SourceError(line, "unknown directive @%s" % word)
    if topic is None:
        raise SourceError(line, "@%s outside a topic" % word)
    if topic.paragraphs:
        raise SourceError(line, "@%s must come before the topic's text" % word)
    if word == "number":
        if topic.number is not None:
            raise SourceError(line, "second @number in this topic")
        if not re.fullmatch(r"[0-9]+", value) or not 0 < int(value) <= MAX_CONTEXT_NUMBER:
            raise SourceError(line, "context number must be a whole number from 1 to %d"
                              % MAX_CONTEXT_NUMBER)
        topic.number = (int(value), line)
    elif word == "name":
        if topic.name is not None:
            raise SourceError(line, "second @name in this topic")
        if not NAME_PATTERN.match(value):
            raise SourceError(line, "context name must consist of letters, digits, '.' and '_'")
        topic.name = (value, line)
    else:
        for keyword in value.split(";"):
            keyword = keyword.strip()
            if keyword:
                encode_text(keyword, line)
                topic.keywords.append(keyword)
    return topic


def check(source, last_line):
    """Whole-file rules: unique numbers and names, jumps that lead somewhere."""
    if not source.topics:
        raise SourceError(max(last_line, 1), "no @topic in the source")
    numbers = {}
    names = {}
    hashes = {}
    for topic in source.topics:
        if not topic.paragraphs:
            raise SourceError(topic.line, "topic %r has no text" % topic.title)
        if topic.number is not None:
            number, line = topic.number
            if number in numbers:
                raise SourceError(line, "context number %d already used on line %d"
                                  % (number, numbers[number]))
            numbers[number] = line
        if topic.name is not None:
            name, line = topic.name
            key = name.upper()
            if key in names:
                raise SourceError(line, "context name %s already used on line %d"
                                  % (name, names[key]))
            names[key] = line
            value = context_hash(name)
            if value in hashes:
                raise SourceError(line, "context name %s has the same hash as %s"
                                  % (name, hashes[value]))
            hashes[value] = name
    for topic in source.topics:
        for paragraph in topic.paragraphs:
            for piece in paragraph.pieces:
                if isinstance(piece, Jump) and piece.target.upper() not in names:
                    raise SourceError(piece.line, "jump to unknown context name %s"
                                      % piece.target)


# --- Format primitives --------------------------------------------------------

FILE_MAGIC = 0x00035F3F
BTREE_MAGIC = 0x293B
SYSTEM_MAGIC = 0x036C
SYSTEM_MINOR = 21  # the 3.1 format
TOPIC_BLOCK = 4096
BLOCK_HEADER = 12
BLOCK_DATA = TOPIC_BLOCK - BLOCK_HEADER
LINK_HEADER = 21
RECORD_TOPIC_HEADER = 2
RECORD_TEXT = 0x20

FONT_FACE = "MS Sans Serif"
FONT_FACE_WIDTH = 20
FONT_BODY, FONT_TITLE, FONT_HEADING = 0, 1, 2
# (attributes, half points, family) of each descriptor; 1 = bold, 3 = swiss.
FONT_DESCRIPTORS = [(0, 20, 3), (1, 28, 3), (1, 20, 3)]

CMD_FONT = 0x80
CMD_PARAGRAPH = 0x82
CMD_JUMP = 0xE3
CMD_HOTSPOT_END = 0x89
CMD_END = 0xFF


def u16(v):
    return struct.pack("<H", v & 0xFFFF)


def s16(v):
    return struct.pack("<h", v)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def s32(v):
    return struct.pack("<i", v)


def context_hash(name):
    """The hash under which a context name is looked up, as a signed long."""
    h = 0
    for c in name.upper():
        if "1" <= c <= "9":
            value = ord(c) - ord("0")
        elif c == "0":
            value = 10
        elif c == ".":
            value = 12
        elif c == "_":
            value = 13
        else:
            value = ord(c) - ord("A") + 17
        h = (h * 43 + value) & 0xFFFFFFFF
    return h - 0x100000000 if h & 0x80000000 else h


def compressed_ushort(v):
    return bytes([v * 2]) if v < 128 else u16(v * 2 + 1)


def compressed_long(v):
    if -16384 <= v < 16384:
        return u16(v * 2 + 0x8000)
    return u32(v * 2 + 0x80000001)


def file_header(content, flags=0):
    """The header in front of every internal file. The reader takes the file's
    end from the reserved space, so there is no slack."""
    return u32(len(content) + 9) + u32(len(content)) + bytes([flags])


def build_btree(entries, page_size, structure, flags=0x0002):
    """A B+ tree over `entries`, a sorted list of (leaf entry, index key).
    Returns (tree bytes, [(first entry number, page) for each leaf])."""
    pages = []
    leaves = []
    level = []  # (index key, page) of the pages one level down
    i = 0
    while True:
        used = 8
        start = i
        while i < len(entries) and used + len(entries[i][0]) <= page_size:
            used += len(entries[i][0])
            i += 1
        if i == start and i < len(entries):
            raise ValueError("a tree entry does not fit in a page")
        leaves.append((start, len(pages)))
        level.append((entries[start][1] if start < len(entries) else b"", len(pages)))
        pages.append([start, i])
        if i >= len(entries):
            break
    leaf_count = len(pages)
    page_bytes = []
    for n, (start, end) in enumerate(pages):
        body = b"".join(entry for entry, _ in entries[start:end])
        prev_page = n - 1 if n > 0 else -1
        next_page = n + 1 if n + 1 < leaf_count else -1
        head = s16(page_size - 8 - len(body)) + s16(end - start) + s16(prev_page) + s16(next_page)
        page_bytes.append(head + body + bytes(page_size - 8 - len(body)))
    levels = 1
    while len(level) > 1:
        upper = []
        j = 0
        while j < len(level):
            first_child = level[j][1]
            body = b""
            count = 0
            j += 1
            while j < len(level) and 6 + len(body) + len(level[j][0]) + 2 <= page_size:
                body += level[j][0] + s16(level[j][1])
                count += 1
                j += 1
            if count == 0 and j < len(level):
                raise ValueError("an index key does not fit in a page")
            page = len(page_bytes)
            upper.append((level[j - count - 1][0], page))
            head = s16(page_size - 6 - len(body)) + s16(count) + s16(first_child)
            page_bytes.append(head + body + bytes(page_size - 6 - len(body)))
        level = upper
        levels += 1
    name = structure.encode("ascii")
    header = (u16(BTREE_MAGIC) + u16(flags) + u16(page_size) + name + bytes(16 - len(name)) +
              s16(0) + s16(0) + s16(len(page_bytes) - 1) + s16(-1) + s16(len(page_bytes)) +
              s16(levels) + s32(len(entries)))
    return header + b"".join(page_bytes), leaves


# --- Topic text ---------------------------------------------------------------

class Record:
    def __init__(self, kind, data1, data2, topic):
        self.kind = kind
        self.data1 = data1
        self.data2 = data2
        self.topic = topic
        self.size = LINK_HEADER + len(data1) + len(data2)
        self.position = 0  # where the link lies within |TOPIC
        self.offset = 0    # the character offset at the link


def text_record(strings, commands, topic):
    """A text record: one formatting command after each string, the last 0xFF."""
    data2 = b"".join(s + b"\0" for s in strings)
    tail = b"\0\x80" + s16(0) + s16(0) + b"".join(commands)
    data1 = compressed_long(len(tail)) + compressed_ushort(len(data2)) + tail
    return Record(RECORD_TEXT, data1, data2, topic)


def paragraph_record(paragraph, topic, spaced):
    font = {"heading": FONT_HEADING}.get(paragraph.kind, FONT_BODY)
    strings = [b""]
    commands = [bytes([CMD_FONT]) + s16(font)]
    current = b""
    for piece in paragraph.pieces:
        if isinstance(piece, Jump):
            strings.append(current)
            commands.append(bytes([CMD_JUMP]) + s32(context_hash(piece.target)))
            strings.append(encode_text(piece.text, piece.line))
            commands.append(bytes([CMD_HOTSPOT_END]))
            current = b""
        else:
            current += encode_text(piece, paragraph.line)
    strings.append(current)
    commands.append(bytes([CMD_PARAGRAPH]))
    if spaced:
        # An empty paragraph keeps this one apart from the next on the screen.
        strings.append(b"")
        commands.append(bytes([CMD_PARAGRAPH]))
    strings.append(b"")
    commands.append(bytes([CMD_END]))
    record = text_record(strings, commands, topic)
    if record.size > BLOCK_DATA:
        raise SourceError(paragraph.line, "paragraph too long (%d bytes, at most %d): split it"
                          % (record.size, BLOCK_DATA))
    return record


def title_record(topic):
    strings = [b"", encode_text(topic.title, topic.line), b"", b""]
    commands = [bytes([CMD_FONT]) + s16(FONT_TITLE), bytes([CMD_PARAGRAPH]),
                bytes([CMD_PARAGRAPH]), bytes([CMD_END])]
    return text_record(strings, commands, topic)


def lay_out(source):
    """Every link of |TOPIC with its place. A link never runs across a block
    boundary, and a topic header stays in the block of its first text."""
    groups = []
    for index, topic in enumerate(source.topics):
        header = Record(RECORD_TOPIC_HEADER, bytes(28), encode_text(topic.title, topic.line),
                        topic)
        header.number = index
        texts = [title_record(topic)]
        for n, paragraph in enumerate(topic.paragraphs):
            following = topic.paragraphs[n + 1].kind if n + 1 < len(topic.paragraphs) else None
            # Headings sit right on their text, list items on each other.
            spaced = not (paragraph.kind == "heading" or
                          (paragraph.kind == "item" and following == "item"))
            texts.append(paragraph_record(paragraph, topic, spaced))
        groups.append((header, texts))
    records = []
    block, used, chars = 0, 0, 0
    for header, texts in groups:
        for record in [header] + texts:
            need = record.size + (texts[0].size if record is header else 0)
            if used + need > BLOCK_DATA:
                block, used, chars = block + 1, 0, 0
            record.block = block
            record.position = (block << 14) + BLOCK_HEADER + used
            record.offset = (block << 15) + chars
            used += record.size
            if record.kind == RECORD_TEXT:
                chars += len(record.data2)
            records.append(record)
    return groups, records, block + 1


def build_topic(groups, records, block_count):
    for n, (header, texts) in enumerate(groups):
        next_topic = groups[n + 1][0].position if n + 1 < len(groups) else -1
        topic_size = header.size + sum(t.size for t in texts)
        header.data1 = (s32(topic_size) + s32(-1) + s32(-1) + s32(header.number) + s32(-1) +
                        s32(texts[0].position) + s32(next_topic))
    blocks = [bytearray() for _ in range(block_count)]
    for i, record in enumerate(records):
        prev_link = records[i - 1].position if i > 0 else -1
        next_link = records[i + 1].position if i + 1 < len(records) else -1
        blocks[record.block] += (s32(record.size) + s32(len(record.data2)) + s32(prev_link) +
                                 s32(next_link) + s32(LINK_HEADER + len(record.data1)) +
                                 bytes([record.kind]) + record.data1 + record.data2)
    out = bytearray()
    for b in range(block_count):
        in_block = [r for r in records if r.block == b]
        before = [r for r in records if r.block < b]
        last_prev = before[-1].position if before else -1
        headers_before = [r for r in before if r.kind == RECORD_TOPIC_HEADER]
        last_header = headers_before[-1].position if headers_before else 0
        out += s32(last_prev) + s32(in_block[0].position) + s32(last_header)
        out += blocks[b] + bytes(BLOCK_DATA - len(blocks[b]))
    return bytes(out)


# --- Internal files -----------------------------------------------------------

def build_system(source, contents_offset, date):
    def record(kind, data):
        return u16(kind) + u16(len(data)) + data
    return (u16(SYSTEM_MAGIC) + u16(SYSTEM_MINOR) + u16(1) + u32(date) + u16(0) +
            record(1, encode_text(source.title, 0) + b"\0") +
            record(2, encode_text(source.copyright, 0) + b"\0") +
            record(3, s32(contents_offset)))


def build_font():
    face = FONT_FACE.encode("ascii")
    out = (u16(1) + u16(len(FONT_DESCRIPTORS)) + u16(8) + u16(8 + FONT_FACE_WIDTH) +
           face + bytes(FONT_FACE_WIDTH - len(face)))
    for attributes, half_points, family in FONT_DESCRIPTORS:
        out += bytes([attributes, half_points, family]) + u16(0) + bytes(3) + b"\xff\xff\xff"
    return out


def build_context(groups):
    entries = sorted((context_hash(h.topic.name[0]), h.offset)
                     for h, _ in groups if h.topic.name is not None)
    return build_btree([(s32(v) + u32(o), s32(v)) for v, o in entries], 2048, "L4")[0]


def build_ctxomap(groups):
    entries = sorted((h.topic.number[0], h.offset) for h, _ in groups if h.topic.number)
    return u16(len(entries)) + b"".join(u32(n) + u32(o) for n, o in entries)


def build_titles(groups):
    entries = [(u32(h.offset) + encode_text(h.topic.title, h.topic.line) + b"\0", u32(h.offset))
               for h, _ in groups]
    return build_btree(entries, 2048, "Lz")[0]


def build_keywords(groups):
    """|KWBTREE, |KWDATA and |KWMAP. Keywords differing only in letter case
    are one entry, under the spelling met first."""
    spelling = {}
    offsets = {}
    for header, _ in groups:
        for keyword in header.topic.keywords:
            key = keyword.lower()
            spelling.setdefault(key, keyword)
            targets = offsets.setdefault(key, [])
            if header.offset not in targets:
                targets.append(header.offset)
    data = b""
    entries = []
    for key in sorted(spelling):
        text = encode_text(spelling[key], 0) + b"\0"
        entries.append((text + u16(len(offsets[key])) + u32(len(data)), text))
        data += b"".join(u32(o) for o in offsets[key])
    tree, leaves = build_btree(entries, 2048, "i24")
    kwmap = u16(len(leaves)) + b"".join(u32(first) + u16(page) for first, page in leaves)
    return tree, data, kwmap


def build_directory(files):
    """Header, directory and the internal files in name order."""
    names = sorted(files, key=lambda n: n.encode("ascii"))

    def directory(offsets):
        entries = [(name.encode("ascii") + b"\0" + u32(offsets[name]), name.encode("ascii") + b"\0")
                   for name in names]
        return build_btree(entries, 1024, "z4", 0x0402)[0]

    size = len(directory({name: 0 for name in names}))
    offsets = {}
    position = 16 + 9 + size
    for name in names:
        offsets[name] = position
        position += 9 + len(files[name])
    tree = directory(offsets)
    body = file_header(tree, 4) + tree
    for name in names:
        body += file_header(files[name]) + files[name]
    total = 16 + len(body)
    return u32(FILE_MAGIC) + u32(16) + s32(-1) + u32(total) + body


def compile_source(data, date=0):
    """The help file for the source bytes `data`."""
    source = parse(data)
    groups, records, block_count = lay_out(source)
    keyword_tree, keyword_data, keyword_map = build_keywords(groups)
    files = {
        "|SYSTEM": build_system(source, groups[0][0].offset, date),
        "|TOPIC": build_topic(groups, records, block_count),
        "|FONT": build_font(),
        "|CONTEXT": build_context(groups),
        "|CTXOMAP": build_ctxomap(groups),
        "|TTLBTREE": build_titles(groups),
        "|KWBTREE": keyword_tree,
        "|KWDATA": keyword_data,
        "|KWMAP": keyword_map,
    }
    return build_directory(files)


def main(argv):
    args = argv[1:]
    if len(args) != 3 or args[1] != "-o":
        sys.stderr.write("usage: helpc.py SOURCE -o OUTPUT\n")
        return 2
    source_path, output_path = args[0], args[2]
    try:
        with open(source_path, "rb") as f:
            data = f.read()
    except OSError as error:
        sys.stderr.write("%s: cannot read: %s\n" % (source_path, error.strerror))
        return 1
    epoch = os.environ.get("SOURCE_DATE_EPOCH", "") or "0"
    if not epoch.isdigit():
        sys.stderr.write("SOURCE_DATE_EPOCH must be a number of seconds\n")
        return 2
    date = int(epoch) & 0xFFFFFFFF
    try:
        output = compile_source(data, date)
    except SourceError as error:
        sys.stderr.write("%s:%d: %s\n" % (source_path, error.line, error.message))
        return 1
    # Written whole under another name first, so a failed run never leaves a
    # half-written help file behind for the build to pick up.
    temporary = output_path + ".part"
    with open(temporary, "wb") as f:
        f.write(output)
    os.replace(temporary, output_path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
