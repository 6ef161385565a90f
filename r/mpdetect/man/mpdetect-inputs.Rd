\name{mpdetect-inputs}
\alias{mpdetect-inputs}
\title{The inputs and options every function takes}
\description{
Every function of the package runs one command of the \code{mpplan} program
through the same C++ core, and takes its input and options as
\code{mpplan} does.
}
\arguments{
\item{x}{a \code{genind} or \code{genlight} object (adegenet; a
  \code{genlight}'s SNPs as their allele counts), a data frame of genotypes (an
  \code{id} column, else the first; an optional \code{pop} column; then two
  columns per locus, the first named after the locus), a data frame of
  frequencies (\code{locus}, \code{allele}, \code{frequency}), or the path of
  any file \code{mpplan} reads (a study file, Genepop, GenAlEx, STRUCTURE, FSTAT,
  GENETIX, a table of allele counts or a frequency table).}
\item{sires}{numbers of equal sires, one design each.}
\item{shares}{the sires' shares of one design, or a list of several designs'
  (after those of \code{sires}).}
\item{mother}{\code{"drawn"} (from the population and genotyped with the brood;
  \code{"untyped"} is the same), \code{"unsampled"} (never genotyped: each locus
  judged from the offspring alone), an individual's identifier, or her labels
  locus by locus (\code{"135/143,136/146"}); several for several designs.}
\item{pop}{one sample: its position, its name or an individual's identifier.}
\item{loci}{the loci to keep, by name, in that order.}
\item{pool_rare}{pool a locus's rarest alleles into one to fit a study.}
\item{as_is}{run totals that look like percentages or counts unchanged.}
\item{format}{\code{"study"}, \code{"genepop"}, \code{"genalex"},
  \code{"structure"}, \code{"fstat"}, \code{"genetix"}, \code{"counts"} or
  \code{"frequencies"}:
  how to read a file (default: from its content).}
\item{structure}{a STRUCTURE file's rows and columns as its parameter file names
  them, as a named vector (\code{c(POPDATA = 1, POPFLAG = 1, ONEROWPERIND = 0)}) or
  the text \code{"POPDATA=1,POPFLAG=1"} (default: inferred from the file, with a
  message that says how it was read).}
\item{seed}{the generator's seed, a whole number from 0 to 4294967295; when
  \code{NULL}, one is drawn from R's generator (so \code{set.seed} repeats
  it) and said. It is returned with the result.}
\item{threads}{threads the designs run on; the results do not depend on it.}
\item{min_loci}{loci that must each reveal several fathers for a brood to (1:
  any locus); a stricter verdict for noisy genotypes.}
}
\details{
What \code{mpplan} says on standard error comes as messages, its warnings as
warnings, and its refusals as errors with its message. Tables are data frames
with \code{mpplan}'s columns; the CSV text itself is kept as the attribute
\code{"csv"}, byte for byte what \code{mpplan} writes for the same inputs and
seed.
}
\seealso{\code{\link{power_curve}}, \code{\link{judge_broods}}}
