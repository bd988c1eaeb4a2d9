#!/usr/bin/env python3
"""Rebuilds the committed fuzz seed corpora under tests/fuzz/corpus/.

    tools/robustness/make-seeds.py ORVELC

compile:  the example scripts and the accepted or rejected test scripts up to
          4 KB, plus seeds that use includes ("//@@" separates the files).
language: valid language.lan files and damaged ones (cut, lying counts).
index:    OrvelCEx.idx texts: names, comments, blanks, a duplicate, binary.
object:   object bodies (first byte 0: deflated by the target) and whole
          files (first byte 1) of scripts compiled by ORVELC, cut and lying.
"""
import hashlib, os, shutil, struct, subprocess, sys, tempfile, zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
CORPUS = os.path.join(ROOT, 'tests', 'fuzz', 'corpus')
SPLIT = b'\n//@@\n'


def put(target, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    name = hashlib.sha1(data).hexdigest()[:16]
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)


def scripts():
    found = [os.path.join(ROOT, 'examples', n) for n in sorted(os.listdir(os.path.join(ROOT, 'examples')))]
    for base, _, files in sorted(os.walk(os.path.join(ROOT, 'tests', 'data', 'cases'))):
        for n in sorted(files):
            if n.endswith('.oc') and os.path.getsize(os.path.join(base, n)) <= 4096:
                found.append(os.path.join(base, n))
    return found


def compile_seeds():
    for p in scripts():
        put('compile', open(p, 'rb').read())
    guard = open(os.path.join(ROOT, 'examples', 'guard.oc'), 'rb').read()
    put('compile', b'include "1.h"\n' + SPLIT + guard)
    put('compile', b'include "1.h"\n' + SPLIT + b'include "2.h"\n' + SPLIT + guard)
    put('compile', b'include "1.h"\n' + guard + SPLIT + b'include "1.h"\n')
    put('compile', b'include "main.oc"\n' + guard)
    put('compile', b'include "9.h"\n' + guard)
    put('compile', guard.replace(b'alarms + 1;', b'alarms + 1;\n        while (alarms) { if (alarms > 9) break; continue; }'))
    put('compile', b'unit "X"\n{\n    int a;\n    state S\n    {\n        a = ((((1 + 2) * 3) - 4) / 5);\n        return S;\n    }\n}\n')


def lan(pairs, count=None):
    data = b'LAN\0' + struct.pack('<II', 1, len(pairs) if count is None else count)
    for k, v in pairs:
        data += struct.pack('<I', len(k)) + k + struct.pack('<I', len(v)) + v
    return data


def language_seeds():
    pairs = [(b'Guard', b'Wache'), (b'Tank', b'Panzer'), (b'guard', b'again')]
    good = lan(pairs)
    put('language', good)
    put('language', lan([]))
    put('language', good[:-3])
    put('language', lan(pairs, 1000000000))
    put('language', lan(pairs[:1], 0xFFFFFFFF))
    put('language', good[:12] + struct.pack('<I', 0x7FFFFFFF) + b'abc')
    put('language', b'LAN\0' + struct.pack('<II', 2, 1))
    put('language', b'NAL\0' + good[4:])


def index_seeds():
    put('index', b'Guard\nTank platoon\n\n// a comment\n  Scout  \n')
    put('index', b'alpha\nbeta\nALPHA\n')
    put('index', b'x' * 300 + b'\nshort\n')
    put('index', b'one\r\ntwo\r\n')
    put('index', bytes(range(256)))
    put('index', b'Guard\n')


def object_seeds(orvelc):
    tmp = tempfile.mkdtemp()
    try:
        i = 0
        for p in scripts():
            if i == 12:
                break
            out = os.path.join(tmp, 'o%d.obj' % i)
            r = subprocess.run([orvelc, '-g', '12345678-9abc-def0-0102-030405060708', p, out],
                               cwd=os.path.dirname(p), stdout=subprocess.DEVNULL)
            if r.returncode != 0 or not os.path.exists(out):
                continue
            i += 1
            whole = open(out, 'rb').read()
            at = whole.find(b'\x78\x9c')
            body = zlib.decompressobj().decompress(whole[at:])
            put('object', b'\0\0' + body[:4096])
            if i % 4 == 0:
                put('object', b'\1\x40' + whole)
                put('object', b'\1\x40' + whole[:len(whole) // 2])
                put('object', b'\0\x40' + body[:len(body) // 2])
                lie = bytearray(body)
                lie[12:16] = struct.pack('<I', 0x40000000)
                put('object', b'\0\x40' + bytes(lie))
    finally:
        shutil.rmtree(tmp)


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    shutil.rmtree(CORPUS, ignore_errors=True)
    compile_seeds()
    language_seeds()
    index_seeds()
    object_seeds(os.path.abspath(sys.argv[1]))
    for t in sorted(os.listdir(CORPUS)):
        d = os.path.join(CORPUS, t)
        print(t, len(os.listdir(d)), 'seeds', sum(os.path.getsize(os.path.join(d, f)) for f in os.listdir(d)), 'bytes')
