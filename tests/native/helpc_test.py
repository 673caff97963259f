#!/usr/bin/env python3
"""Tests of the help compiler and of the product's help file.

The compiled files are read back with a reader of their own below, written
from the file format rather than from the compiler, and looked up the way the
help viewer looks them up: context numbers through |CTXOMAP, context names
and jumps through the |CONTEXT tree, a character offset to the topic with the
largest offset not above it.

    helpc_test.py [-v]            (TAZ_HELP_FILE: a built tazmor.hlp to check too)
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
COMPILER = os.path.join(ROOT, "tools", "helpc", "helpc.py")
SOURCE = os.path.join(ROOT, "help", "tazmor.hlpsrc")
DIALOG_TEXTS = os.path.join(ROOT, "app", "res", "texts.h")

BLOCK = 4096


# --- Reader -----------------------------------------------------------------------

class FormatError(AssertionError):
    pass


def need(condition, message):
    if not condition:
        raise FormatError(message)


def name_hash(name):
    h = 0
    for c in name.upper():
        if c.isdigit():
            value = 10 if c == "0" else int(c)
        else:
            value = {".": 12, "_": 13}.get(c, ord(c) - ord("A") + 17)
        h = (h * 43 + value) % 2**32
    return h - 2**32 if h >= 2**31 else h


class Tree:
    """A B+ tree: its header and pages, searched like the viewer does."""

    def __init__(self, data, structure, leaf_entry, index_key):
        need(len(data) >= 38, "tree shorter than its header")
        (magic, _flags, self.page_size) = struct.unpack_from("<HHH", data, 0)
        need(magic == 0x293B, "tree magic %#x" % magic)
        found = data[6:22].rstrip(b"\0").decode("ascii")
        need(found == structure, "tree structure %r, expected %r" % (found, structure))
        (_zero, _splits, self.root, minus_one, self.pages, self.levels,
         self.entries) = struct.unpack_from("<hhhhhhi", data, 22)
        need(minus_one == -1, "tree field at 28 is not -1")
        need(len(data) == 38 + self.pages * self.page_size, "tree size does not match its pages")
        need(0 <= self.root < self.pages, "root page out of range")
        self.data = data
        self.leaf_entry = leaf_entry  # (bytes, offset) -> (key, value, next offset)
        self.index_key = index_key    # (bytes, offset) -> (key, next offset)

    def page(self, n):
        need(0 <= n < self.pages, "page %d out of range" % n)
        start = 38 + n * self.page_size
        return self.data[start:start + self.page_size]

    def leaf(self, n):
        page = self.page(n)
        unused, count, prev_page, next_page = struct.unpack_from("<hhhh", page, 0)
        entries = []
        at = 8
        for _ in range(count):
            key, value, at = self.leaf_entry(page, at)
            entries.append((key, value))
        need(at + unused == self.page_size, "leaf %d: free space field is wrong" % n)
        return entries, prev_page, next_page

    def index(self, n):
        page = self.page(n)
        unused, count, first = struct.unpack_from("<hhh", page, 0)
        children = [(None, first)]
        at = 6
        for _ in range(count):
            key, at = self.index_key(page, at)
            (child,) = struct.unpack_from("<h", page, at)
            children.append((key, child))
            at += 2
        need(at + unused == self.page_size, "index page %d: free space field is wrong" % n)
        return children

    def all_entries(self):
        """Every leaf entry, from the leftmost leaf along the NextPage chain."""
        n = self.root
        for _ in range(self.levels - 1):
            n = self.index(n)[0][1]
        entries = []
        prev = -1
        while n != -1:
            page_entries, prev_page, next_page = self.leaf(n)
            need(prev_page == prev, "leaf %d: PrevPage %d, expected %d" % (n, prev_page, prev))
            entries += page_entries
            prev, n = n, next_page
        need(len(entries) == self.entries, "tree holds %d entries, header says %d"
             % (len(entries), self.entries))
        return entries

    def search(self, key, less):
        """Down the index levels, then along the leaf until an entry passes the key."""
        n = self.root
        for _ in range(self.levels - 1):
            children = self.index(n)
            n = children[0][1]
            for child_key, child in children[1:]:
                if less(key, child_key):
                    break
                n = child
        for entry_key, value in self.leaf(n)[0]:
            if entry_key == key:
                return value
            if less(key, entry_key):
                return None
        return None


def c_string(page, at):
    end = page.index(b"\0", at)
    return page[at:end], end + 1


def directory_entry(page, at):
    name, at = c_string(page, at)
    return name, struct.unpack_from("<I", page, at)[0], at + 4


def long_key_entry(page, at):
    return struct.unpack_from("<i", page, at)[0], struct.unpack_from("<I", page, at + 4)[0], at + 8


def long_key(page, at):
    return struct.unpack_from("<i", page, at)[0], at + 4


def title_entry(page, at):
    offset = struct.unpack_from("<I", page, at)[0]
    title, at = c_string(page, at + 4)
    return offset, title, at


def unsigned_key(page, at):
    return struct.unpack_from("<I", page, at)[0], at + 4


def keyword_entry(page, at):
    word, at = c_string(page, at)
    count, offset = struct.unpack_from("<hI", page, at)
    return word, (count, offset), at + 6


def keyword_key(page, at):
    return c_string(page, at)


class Topic:
    def __init__(self, offset, title, position):
        self.offset = offset
        self.title = title
        self.position = position
        self.text = ""
        self.jumps = []


class HelpFile:
    """A help file read back and checked on the way."""

    def __init__(self, data):
        self.data = data
        magic, directory, free, size = struct.unpack_from("<IIiI", data, 0)
        need(magic == 0x00035F3F, "file magic %#x" % magic)
        need(size == len(data), "header says %d bytes, file has %d" % (size, len(data)))
        need(free == -1, "free list present")
        tree = Tree(self.internal(directory, 4), "z4", directory_entry, keyword_key)
        need(tree.page_size == 1024, "directory pages are not 1 KiB")
        self.directory = tree
        entries = tree.all_entries()
        names = [name for name, _ in entries]
        need(names == sorted(names), "directory names are not in byte order")
        self.files = {}
        spans = []
        for name, offset in entries:
            content = self.internal(offset, 0)
            self.files[name.decode("ascii")] = content
            spans.append((offset, offset + 9 + len(content)))
        spans.sort()
        for (_, end), (start, _) in zip(spans, spans[1:]):
            need(end <= start, "internal files overlap")
        self.read_system()
        self.read_font()
        self.read_topics()

    def internal(self, offset, flags):
        need(offset + 9 <= len(self.data), "file header beyond the end")
        reserved, used, found = struct.unpack_from("<IIB", self.data, offset)
        need(reserved == used + 9, "reserved space %d for %d used bytes" % (reserved, used))
        need(found == flags, "file flags %d, expected %d" % (found, flags))
        need(offset + reserved <= len(self.data), "internal file runs past the end")
        return self.data[offset + 9:offset + 9 + used]

    def read_system(self):
        data = self.files["|SYSTEM"]
        magic, minor, major, _date, flags = struct.unpack_from("<HHHIH", data, 0)
        need(magic == 0x036C and major == 1 and minor > 16, "|SYSTEM header")
        need(flags == 0, "|TOPIC is expected uncompressed")
        self.records = {}
        at = 12
        while at < len(data):
            kind, size = struct.unpack_from("<HH", data, at)
            need(at + 4 + size <= len(data), "|SYSTEM record runs past the end")
            self.records[kind] = data[at + 4:at + 4 + size]
            at += 4 + size
        self.title = self.records[1].rstrip(b"\0").decode("cp1252")
        self.contents_offset = struct.unpack("<i", self.records[3])[0]

    def read_font(self):
        data = self.files["|FONT"]
        faces, self.font_count, face_offset, descriptor_offset = struct.unpack_from("<hhhh", data, 0)
        need(faces >= 1 and face_offset == 8, "|FONT header")
        need(len(data) == descriptor_offset + 11 * self.font_count, "|FONT size")

    def read_topics(self):
        data = self.files["|TOPIC"]
        need(len(data) % BLOCK == 0 and data, "|TOPIC is not whole 4 KiB blocks")
        self.topics = []
        position = 12
        previous = -1
        last_in_block = {}
        first_in_block = {}
        chars = {}
        while position != -1:
            block, at = position >> 14, (position & 0x3FFF) - 12
            need(block * BLOCK < len(data) and 0 <= at, "link %#x outside |TOPIC" % position)
            base = block * BLOCK + 12
            size, len2, prev_link, next_link, len1, kind = struct.unpack_from(
                "<iiiiiB", data, base + at)
            need(at + size <= BLOCK - 12, "link %#x runs across a block boundary" % position)
            need(prev_link == previous, "link %#x: PrevLink is wrong" % position)
            need(len1 >= 21 and size == len1 + len2, "link %#x: sizes disagree" % position)
            data1 = data[base + at + 21:base + at + len1]
            data2 = data[base + at + len1:base + at + size]
            first_in_block.setdefault(block, position)
            last_in_block[block] = position
            offset = (block << 15) + chars.get(block, 0)
            if kind == 2:
                need(len(data1) == 28, "topic header size")
                self.topics.append(Topic(offset, data2.decode("cp1252"), position))
            else:
                need(kind == 0x20, "record type %#x" % kind)
                need(self.topics, "text before the first topic header")
                chars[block] = chars.get(block, 0) + self.read_text(data1, data2, self.topics[-1])
            previous, position = position, next_link
        for block in range(len(data) // BLOCK):
            last_prev, first, _ = struct.unpack_from("<iii", data, block * BLOCK)
            need(first == first_in_block.get(block), "block %d: FirstLink is wrong" % block)
            need(last_prev == last_in_block.get(block - 1, -1),
                 "block %d: LastLinkPrevBlock is wrong" % block)

    def read_text(self, data1, data2, topic):
        """Decodes one text record into the topic; returns its TopicLength."""
        def compressed_long(at):
            if data1[at] & 1:
                return (struct.unpack_from("<I", data1, at)[0] - 0x80000001) // 2, at + 4
            return (struct.unpack_from("<H", data1, at)[0] - 0x8000) // 2, at + 2

        def compressed_ushort(at):
            if data1[at] & 1:
                return struct.unpack_from("<H", data1, at)[0] // 2, at + 2
            return data1[at] // 2, at + 1

        size, at = compressed_long(0)
        length, at = compressed_ushort(at)
        need(at + size == len(data1), "text record: LinkData1 size field is wrong")
        need(length == len(data2), "text record: TopicLength is not the text's length")
        need(data1[at:at + 2] == b"\0\x80", "text record: column and magic bytes")
        (bits,) = struct.unpack_from("<H", data1, at + 4)
        need(bits == 0, "unexpected paragraph format bits")
        at += 6
        strings = data2.split(b"\0")
        need(strings[-1] == b"", "text does not end in a NUL")
        strings.pop()
        for string in strings:
            topic.text += string.decode("cp1252")
            command = data1[at]
            at += 1
            if command == 0x80:
                (font,) = struct.unpack_from("<h", data1, at)
                need(0 <= font < self.font_count, "font %d not in |FONT" % font)
                at += 2
            elif command in (0x81, 0x82):
                topic.text += "\n"
            elif command == 0xE3:
                topic.jumps.append(struct.unpack_from("<i", data1, at)[0])
                at += 4
            elif command == 0x89:
                pass
            elif command == 0xFF:
                break
            else:
                raise FormatError("unknown command %#x" % command)
        need(command == 0xFF and at == len(data1), "text record does not end after 0xFF")
        need(string is strings[-1], "strings left after 0xFF")
        return length

    def topic_at(self, offset):
        """The topic that the viewer shows for a character offset."""
        found = [t for t in self.topics if t.offset <= offset]
        return max(found, key=lambda t: t.offset) if found else None

    def by_number(self, number):
        data = self.files["|CTXOMAP"]
        (count,) = struct.unpack_from("<H", data, 0)
        need(len(data) == 2 + 8 * count, "|CTXOMAP size")
        for i in range(count):
            n, offset = struct.unpack_from("<II", data, 2 + 8 * i)
            if n == number:
                return self.topic_at(offset)
        return None

    def context_tree(self):
        return Tree(self.files["|CONTEXT"], "L4", long_key_entry, long_key)

    def by_hash(self, value):
        offset = self.context_tree().search(value, lambda a, b: a < b)
        return None if offset is None else self.topic_at(offset)

    def by_name(self, name):
        return self.by_hash(name_hash(name))

    def numbers(self):
        data = self.files["|CTXOMAP"]
        (count,) = struct.unpack_from("<H", data, 0)
        return [struct.unpack_from("<I", data, 2 + 8 * i)[0] for i in range(count)]

    def keywords(self):
        """Keyword -> titles of its topics, through |KWBTREE and |KWDATA."""
        tree = Tree(self.files["|KWBTREE"], "i24", keyword_entry, keyword_key)
        data = self.files["|KWDATA"]
        result = {}
        for word, (count, offset) in tree.all_entries():
            need(offset + 4 * count <= len(data), "keyword data beyond |KWDATA")
            offsets = struct.unpack_from("<%dI" % count, data, offset)
            titles = []
            for value in offsets:
                matches = [t for t in self.topics if t.offset == value]
                need(len(matches) == 1, "keyword %r points between topics" % word)
                titles.append(matches[0].title)
            result[word.decode("cp1252")] = titles
        return result

    def titles(self):
        tree = Tree(self.files["|TTLBTREE"], "Lz", title_entry, unsigned_key)
        return [(offset, title.decode("cp1252")) for offset, title in tree.all_entries()]


# --- Helpers ------------------------------------------------------------------------

def run_compiler(source_text, workdir, name="help"):
    """Runs the compiler's command line on a source; returns (code, stderr, output bytes)."""
    source = os.path.join(workdir, name + ".hlpsrc")
    output = os.path.join(workdir, name + ".hlp")
    data = source_text if isinstance(source_text, bytes) else source_text.encode("utf-8")
    with open(source, "wb") as f:
        f.write(data)
    if os.path.exists(output):
        os.remove(output)
    done = subprocess.run([sys.executable, COMPILER, source, "-o", output],
                          capture_output=True, text=True)
    result = None
    if os.path.exists(output):
        with open(output, "rb") as f:
            result = f.read()
    return done.returncode, done.stderr, result


