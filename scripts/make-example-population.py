#!/usr/bin/env python3
"""Writes examples/population.gen: a made-up microsatellite sample in Genepop
format, for the README's planning example and the tests. Two samples of 40
individuals at 8 loci of 5 to 13 alleles (fragment sizes in steps of 2 or 4),
a few genotypes missing. Deterministic: the same file every run.

    python3 scripts/make-example-population.py > examples/population.gen
"""
import random

rng = random.Random(20261208)
LOCI = [("Mpa01", 5, 142, 2), ("Mpa02", 9, 201, 2), ("Mpa05", 7, 98, 4),
        ("Mpa07", 13, 150, 2), ("Mpa11", 6, 230, 4), ("Mpa13", 11, 176, 2),
        ("Mpa17", 8, 120, 2), ("Mpa21", 10, 262, 4)]


def frequencies(count):
    # A few common alleles and a tail of rare ones, as in real panels.
    weights = [rng.random() ** 2 + 0.02 for _ in range(count)]
    total = sum(weights)
    return [w / total for w in weights]


def draw(sizes, weights):
    return rng.choices(sizes, weights)[0]


panels = []
for sample in range(2):
    panel = []
    for name, count, first, step in LOCI:
        sizes = [first + step * k for k in range(count)]
        panel.append((sizes, frequencies(count)))
    panels.append(panel)

print("Made-up sample for the mpplan example: 8 microsatellite loci, 2 samples")
print(", ".join(name for name, *_ in LOCI))
for sample, panel in enumerate(panels):
    print("Pop")
    for n in range(40):
        codes = []
        for sizes, weights in panel:
            if rng.random() < 0.03:
                codes.append("000000")
            else:
                codes.append("%03d%03d" % (draw(sizes, weights), draw(sizes, weights)))
        print("%s%02d, %s" % ("NA"[sample], n + 1, " ".join(codes)))
