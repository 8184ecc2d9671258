"""Reads the links' lists of removed sections (tools/dead-functions.sh) and
writes OUT/dead.tsv: the functions every link removed."""
import collections, glob, os, re, subprocess, sys

out, bld, src = sys.argv[1:4]
removed = re.compile(r"removing unused section '\.text\.([^']+)' in file '([^']+)'")
links, comdat = {}, set()
for path in glob.glob(os.path.join(out, 'gc-*.txt')):
    gone = set()
    for line in open(path, errors='replace'):
        m = removed.search(line)
        if not m:
            continue
        sym, obj = m.group(1), m.group(2)
        if sym.startswith(('unlikely.', 'hot.', 'startup.', 'exit.')):
            sym = sym.split('.', 1)[1]
        if '[' in sym:  # a section group: an inline function or template
            sym = sym.split('[')[0]
            comdat.add(sym)
        gone.add((obj, sym))
    links[os.path.basename(path)] = gone
# The host's own objects are linked only into the host.
dead = {k for k in set().union(*links.values())
        if (k in links['gc-host.txt'] if 'libvornesk_host.a' in k[0] else all(k in s for s in links.values()))}
# Where each symbol is defined, so an inline function counts as dead only
# when every copy of it was removed.
defined = collections.defaultdict(set)
for archive in glob.glob(os.path.join(bld, 'libvk_*.a')) + glob.glob(os.path.join(bld, '**/libvornesk_host.a'), recursive=True):
    for line in subprocess.run(['nm', '-A', archive], capture_output=True, text=True).stdout.splitlines():
        parts = line.rsplit(' ', 2)
        m = re.match(r'(.*\.a):(.*\.o):', parts[0] + ' ') if len(parts) == 3 else None
        if m and parts[1] in 'WTt':
            defined[parts[2]].add(os.path.abspath(m.group(1)) + '(' + m.group(2) + ')')
sources = collections.defaultdict(list)
for root, _, files in os.walk(src):
    if '/build' in root or '/.git' in root or '/tests' in root:
        continue
    for name in files:
        if name.endswith(('.cpp', '.c')):
            sources[name].append(os.path.relpath(os.path.join(root, name), src))
symbols = sorted({sym for _, sym in dead})
names = dict(zip(symbols, subprocess.run(['c++filt'], input='\n'.join(symbols), capture_output=True,
                                         text=True).stdout.splitlines()))
library_code = re.compile(r'^(?:[\w:<>, *&]* )?(?:std::|__gnu_cxx|__gthread|operator (?:new|delete)|Q[A-Z]\w*[<:]|'
                          r'qMax|qMin|qfloat16|QtPrivate)|\{lambda')
rows, seen = [], set()
for obj, sym in dead:
    if sym in comdat:
        if sym in seen or not all((o, sym) in dead for o in defined.get(sym, {obj})):
            continue
        seen.add(sym)
    name = names.get(sym, sym)
    if library_code.search(name):
        continue
    m = re.match(r'(.*)\((.*)\)$', obj)
    archive, member = (m.group(1), m.group(2)) if m else (obj, os.path.basename(obj))
    lib = os.path.basename(archive).replace('libvk_', '').replace('.a', '').replace('libvornesk_host', 'cli')
    folder = 'platform/appkit' if lib == 'appkit' else lib
    base = member[:-2] if member.endswith('.o') else member
    found = [p for p in sources.get(base, []) if p.startswith(folder + '/')] or sources.get(base, ['?'])
    rows.append((lib, found[0], 'inline' if sym in comdat else 'plain', name, sym))
rows.sort()
with open(os.path.join(out, 'dead.tsv'), 'w') as f:
    f.writelines('\t'.join(r) + '\n' for r in rows)
count = collections.Counter(r[0] for r in rows)
for lib, n in sorted(count.items()):
    print(f'{lib:12} {n}')
print('total', len(rows))
