\name{rank_loci}
\alias{rank_loci}
\title{Which loci matter}
\description{The estimate at one brood size with each locus alone, without
each locus, and adding loci one at a time, the best first (\code{mpplan
loci}).}
\usage{
rank_loci(x, size, seed = NULL, sires = NULL, shares = NULL, mother = NULL, pop = NULL,
          loci = NULL, pool_rare = FALSE, as_is = FALSE, format = NULL, threads = 1L,
          min_loci = 1L, choose = NULL, screen = 20L, structure = NULL,
          verdict = "alleles", false_detection = 0.01, error_allowance = 0.01)
}
\arguments{
\item{x, seed, sires, shares, mother, pop, loci, pool_rare, as_is, format, threads,
  min_loci, structure}{see
  \link{mpdetect-inputs}.}
\item{size}{the brood size, from 1 to 100.}
\item{choose}{a number of loci: choose a panel of that many from any
  number of candidate loci by forward selection (\code{mpplan loci --choose}),
  stopping early when no locus adds more than Monte Carlo noise.}
\item{screen}{with \code{choose}, each step after the first tries the
  \code{screen} loci best alone (0: every one).}
\item{verdict}{\code{"alleles"} (the default) or \code{"likelihood"}: with
  \code{choose}, the \code{choose} loci of most information for the
  likelihood verdict (the expected log-likelihood ratio of a brood's true
  families against one), and the verdict's detection with the first 1, 2,
  4, ... of them (\code{mpplan loci --verdict likelihood}).}
\item{false_detection, error_allowance}{the likelihood verdict's rate of
  false detections and the false-allele rate it reads genotypes with.}
}
\value{A data frame with the attribute \code{seed}: \code{analysis}
(\code{"alone"}, each locus by itself, or \code{"forward"}, the loci added
one at a time, the most informative first), \code{locus}, \code{loci} (how
many loci the estimate uses), \code{probability} of detecting multiple
paternity at \code{size} offspring and its \code{standard_error}; with
\code{choose}, one row per locus chosen: \code{step},
\code{locus}, \code{loci}, \code{probability}, \code{standard_error},
\code{gain}, \code{gain_standard_error}, \code{alone}, \code{he} and
\code{pic}; by the likelihood verdict: \code{step}, \code{locus},
\code{information}, \code{information_standard_error}, and where the
verdict was estimated \code{loci}, \code{probability},
\code{standard_error} and \code{false_detection}, then \code{he} and
\code{pic}.}
\examples{
if (requireNamespace("adegenet", quietly = TRUE)) {
  data(nancycats, package = "adegenet")
  rank_loci(nancycats, size = 6, seed = 1)
}
}
