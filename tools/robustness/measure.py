#!/usr/bin/env python3
"""Peak memory and time of one compiler binary on each hostile input.

    tools/robustness/measure.py ORVELC

Writes the inputs into a scratch folder, runs ORVELC on each under
/usr/bin/time -v and prints a Markdown table (status, seconds, peak KB).
"""
import os, shutil, struct, subprocess, sys, tempfile

HEAD = 'unit "Guard"\n{\n    int a;\n    int r[];\n    state Idle\n    {\n'
TAIL = '\n        return Idle;\n    }\n}\n'
M = 1000000
BIG = 'abcdefghij' * (1024 * 1024)


def inputs():
    yield 'garbage_1mb', os.urandom(1 << 20)
    yield 'parens_1m', HEAD + '        a = ' + '(' * M + '1;' + TAIL
    yield 'braces_1m', HEAD + '{' * M + TAIL
    yield 'ifs_1m', HEAD + 'if (a) ' * M + 'a = 1;' + TAIL
    yield 'brackets_1m', HEAD + '        a = ' + 'r[' * M + '0;' + TAIL
    yield 'calls_1m', HEAD + '        a = ' + 'Rand(' * M + '0;' + TAIL
    yield 'sums_1m', HEAD + '        a = ' + 'a + (' * M + '0;' + TAIL
    yield 'bare_parens_1m', '(' * M
    yield 'identifier_10mb', 'unit "Guard"\n{\n    int ' + BIG + ';\n}\n'
    yield 'string_10mb', HEAD + '        a = "' + BIG + '";' + TAIL
    yield 'open_string_10mb', HEAD + '        a = "' + BIG
    yield 'open_comment_10mb', HEAD + '/*' + BIG
    yield 'statements_100k', HEAD + '        a = a + 1;\n' * 100000 + TAIL


def run(binary, cwd, args):
    r = subprocess.run(['/usr/bin/time', '-v', binary, '-w-'] + args, cwd=cwd,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    info = {}
    for line in r.stderr.splitlines():
        key, _, value = line.strip().rpartition(': ')
        info[key] = value
    wall = info.get('Elapsed (wall clock) time (h:mm:ss or m:ss)', '?')
    return r.returncode, wall, info.get('Maximum resident set size (kbytes)', '?')


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    binary = os.path.abspath(sys.argv[1])
    tmp = tempfile.mkdtemp()
    try:
        print('| input | exit | wall | peak KB |\n|---|---|---|---|')
        for name, text in inputs():
            path = os.path.join(tmp, name + '.oc')
            with open(path, 'wb') as f:
                f.write(text if isinstance(text, bytes) else text.encode())
            rc, wall, peak = run(binary, tmp, [path, os.path.join(tmp, 'out.obj')])
            print('| %s | %d | %s | %s |' % (name, rc, wall, peak))
        # 300 files each including the next
        for i in range(300):
            with open(os.path.join(tmp, 'f%d.h' % i), 'w') as f:
                f.write('include "f%d.h"\n' % (i + 1))
        with open(os.path.join(tmp, 'chain.oc'), 'w') as f:
            f.write('include "f0.h"\nunit "Guard"\n{\n}\n')
        rc, wall, peak = run(binary, tmp, ['chain.oc', 'out.obj'])
        print('| include_chain_300 | %d | %s | %s |' % (rc, wall, peak))
        bindir = os.path.join(tmp, 'bin')
        os.makedirs(bindir)
        copy = os.path.join(bindir, 'orvelc')
        shutil.copy(binary, copy)
        with open(os.path.join(bindir, 'language.lan'), 'wb') as f:
            f.write(b'LAN\0' + struct.pack('<II', 1, 1000000000) + struct.pack('<I', 5) + b'Guard' + struct.pack('<I', 1) + b'W')
        with open(os.path.join(tmp, 'g.oc'), 'w') as f:
            f.write('unit "Guard"\n{\n    state Idle\n    {\n        return Idle;\n    }\n}\n')
        rc, wall, peak = run(copy, tmp, ['g.oc', 'out.obj'])
        print('| language_lan_billion_pairs (valid script) | %d | %s | %s |' % (rc, wall, peak))
        os.remove(os.path.join(bindir, 'language.lan'))
        with open(os.path.join(bindir, 'OrvelCEx.idx'), 'wb') as f:
            f.write(os.urandom(4 << 20))
        rc, wall, peak = run(copy, tmp, ['g.oc', 'out.obj'])
        print('| index_4mb_binary (valid script) | %d | %s | %s |' % (rc, wall, peak))
    finally:
        shutil.rmtree(tmp)


if __name__ == '__main__':
    main()
