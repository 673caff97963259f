"""Writes a catalogue kept in UTF-8 in the ANSI code page its language uses,
with CR LF line ends: encode.py SOURCE OUTPUT CODEPAGE (e.g. 1252)."""
import sys

source, output, code_page = sys.argv[1], sys.argv[2], sys.argv[3]
with open(source, encoding="utf-8") as f:
    text = f.read()
with open(output, "wb") as f:
    f.write(text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp" + code_page))
