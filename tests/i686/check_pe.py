#!/usr/bin/env python3
"""Checks the shipped 32-bit AktualizacjaSiec.exe from its PE image alone:
the header flags that make ASLR and DEP work, the DLLs it imports, and every
resource the program and Windows rely on (icon, banner bitmaps, manifest,
version record, the 22 template fragments).

Usage: check_pe.py [EXE]   (default: build/i686/AktualizacjaSiec.exe)

Prints one line per check, then "N passed, M failed"; exits non-zero when a
check fails.
"""

import os
import re
import struct
import sys
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_EXE = os.path.join(ROOT, 'build', 'i686', 'AktualizacjaSiec.exe')
TEMPLATES_RC = os.path.join(ROOT, 'resources', 'templates.rc')

RT_ICON, RT_BITMAP, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 2, 10, 14, 16, 24
LANG_POLISH = 0x0415

IMAGE_FILE_MACHINE_I386 = 0x014C
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
DYNAMIC_BASE, NX_COMPAT = 0x0040, 0x0100

# Imports may only name DLLs that Windows maps from its KnownDLLs list, so a
# DLL of the same name lying beside the downloaded installer is never loaded
# in their place.
KNOWN_DLLS = {'kernel32.dll', 'user32.dll', 'gdi32.dll', 'advapi32.dll', 'shell32.dll',
              'ole32.dll', 'msvcrt.dll', 'comdlg32.dll', 'shlwapi.dll', 'oleaut32.dll'}
# Named so a regression says what went wrong: system DLLs that are not
# KnownDLLs, and the MinGW runtime DLLs that a static link must not need.
FORBIDDEN_DLL = re.compile(r'^(comctl32|msimg32|uxtheme|libgcc.*|libstdc\+\+.*|libwinpthread.*)\.dll$')

# compatibility/application/supportedOS Ids Windows knows (Vista to 11); an Id
# with a typo is silently ignored.
KNOWN_OS_IDS = {
    '{e2011457-1546-43c5-a5fe-008deee3d3f0}',
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}',
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',
    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}',
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}',
}
WINDOWS_10_ID = '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
NS_SETTINGS_2005 = 'http://schemas.microsoft.com/SMI/2005/WindowsSettings'


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what, detail=''):
        if ok:
            self.passed += 1
            print('ok    ' + what)
        else:
            self.failed += 1
            print('FAIL  ' + what + (': ' + detail if detail else ''))
        return ok


class Malformed(Exception):
    pass


