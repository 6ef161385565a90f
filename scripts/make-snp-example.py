#!/usr/bin/env python3
"""Writes examples/snp-population.vcf: a made-up SNP panel as a lab's VCF
file holds it, for the README's likelihood example and the benchmarks. 100
SNPs on two chromosomes whose minor alleles run evenly from 0.05 to 0.5,
80 individuals drawn under Hardy-Weinberg, genotypes unphased, about 1 %
missing. Deterministic: the same file every run.

    python3 scripts/make-snp-example.py > examples/snp-population.vcf

With a count, that many SNPs (the benchmarks choose 96 of 2000), their
minor alleles spread the same way:

    python3 scripts/make-snp-example.py 2000 > candidates.vcf
"""
import random
import sys

rng = random.Random(20261210)
SNPS = int(sys.argv[1]) if len(sys.argv) > 1 else 100
INDIVIDUALS = 80
BASES = "ACGT"

print("##fileformat=VCFv4.2")
print("##source=scripts/make-snp-example.py")
print('##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">')
samples = ["ind%03d" % (n + 1) for n in range(INDIVIDUALS)]
print("\t".join(["#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT"]
                + samples))
for snp in range(SNPS):
    minor = 0.05 + 0.45 * snp / (SNPS - 1)
    ref = rng.choice(BASES)
    alt = rng.choice([b for b in BASES if b != ref])
    calls = []
    for _ in samples:
        if rng.random() < 0.01:
            calls.append("./.")
            continue
        alleles = sorted(int(rng.random() < minor) for _ in range(2))
        calls.append("%d/%d" % tuple(alleles))
    chrom = "chr1" if snp < SNPS // 2 else "chr2"
    position = 10000 + 7919 * (snp % (SNPS // 2))
    print("\t".join([chrom, str(position), "snp%03d" % (snp + 1) if SNPS < 1000
                     else "snp%04d" % (snp + 1), ref, alt, ".", "PASS", ".",
                     "GT"] + calls))
