\name{study_of}
\alias{study_of}
\title{The study file of a design}
\description{The study file the \code{mpdetect} dialogue reads, made from a
population sample, and its allele legend (\code{mpplan study}).}
\usage{
study_of(x, sires = NULL, shares = NULL, mother = NULL, pop = NULL, loci = NULL,
         pool_rare = FALSE, as_is = FALSE, format = NULL, structure = NULL)
}
\arguments{
\item{x, sires, shares, mother, pop, loci, pool_rare, as_is, format, structure}{as for
  every function: see \link{mpdetect-inputs}.}
}
\value{A list: \code{study}, the study file's text; \code{legend}, a data frame
(\code{locus}, \code{index}, \code{allele}) mapping each allele index back to
its label.}
\examples{
if (requireNamespace("adegenet", quietly = TRUE)) {
  data(nancycats, package = "adegenet")
  design <- study_of(nancycats, pop = 1, shares = c(0.7, 0.3))
  cat(design$study)
  head(design$legend)
}
}
