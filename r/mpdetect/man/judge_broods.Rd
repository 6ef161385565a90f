\name{judge_broods}
\alias{judge_broods}
\title{Judge genotyped broods, and correct the share with several sires}
\description{Judges each brood (one sample per brood: its mother and her
offspring) as the simulation judges, estimates the probability that the
design could reveal multiple paternity in it, and from both the share of
broods with more than one sire, with its 95 \% interval (\code{mpplan
broods}).}
\usage{
judge_broods(x, mothers = "first", population = NULL, sires = NULL, shares = NULL,
             seed = NULL, pop = NULL, loci = NULL, pool_rare = FALSE, as_is = FALSE,
             format = NULL, threads = 1L, min_loci = 1L, structure = NULL,
             verdict = NULL, false_detection = 0.01, error_allowance = 0.01,
             dropout = 0, false_allele = 0)
}
\arguments{
\item{x}{the broods (see \link{mpdetect-inputs}).}
\item{mothers}{\code{"first"} (each brood's first individual), the mothers'
  identifiers, or a regular expression their identifiers match.}
\item{population}{a population sample to take the allele frequencies from
  (default: the mothers alone); \code{pop} chooses its sample.}
\item{sires, shares, seed, pop, loci, pool_rare, as_is, format, threads, min_loci,
  structure}{see
  \link{mpdetect-inputs}.}
\item{verdict, false_detection, error_allowance}{\code{"likelihood"} judges each
  brood by the likelihood of two fathers against one, against a threshold from
  500 single-sire broods of its own design, and corrects the share for each
  brood's chance of calling one sire several, counted on the same broods,
  each against the threshold of the others (see \link{power_curve});
  \code{"alleles"} by the allele rule. \code{NULL}: the likelihood when the
  broods are read with errors, else the allele rule.}
\item{dropout, false_allele}{genotyping error rates the broods are read with.
  Under the allele rule the share is then corrected for each brood's chance
  of showing several fathers when it has one, measured on single-sire broods
  read with the same errors.}
}
\value{A data frame, one row per brood (and design, in a column
\code{design} when there are several): \code{brood}, \code{mother} (her
identifier, empty when none was found), \code{offspring}, \code{loci_typed}
(loci at which the brood is judged), \code{revealed} (1 when the genotypes
reveal more than one father), \code{revealing_loci}, \code{min_sires} (the
fewest fathers that explain every locus together), \code{min_sires_per_locus}
(the paternal alleles at a locus halved, the largest over the loci),
\code{mismatches} (offspring
genotypes that carry neither allele of the mother) and
\code{detection_probability} (the chance that a brood of its size, loci and
mother, with several sires, reveals them under the design); under the
likelihood verdict also \code{statistic}, \code{threshold},
\code{false_detection_probability} and \code{likely_sires}, under the allele
rule with errors \code{false_detection_probability}; with the
attributes
\code{mismatches} (a data frame of the offspring that carry neither allele
of their mother: \code{brood}, \code{offspring}, \code{locus},
\code{mother_genotype}, \code{offspring_genotype}), \code{summary} (per
design: \code{broods}, \code{revealed}, \code{observed_share}, the
\code{estimated_share} of broods with several sires, corrected for what
each brood could reveal, and its interval \code{ci_low} to \code{ci_high}), under the likelihood
verdict \code{families} (each offspring's father by its brood's best split:
\code{brood}, \code{offspring}, \code{father}, \code{support}) and
\code{fathers} (each brood's fathers: \code{brood}, \code{father},
\code{offspring}, \code{share}, then his genotype at each locus where his
offspring make it at least 0.95 likely, else \code{"?"}),
and \code{seed}.}
\examples{
if (requireNamespace("adegenet", quietly = TRUE)) {
  data(nancycats, package = "adegenet")
  # Not broods, but a sample per colony read as one: the first cat of
  # each as the "mother", only to show the call.
  broods <- judge_broods(nancycats[adegenet::pop(nancycats) \%in\% c("P01", "P02")], seed = 1)
  attr(broods, "summary")
}
}
