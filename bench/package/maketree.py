#!/usr/bin/env python3
"""Writes the benchmark tree: about 1,500 files and 150 MB, text and random data.

maketree.py DIR [FILES] [MEGABYTES] -- deterministic for a given size.
"""
import os
import random
import sys

root = sys.argv[1]
files = int(sys.argv[2]) if len(sys.argv) > 2 else 1500
total = (int(sys.argv[3]) if len(sys.argv) > 3 else 150) << 20

rng = random.Random(1234)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 10)))
         for _ in range(5000)]


def text(size):
    lines = []
    length = 0
    while length < size:
        line = ' '.join(rng.choice(words) for _ in range(rng.randint(3, 14))) + '\n'
        lines.append(line)
        length += len(line)
    return ''.join(lines).encode()[:size]


# Sizes: a spread around the mean with a few large files; 60 % text, 40 % random.
weights = [rng.paretovariate(1.6) for _ in range(files)]
scale = total / sum(weights)
for i, weight in enumerate(weights):
    size = max(1, int(weight * scale))
    directory = os.path.join(root, 'pkg%02d' % (i % 17), 'sub%d' % (i % 5))
    os.makedirs(directory, exist_ok=True)
    if i % 5 < 3:
        name, data = 'file%04d.txt' % i, text(size)
    else:
        name, data = 'blob%04d.bin' % i, os.urandom(size)
    with open(os.path.join(directory, name), 'wb') as out:
        out.write(data)
