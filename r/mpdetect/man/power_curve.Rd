\name{power_curve}
\alias{power_curve}
\alias{plot.mpdetect_curve}
\alias{smallest_sizes}
\title{Probability of detecting multiple paternity against brood size}
\description{Estimates, for every design, the probability that the genotypes
of a mother and her brood reveal more than one father, at each brood size,
from one seed (\code{mpplan curve}); 50000 simulated broods per estimate.}
\usage{
power_curve(x, sires = NULL, shares = NULL, mother = NULL, sizes = 1:100,
            target = 0.95, seed = NULL, pop = NULL, loci = NULL, pool_rare = FALSE,
            as_is = FALSE, format = NULL, threads = 1L, max_trials = 1000000,
            trials = NULL, min_loci = 1L, dropout = 0, false_allele = 0,
            structure = NULL, verdict = "alleles", false_detection = 0.01,
            error_allowance = 0.01)
smallest_sizes(curve)
\method{plot}{mpdetect_curve}(x, main = "Probability of detecting multiple paternity", ...)
}
\arguments{
\item{x}{the input (see \link{mpdetect-inputs}); several in a list. For
  \code{plot}, a curve.}
\item{sires, shares, mother, pop, loci, pool_rare, as_is, format, seed, threads, min_loci,
  structure}{see
  \link{mpdetect-inputs}.}
\item{trials}{trials per estimate: by default 50000, as the dialogue's, for the
  allele rule; for the likelihood verdict, broods of each of its three sets
  (calibration, single sire, design), 16 / \code{false_detection} and at least
  1000.}
\item{verdict}{\code{"alleles"} (several fathers where a locus shows more
  paternal alleles than one father has: the dialogue's rule) or
  \code{"likelihood"} (the likelihood of two fathers against one, over the best
  split of the brood, above a threshold calibrated on single-sire broods of the
  design so that one sire is called several in at most \code{false_detection}
  of broods; it uses SNPs, which the allele rule cannot).}
\item{false_detection}{the share of single-sire broods the likelihood verdict
  may call several (from 0.0001 to 0.5); with genotyping errors under the allele
  rule, the most a size reaching the target may show.}
\item{error_allowance}{the false-allele rate the likelihood verdict reads each
  allele call with where the design has no errors (0 to 0.5; 0: none).}
\item{dropout, false_allele}{genotyping error rates, from 0 to 0.5: the chance
  that a heterozygous genotype is read as a homozygote, and that an allele call
  is read as another allele of the locus (Wang 2004). With either above 0 each
  design has a single-sire companion whose detections are false ones.}
\item{sizes}{brood sizes from 1 to 1000 in even steps.}
\item{target}{the probability to reach.}
\item{max_trials}{trials an estimate whose 95 \% interval holds the target may go
  on to, until the interval lies on one side (50000: none).}
\item{curve}{a result of \code{power_curve}.}
\item{main}{the figure's title; the seed is written under it.}
\item{...}{passed to \code{plot}.}
}
\value{A data frame of class \code{mpdetect_curve}: \code{design} (when there
are several), \code{brood_size}, \code{probability}, \code{standard_error},
\code{ci_low}, \code{ci_high}, \code{ceiling}, \code{decision} (\code{"reaches"},
\code{"below"} or \code{"open"}, by the interval; \code{"too_many_false"} where
errors make one sire look like several too often) and the \code{refined_} columns
where a decision took more trials, and with genotyping errors or the
likelihood verdict \code{false_detection}, \code{false_detection_ci_low} and
\code{false_detection_ci_high} (the single sire's), with the attributes \code{seed} and
\code{target}. \code{smallest_sizes} gives each design's smallest size
reaching the target (\code{NA} where none does). \code{plot} draws the figure
\code{mpplan curve --plot} draws: a title with the seed, the curves with the
target and each design's smallest size marked, in light grey each design's
\code{ceiling}, the chance that two or more sires father the brood, with
genotyping errors each design's false detections dotted, and a legend that
names the designs, the ceiling and the target.}
\details{A long run can be interrupted from the console; in an interactive
session it reports its progress.}
\examples{
if (requireNamespace("adegenet", quietly = TRUE)) {
  data(nancycats, package = "adegenet")
  curve <- power_curve(nancycats, shares = list(c(0.5, 0.5), c(0.8, 0.2)),
                       sizes = 1:20, seed = 1)
  smallest_sizes(curve)
  plot(curve)
}
}
