#!/usr/bin/env python3
"""Compares two frame traces (JSON Lines), member by member by name.

    compare_traces.py [--max N] [--frames K] EXPECTED ACTUAL

Either file may be `-` for standard input, and a file ending in .gz is read
through gzip. Records are paired in order; members are matched by name, so
their order does not matter, and numbers are compared as numbers (3 equals
3.0). The first K frames that differ (default 1) are reported, each with its
differing members (at most N of them, default 20).

Exit status: 0 when the traces are equal, 1 when they differ, 2 when a file
cannot be read or is not a trace.
"""

import gzip
import json
import sys

DRAGONFLY_FIELDS = ['x', 'y', 'hitHeight', 'pattern', 'heading', 'fallTime',
                    'alive']


class BadInput(Exception):
    pass


def read_trace(path):
    """The records of a trace file as a list of (line number, dict)."""
    try:
        if path == '-':
            text = sys.stdin.read()
        elif path.endswith('.gz'):
            with gzip.open(path, 'rt', encoding='utf-8') as f:
                text = f.read()
        else:
            with open(path, encoding='utf-8') as f:
                text = f.read()
    except (OSError, EOFError, UnicodeDecodeError) as e:
        raise BadInput('%s: cannot read: %s' % (path, e))
    records = []
    for lineno, line in enumerate(text.splitlines(), 1):
        if not line.strip():
            continue
        try:
            rec = json.loads(line)
        except ValueError as e:
            raise BadInput('%s:%d: not JSON: %s' % (path, lineno, e))
        if not isinstance(rec, dict):
            raise BadInput('%s:%d: not a JSON object' % (path, lineno))
        records.append((lineno, rec))
    return records


def is_number(v):
    return isinstance(v, (int, float)) and not isinstance(v, bool)


def same(a, b):
    if is_number(a) and is_number(b):
        return a == b
    if isinstance(a, list) and isinstance(b, list):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    if isinstance(a, dict) and isinstance(b, dict):
        return a.keys() == b.keys() and all(same(a[k], b[k]) for k in a)
    return type(a) is type(b) and a == b


def show(v):
    return json.dumps(v, separators=(',', ':'))


def diff_list(name, a, b, out, label=None):
    """Differences between two lists, element by element."""
    if len(a) != len(b):
        out.append('%s: %d entries vs %d' % (name, len(a), len(b)))
    for i, (x, y) in enumerate(zip(a, b)):
        if not same(x, y):
            out.append('%s[%d]: expected %s, actual %s'
                       % (name, i, show(x), show(y)))
            if label:
                out[-1] += label(i, x, y)
            return
    if len(a) != len(b):
        longer, which = (a, 'expected') if len(a) > len(b) else (b, 'actual')
        i = min(len(a), len(b))
        out[-1] += '; first extra (%s) %s[%d] = %s' % (which, name, i, show(longer[i]))


def dragonfly_fields(i, x, y):
    if isinstance(x, list) and isinstance(y, list) and len(x) == len(y) == 7:
        names = [DRAGONFLY_FIELDS[k] for k in range(7) if not same(x[k], y[k])]
        return ' (%s)' % ', '.join(names)
    return ''


def diff_records(a, b):
    """Human-readable differences between two records, member by member."""
    out = []
    for name in sorted(set(a) - set(b)):
        out.append('%s: only in expected (%s)' % (name, show(a[name])))
    for name in sorted(set(b) - set(a)):
        out.append('%s: only in actual (%s)' % (name, show(b[name])))
    order = [k for k in a if k in b]
    for name in order:
        x, y = a[name], b[name]
        if same(x, y):
            continue
        if isinstance(x, list) and isinstance(y, list):
            diff_list(name, x, y, out,
                      dragonfly_fields if name == 'dragonflies' else None)
        else:
            out.append('%s: expected %s, actual %s' % (name, show(x), show(y)))
    return out


def compare(expected, actual, max_items=20, write=print, max_frames=1):
    """0 when the record lists match, 1 otherwise (after reporting the first
    max_frames frames that differ)."""
    shown = 0
    for i, ((la, a), (lb, b)) in enumerate(zip(expected, actual)):
        diffs = diff_records(a, b)
        if diffs:
            frame = a.get('frame', b.get('frame', '?'))
            write('%s difference in frame %s (record %d; line %d vs %d):'
                  % ('first' if shown == 0 else 'next', frame, i + 1, la, lb))
            for d in diffs[:max_items]:
                write('  ' + d)
            if len(diffs) > max_items:
                write('  ... %d more' % (len(diffs) - max_items))
            shown += 1
            if shown >= max_frames:
                return 1
    if shown:
        return 1
    if len(expected) != len(actual):
        n = min(len(expected), len(actual))
        longer, which = (expected, 'expected') if len(expected) > len(actual) \
            else (actual, 'actual')
        frame = longer[n][1].get('frame', '?')
        write('traces differ in length: expected %d records, actual %d; '
              'first extra record (%s) is frame %s'
              % (len(expected), len(actual), which, frame))
        return 1
    return 0


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    max_items = 20
    max_frames = 1
    files = []
    i = 0
    while i < len(argv):
        if argv[i] == '--max' and i + 1 < len(argv):
            try:
                max_items = int(argv[i + 1])
            except ValueError:
                sys.stderr.write('compare_traces: --max needs a number\n')
                return 2
            i += 2
        elif argv[i] == '--frames' and i + 1 < len(argv):
            try:
                max_frames = int(argv[i + 1])
            except ValueError:
                sys.stderr.write('compare_traces: --frames needs a number\n')
                return 2
            i += 2
        elif argv[i] in ('-h', '--help'):
            print(__doc__.strip())
            return 0
        else:
            files.append(argv[i])
            i += 1
    if len(files) != 2:
        sys.stderr.write('usage: compare_traces.py [--max N] [--frames K] EXPECTED ACTUAL\n')
        return 2
    try:
        expected = read_trace(files[0])
        actual = read_trace(files[1])
    except BadInput as e:
        sys.stderr.write('compare_traces: %s\n' % e)
        return 2
    status = compare(expected, actual, max_items, max_frames=max_frames)
    if status == 0:
        print('traces equal: %d records' % len(expected))
    return status


if __name__ == '__main__':
    sys.exit(main())
