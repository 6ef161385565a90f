# Every function runs one of the planner's commands through the package's
# copy of its core: the arguments become the request's values (named as the
# request names them, as text), the inputs its texts, and the tables it
# writes become data frames.

run_plan <- function(command, inputs, fields = character(), seed = 0, threads = 1L,
                     progress = FALSE, extra = list()) {
  names <- vapply(inputs, function(input) input$name, "")
  texts <- c(lapply(inputs, function(input) input$text), lapply(extra, function(input) input$text))
  result <- .Call(mp_plan_call, enc2utf8(command), enc2utf8(unname(fields)),
                  enc2utf8(if (is.null(names(fields))) character() else names(fields)), enc2utf8(names), texts,
                  as.numeric(seed), as.integer(threads), isTRUE(progress))
  tell(as_said(result$notes, c(inputs, extra)))
  if (!result$ok) stop(as_said(result$error, c(inputs, extra)), call. = FALSE)
  result
}

# Notes and messages with an R object named as what it is: the core read
# it as the file the package wrote it in ("x: Genepop file, ..." for a
# genind object).
as_said <- function(lines, inputs) {
  for (input in inputs) {
    if (is.null(input$kind)) next
    for (format in c("Genepop file", "GenAlEx file", "allele-count file", "frequency table")) {
      lines <- gsub(paste0(input$name, ": ", format), paste0(input$name, ": ", input$kind),
                    lines, fixed = TRUE)
      lines <- gsub(paste0(input$name, ", ", format), paste0(input$name, ", ", input$kind),
                    lines, fixed = TRUE)
    }
  }
  lines
}

# mpplan's notes: its warnings as R warnings, the rest as messages.
# A warning reads "warning: ...", after the input's name when it has one.
tell <- function(notes) {
  for (note in notes) {
    if (grepl("^([^:]*: )?warning: ", note)) {
      warning(sub("warning: ", "", note, fixed = TRUE), call. = FALSE)
    } else {
      message(note)
    }
  }
}

read_table <- function(text) {
  if (!nzchar(text)) return(data.frame())
  utils::read.csv(text = text, check.names = FALSE, stringsAsFactors = FALSE,
                  na.strings = "", colClasses = NA, encoding = "UTF-8")
}

# A table as mpplan wrote it, with the text itself kept beside it.
as_table <- function(text, class = NULL) {
  table <- read_table(text)
  attr(table, "csv") <- text
  if (!is.null(class)) class(table) <- c(class, class(table))
  table
}

# Every argument is checked for its type and length before it becomes a
# value, so that none is misread as another (a second target taken for
# another value, 1.5 offspring run as 1), and refused with its own name.
wrong <- function(name, what) stop(name, " takes ", what, call. = FALSE)

is_whole <- function(x) is.numeric(x) && !anyNA(x) && all(is.finite(x)) && all(x == floor(x))

one_number <- function(x, name) {
  if (!is.numeric(x) || length(x) != 1L || is.na(x)) wrong(name, "one number")
  format(x, digits = 15, scientific = FALSE, trim = TRUE)
}

one_whole <- function(x, name) {
  if (length(x) != 1L || !is_whole(x)) wrong(name, "one whole number")
  format(x, scientific = FALSE, trim = TRUE)
}

one_flag <- function(x, name) {
  if (!is.logical(x) || length(x) != 1L || is.na(x)) wrong(name, "TRUE or FALSE")
  x
}

one_text <- function(x, name) {
  if (!(is.character(x) || is_whole(x)) || length(x) != 1L || is.na(x)) {
    wrong(name, "one name or number")
  }
  as.character(x)
}

texts <- function(x, name) {
  if (!(is.character(x) || is_whole(x)) || length(x) == 0L || anyNA(x)) {
    wrong(name, "names or numbers, none missing")
  }
  as.character(x)
}

number_text <- function(x) {
  if (!is.numeric(x) || anyNA(x)) stop("shares and sires must be numbers", call. = FALSE)
  format(x, digits = 15, scientific = FALSE, trim = TRUE)
}

