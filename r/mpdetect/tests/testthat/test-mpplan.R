# mpplan's notes and warnings are checked elsewhere; here only the tables.
quietly <- function(expr) suppressWarnings(suppressMessages(expr))

# Every function against mpplan's CSV for the same inputs and seed, byte for
# byte.

test_that("power_curve gives mpplan curve's table", {
  skip_without_mpplan()
  skip_if_not_installed("adegenet")
  file <- nancycats_file()
  curve <- quietly(power_curve(file, shares = list(c(0.6, 0.4), c(0.5, 0.3, 0.2)),
                                        sizes = seq(2, 30, by = 4), seed = 99, pop = 3))
  expected <- mpplan(c("curve", shQuote(file), "--shares", "0.6,0.4", "--shares", "0.5,0.3,0.2",
                       "--from", "2", "--to", "30", "--step", "4", "--seed", "99", "--pop", "3"))
  expect_identical(attr(curve, "csv"), expected$output)
  expect_identical(attr(curve, "seed"), 99)
  expect_equal(nrow(curve), 16L)
  expect_equal(curve$probability, read.csv(text = expected$output)$probability)

  strict <- quietly(power_curve(file, mother = "unsampled", sizes = 5:8, seed = 3, min_loci = 2,
                                trials = 20000))
  expect_identical(attr(strict, "csv"),
                   mpplan(c("curve", shQuote(file), "--mother", "unsampled", "--from", "5", "--to",
                            "8", "--seed", "3", "--min-loci", "2", "--trials", "20000"))$output)
  # The same broods judged less strictly detect no less.
  lenient <- quietly(power_curve(file, mother = "unsampled", sizes = 5:8, seed = 3,
                                 trials = 20000))
  expect_true(all(strict$probability <= lenient$probability))

  noisy <- quietly(power_curve(file, sizes = 4:6, seed = 5, dropout = 0.02, false_allele = 0.01,
                               trials = 20000))
  expect_identical(attr(noisy, "csv"),
                   mpplan(c("curve", shQuote(file), "--from", "4", "--to", "6", "--seed", "5",
                            "--trials", "20000", "--dropout", "0.02", "--false-allele",
                            "0.01"))$output)
  expect_true(all(noisy$false_detection > 0))

  weighed <- quietly(power_curve(file, sizes = 3:5, seed = 7, verdict = "likelihood",
                                 false_detection = 0.05, trials = 1000))
  expect_identical(attr(weighed, "csv"),
                   mpplan(c("curve", shQuote(file), "--from", "3", "--to", "5", "--seed", "7",
                            "--verdict", "likelihood", "--false-detection", "0.05", "--trials",
                            "1000"))$output)
  expect_true(all(weighed$false_detection <= 0.1))
  broods <- file.path(examples_dir, "broods.gen")
  population <- file.path(examples_dir, "population.gen")
  # Broods read with errors are judged by the likelihood unless told.
  judged <- quietly(judge_broods(broods, population = population, seed = 3, dropout = 0.01,
                                 loci = c("Mpa01", "Mpa02")))
  expected <- mpplan(c("broods", shQuote(broods), "--population", shQuote(population),
                       "--seed", "3", "--verdict", "likelihood", "--dropout", "0.01",
                       "--loci", "Mpa01,Mpa02"), files = c("--families", "--fathers"))
  expect_identical(attr(judged, "csv"), expected$output)
  expect_true(all(c("statistic", "threshold") %in% names(judged)))
  # The families and the fathers as data frames, mpplan's files.
  expect_identical(attr(attr(judged, "families"), "csv"), expected[[2]])
  expect_identical(attr(attr(judged, "fathers"), "csv"), expected[[3]])
  expect_identical(names(attr(judged, "fathers")),
                   c("brood", "father", "offspring", "share", "Mpa01", "Mpa02"))
  expect_equal(nrow(attr(judged, "families")), sum(judged$offspring))
  by_alleles <- quietly(judge_broods(broods, population = population, seed = 3, dropout = 0.01,
                                     loci = c("Mpa01", "Mpa02"), verdict = "alleles"))
  expect_true("false_detection_probability" %in% names(by_alleles))
  expect_false("likely_sires" %in% names(by_alleles))
  expect_null(attr(by_alleles, "families"))
  expect_error(power_curve(file, verdict = "votes"),
               "^verdict takes alleles or likelihood, not votes$")
  expect_error(power_curve(file, false_detection = 0),
               "^false_detection takes a rate from 0.0001 to 0.5, not 0$")
  # Refused by the planner's rule, naming R's argument, never mpplan's option.
  expect_error(power_curve(file, dropout = 0.7), "^dropout takes a rate from 0 to 0.5, not 0.7$")
  expect_error(power_curve(file, sizes = 1:1001), "^sizes takes a brood size from 1 to 1000")
  expect_error(power_curve(file, sires = 101), "^sires takes a number of sires from 1 to 100")
})

