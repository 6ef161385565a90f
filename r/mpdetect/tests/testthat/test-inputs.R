# R objects as inputs: each gives what the file it stands for gives.

test_that("a genind object gives what its Genepop file gives", {
  skip_if_not_installed("adegenet")
  file <- nancycats_file()
  cats <- suppressWarnings(adegenet::read.genepop(file, quiet = TRUE))
  # The file's identifiers repeat (1, 2, ... in every colony), and are
  # warned of.
  seen <- character()
  from_file <- withCallingHandlers(
    suppressMessages(power_curve(file, sizes = 1:12, seed = 5, pop = 4)),
    warning = function(w) {
      seen <<- c(seen, conditionMessage(w))
      invokeRestart("muffleWarning")
    })
  expect_true(any(grepl("identifier \"1\" is used by 10 individuals", seen, fixed = TRUE)))
  from_genind <- suppressWarnings(suppressMessages(power_curve(cats, sizes = 1:12, seed = 5,
                                                               pop = 4)))
  expect_identical(attr(from_genind, "csv"), attr(from_file, "csv"))
  data(nancycats, package = "adegenet", envir = environment())
  expect_identical(attr(suppressWarnings(suppressMessages(panel_stats(nancycats))), "csv"),
                   attr(suppressWarnings(suppressMessages(panel_stats(file))), "csv"))
})

test_that("data frames of frequencies and of genotypes are read as their files", {
  frequencies <- data.frame(locus = rep(c("A", "B"), c(3, 4)),
                            allele = c("a1", "a2", "a3", "101", "103", "105", "107"),
                            frequency = c(0.5, 0.3, 0.2, 0.25, 0.25, 0.25, 0.25))
  file <- tempfile(fileext = ".csv")
  write.csv(frequencies, file, row.names = FALSE)
  expect_identical(
    attr(suppressMessages(power_curve(frequencies, sizes = 1:8, seed = 2)), "csv"),
    attr(suppressMessages(power_curve(file, sizes = 1:8, seed = 2)), "csv"))

  genotypes <- data.frame(id = c("m1", "m2", "m3", "m4"), pop = c("x", "x", "y", "y"),
                          A = c("120", "122", NA, "124"), A2 = c("122", "122", NA, "126"),
                          B = c(1, 2, 3, 1), B2 = c(2, 2, 1, 3))
  panel <- suppressMessages(panel_stats(genotypes))
  expect_equal(panel$typed[1:2], c(3, 4))
  expect_equal(panel$alleles[1:2], c(4, 3))
  expect_error(panel_stats(genotypes[, 1:5]), "two columns per locus")
  genotypes$B[2] <- "b"
  expect_error(panel_stats(genotypes), "alleles must be whole numbers.*locus B has \"b\"")
})

test_that("an R object is named as what it is in the notes", {
  skip_if_not_installed("adegenet")
  data(nancycats, package = "adegenet", envir = environment())
  said <- character()
  withCallingHandlers(panel_stats(nancycats), message = function(m) {
    said <<- c(said, conditionMessage(m))
    invokeRestart("muffleMessage")
  })
  expect_true(any(grepl("nancycats: genind object, all 17 samples pooled", said, fixed = TRUE)))
  expect_false(any(grepl("Genepop file", said, fixed = TRUE)))
})

test_that("refusals are errors with mpplan's message; warnings are warnings", {
  percentages <- data.frame(locus = c("A", "A"), allele = c("1", "2"), frequency = c(50, 50))
  expect_error(power_curve(percentages, sizes = 1:3, seed = 1),
               "the frequencies of locus A add up to 100; these look like percentages")
  # The way out names R's arguments, never mpplan's options.
  expect_error(power_curve(percentages, sizes = 1:3, seed = 1),
               "(run it as it stands with as_is = TRUE)", fixed = TRUE)
  expect_message(power_curve(data.frame(locus = c("A", "A", "A"), allele = c("1", "2", "3"),
                                        frequency = c(0.5, 0.3, 0.2)), sizes = 1:2, seed = 1),
                 "(set them with sires or shares)", fixed = TRUE)
  short <- data.frame(locus = c("A", "A", "A"), allele = c("1", "2", "3"),
                      frequency = c(0.5, 0.3, 0.1))
  expect_warning(suppressMessages(power_curve(short, sizes = 1:3, seed = 1)),
                 "short: the frequencies of locus A add up to 0.9")
  expect_error(power_curve(short, sizes = c(1, 2, 4), seed = 1), "in even steps")
  expect_error(power_curve(short, sizes = 1:3, seed = -1), "seed takes a whole number")
  expect_error(power_curve(short, sizes = 1:3, seed = 1, shares = c(0.5, NA)), "numbers")
  expect_error(power_curve(list(1), seed = 1), "give a genind or genlight object")
})

