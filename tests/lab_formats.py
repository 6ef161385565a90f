#!/usr/bin/env python3
"""One made-up sample of cats written as each lab program writes it, read
back by mpplan: the panel table must be the same from every format.

The sample has the shape of a colony study (9 microsatellite loci, 17
colonies, 237 cats named by colony, some genotypes missing, 2-digit allele
codes) and is written as Genepop (0913), STRUCTURE (two rows per cat with a
population and a PopFlag column, no marker names, -9 missing; and one row per
cat with marker names), FSTAT (.dat, the leading zeros of a code dropped, as
some programs write it) and GENETIX (.gtx, 3 digits an allele, 000 missing).

Usage: lab_formats.py MPPLAN [FOLDER]   (FOLDER: keep the files there)
"""
import os
import random
import subprocess
import sys
import tempfile

LOCI = ["fca8", "fca23", "fca43", "fca45", "fca77", "fca78", "fca90", "fca96", "fca37"]
COLONIES = 17
CATS = 237


def make_sample(seed=20261210):
    rng = random.Random(seed)
    sizes = [CATS // COLONIES] * COLONIES
    for c in range(CATS - sum(sizes)):
        sizes[c] += 1
    # Each locus: alleles 1..n (some codes skipped, so labels are not a
    # plain count) with uneven weights.
    alleles = []
    for _ in LOCI:
        codes = sorted(rng.sample(range(1, 19), rng.randint(6, 16)))
        weights = [rng.random() ** 2 + 0.02 for _ in codes]
        alleles.append((codes, weights))
    cats = []
    for colony, size in enumerate(sizes):
        for n in range(size):
            genotype = []
            for codes, weights in alleles:
                if rng.random() < 0.03:
                    genotype.append(None)
                else:
                    genotype.append(tuple(rng.choices(codes, weights, k=2)))
            cats.append(("N%d" % (100 + len(cats)), colony, genotype))
    return cats


def genepop(cats):
    rows = ["Made-up cats, 9 loci", ", ".join(LOCI)]
    colony = -1
    for name, c, genotype in cats:
        if c != colony:
            rows.append("Pop")
            colony = c
        codes = ["0000" if g is None else "%02d%02d" % g for g in genotype]
        rows.append("%s, %s" % (name, " ".join(codes)))
    return "\n".join(rows) + "\n"


def structure_two_rows(cats):
    rows = []
    for name, c, genotype in cats:
        for slot in range(2):
            alleles = ["-9" if g is None else str(g[slot]) for g in genotype]
            rows.append(" ".join([name, str(c + 1), "1"] + alleles))
    return "\n".join(rows) + "\n"


def structure_one_row(cats):
    rows = [" ".join(LOCI)]
    for name, c, genotype in cats:
        alleles = []
        for g in genotype:
            alleles += ["-9", "-9"] if g is None else [str(g[0]), str(g[1])]
        rows.append("\t".join([name, str(c + 1)] + alleles))
    return "\n".join(rows) + "\n"


def fstat(cats):
    rows = ["%d %d %d %d" % (COLONIES, len(LOCI), 18, 2)] + LOCI
    for name, c, genotype in cats:
        codes = ["0" if g is None else str(g[0] * 100 + g[1]) for g in genotype]
        rows.append(" ".join(["%2d" % (c + 1)] + codes))
    return "\n".join(rows) + "\n"


def genetix(cats):
    rows = ["  %d" % len(LOCI), "  %d" % COLONIES]
    for locus in range(len(LOCI)):
        seen = sorted({a for _, _, g in cats if g[locus] for a in g[locus]})
        rows.append(LOCI[locus])
        rows.append("  %d %s" % (len(seen), " ".join("%03d" % a for a in seen)))
    for colony in range(COLONIES):
        members = [cat for cat in cats if cat[1] == colony]
        rows.append("P%02d" % (colony + 1))
        rows.append("  %d" % len(members))
        for name, _, genotype in members:
            codes = ["000000" if g is None else "%03d%03d" % g for g in genotype]
            rows.append("%-10s %s" % (name, " ".join(codes)))
    return "\n".join(rows) + "\n"


def plink(cats):
    rows = []
    for name, c, genotype in cats:
        alleles = []
        for g in genotype:
            alleles += ["0", "0"] if g is None else [str(g[0]), str(g[1])]
        rows.append(" ".join(["P%02d" % (c + 1), name, "0", "0", "0", "-9"] + alleles))
    return "\n".join(rows) + "\n"


def plink_map():
    return "".join("1\t%s\t0\t%d\n" % (locus, 1000 * (n + 1)) for n, locus in enumerate(LOCI))


def vcf(cats):
    # Alleles indexed in order of first appearance, as a caller would list
    # REF and ALT; every cat in one column, the colonies in a groups file.
    rows = ["##fileformat=VCFv4.2",
            "\t".join(["#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT"]
                      + [name for name, _, _ in cats])]
    for locus, name in enumerate(LOCI):
        seen = []
        for _, _, g in cats:
            for a in g[locus] or ():
                if a not in seen:
                    seen.append(a)
        calls = ["./." if g[locus] is None else "%d/%d" % tuple(seen.index(a) for a in g[locus])
                 for _, _, g in cats]
        rows.append("\t".join(["1", str(locus + 1), name, str(seen[0]),
                               ",".join(str(a) for a in seen[1:]), ".", ".", ".", "GT"] + calls))
    return "\n".join(rows) + "\n"


def groups(cats):
    return "individual,group\n" + "".join("%s,P%02d\n" % (name, c + 1) for name, c, _ in cats)


def panel(mpplan, path, *options):
    run = subprocess.run([mpplan, "panel", path, *options], capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit("%s: mpplan panel failed:\n%s" % (path, run.stderr))
    return run.stdout, run.stderr


def without_locus_names(table):
    return [row.split(",", 1)[1] for row in table.splitlines()]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    if len(sys.argv) > 2:
        os.makedirs(sys.argv[2], exist_ok=True)
        check(sys.argv[1], sys.argv[2])
    else:
        with tempfile.TemporaryDirectory(prefix="lab-formats-") as folder:
            check(sys.argv[1], folder)


def check(mpplan, folder):
    cats = make_sample()
    files = {
        "cats.gen": genepop(cats),
        "cats.str": structure_two_rows(cats),
        "cats-named.str": structure_one_row(cats),
        "cats.dat": fstat(cats),
        "cats.gtx": genetix(cats),
        "cats.ped": plink(cats),
        "cats.vcf": vcf(cats),
    }
    for name, text in files.items():
        with open(os.path.join(folder, name), "w") as out:
            out.write(text)
    with open(os.path.join(folder, "cats.map"), "w") as out:
        out.write(plink_map())
    with open(os.path.join(folder, "colonies.csv"), "w") as out:
        out.write(groups(cats))
    failures = []
    reference, _ = panel(mpplan, os.path.join(folder, "cats.gen"))
    if len(reference.splitlines()) != len(LOCI) + 2:
        failures.append("cats.gen: the table has not a row per locus and one combined:\n"
                        + reference)
    for name in files:
        options = ["--groups", os.path.join(folder, "colonies.csv")] if name == "cats.vcf" else []
        table, notes = panel(mpplan, os.path.join(folder, name), *options)
        # Only the unnamed STRUCTURE file numbers its loci.
        if name == "cats.str":
            same = without_locus_names(table) == without_locus_names(reference)
            if "column 3 not loci" not in notes.replace("columns 2-3", "column 3"):
                failures.append("cats.str: the PopFlag column is not said to be read as "
                                "no locus:\n" + notes)
        else:
            same = table == reference
        if not same:
            failures.append("%s gives another table:\n%s\nwhere cats.gen gives:\n%s"
                            % (name, table, reference))
        if "warning" in notes:
            failures.append("%s: unexpected warning:\n%s" % (name, notes))
    if failures:
        sys.exit("\n\n".join(failures))
    print("the same panel from %d formats (%s)" % (len(files), folder))


if __name__ == "__main__":
    main()