test_that("panel_stats, study_of and rank_loci give mpplan's tables", {
  skip_without_mpplan()
  skip_if_not_installed("adegenet")
  file <- nancycats_file()
  panel <- quietly(panel_stats(file, loci = c("fca8", "fca23", "fca43")))
  expect_identical(attr(panel, "csv"),
                   mpplan(c("panel", shQuote(file), "--loci", "fca8,fca23,fca43", "--format",
                            "csv"))$output)
  study <- quietly(study_of(file, pop = 2, shares = c(0.7, 0.3)))
  expected <- mpplan(c("study", shQuote(file), "--pop", "2", "--shares", "0.7,0.3"),
                     files = "--legend")
  expect_identical(study$study, expected$output)
  expect_identical(attr(study$legend, "csv"), expected[[2]])
  chosen <- quietly(rank_loci(file, size = 5, seed = 3, choose = 4, screen = 3))
  expect_identical(attr(chosen, "csv"),
                   mpplan(c("loci", shQuote(file), "--size", "5", "--seed", "3", "--choose", "4",
                            "--screen", "3"))$output)
  expect_true(nrow(chosen) >= 1 && nrow(chosen) <= 4)
  expect_true(all(c("gain", "he", "pic") %in% names(chosen)))
  informative <- quietly(rank_loci(file, size = 5, seed = 3, choose = 3, verdict = "likelihood"))
  expect_identical(attr(informative, "csv"),
                   mpplan(c("loci", shQuote(file), "--size", "5", "--seed", "3", "--choose", "3",
                            "--verdict", "likelihood"))$output)
  expect_identical(informative$loci, c(1L, 2L, 3L))
  expect_true(all(diff(informative$information) <= 0))
  ranking <- quietly(rank_loci(file, size = 5, seed = 3))
  expect_identical(attr(ranking, "csv"),
                   mpplan(c("loci", shQuote(file), "--size", "5", "--seed", "3"))$output)
})

test_that("judge_broods gives mpplan broods' tables", {
  skip_without_mpplan()
  broods <- file.path(examples_dir, "broods.gen")
  population <- file.path(examples_dir, "population.gen")
  judged <- quietly(judge_broods(broods, population = population, seed = 7,
                                          sires = 3, shares = c(0.6, 0.4)))
  expected <- mpplan(c("broods", shQuote(broods), "--population", shQuote(population), "--seed",
                       "7", "--sires", "3", "--shares", "0.6,0.4"),
                     files = c("--mismatches", "--summary"))
  expect_identical(attr(judged, "csv"), expected$output)
  expect_identical(attr(attr(judged, "mismatches"), "csv"), expected[[2]])
  expect_identical(attr(attr(judged, "summary"), "csv"), expected[[3]])
  expect_equal(nrow(judged), 60L)
  expect_equal(nrow(attr(judged, "mismatches")), 4L)
})

test_that("a STRUCTURE file's layout is given by STRUCTURE's names, as mpplan takes it", {
  skip_without_mpplan()
  file <- tempfile(fileext = ".str")
  rows <- unlist(lapply(0:19, function(n) {
    pre <- paste0("c", n, " ", 1 + n %/% 7, " 1 ")
    a <- 120 + 2 * ((n * 7) %% 5)
    b <- 130 + 2 * ((n * 3) %% 4)
    c(paste0(pre, a, " ", b), paste0(pre, a + 2, " ", b))
  }))
  writeLines(rows, file)
  given <- quietly(panel_stats(file, structure = c(POPDATA = 1, POPFLAG = 0)))
  expected <- mpplan(c("panel", shQuote(file), "--structure", "POPDATA=1,POPFLAG=0"))
  expect_identical(attr(given, "csv"), expected$output)
  expect_equal(nrow(given), 4L)  # the flag read as a locus, then the two loci and combined
  as_text <- quietly(panel_stats(file, structure = "POPDATA=1,POPFLAG=0"))
  expect_identical(attr(as_text, "csv"), expected$output)
  inferred <- quietly(panel_stats(file))
  expect_equal(nrow(inferred), 3L)  # two loci and combined
  expect_error(panel_stats(file, structure = c(POPDATA = 2)), "a flag, 0 or 1")
})
