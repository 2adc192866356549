#!/usr/bin/python3
"""Differential test of the tokenizer against expat (Python's xml.parsers.expat).

Runs the xml-events tool over every document in a folder and parses the same bytes with
expat, building the same listing from expat's callbacks. Where both accept a document the
listings must be equal; where expat refuses one the tokenizer must refuse it too. The
documents on which the two disagree because the tokenizer's grammar differs on purpose are
listed below with the reason; a listed document that no longer disagrees fails the test too,
so the lists stay true.

usage: differential_test.py --tool PATH/xml-events --documents DIR
"""
import argparse
import os
import subprocess
import sys
import xml.parsers.expat

# Documents the tokenizer accepts and expat refuses.
ACCEPTED_BY_GRAMMAR = {
    "grammar-cdata-end-in-text": "']]>' in content is taken as text",
    "grammar-control-character": "character ranges are not checked: raw C0 controls pass",
    "grammar-control-reference": "a character reference may name any C0 control but NUL",
    "grammar-duplicate-attribute": "attributes are not remembered, so a repeat goes unnoticed",
    "grammar-invalid-utf8": "bytes from 128 up pass unchecked; UTF-8 is not validated",
    "grammar-non-name-character": "every byte from 128 up is a name character",
    "grammar-declaration-after-whitespace": "whitespace may precede the XML declaration",
    "grammar-unknown-encoding": "the encoding name is checked for its syntax only; "
    "the bytes are always read as UTF-8",
    "grammar-doctype-garbage": "the document type declaration is skipped, not parsed",
}

# Documents expat accepts and the tokenizer refuses.
REFUSED_BY_GRAMMAR = {
    "grammar-long-reference": "a reference name holds at most 7 bytes",
    "grammar-plane-16-reference": "a reference name holds at most 7 bytes, so code points "
    "from U+100000 cannot be written",
    "grammar-declared-entity": "entities declared in the document type are unknown",
    "grammar-declaration-version-1": "the version must be '1.' and digits; expat takes any",
    "grammar-declaration-version-2": "the version must be '1.' and digits; expat takes any",
}


def escape(text):
    return (
        text.replace("\\", "\\\\")
        .replace("\n", "\\n")
        .replace("\r", "\\r")
        .replace("\t", "\\t")
    )


def unescape(printed):
    out = []
    i = 0
    while i < len(printed):
        if printed[i] == "\\" and i + 1 < len(printed):
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(printed[i + 1], printed[i + 1]))
            i += 2
        else:
            out.append(printed[i])
            i += 1
    return "".join(out)


def expat_listing(data):
    """The xml-events listing as expat sees the document, or None when expat refuses it."""
    lines = []
    text = []

    def flush():
        if text:
            lines.append("text " + escape("".join(text)))
            text.clear()

    def start(name, attributes):
        flush()
        lines.append("start " + escape(name))
        for i in range(0, len(attributes), 2):
            lines.append("attr " + escape(attributes[i] + "=" + attributes[i + 1]))

    def end(name):
        flush()
        lines.append("end")

    def pi(target, content):
        flush()
        lines.append("pi " + escape(target + " " + content))

    parser = xml.parsers.expat.ParserCreate()
    parser.ordered_attributes = True
    parser.StartElementHandler = start
    parser.EndElementHandler = end
    parser.CharacterDataHandler = text.append
    parser.ProcessingInstructionHandler = pi
    try:
        parser.Parse(data, True)
    except (xml.parsers.expat.ExpatError, LookupError) as error:  # LookupError: encoding
        return None, str(error)
    flush()
    return lines, None


def tokenizer_listing(tool, path):
    """The tool's listing without its last line, or None when it refused the document."""
    run = subprocess.run([tool, path], capture_output=True, check=False)
    out = run.stdout.decode("utf-8", "surrogateescape").splitlines()
    if run.returncode not in (0, 1) or not out:
        raise RuntimeError(f"{tool} {path}: exit {run.returncode}, {run.stderr!r}")
    last = out[-1]
    if (run.returncode == 0) != (last == "ok"):
        raise RuntimeError(f"{path}: exit code {run.returncode} but last line {last!r}")
    if run.returncode != 0:
        return None, last
    # An instruction's content keeps whitespace after the one that ends the target; expat
    # drops all of it. That is the only difference of form between the two listings.
    lines = []
    for line in out[:-1]:
        if line.startswith("pi "):
            target, _, content = line[3:].partition(" ")
            line = "pi " + target + " " + escape(unescape(content).lstrip(" \t\n"))
        lines.append(line)
    return lines, None


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("--tool", required=True)
    arguments.add_argument("--documents", required=True)
    options = arguments.parse_args()

    names = sorted(f[:-4] for f in os.listdir(options.documents) if f.endswith(".xml"))
    for listed in list(ACCEPTED_BY_GRAMMAR) + list(REFUSED_BY_GRAMMAR):
        if listed not in names:
            print(f"FAIL {listed}: listed but not in {options.documents}")
            return 1

    failures = 0
    counts = {"both accept": 0, "both refuse": 0, "listed": 0}
    for name in names:
        path = os.path.join(options.documents, name + ".xml")
        with open(path, "rb") as f:
            data = f.read()
        ours, our_error = tokenizer_listing(options.tool, path)
        theirs, their_error = expat_listing(data)
        problem = None
        if name in ACCEPTED_BY_GRAMMAR:
            if ours is None or theirs is not None:
                problem = "listed as accepted by the tokenizer only"
        elif name in REFUSED_BY_GRAMMAR:
            if ours is not None or theirs is None:
                problem = "listed as refused by the tokenizer only"
        elif ours is not None and theirs is None:
            problem = f"the tokenizer accepts, expat refuses: {their_error}"
        elif ours is None and theirs is not None:
            problem = f"the tokenizer refuses ({our_error}), expat accepts"
        elif ours is not None and ours != theirs:
            problem = "listings differ:\n  tokenizer: %r\n  expat:     %r" % (ours, theirs)
        if problem:
            failures += 1
            print(f"FAIL {name}: {problem}")
            continue
        if name in ACCEPTED_BY_GRAMMAR or name in REFUSED_BY_GRAMMAR:
            counts["listed"] += 1
        elif ours is not None:
            counts["both accept"] += 1
        else:
            counts["both refuse"] += 1

    print(
        f"{len(names)} documents: {counts['both accept']} accepted by both with equal "
        f"listings, {counts['both refuse']} refused by both, {counts['listed']} listed "
        f"differences, {failures} failures"
    )
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