# The values every input takes, by the request's names. `shares` is a
# vector of one design's shares or a list of several designs'; `sires` a
# number of equal sires, or several numbers for several designs (before the
# shares').
input_fields <- function(sires = NULL, shares = NULL, mother = NULL, pop = NULL, loci = NULL,
                        pool_rare = FALSE, as_is = FALSE, format = NULL, min_loci = 1L,
                        structure = NULL) {
  fields <- character()
  if (!is.null(sires) && !is_whole(sires)) wrong("sires", "whole numbers of sires")
  for (n in sires) fields <- c(fields, sires = number_text(n))
  if (!is.null(shares)) {
    if (!is.list(shares)) shares <- list(shares)
    for (one in shares) fields <- c(fields, shares = paste(number_text(one), collapse = ","))
  }
  for (one in if (is.null(mother)) NULL else texts(mother, "mother")) {
    fields <- c(fields, mother = one)
  }
  if (!is.null(pop)) fields <- c(fields, pop = one_text(pop, "pop"))
  if (!is.null(loci)) fields <- c(fields, loci = paste(texts(loci, "loci"), collapse = ","))
  if (one_flag(pool_rare, "pool_rare")) fields <- c(fields, pool_rare = "1")
  if (one_flag(as_is, "as_is")) fields <- c(fields, as_is = "1")
  if (!is.null(format)) {
    if (!is.character(format) || length(format) != 1L || is.na(format)) {
      wrong("format", "one format's name")
    }
    fields <- c(fields, format = format)
  }
  min_loci <- one_whole(min_loci, "min_loci")
  if (min_loci != "1") fields <- c(fields, min_loci = min_loci)
  # A STRUCTURE file's layout by STRUCTURE's own names: c(POPDATA = 1,
  # POPFLAG = 1), or the text "POPDATA=1,POPFLAG=1".
  if (!is.null(structure)) {
    if (is.numeric(structure) && !is.null(names(structure)) && !anyNA(structure)) {
      structure <- paste(names(structure), format(structure, scientific = FALSE, trim = TRUE),
                         sep = "=", collapse = ",")
    }
    fields <- c(fields, structure = one_text(structure, "structure"))
  }
  fields
}

# Threads: a whole number from 1; more than the machine can start are
# simply not started.
one_threads <- function(threads) {
  if (length(threads) != 1L || !is_whole(threads) || threads < 1) {
    wrong("threads", "one whole number from 1")
  }
  as.integer(min(threads, 1024))
}

# An explicit seed, or one drawn from R's generator (so that set.seed
# reproduces it), said as mpplan says it.
seed_of <- function(seed) {
  if (is.null(seed)) {
    seed <- floor(stats::runif(1L, 0, 4294967296))
    message("Seed: ", format(seed, scientific = FALSE), " (repeat with seed = ",
            format(seed, scientific = FALSE), ")")
  }
  if (!is.numeric(seed) || length(seed) != 1L || is.na(seed) || seed != floor(seed) ||
      seed < 0 || seed > 4294967295) {
    stop("seed takes a whole number from 0 to 4294967295", call. = FALSE)
  }
  seed
}

# The inputs of `x`: one, or several in a list or a character vector of
# paths. `name` is how messages name an object given as an input.
inputs_of <- function(x, name) {
  several <- (is.list(x) && !is.data.frame(x)) || (is.character(x) && length(x) > 1L)
  if (!several) return(list(plan_input(x, name)))
  lapply(seq_along(x), function(n) plan_input(x[[n]], paste0(name, "[[", n, "]]")))
}


study_of <- function(x, sires = NULL, shares = NULL, mother = NULL, pop = NULL, loci = NULL,
                     pool_rare = FALSE, as_is = FALSE, format = NULL, structure = NULL) {
  fields <- input_fields(sires, shares, mother, pop, loci, pool_rare, as_is, format,
                         structure = structure)
  result <- run_plan("study", inputs_of(x, deparse1(substitute(x))), fields)
  list(study = result$output, legend = as_table(result$legend))
}

panel_stats <- function(x, pop = NULL, loci = NULL, pool_rare = FALSE, as_is = FALSE,
                        format = NULL, structure = NULL) {
  fields <- input_fields(pop = pop, loci = loci, pool_rare = pool_rare, as_is = as_is,
                         format = format, structure = structure)
  as_table(run_plan("panel", inputs_of(x, deparse1(substitute(x))), fields)$output)
}