test_that("a seed not given is drawn from R's generator and returned", {
  short <- data.frame(locus = c("A", "A", "A"), allele = c("1", "2", "3"),
                      frequency = c(0.5, 0.3, 0.2))
  set.seed(10)
  first <- suppressMessages(power_curve(short, sizes = 1:4))
  set.seed(10)
  expect_message(again <- power_curve(short, sizes = 1:4), "Seed: ")
  expect_identical(attr(first, "seed"), attr(again, "seed"))
  expect_identical(attr(first, "csv"), attr(again, "csv"))
})

test_that("plot draws a curve and marks the smallest sizes", {
  short <- data.frame(locus = rep(c("A", "B"), each = 6), allele = rep(1:6, 2),
                      frequency = rep(1 / 6, 12))
  curve <- suppressMessages(power_curve(short, shares = list(c(0.5, 0.5), c(0.9, 0.1)),
                                        sizes = 1:30, seed = 4, target = 0.5))
  sizes <- smallest_sizes(curve)
  expect_length(sizes, 2L)
  expect_true(sizes[[1]] < sizes[[2]])
  file <- tempfile(fileext = ".png")
  grDevices::png(file)
  # What the legend and the title say, as the plot gives them to graphics.
  said <- new.env()
  suppressMessages(trace(graphics::legend, print = FALSE,
                         tracer = bquote(assign("legend", legend, envir = .(said)))))
  suppressMessages(trace(graphics::plot.default, print = FALSE,
                         tracer = bquote(assign("title", c(main, sub), envir = .(said)))))
  expect_identical(plot(curve), curve)
  suppressMessages(untrace(graphics::legend))
  suppressMessages(untrace(graphics::plot.default))
  grDevices::dev.off()
  expect_equal(said$title, c("Probability of detecting multiple paternity", "seed 4"))
  expect_equal(said$legend[3:4], c("two or more sires father the brood (no panel does better)",
                                   "target 0.5"))
  expect_length(said$legend, 4L)
  expect_gt(file.info(file)$size, 1000)
})

test_that("arguments of the wrong type or length are refused by their names", {
  short <- data.frame(locus = c("A", "A", "A"), allele = c("1", "2", "3"),
                      frequency = c(0.5, 0.3, 0.2))
  cases <- list(
    list(quote(power_curve(short, sizes = 1:3, seed = 1, target = c(0.5, 0.99))), "target"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, target = "high")), "target"),
    list(quote(power_curve(short, sizes = 1.5, seed = 1)), "sizes"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, pop = c(1, 2))), "pop"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, sires = 2.5)), "sires"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, threads = c(1, 2))), "threads"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, threads = 0)), "threads"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, pool_rare = NA)), "pool_rare"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, dropout = c(0, 0.1))), "dropout"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, trials = 100.5)), "trials"),
    list(quote(power_curve(short, sizes = 1:3, seed = 1, min_loci = 1:2)), "min_loci"),
    list(quote(rank_loci(short, size = c(3, 4), seed = 1)), "size"),
    list(quote(judge_broods(short, seed = 1, mothers = NA)), "mothers"),
    list(quote(study_of(short, format = c("genepop", "structure"))), "format")
  )
  for (case in cases) {
    expect_error(eval(case[[1]]), paste0("^", case[[2]], " takes "), info = deparse(case[[1]]))
  }
  # Not refused: a curve with the arguments as they should be, threads past
  # what the machine starts included.
  expect_s3_class(power_curve(short, sizes = 1:3, seed = 1, threads = 500), "mpdetect_curve")
})

test_that("a genlight object gives what its table of allele counts gives", {
  skip_if_not_installed("adegenet")
  counts <- list(c(0, 1, 2, NA), c(1, 1, 0, 2), c(2, 0, 1, 1), c(1, 2, 2, 0), c(0, 0, 1, 2),
                 c(1, 2, 0, 1))
  snps <- methods::new("genlight", counts, ploidy = 2)
  adegenet::indNames(snps) <- paste0("i", 1:6)
  adegenet::locNames(snps) <- c("s1", "s2", "s3", "s4")
  adegenet::pop(snps) <- rep(c("north", "south"), each = 3)
  file <- tempfile(fileext = ".csv")
  writeLines(c("individual,group,s1,s2,s3,s4",
               paste0("i", 1:6, ",", rep(c("north", "south"), each = 3), ",",
                      vapply(counts, function(x) paste(ifelse(is.na(x), "NA", x), collapse = ","),
                             ""))), file)
  expect_identical(attr(suppressMessages(panel_stats(snps)), "csv"),
                   attr(suppressMessages(panel_stats(file)), "csv"))
  expect_identical(attr(suppressMessages(panel_stats(snps, pop = "south")), "csv"),
                   attr(suppressMessages(panel_stats(file, pop = "south")), "csv"))
  expect_identical(suppressMessages(study_of(snps))$study, suppressMessages(study_of(file))$study)
})