class PE:
    """The parts of a PE32 image these checks need."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b'MZ':
            raise Malformed('no MZ header')
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise Malformed('no PE signature')
        (self.machine, nsections, _, _, _, opt_size,
         self.characteristics) = struct.unpack_from('<HHIIIHH', data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from('<H', data, opt)[0]
        if self.magic != 0x10B:
            raise Malformed('optional header magic %#x, not PE32' % self.magic)
        self.subsystem, self.dll_characteristics = struct.unpack_from('<HH', data, opt + 68)
        ndirs = struct.unpack_from('<I', data, opt + 92)[0]
        self.dirs = [struct.unpack_from('<II', data, opt + 96 + 8 * i) for i in range(ndirs)]
        self.sections = []
        for i in range(nsections):
            s = opt + opt_size + 40 * i
            name = data[s:s + 8].rstrip(b'\0').decode('latin-1')
            vsize, va, rawsize, rawptr = struct.unpack_from('<IIII', data, s + 8)
            self.sections.append((name, va, max(vsize, rawsize), rawptr, rawsize))

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def offset(self, rva):
        for _, va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise Malformed('RVA %#x lies in uninitialised data' % rva)
                return rawptr + rva - va
        raise Malformed('RVA %#x lies in no section' % rva)

    def read(self, rva, size):
        off = self.offset(rva)
        return self.data[off:off + size]

    def cstring(self, rva):
        off = self.offset(rva)
        return self.data[off:self.data.index(b'\0', off)].decode('latin-1')

    def imports(self):
        rva, size = self.directory(1)
        names = []
        if not rva:
            return names
        pos = rva
        while True:
            desc = struct.unpack('<IIIII', self.read(pos, 20))
            if desc == (0, 0, 0, 0, 0):
                return names
            names.append(self.cstring(desc[3]))
            pos += 20

    def delay_imports(self):
        rva, _ = self.directory(13)
        names = []
        if not rva:
            return names
        pos = rva
        while True:
            desc = struct.unpack('<8I', self.read(pos, 32))
            if not any(desc):
                return names
            names.append(self.cstring(desc[1]))
            pos += 32

    def relocation_entries(self):
        """Number of relocation entries that are not padding."""
        rva, size = self.directory(5)
        count, pos = 0, 0
        blob = self.read(rva, size) if rva else b''
        while pos + 8 <= len(blob):
            _, block = struct.unpack_from('<II', blob, pos)
            if block < 8:
                break
            for i in range(8, block, 2):
                if struct.unpack_from('<H', blob, pos + i)[0] >> 12:
                    count += 1
            pos += block
        return count

    def resources(self):
        """{(type, name): {language: bytes}}; ids are ints, names upper-case str."""
        rva, _ = self.directory(2)
        if not rva:
            return {}
        base = self.offset(rva)
        data = self.data

        def entries(off):
            named, ids = struct.unpack_from('<HH', data, base + off + 12)
            for i in range(named + ids):
                key, target = struct.unpack_from('<II', data, base + off + 16 + 8 * i)
                if key & 0x80000000:
                    p = base + (key & 0x7FFFFFFF)
                    n = struct.unpack_from('<H', data, p)[0]
                    key = data[p + 2:p + 2 + 2 * n].decode('utf-16-le')
                yield key, target

        out = {}
        for rtype, t in entries(0):
            for rname, n in entries(t & 0x7FFFFFFF):
                for lang, leaf in entries(n & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise Malformed('resource tree deeper than three levels')
                    drva, dsize = struct.unpack_from('<II', data, base + leaf)
                    out.setdefault((rtype, rname), {})[lang] = self.read(drva, dsize)
        return out


def check_header(r, pe):
    r.check(pe.machine == IMAGE_FILE_MACHINE_I386, 'machine is i386', '%#x' % pe.machine)
    r.check(pe.subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI, 'GUI subsystem', str(pe.subsystem))
    r.check(pe.dll_characteristics & DYNAMIC_BASE, 'DllCharacteristics has DYNAMIC_BASE',
            '%#x' % pe.dll_characteristics)
    r.check(pe.dll_characteristics & NX_COMPAT, 'DllCharacteristics has NX_COMPAT',
            '%#x' % pe.dll_characteristics)
    # DYNAMIC_BASE without relocations leaves the loader nothing to apply,
    # so the image would still load only at its preferred base.
    r.check(not pe.characteristics & IMAGE_FILE_RELOCS_STRIPPED, 'relocations not stripped',
            'Characteristics %#x' % pe.characteristics)
    n = pe.relocation_entries()
    r.check(n > 0, 'base relocation table present', '%d entries' % n)


def check_imports(r, pe):
    dlls = pe.imports()
    r.check('kernel32.dll' in [d.lower() for d in dlls], 'import table read', repr(dlls))
    for dll in dlls:
        low = dll.lower()
        if FORBIDDEN_DLL.match(low):
            r.check(False, 'import %s' % dll, 'not a KnownDLL (or a MinGW runtime DLL)')
        else:
            r.check(low in KNOWN_DLLS, 'import %s is a KnownDLL' % dll, 'not in the allow-list')
    delayed = pe.delay_imports()
    r.check(not delayed, 'no delay-loaded DLLs', repr(delayed))


def bitmap_header(blob):
    """(width, height, bit count) of a DIB's BITMAPINFOHEADER."""
    size, width, height, planes, bits = struct.unpack_from('<IiiHH', blob, 0)
    if size < 40:
        raise Malformed('BITMAPINFOHEADER of %d bytes' % size)
    return width, height, bits


def only(entry):
    """The single language's data of a resource, or None when there is not exactly one."""
    return next(iter(entry.values())) if entry and len(entry) == 1 else None


