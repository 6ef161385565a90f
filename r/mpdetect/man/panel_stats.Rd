\name{panel_stats}
\alias{panel_stats}
\title{Standard statistics of a marker panel}
\description{Per locus and combined: alleles, individuals typed, observed and
expected heterozygosity, PIC and exclusion probabilities (\code{mpplan
panel}).}
\usage{
panel_stats(x, pop = NULL, loci = NULL, pool_rare = FALSE, as_is = FALSE, format = NULL)
}
\arguments{
\item{x, pop, loci, pool_rare, as_is, format}{see \link{mpdetect-inputs}.}
}
\value{A data frame with \code{mpplan panel}'s columns.}
\examples{
if (requireNamespace("adegenet", quietly = TRUE)) {
  data(nancycats, package = "adegenet")
  panel_stats(nancycats)
}
}
