\name{rank_loci}
\alias{rank_loci}
\title{Which loci matter}
\description{The estimate at one brood size with each locus alone, without
each locus, and adding loci one at a time, the best first (\code{mpplan
loci}).}
\usage{
rank_loci(x, size, seed = NULL, sires = NULL, shares = NULL, mother = NULL, pop = NULL,
          loci = NULL, pool_rare = FALSE, as_is = FALSE, format = NULL, threads = 1L,
          min_loci = 1L)
}
\arguments{
\item{x, seed, sires, shares, mother, pop, loci, pool_rare, as_is, format, threads,
  min_loci}{see
  \link{mpdetect-inputs}.}
\item{size}{the brood size, from 1 to 100.}
}
\value{A data frame with \code{mpplan loci}'s columns and the attribute
\code{seed}.}
\examples{
if (requireNamespace("adegenet", quietly = TRUE)) {
  data(nancycats, package = "adegenet")
  rank_loci(nancycats, size = 6, seed = 1)
}
}
