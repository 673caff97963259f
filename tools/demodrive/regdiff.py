#!/usr/bin/env python3
"""Says in words how two registry exports (reg export) differ.

    regdiff.py BEFORE AFTER [--ignore REGEX ...]

Prints one line per added or removed key (a new key without values only as
a note that does not count) and per added, removed or changed
value; keys matching an --ignore expression are left out. Exit code 0 when
nothing differs, 1 otherwise.
"""
import re
import sys

SHORT = [("HKEY_LOCAL_MACHINE\\Software\\Classes", "HKCR"),
         ("HKEY_LOCAL_MACHINE", "HKLM"), ("HKEY_CURRENT_USER", "HKCU")]


def short(key):
    for long, abbreviation in SHORT:
        if key.lower().startswith(long.lower()):
            return abbreviation + key[len(long):]
    return key


def split_value(line):
    if line.startswith("@="):
        return "(default)", line[2:]
    if line.startswith('"'):
        i = 1
        while i < len(line) and line[i] != '"':
            i += 2 if line[i] == "\\" else 1
        return line[1:i].replace('\\"', '"').replace("\\\\", "\\"), line[i + 2:]
    return line, ""


def readable(value):
    if value.startswith('"') and value.endswith('"'):
        return '"' + value[1:-1].replace('\\"', '"').replace("\\\\", "\\") + '"'
    if value.startswith("dword:"):
        return str(int(value[6:], 16))
    return value


def load(path):
    data = open(path, "rb").read()
    text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode("latin-1")
    keys, current, pending = {}, None, ""
    for raw in text.splitlines():
        line = (pending + raw.strip()) if pending else raw.rstrip()
        if current is not None and not line.startswith("[") and line.endswith("\\"):
            pending = line[:-1]
            continue
        pending = ""
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
            keys.setdefault(current, {})
        elif current is not None and line:
            name, value = split_value(line)
            keys[current][name] = readable(value)
    return keys


def main():
    args = sys.argv[1:]
    ignore = [re.compile(args[i + 1], re.I) for i, a in enumerate(args) if a == "--ignore"]
    paths = [a for i, a in enumerate(args) if a != "--ignore" and (i == 0 or args[i - 1] != "--ignore")]
    before, after = load(paths[0]), load(paths[1])
    lines, notes = [], []
    for key in sorted(set(before) | set(after), key=str.lower):
        if any(r.search(key) for r in ignore):
            continue
        name = short(key)
        if key not in before and not after[key]:
            # An empty key that the uninstaller emptied but kept because
            # other programs hang their own entries beside ours: a note only.
            notes.append(f"  empty key    {name}")
        elif key not in before:
            lines.append(f"  new key      {name}")
            lines += [f"                 {v} = {after[key][v]}" for v in sorted(after[key])]
        elif key not in after:
            lines.append(f"  key removed  {name}")
        else:
            old, new = before[key], after[key]
            for v in sorted(set(old) | set(new)):
                if v not in old:
                    lines.append(f"  new value    {name}: {v} = {new[v]}")
                elif v not in new:
                    lines.append(f"  value gone   {name}: {v} (was {old[v]})")
                elif old[v] != new[v]:
                    lines.append(f"  changed      {name}: {v} = {new[v]} (was {old[v]})")
    print("\n".join(lines + notes) if lines or notes else "  (no difference)")
    return 1 if lines else 0


if __name__ == "__main__":
    sys.exit(main())
