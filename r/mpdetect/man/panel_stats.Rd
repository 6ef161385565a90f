\name{panel_stats}
\alias{panel_stats}
\title{Standard statistics of a marker panel}
\description{Per locus and combined: alleles, individuals typed, observed and
expected heterozygosity, PIC and exclusion probabilities (\code{mpplan
panel}).}
\usage{
panel_stats(x, pop = NULL, loci = NULL, pool_rare = FALSE, as_is = FALSE, format = NULL,
            structure = NULL)
}
\arguments{
\item{x, pop, loci, pool_rare, as_is, format, structure}{see \link{mpdetect-inputs}.}
}
\value{A data frame, one row per locus and a last row \code{combined}:
\code{locus}; \code{alleles}; for genotypes, \code{typed} (individuals
typed) and \code{Ho} (observed heterozygosity); \code{He} (expected
heterozygosity) and, for genotypes, \code{unbiased_He}; \code{PIC}
(polymorphic information content); and the exclusion probabilities
\code{excl_first_parent} (one parent, the other unknown),
\code{excl_second_parent} (one parent, the other known) and
\code{excl_parent_pair} (a pair of parents), each combined over the loci
in the last row. They say whether a given male can be ruled out as a father,
not the probability of detecting multiple paternity.}
\examples{
if (requireNamespace("adegenet", quietly = TRUE)) {
  data(nancycats, package = "adegenet")
  panel_stats(nancycats)
}
}