def check_icon_and_bitmaps(r, res):
    group = only(res.get((RT_GROUP_ICON, 'MAINICON'), {}))
    if not r.check(group is not None, 'ICON group MAINICON present, one language'):
        return
    reserved, kind, count = struct.unpack_from('<HHH', group, 0)
    r.check(kind == 1 and count == 1, 'MAINICON holds one image', 'type %d, %d images' % (kind, count))
    if count >= 1:
        w, h, colours, _, planes, bits, size, icon_id = struct.unpack_from('<BBBBHHIH', group, 6)
        r.check((w, h) == (32, 32), 'MAINICON image is 32x32', '%dx%d' % (w, h))
        r.check(colours == 16 and bits in (0, 4), 'MAINICON directory entry says 16 colours',
                'colours %d, bit count %d' % (colours, bits))
        image = only(res.get((RT_ICON, icon_id), {}))
        if r.check(image is not None and len(image) == size,
                   'RT_ICON %d present with the size the group gives' % icon_id):
            iw, ih, ibits = bitmap_header(image)
            # An icon DIB's height counts the XOR and the AND mask.
            r.check((iw, ih, ibits) == (32, 64, 4), 'icon image is a 32x32 4-bit DIB',
                    'width %d, height %d, %d bits' % (iw, ih, ibits))
    for name, side in (('EMBLEM', 32), ('BOX', 48)):
        blob = only(res.get((RT_BITMAP, name), {}))
        if r.check(blob is not None, 'BITMAP %s present, one language' % name):
            w, h, bits = bitmap_header(blob)
            r.check((w, abs(h), bits) == (side, side, 24), 'BITMAP %s is %dx%d 24-bit' % (name, side, side),
                    '%dx%d, %d bits' % (w, abs(h), bits))


def check_manifest(r, res):
    manifests = {k: v for k, v in res.items() if k[0] == RT_MANIFEST}
    r.check(list(manifests) == [(RT_MANIFEST, 1)], 'one RT_MANIFEST, id 1', repr(list(manifests)))
    blob = only(manifests.get((RT_MANIFEST, 1), {}))
    if blob is None:
        return
    try:
        root = ET.fromstring(blob)
    except ET.ParseError as e:
        # Windows refuses to start an exe whose manifest does not parse.
        r.check(False, 'manifest is well-formed XML', str(e))
        return
    r.check(True, 'manifest is well-formed XML')
    elements = list(root.iter())
    local = lambda e: e.tag.rsplit('}', 1)[-1]
    dpi = [e for e in elements if local(e) == 'dpiAware']
    r.check(any(e.tag == '{%s}dpiAware' % NS_SETTINGS_2005 and (e.text or '').strip().lower() == 'true'
                for e in dpi),
            'manifest declares dpiAware true in the 2005 WindowsSettings namespace',
            repr([(e.tag, e.text) for e in dpi]))
    ids = [e.get('Id', '').lower() for e in elements if local(e) == 'supportedOS']
    r.check(WINDOWS_10_ID in ids, 'manifest lists Windows 10/11 as supportedOS', repr(ids))
    r.check(ids and all(i in KNOWN_OS_IDS for i in ids), 'every supportedOS Id is one Windows knows', repr(ids))
    # Without it Windows keeps the legacy treatment of an unmarked 32-bit
    # program (no elevation prompt, file and registry virtualisation).
    r.check(not any(local(e) == 'requestedExecutionLevel' for e in elements),
            'manifest has no requestedExecutionLevel')


def version_tree(blob, pos=0):
    """One VS_VERSIONINFO-style node: (key, value, children, end)."""
    length, value_len, vtype = struct.unpack_from('<HHH', blob, pos)
    end = pos + length
    p = pos + 6
    key_end = p
    while blob[key_end:key_end + 2] != b'\0\0':
        key_end += 2
    key = blob[p:key_end].decode('utf-16-le')
    p = (key_end + 2 + 3) & ~3
    if vtype == 1:
        raw = blob[p:p + 2 * value_len]
        value = raw.decode('utf-16-le').split('\0', 1)[0]
        p += 2 * value_len
    else:
        value = blob[p:p + value_len]
        p += value_len
    p = (p + 3) & ~3
    children = []
    while p < end:
        child = version_tree(blob, p)
        children.append(child)
        p = (child[3] + 3) & ~3
    return key, value, children, end


