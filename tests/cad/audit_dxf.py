#!/usr/bin/python3
"""Checks a DXF file written by Lumora with ezdxf.

Usage: /usr/bin/python3 audit_dxf.py FILE.dxf [--strict] [--layer NAME ...] [--text TEXT ...]

Opens the file, runs ezdxf's audit and prints every error and fix (with
--strict a fix counts as a problem too: the file needed mending). Then
checks that the text decodes right through the file's code page: no layer
name, text style name or text holds a replacement character or the Latin-1
debris that GBK read as another code page leaves, and every layer (--layer)
and text (--text) named on the command line is there, spelt exactly.

Exit status: 0 clean; 1 audit errors or a name check failed; 2 the file
could not be read at all.
"""

import argparse
import sys

import ezdxf


def garbled(s):
    # A GBK byte string read in a Western code page shows Latin-1 letters
    # (U+0080 ... U+00FF); one read as UTF-8 shows U+FFFD.
    return any(ch == "\ufffd" or 0x80 <= ord(ch) <= 0xFF for ch in s)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file")
    parser.add_argument("--strict", action="store_true", help="count the audit's fixes too")
    parser.add_argument("--layer", action="append", default=[], help="a layer that must exist")
    parser.add_argument("--text", action="append", default=[], help="a TEXT that must exist")
    args = parser.parse_args()

    try:
        doc = ezdxf.readfile(args.file)
    except (IOError, ezdxf.DXFError) as e:
        print(f"{args.file}: cannot read: {e}")
        return 2

    problems = 0
    auditor = doc.audit()
    for fix in auditor.fixes:
        print(f"fixed: {fix.message}")
        if args.strict:
            problems += 1
    for error in auditor.errors:
        print(f"error: {error.message}")
        problems += 1

    print(f"code page: {doc.header.get('$DWGCODEPAGE', '?')} ({doc.encoding})")
    layers = [layer.dxf.name for layer in doc.layers]
    styles = [style.dxf.name for style in doc.styles]
    texts = [e.dxf.text for e in doc.modelspace().query("TEXT")]
    for kind, names in (("layer", layers), ("text style", styles), ("text", texts)):
        for name in names:
            if garbled(name):
                print(f"error: {kind} name does not decode: {name!r}")
                problems += 1
    for name in args.layer:
        if name not in layers:
            print(f"error: layer {name!r} missing (have {layers})")
            problems += 1
    for text in args.text:
        if text not in texts:
            print(f"error: text {text!r} missing")
            problems += 1

    print(f"{len(layers)} layers, {len(doc.modelspace())} entities, {problems} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