range_fields <- function(sizes) {
  if (!is_whole(sizes)) wrong("sizes", "whole numbers of offspring")
  sizes <- as.integer(sizes)
  step <- if (length(sizes) > 1L) sizes[2] - sizes[1] else 1L
  if (length(sizes) == 0L || anyNA(sizes) || step < 1L ||
      any(sizes != seq(sizes[1], by = step, length.out = length(sizes)))) {
    stop("sizes takes brood sizes from 1 to 1000 in even steps, such as 1:100 or ",
         "seq(5, 50, by = 5)", call. = FALSE)
  }
  c(from = sizes[1], to = sizes[length(sizes)], step = step)
}

# The verdict and its rates, and the genotyping errors, as fields.
# A NULL verdict leaves it to mpplan's default.
verdict_fields <- function(verdict, false_detection, error_allowance, dropout, false_allele) {
  if (!is.null(verdict) && (!is.character(verdict) || length(verdict) != 1L || is.na(verdict)))
    wrong("verdict", "\"alleles\" or \"likelihood\"")
  fields <- c(verdict = verdict, false_detection = one_number(false_detection, "false_detection"),
              error_allowance = one_number(error_allowance, "error_allowance"))
  dropout <- one_number(dropout, "dropout")
  false_allele <- one_number(false_allele, "false_allele")
  if (dropout != "0") fields <- c(fields, dropout = dropout)
  if (false_allele != "0") fields <- c(fields, false_allele = false_allele)
  fields
}

power_curve <- function(x, sires = NULL, shares = NULL, mother = NULL, sizes = 1:100,
                        target = 0.95, seed = NULL, pop = NULL, loci = NULL, pool_rare = FALSE,
                        as_is = FALSE, format = NULL, threads = 1L, max_trials = 1000000,
                        trials = NULL, min_loci = 1L, dropout = 0, false_allele = 0,
                        structure = NULL, verdict = "alleles", false_detection = 0.01,
                        error_allowance = 0.01) {
  seed <- seed_of(seed)
  threads <- one_threads(threads)
  fields <- c(input_fields(sires, shares, mother, pop, loci, pool_rare, as_is, format, min_loci,
                            structure),
              range_fields(sizes), target = one_number(target, "target"),
              max_trials = one_whole(max_trials, "max_trials"),
              verdict_fields(verdict, false_detection, error_allowance, dropout, false_allele))
  if (!is.null(trials)) fields <- c(fields, trials = one_whole(trials, "trials"))
  result <- run_plan("curve", inputs_of(x, deparse1(substitute(x))), fields, seed, threads,
                     progress = interactive())
  curve <- as_table(result$output, "mpdetect_curve")
  attr(curve, "seed") <- seed
  attr(curve, "target") <- target
  curve
}

rank_loci <- function(x, size, seed = NULL, sires = NULL, shares = NULL, mother = NULL,
                      pop = NULL, loci = NULL, pool_rare = FALSE, as_is = FALSE, format = NULL,
                      threads = 1L, min_loci = 1L, choose = NULL, screen = 20L,
                      structure = NULL, verdict = "alleles", false_detection = 0.01,
                      error_allowance = 0.01) {
  seed <- seed_of(seed)
  threads <- one_threads(threads)
  fields <- c(input_fields(sires, shares, mother, pop, loci, pool_rare, as_is, format, min_loci,
                            structure),
              size = one_whole(size, "size"),
              verdict_fields(verdict, false_detection, error_allowance, 0, 0))
  if (!is.null(choose)) {
    fields <- c(fields, choose = one_whole(choose, "choose"), screen = one_whole(screen, "screen"))
  }
  ranking <- as_table(run_plan("loci", inputs_of(x, deparse1(substitute(x))), fields, seed,
                               threads)$output)
  attr(ranking, "seed") <- seed
  ranking
}

