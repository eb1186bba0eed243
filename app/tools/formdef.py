#!/usr/bin/env python3
"""Compiles a readable form definition (see app/MainForm.frm) into the binary
form-definition stream: the "TPF0" signature, then the root component record.

usage: formdef.py SOURCE OUTPUT
"""
import re
import struct
import sys

TG_NULL, TG_INT8, TG_INT16, TG_INT32 = 0, 2, 3, 4
TG_STRING, TG_IDENT, TG_FALSE, TG_TRUE = 6, 7, 8, 9
TG_SET, TG_LONGSTRING, TG_NIL = 11, 12, 13


class FormError(Exception):
    pass


def short_text(text):
    if len(text) > 255:
        raise FormError(f"name longer than 255 characters: {text[:20]!r}...")
    return bytes([len(text)]) + text


def unescape(body, line):
    out = bytearray()
    i = 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out += c.encode("cp1252")
            i += 1
            continue
        nxt = body[i + 1:i + 2]
        if nxt == "n":
            out.append(10)
            i += 2
        elif nxt in ("\\", '"'):
            out += nxt.encode()
            i += 2
        elif nxt == "x" and re.fullmatch(r"[0-9A-Fa-f]{2}", body[i + 2:i + 4]):
            out.append(int(body[i + 2:i + 4], 16))
            i += 4
        else:
            raise FormError(f"line {line}: bad escape in text")
    return bytes(out)


def value(text, line):
    """Encodes one property value with the smallest tag that holds it."""
    if re.fullmatch(r"-?\d+", text):
        n = int(text)
        if -128 <= n <= 127:
            return bytes([TG_INT8]) + struct.pack("<b", n)
        if -32768 <= n <= 32767:
            return bytes([TG_INT16]) + struct.pack("<h", n)
        if -2**31 <= n < 2**31:
            return bytes([TG_INT32]) + struct.pack("<i", n)
        raise FormError(f"line {line}: integer out of range")
    if text.startswith('"'):
        if len(text) < 2 or not text.endswith('"'):
            raise FormError(f"line {line}: unterminated text")
        s = unescape(text[1:-1], line)
        if len(s) <= 255:
            return bytes([TG_STRING, len(s)]) + s
        return bytes([TG_LONGSTRING]) + struct.pack("<I", len(s)) + s
    if text.startswith("["):
        if not text.endswith("]"):
            raise FormError(f"line {line}: unterminated set")
        names = [n.strip() for n in text[1:-1].split(",") if n.strip()]
        return bytes([TG_SET]) + b"".join(short_text(n.encode()) for n in names) + b"\0"
    if text == "False":
        return bytes([TG_FALSE])
    if text == "True":
        return bytes([TG_TRUE])
    if text == "nil":
        return bytes([TG_NIL])
    if re.fullmatch(r"[A-Za-z_][A-Za-z0-9_.]*", text):
        return bytes([TG_IDENT]) + short_text(text.encode())
    raise FormError(f"line {line}: cannot read value {text!r}")


def parse(source):
    """Returns the root as (name, class, properties, children)."""
    root = None
    stack = []  # (indent, component)
    for number, raw in enumerate(source.splitlines(), 1):
        if not raw.strip() or raw.lstrip().startswith("#"):
            continue
        indent = len(raw) - len(raw.lstrip(" "))
        line = raw.strip()
        while stack and stack[-1][0] >= indent:
            stack.pop()
        m = re.fullmatch(r"([A-Za-z_]\w*)\s*:\s*([A-Za-z_]\w*)", line)
        if m:
            component = (m.group(1), m.group(2), [], [])
            if stack:
                stack[-1][1][3].append(component)
            elif root is None:
                root = component
            else:
                raise FormError(f"line {number}: a second root component")
            stack.append((indent, component))
            continue
        m = re.fullmatch(r"([A-Za-z_][\w.]*)\s*=\s*(.+)", line)
        if m and stack:
            component = stack[-1][1]
            if component[3]:
                raise FormError(f"line {number}: property after the children")
            component[2].append((m.group(1), value(m.group(2).strip(), number)))
            continue
        raise FormError(f"line {number}: cannot read {line!r}")
    if root is None:
        raise FormError("no component")
    return root


def component_record(component):
    name, cls, properties, children = component
    out = short_text(cls.encode()) + short_text(name.encode())
    for path, encoded in properties:
        out += short_text(path.encode()) + encoded
    out += bytes([TG_NULL])
    for child in children:
        out += component_record(child)
    return out + bytes([TG_NULL])


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="ascii") as f:
        source = f.read()
    try:
        data = b"TPF0" + component_record(parse(source))
    except FormError as e:
        sys.exit(f"{sys.argv[1]}: {e}")
    with open(sys.argv[2], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
