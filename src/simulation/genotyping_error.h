// Genotyping error, as parentage and sibship programs model it (Wang 2004,
// Genetics 166:1963-1979): each genotype read may suffer allelic dropout,
// a heterozygote read as homozygous for one of its two alleles (each
// equally likely); then each of its two allele calls may be a false
// allele, read as another allele of the locus drawn by the frequencies of
// the others. Dropout comes first, so a dropped genotype's two calls may
// each still be miscalled.
//
// The errors of a trial are drawn from a generator of their own, apart
// from the trial's values (trial.h), so that without errors every trial is
// what it always was, and with them the brood itself is drawn as ever.
// The generator is counter-based: the errors at one locus of one trial
// follow from the estimate's key, the trial's number and the locus alone,
// so the estimator can draw a locus's errors without those of the loci it
// never judges. Within a locus the reads are taken in order, the mother's
// first and then offspring by offspring, and each error found by the gap
// to it, so that reads without error cost nothing; what struck a read is
// drawn from a key of its own, only when the read is judged. The errors
// of the first n offspring are the same whatever the brood size.
//
// Every step is integer arithmetic or a comparison of doubles formed by
// multiplication and addition alone, so the draws are the same on every
// build.
#pragma once

#include <cstdint>

#include "study/study_data.h"

namespace mpdetect {

// The chances of each kind of error, per genotype read (dropout, which
// strikes heterozygotes only) and per allele call (false allele).
struct ErrorRates {
  double dropout = 0;
  double false_allele = 0;
};

// The highest rate accepted: past it the reads say more about the errors
// than about the brood.
constexpr double MAX_ERROR_RATE = 0.5;

constexpr bool any_errors(const ErrorRates& rates) {
  return rates.dropout > 0 || rates.false_allele > 0;
}

// The reads at one locus of a trial, in the order their errors are drawn:
// the mother's, then offspring j's.
constexpr int MOTHER_READ = 0;
constexpr int offspring_read(int j) {
  return 1 + j;
}
constexpr int READS_PER_LOCUS = 1 + MAX_OFFSPRING;

// One read that an error struck, and the key of the draws that say which
// of its three error draws fired and how (drawn only when asked for).
struct ReadError {
  int read;  // MOTHER_READ or offspring_read(j)
  uint64_t draws;
};

// Which of a read's three error draws fired, and where the draws that say
// how fell.
struct ErrorKinds {
  bool dropout;
  bool false_call[2];
  int kept;               // the slot whose allele a dropout keeps
  double replacement[2];  // where each false call's draw by weight falls
};

// The rates, and a study's frequencies, turned into the tables the draws
// read.
struct ErrorModel {
  ErrorRates rates;
  // Per locus, its alleles and the frequencies of the alleles below each,
  // summed in order: a false call is a draw from these.
  int32_t alleles[MAX_LOCI];
  double below[MAX_LOCI][MAX_ALLELES + 1];
  // Per locus and allele, whether the others' frequencies summed in order
  // never fall (error_draws::others_rise): a false call of it may then be
  // drawn by counting.
  bool others_rise[MAX_LOCI][MAX_ALLELES];
  // The chance that m reads in a row are read without error, m from 0 to
  // READS_PER_LOCUS.
  double clean_run[READS_PER_LOCUS + 1];
  // The chance of each of the seven ways one or more of a read's three
  // draws fire (bit 0 dropout, bits 1 and 2 the false calls), summed up to
  // and including pattern p at index p - 1.
  double pattern_total[7];
  // Where the search for a gap starts, by the variate's first bits: the
  // gap of the bucket's upper end, which no variate in it exceeds.
  uint8_t gap_start[1024];
};

// REQUIRES: 0 <= each rate <= MAX_ERROR_RATE; study as accepted by
// read_study_data.
ErrorModel error_model(const ErrorRates& rates, const StudyData& study);

// The error draws of one locus of one trial.
struct ErrorStream {
  uint64_t state;
};

// The key of an estimate whose trials start from generator state `state`:
// estimates from different states draw different errors.
uint64_t error_key(uint32_t state);

// The draws at `locus` in trial `trial` of the estimate `key`.
ErrorStream error_stream(uint64_t key, int64_t trial, int locus);

// The first read at or after `from` that an error strikes, in `error`;
// false when none does before READS_PER_LOCUS. Reads are asked for in
// order: each call goes on from where the last left the stream.
// REQUIRES: 0 <= from < READS_PER_LOCUS.
bool next_error(const ErrorModel& model, ErrorStream& stream, int from, ReadError& error);

// What struck `error`'s read, by the model's chances of each kind given
// that one struck.
ErrorKinds kinds_of(const ErrorModel& model, const ReadError& error);

// `truth`, a genotype at `locus` of the model's study, as read with errors
// `kinds`.
Genotype apply_error(const ErrorModel& model, int locus, const Genotype& truth,
                     const ErrorKinds& kinds);

// The same with the kinds of `error`.
Genotype read_with_error(const ErrorModel& model, int locus, const Genotype& truth,
                         const ReadError& error);

}  // namespace mpdetect