judge_broods <- function(x, mothers = "first", population = NULL, sires = NULL, shares = NULL,
                         seed = NULL, pop = NULL, loci = NULL, pool_rare = FALSE, as_is = FALSE,
                         format = NULL, threads = 1L, min_loci = 1L, structure = NULL,
                         verdict = NULL, false_detection = 0.01, error_allowance = 0.01,
                         dropout = 0, false_allele = 0) {
  seed <- seed_of(seed)
  threads <- one_threads(threads)
  fields <- c(input_fields(sires, shares, NULL, pop, loci, pool_rare, as_is, format, min_loci,
                            structure),
              mothers = paste(texts(mothers, "mothers"), collapse = ","),
              verdict_fields(verdict, false_detection, error_allowance, dropout, false_allele))
  extra <- list()
  if (!is.null(population)) {
    extra <- list(plan_input(population, "population"))
    fields <- c(fields, population = extra[[1]]$name)
  }
  result <- run_plan("broods", inputs_of(x, deparse1(substitute(x))), fields, seed, threads,
                     extra = extra)
  broods <- as_table(result$output)
  attr(broods, "mismatches") <- as_table(result$mismatches)
  attr(broods, "summary") <- as_table(result$summary)
  # The likelihood verdict, asked for or the default with errors, finds
  # the families.
  if ("likely_sires" %in% names(broods)) {
    attr(broods, "families") <- as_table(result$families)
    attr(broods, "fathers") <- as_table(result$fathers)
  }
  attr(broods, "seed") <- seed
  broods
}

# The smallest size of each design whose decision is that it reaches the
# target (mpplan's); NA for a design that reaches it nowhere.
smallest_sizes <- function(curve) {
  designs <- if ("design" %in% names(curve)) curve$design else rep("", nrow(curve))
  sapply(unique(designs), function(d) {
    rows <- curve[designs == d, ]
    reach <- rows$brood_size[rows$decision == "reaches"]
    if (length(reach) == 0L) NA_integer_ else min(reach)
  })
}

# The figure mpplan draws, in R's graphics: the title with the seed, a
# curve per design with its smallest size reaching the target ringed, the
# ceiling and the target, and a legend that names every line.
plot.mpdetect_curve <- function(x, main = "Probability of detecting multiple paternity", ...) {
  designs <- if ("design" %in% names(x)) x$design else rep("", nrow(x))
  labels <- unique(designs)
  colours <- grDevices::palette.colors(max(2L, length(labels)), "Okabe-Ito")[seq_along(labels)]
  seed <- attr(x, "seed")
  graphics::plot(range(x$brood_size), c(0, 1), type = "n", xlab = "Brood size (offspring genotyped)",
                 ylab = "Probability of detection", main = main,
                 sub = if (is.null(seed)) NULL else paste("seed", format(seed, scientific = FALSE)),
                 ...)
  graphics::abline(h = attr(x, "target"), lty = 2)
  smallest <- smallest_sizes(x)
  for (n in seq_along(labels)) {
    rows <- x[designs == labels[n], ]
    # The ceiling: the chance that two or more sires father the brood.
    if ("ceiling" %in% names(rows)) graphics::lines(rows$brood_size, rows$ceiling, col = "grey70")
    graphics::lines(rows$brood_size, rows$probability, col = colours[n], lwd = 2)
    # With genotyping errors, the single sire's false detections, dotted.
    if ("false_detection" %in% names(rows)) {
      graphics::lines(rows$brood_size, rows$false_detection, col = colours[n], lty = 3, lwd = 1.5)
    }
    at <- smallest[[n]]
    if (!is.na(at)) {
      graphics::points(at, rows$probability[rows$brood_size == at], col = colours[n], cex = 2)
      graphics::text(at, rows$probability[rows$brood_size == at], at, pos = 1, col = colours[n])
    }
  }
  named <- if (length(labels) > 1L || nzchar(labels[1])) labels else "the design"
  errors <- "false_detection" %in% names(x)
  graphics::legend("bottomright", bty = "n", cex = 0.8,
                   legend = c(named, if (errors) "one sire: its detections all false (dotted)",
                              "two or more sires father the brood (no panel does better)",
                              paste("target", attr(x, "target"))),
                   col = c(colours, if (errors) "grey40", "grey70", "black"),
                   lty = c(rep(1, length(labels)), if (errors) 3, 1, 2),
                   lwd = c(rep(2, length(labels)), if (errors) 1.5, 1, 1))
  invisible(x)
}