def check_version(r, res):
    blob = only(res.get((RT_VERSION, 1), {}))
    if not r.check(blob is not None, 'VERSIONINFO 1 present, one language'):
        return
    key, fixed, children, _ = version_tree(blob)
    r.check(key == 'VS_VERSION_INFO' and len(fixed) == 52, 'VS_VERSION_INFO with VS_FIXEDFILEINFO')
    if len(fixed) == 52:
        sig, _, fv_ms, fv_ls, pv_ms, pv_ls = struct.unpack_from('<6I', fixed, 0)
        version = lambda ms, ls: '%d.%d.%d.%d' % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        r.check(sig == 0xFEEF04BD, 'fixed info signature')
        r.check(version(fv_ms, fv_ls) == '2.1.0.0', 'fixed file version 2.1.0.0', version(fv_ms, fv_ls))
        r.check(version(pv_ms, pv_ls) == '2.1.0.0', 'fixed product version 2.1.0.0', version(pv_ms, pv_ls))
    blocks = {c[0]: c for c in children}
    sfi = blocks.get('StringFileInfo')
    tables = [c[0] for c in sfi[2]] if sfi else []
    r.check(tables == ['041504E2'], 'StringFileInfo holds exactly the block 041504E2', repr(tables))
    if sfi and sfi[2]:
        strings = {}
        for name, value, _, _ in sfi[2][0][2]:
            strings[name] = value
        r.check(strings.get('ProductName') == 'Instalator', 'ProductName is "Instalator"',
                repr(strings.get('ProductName')))
        r.check(bool(strings.get('CompanyName')), 'CompanyName is not empty', repr(strings.get('CompanyName')))
        others = {k: v for k, v in strings.items() if k not in ('ProductName', 'CompanyName') and v}
        r.check(not others, 'every other version string is empty', repr(others))
    vfi = blocks.get('VarFileInfo')
    translation = [c[1] for c in vfi[2] if c[0] == 'Translation'] if vfi else []
    r.check(translation == [struct.pack('<HH', 0x0415, 0x04E2)],
            'VarFileInfo Translation is exactly (0x0415, 0x04E2)', repr(translation))


def template_files():
    """{resource name: file path} as resources/templates.rc lists them."""
    out = {}
    with open(TEMPLATES_RC, encoding='utf-8') as f:
        for line in f:
            m = re.match(r'^(PLIK\d+T)\s+RCDATA\s+"([^"]+)"', line)
            if m:
                out[m.group(1)] = os.path.join(os.path.dirname(TEMPLATES_RC), m.group(2))
    return out


def check_templates(r, res):
    expected = ['PLIK%dT' % i for i in range(1, 23)]
    files = template_files()
    r.check(sorted(files) == sorted(expected), 'templates.rc lists PLIK1T..PLIK22T', repr(sorted(files)))
    rcdata = sorted(k[1] for k in res if k[0] == RT_RCDATA)
    r.check(rcdata == sorted(expected), 'RCDATA resources are exactly PLIK1T..PLIK22T', repr(rcdata))
    for name in expected:
        entry = res.get((RT_RCDATA, name), {})
        langs = sorted(entry)
        ok = langs == [LANG_POLISH]
        if ok and name in files:
            with open(files[name], 'rb') as f:
                want = f.read()
            got = entry[LANG_POLISH]
            diff = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
            detail = '' if got == want else '%d bytes, file has %d, first difference at byte %d' % (
                len(got), len(want), diff)
            r.check(got == want, '%s: language 1045 only, bytes equal %s' % (name, os.path.basename(files[name])),
                    detail)
        else:
            r.check(False, '%s: language 1045 only' % name, 'languages %r' % langs)


def main(argv):
    exe = argv[1] if len(argv) > 1 else DEFAULT_EXE
    r = Report()
    try:
        with open(exe, 'rb') as f:
            pe = PE(f.read())
        check_header(r, pe)
        check_imports(r, pe)
        res = pe.resources()
        check_icon_and_bitmaps(r, res)
        check_manifest(r, res)
        check_version(r, res)
        check_templates(r, res)
    except (OSError, Malformed, struct.error, ValueError, IndexError) as e:
        r.check(False, 'reading %s' % exe, '%s: %s' % (type(e).__name__, e))
    print('%d passed, %d failed' % (r.passed, r.failed))
    return 1 if r.failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