def dialog_labels(prefix):
    """The English texts of the dialog controls whose macro names start with prefix."""
    with open(DIALOG_TEXTS, encoding="utf-8") as f:
        texts = dict(re.findall(r'#define (TXT_\w+) "([^"]*)"', f.read()))
    return {name: text.replace("&", "") for name, text in texts.items() if name.startswith(prefix)}


class Workdir(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def compile(self, text, name="help"):
        code, errors, output = run_compiler(text, self.dir, name)
        self.assertEqual(code, 0, errors)
        return output


# --- Tests --------------------------------------------------------------------------

class ReaderSelfCheck(unittest.TestCase):
    def test_name_hash_matches_the_measured_value(self):
        # Measured against the viewer: this name finds its topic by this hash.
        self.assertEqual(name_hash("IDH_CONTENTS"), 1748044782)
        self.assertEqual(name_hash("idh_contents"), 1748044782)


class CompiledStructure(Workdir):
    FIXTURE = """\
@title Fixture Help
@copyright Nobody

@topic Start page
@name START
@keywords alpha; Beta
Opening text with a {jump|SECOND} in it.

@topic Second page
@number 42
@name SECOND
@keywords beta; gamma
Second text.
== A heading
* an item with {{braces}}
* a second item

{Back|START}

@topic Third page
@number 7
Third text, reached only by its number.
"""

    def test_numbers_names_keywords_and_contents_map_to_their_topics(self):
        help_file = HelpFile(self.compile(self.FIXTURE))
        self.assertEqual(help_file.title, "Fixture Help")
        self.assertEqual([t.title for t in help_file.topics], ["Start page", "Second page", "Third page"])
        self.assertEqual(help_file.topic_at(help_file.contents_offset).title, "Start page")
        self.assertEqual(help_file.by_number(42).title, "Second page")
        self.assertEqual(help_file.by_number(7).title, "Third page")
        self.assertIsNone(help_file.by_number(1))
        self.assertEqual(help_file.numbers(), [7, 42])
        self.assertEqual(help_file.by_name("second").title, "Second page")
        self.assertEqual(help_file.by_name("START").title, "Start page")
        self.assertIsNone(help_file.by_name("THIRD"))
        # Keywords differing only in letter case are one index entry.
        self.assertEqual(help_file.keywords(),
                         {"alpha": ["Start page"], "Beta": ["Start page", "Second page"],
                          "gamma": ["Second page"]})
        self.assertEqual([t for _, t in help_file.titles()],
                         ["Start page", "Second page", "Third page"])
        second = help_file.topics[1]
        self.assertIn("Second page\n", second.text)
        self.assertIn("A heading\n\u2022 an item with {braces}\n\u2022 a second item\n\n",
                      second.text)
        self.assertEqual(help_file.topics[0].jumps, [name_hash("SECOND")])
        self.assertEqual(second.jumps, [name_hash("START")])
        self.assertIn("Opening text with a jump in it.", help_file.topics[0].text)

    def test_large_source_spans_blocks_and_multi_level_trees(self):
        # Enough topics for several |TOPIC blocks and for index pages in the
        # |CONTEXT, |TTLBTREE and keyword trees; every lookup must still land.
        count = 600
        parts = ["@title Big\n"]
        for n in range(count):
            parts.append("@topic Topic number %d\n@number %d\n@name T_%d\n"
                         "@keywords keyword %04d with a long tail to fill pages quickly; shared\n"
                         "Text of topic %d, %s\n{Next|T_%d}\n\n"
                         % (n, 1000 + n, n, n, n, "words " * (n % 40), (n + 1) % count))
        help_file = HelpFile(self.compile("".join(parts)))
        self.assertGreater(len(help_file.files["|TOPIC"]) // BLOCK, 10)
        self.assertGreater(help_file.context_tree().levels, 1)
        for n in range(count):
            self.assertEqual(help_file.by_number(1000 + n).title, "Topic number %d" % n)
            self.assertEqual(help_file.by_name("T_%d" % n).title, "Topic number %d" % n)
        for topic in help_file.topics:
            for value in topic.jumps:
                self.assertIsNotNone(help_file.by_hash(value))
        keywords = help_file.keywords()
        self.assertEqual(len(keywords), count + 1)
        self.assertEqual(len(keywords["shared"]), count)
        self.assertEqual(keywords["keyword 0599 with a long tail to fill pages quickly"],
                         ["Topic number 599"])
        self.assertEqual([o for o, _ in help_file.titles()], sorted(t.offset for t in help_file.topics))

    def test_same_source_gives_the_same_bytes(self):
        first = self.compile(self.FIXTURE, "first")
        second = self.compile(self.FIXTURE, "second")
        self.assertEqual(first, second)
        changed = self.compile(self.FIXTURE.replace("Third text", "Other text"), "changed")
        self.assertNotEqual(first, changed)


class MalformedSources(Workdir):
    # (source, line named in the message, part of the message)
    CASES = [
        ("@title T\nText before any topic.\n", 2, "before the first @topic"),
        ("@title T\n@topic A\n@colour red\nText.\n", 3, "unknown directive @colour"),
        ("@number 5\n@topic A\nText.\n", 1, "outside a topic"),
        ("@topic A\nText.\n@title Late\n", 3, "before the first @topic"),
        ("@topic A\nText.\n@number 5\n", 3, "before the topic's text"),
        ("@topic A\n@number 12x\nText.\n", 2, "whole number"),
        ("@topic A\n@number 0\nText.\n", 2, "whole number"),
        ("@topic A\n@number 1\n@number 2\nText.\n", 3, "second @number"),
        ("@topic A\n@number 9\nText.\n\n@topic B\n@number 9\nText.\n", 6, "already used on line 2"),
        ("@topic A\n@name X-1\nText.\n", 2, "context name"),
        ("@topic A\n@name SAME\nText.\n@topic B\n@name same\nText.\n", 5, "already used on line 2"),
        ("@topic A\n@name A\n\n\nSee {B|NOWHERE}.\n", 5, "unknown context name NOWHERE"),
        ("@topic A\nSee {B|A\n", 2, "not closed"),
        ("@topic A\nSee {B}.\n", 2, "without '|'"),
        ("@topic A\nSee {|A}.\n", 2, "without text"),
        ("@topic A\nA stray } here.\n", 2, "'}'"),
        ("@topic A\n@name A\n\n@topic B\nText.\n", 1, "has no text"),
        ("@topic\nText.\n", 1, "without a title"),
        ("@title T\n# only a comment\n", 2, "no @topic"),
        ("@topic A\nText \u20ac fine, \u0416 not.\n", 2, "code page 1252"),
        ("@topic A\nText.\n\n" + "x" * 5000 + "\n", 4, "paragraph too long"),
        (b"@topic A\nBad \xff byte.\n", 2, "not UTF-8"),
        ("@topic " + "t" * 300 + "\nText.\n", 1, "title longer"),
    ]

    def test_each_fault_is_rejected_naming_its_line(self):
        for source, line, fragment in self.CASES:
            with self.subTest(source=source[:40], line=line):
                code, errors, output = run_compiler(source, self.dir)
                self.assertEqual(code, 1)
                self.assertIsNone(output, "no output file after an error")
                self.assertRegex(errors, r"help\.hlpsrc:%d: " % line)
                self.assertIn(fragment, errors)


class ProductHelp(Workdir):
    """The product's own help file, as the build makes it (or compiled here)."""

    def setUp(self):
        super().setUp()
        built = os.environ.get("TAZ_HELP_FILE")
        if built:
            with open(built, "rb") as f:
                self.data = f.read()
        else:
            with open(SOURCE, "rb") as f:
                self.data = self.compile(f.read())
        self.help = HelpFile(self.data)

    def test_build_output_is_the_compiled_source(self):
        with open(SOURCE, "rb") as f:
            self.assertEqual(self.data, self.compile(f.read(), "again"))

    def test_dialog_topics_and_contents(self):
        contents = self.help.topic_at(self.help.contents_offset)
        self.assertEqual(contents.title, "Tazmor Help Contents")
        self.assertEqual(self.help.by_number(4288).title, "Setup options")
        self.assertEqual(self.help.by_number(4976).title, "Context menu items")
        # The dialogs' numbers are the only ones; each lands on a topic start.
        self.assertEqual(self.help.numbers(), [4288, 4976])
        starts = {t.offset for t in self.help.topics}
        data = self.help.files["|CTXOMAP"]
        for i in range(2):
            self.assertIn(struct.unpack_from("<I", data, 2 + 8 * i + 4)[0], starts)

    def test_setup_topic_explains_every_choice_of_the_setup_dialog(self):
        text = self.help.by_number(4288).text
        labels = dialog_labels("TXT_")
        wanted = ["TXT_ASSOCIATE", "TXT_SELECT_ALL", "TXT_DESKTOP", "TXT_STARTMENU", "TXT_PROGRAMS",
                  "TXT_SHELLEXT", "TXT_CASCADED", "TXT_MENUICONS", "TXT_CONTEXT_ITEMS"]
        for name in wanted:
            self.assertIn(labels[name], text, name)
        for archive_type in ["QEL", "ZIP", "CAB", "ARJ", "LZH", "ACE", "TAR", "GZip", "UUE", "BZ2",
                             "JAR", "ISO"]:
            self.assertRegex(text, r"\b%s\b" % archive_type)
        self.assertIn("goes back to that program", text)

    def test_items_topic_explains_all_eleven_items(self):
        text = self.help.by_number(4976).text
        items = dialog_labels("TXT_ITEM_")
        self.assertEqual(len(items), 11)
        for name, label in items.items():
            self.assertIn(label, text, name)

    def test_every_topic_leads_back_and_every_jump_lands(self):
        contents = self.help.topic_at(self.help.contents_offset)
        for topic in self.help.topics:
            for value in topic.jumps:
                self.assertIsNotNone(self.help.by_hash(value), topic.title)
            if topic is not contents:
                self.assertIn(name_hash("IDH_CONTENTS"), topic.jumps, topic.title)
        titles = [t.title for t in self.help.topics]
        for title in ["Uninstalling Tazmor", "Translating the setup program"]:
            self.assertIn(title, titles)
        self.assertIn("Uninstall.lst", self.help.by_name("IDH_UNINSTALL").text)
        self.assertIn("uninstall.lng", self.help.by_name("IDH_TRANSLATING").text)

    def test_index_names_the_main_subjects(self):
        keywords = self.help.keywords()
        for word, title in [("associations", "Setup options"),
                            ("context menu items", "Context menu items"),
                            ("Uninstall.lst", "Uninstalling Tazmor"),
                            ("uninstall.lng", "Translating the setup program")]:
            self.assertIn(title, keywords.get(word, []), word)


if __name__ == "__main__":
    unittest.main()
