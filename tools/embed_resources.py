#!/usr/bin/env python3
"""Writes a C++ table of the template fragments for the headless backend, so
the native tests see the same resource bytes the exe carries.
Usage: embed_resources.py OUT.cpp NAME=FILE ..."""
import sys


def main():
    out, pairs = sys.argv[1], sys.argv[2:]
    lines = ['// Generated from resources/templates by tools/embed_resources.py.',
             '#include "Headless.h"', 'namespace headless {']
    entries = []
    for i, pair in enumerate(pairs):
        name, path = pair.split('=', 1)
        data = open(path, 'rb').read()
        body = ','.join(str(b) for b in data) or '0'
        lines.append(f'static const unsigned char r{i}[] = {{{body}}};')
        entries.append(f'{{"{name.upper()}", r{i}, {len(data)}}}')
    lines.append('const EmbeddedResource EmbeddedResources[] = {' + ','.join(entries) + '};')
    lines.append(f'const size_t EmbeddedResourceCount = {len(entries)};')
    lines.append('}')
    text = '\n'.join(lines) + '\n'
    try:
        if open(out).read() == text:
            return
    except OSError:
        pass
    open(out, 'w').write(text)


main()
