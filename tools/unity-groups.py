#!/usr/bin/env python3
"""Splits a target's sources into unity batches that cannot see each other's
file-local names.

    unity-groups.py ROOT BATCH LIST

LIST holds "TARGET<tab>FOLDER<tab>FILE" lines, the sources of each target and
the folder whose build file made it. Prints
"TARGET GROUP FILE" for each file compiled in a batch with others of its
target (GROUP a number), and "TARGET - FILE" for one compiled alone; then
"read HEADER" for each project header the grouping depends on.
Files of one batch are compiled as one translation unit, so each sees the
names the files before it declared at file scope (anonymous namespaces,
static functions and variables, macros) and the headers they included. Two
files share a batch only when neither names anything the other declares
file-locally, in its own text or in the project headers it includes, so no
call can resolve to another file's helper and no definition can clash; and
only when both bring the same namespaces into view with using-directives.
A file that takes in the whole std namespace, undefines a macro or belongs
to several targets of one folder is compiled alone. The names
are found by reading the text, so a name this misses can at worst make a
batch fail to compile, never pick another file's overload unseen: a name
declared twice in one translation unit is an error, and a use of a name
counts as a use whatever declares it.
"""
import os
import re
import sys

ROOT = os.path.abspath(sys.argv[1])
BATCH = int(sys.argv[2])
TARGETS = {}
FOLDERS = {}
for line in open(sys.argv[3]):
    fields = line.rstrip('\n').split('\t')
    if len(fields) == 3:
        target, folder, path = fields
        TARGETS.setdefault(target, []).append(path)
        FOLDERS[target] = folder

IDENT = re.compile(r'\b[A-Za-z_]\w*\b')
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
USING = re.compile(r'^\s*using\s+namespace\s+([\w:]+)\s*;', re.M)
KEYWORDS = {'return', 'if', 'for', 'while', 'switch', 'sizeof', 'alignof', 'decltype', 'static_assert',
            'operator', 'TEST', 'TEST_F', 'TEST_P', 'INSTANTIATE_TEST_SUITE_P', 'TYPED_TEST', 'main'}


def code_of(text):
    """The text without comments and string or character literals."""
    text = re.sub(r'//[^\n]*|/\*.*?\*/', ' ', text, flags=re.S)
    text = re.sub(r'R"(\w*)\(.*?\)\1"', '""', text, flags=re.S)
    text = re.sub(r'"(?:\\.|[^"\\\n])*"', '""', text)
    return re.sub(r"'(?:\\.|[^'\\\n])+'", "''", text)


def file_locals(code):
    """Names declared at file scope inside anonymous namespaces or static,
    and macros: what a later file of the batch would see."""
    names = set(re.findall(r'^\s*#\s*define\s+(\w+)', code, re.M))
    depth = 0
    anon = []  # depths at which anonymous namespaces opened
    pending_anon = False
    for line in code.split('\n'):
        s = line.strip()
        if s.startswith('#'):
            continue
        in_anon = bool(anon) and depth == anon[-1]
        if depth == 0 or in_anon:
            local = in_anon or re.match(r'(template\s*<.*>\s*)?(static|constexpr|const)\b', s)
            if local:
                # Whatever a declaration at this level names before its
                # body or initialiser: functions, variables, types, aliases.
                head = re.split(r'[={;]', s, 1)[0]
                head = re.sub(r'\(.*', '(', head) if '(' in head else head
                m = re.search(r'(\w+)\s*(?:\[[^\]]*\])?\s*\(?\s*$', head)
                if m and m.group(1) not in KEYWORDS:
                    names.add(m.group(1))
                for kind in re.finditer(r'\b(?:struct|class|union|enum(?:\s+class)?)\s+(\w+)', s):
                    names.add(kind.group(1))
                m = re.match(r'(?:template\s*<.*>\s*)?using\s+(\w+)\s*=', s)
                if m:
                    names.add(m.group(1))
        opened = line.count('{')
        if re.match(r'namespace\s*\{', s) or (pending_anon and s.startswith('{')):
            anon.append(depth + 1)
            pending_anon = False
        elif re.match(r'namespace\s*$', s):
            pending_anon = True
        depth += opened - line.count('}')
        while anon and depth < anon[-1]:
            anon.pop()
    # Enumerators are seen unqualified: those of every enum count.
    for m in re.finditer(r'\benum\b[^{;]*\{([^}]*)\}', code):
        names.update(re.findall(r'\b([A-Za-z_]\w*)\s*(?:=[^,]*)?(?:,|$)', m.group(1), re.M))
    return names - KEYWORDS


closure_cache = {}


def resolve(path, inc):
    for base in (os.path.dirname(path), ROOT):
        h = os.path.normpath(os.path.join(base, inc))
        if os.path.isfile(h):
            return h
    return None


# Qt's headers define these words as macros: a file that includes Qt gives
# them to the files after it.
QT_INCLUDE = re.compile(r'^\s*#\s*include\s*<Q', re.M)
QT_MACROS = {'signals', 'slots', 'emit', 'foreach', 'forever', 'Q_SIGNALS', 'Q_SLOTS', 'Q_EMIT'}
QT = set()


def includes(path):
    text = open(path, errors='replace').read()
    if QT_INCLUDE.search(text):
        QT.add(path)
    return [h for h in (resolve(path, inc) for inc in INCLUDE.findall(text)) if h]


def header_idents(path):
    """Identifiers of the project headers `path` includes, transitively."""
    headers, todo = set(), includes(path)
    while todo:
        h = todo.pop()
        if h not in headers:
            headers.add(h)
            todo.extend(includes(h))
    out = set()
    for h in headers:
        if h not in closure_cache:
            closure_cache[h] = set(IDENT.findall(code_of(open(h, errors='replace').read())))
        out |= closure_cache[h]
    READ.update(headers)
    return out, bool(QT & (headers | {path}))


READ = set()
info = {}
for f in sorted({f for files in TARGETS.values() for f in files}):
    text = open(f, errors='replace').read()
    code = code_of(text)
    usings = frozenset(USING.findall(code))
    own = set(IDENT.findall(code))
    seen, qt = header_idents(f)
    info[f] = {
        'locals': file_locals(code) | (QT_MACROS if qt else set()),
        'seen': own | seen,
        'usings': usings,
        # A file's batch is a property of the file in its folder's build.
        'alone': len([t for t, files in TARGETS.items() if f in files]) >
                 len({FOLDERS[t] for t, files in TARGETS.items() if f in files}) or any(u == 'std' or u.startswith('std::') and u != 'std::literals' for u in usings)
                 or bool(re.search(r'^\s*#\s*undef\b', code, re.M)),
    }


def clash(a, b):
    return info[a]['usings'] != info[b]['usings'] or info[a]['locals'] & info[b]['seen'] or \
        info[b]['locals'] & info[a]['seen']


def batches(target, files):
    groups = []
    for f in files:
        if info[f]['alone']:
            print(target, '-', f)
            continue
        for g in groups:
            if len(g) < BATCH and not any(clash(f, o) for o in g):
                g.append(f)
                break
        else:
            groups.append([f])
    for n, g in enumerate(groups):
        for f in g:
            print(target, n if len(g) > 1 else '-', f)


for target, files in TARGETS.items():
    batches(target, files)
for h in sorted(READ):
    print('read', h)
