# Inputs as mpplan reads them: the bytes of a file, or a text written from
# an R object in a format mpplan reads, with the name its messages use.

plan_input <- function(x, name) {
  if (is.character(x) && length(x) == 1L) {
    if (!file.exists(x) || dir.exists(x)) stop("cannot read ", x, call. = FALSE)
    return(list(name = x, text = readBin(x, "raw", n = file.info(x)$size)))
  }
  # `kind`: what the object is, for the notes, which otherwise name the
  # format it was written in for the core.
  if (inherits(x, "genind")) {
    return(list(name = name, text = text_raw(genind_text(x)), kind = "genind object"))
  }
  if (inherits(x, "genlight")) {
    return(list(name = name, text = text_raw(genlight_text(x)), kind = "genlight object"))
  }
  if (is.data.frame(x)) {
    if (all(c("locus", "allele", "frequency") %in% names(x))) {
      return(list(name = name, text = text_raw(frequency_text(x)), kind = "data frame"))
    }
    return(list(name = name, text = text_raw(genotype_table_text(x)), kind = "data frame"))
  }
  stop(name, ": give a genind or genlight object, a data frame of genotypes or of frequencies ",
       "(locus, allele, frequency), or the path of a file mpplan reads", call. = FALSE)
}

text_raw <- function(text) charToRaw(enc2utf8(paste0(text, collapse = "")))

csv_cell <- function(x) {
  x <- as.character(x)
  quote <- grepl("[\",;\t\r\n]", x) | x != trimws(x)
  x[quote] <- paste0("\"", gsub("\"", "\"\"", x[quote], fixed = TRUE), "\"")
  x
}

csv_rows <- function(cells) paste0(apply(cells, 1, paste, collapse = ","), "\n")

frequency_text <- function(x) {
  cells <- cbind(csv_cell(x$locus), csv_cell(x$allele),
                 format(as.numeric(x$frequency), digits = 17, scientific = FALSE, trim = TRUE))
  c("locus,allele,frequency\n", csv_rows(cells))
}

# A genlight object (adegenet's SNPs) as a table of allele counts: an
# individual's identifier, its group (its population, or one group for
# all), then per locus the copies of the second allele, NA missing.
genlight_text <- function(x) {
  if (any(methods::slot(x, "ploidy") != 2L)) {
    stop("x: the planner reads diploid genotypes only", call. = FALSE)
  }
  counts <- methods::as(x, "matrix")
  ids <- rownames(counts)
  if (is.null(ids)) ids <- as.character(seq_len(nrow(counts)))
  loci <- colnames(counts)
  if (is.null(loci)) loci <- paste0("locus ", seq_len(ncol(counts)))
  groups <- methods::slot(x, "pop")
  groups <- if (is.null(groups)) rep("sample 1", nrow(counts)) else as.character(groups)
  cells <- matrix(ifelse(is.na(counts), "NA", format(counts, trim = TRUE)), nrow(counts))
  c(paste0(paste(csv_cell(c("individual", "group", loci)), collapse = ","), "\n"),
    csv_rows(cbind(csv_cell(ids), csv_cell(groups), cells)))
}

# Each individual's two alleles at each locus of a genind object, as a
# character matrix of individuals by 2 * loci (NA where missing).
genind_alleles <- function(x) {
  tab <- methods::slot(x, "tab")
  loc <- methods::slot(x, "loc.fac")
  names <- methods::slot(x, "all.names")
  ploidy <- methods::slot(x, "ploidy")
  if (any(ploidy != 2L)) stop("x: the planner reads diploid genotypes only", call. = FALSE)
  loci <- levels(loc)
  out <- matrix(NA_character_, nrow(tab), 2L * length(loci))
  for (l in seq_along(loci)) {
    counts <- tab[, loc == loci[l], drop = FALSE]
    labels <- names[[loci[l]]]
    for (i in seq_len(nrow(tab))) {
      if (anyNA(counts[i, ]) || sum(counts[i, ]) != 2L) next
      out[i, 2L * l - c(1L, 0L)] <- rep(labels, counts[i, ])
    }
  }
  out
}

# The planner's genotype readers take alleles as whole numbers (fragment
# sizes, say); a label of another kind is refused, naming its locus, rather
# than recoded behind the user's back.
whole_numbers <- function(labels, loci) {
  bad <- !is.na(labels) & !grepl("^-?[0-9]+$", labels)
  if (any(bad)) {
    stop("x: alleles must be whole numbers, as in a Genepop or GenAlEx file; locus ",
         loci[bad][1], " has \"", labels[bad][1], "\"", call. = FALSE)
  }
}

genind_text <- function(x) {
  alleles <- genind_alleles(x)
  whole_numbers(alleles, rep(levels(methods::slot(x, "loc.fac")), each = 2L)[col(alleles)])
  ids <- rownames(methods::slot(x, "tab"))
  loci <- levels(methods::slot(x, "loc.fac"))
  pop <- methods::slot(x, "pop")
  if (is.null(pop)) pop <- factor(rep("1", length(ids)))
  labels <- alleles[!is.na(alleles)]
  genepop <- all(grepl("^[0-9]{1,3}$", labels)) &&
    !any(grepl(",", c(ids, loci, levels(pop)))) && !any(grepl("^pop", ids, ignore.case = TRUE))
  if (!genepop) {
    data <- data.frame(id = ids, pop = as.character(pop), stringsAsFactors = FALSE)
    pairs <- as.data.frame(alleles, stringsAsFactors = FALSE)
    names(pairs) <- as.vector(rbind(loci, paste0(loci, ".2")))
    return(genotype_table_text(cbind(data, pairs)))
  }
  # Genepop: each locus's alleles as numbers of one width, 0s for missing.
  width <- pmax(2L, apply(matrix(nchar(ifelse(is.na(alleles), "", alleles)), nrow(alleles)), 2,
                          max))
  width <- pmax(width[c(TRUE, FALSE)], width[c(FALSE, TRUE)])
  codes <- alleles
  for (l in seq_along(loci)) {
    for (column in 2L * l - c(1L, 0L)) {
      value <- ifelse(is.na(alleles[, column]), 0L, as.integer(alleles[, column]))
      codes[, column] <- formatC(value, width = width[l], flag = "0")
    }
  }
  genotypes <- vapply(seq_along(loci), function(l) paste0(codes[, 2L * l - 1L], codes[, 2L * l]),
                      character(length(ids)))
  genotypes <- matrix(genotypes, nrow = length(ids))
  lines <- c("Written by the mpdetect R package from a genind object\n",
             paste0(paste(loci, collapse = ", "), "\n"))
  for (sample in levels(pop)) {
    members <- which(pop == sample)
    if (length(members) == 0L) next
    lines <- c(lines, paste0("Pop ", sample, "\n"),
               paste0(ids[members], ", ", apply(genotypes[members, , drop = FALSE], 1, paste,
                                                collapse = " "), "\n"))
  }
  lines
}

# A data frame of genotypes: an identifier column (`id`, else the first),
# an optional `pop` column, then two columns per locus, the first named
# after the locus; as GenAlEx lays them out.
genotype_table_text <- function(x) {
  id <- if ("id" %in% names(x)) "id" else names(x)[1]
  pop <- if ("pop" %in% names(x)) as.character(x$pop) else rep("1", nrow(x))
  rest <- x[, setdiff(names(x), c(id, "pop")), drop = FALSE]
  if (ncol(rest) == 0L || ncol(rest) %% 2L != 0L) {
    stop("x: a data frame of genotypes holds two columns per locus after the identifier ",
         "(and pop)", call. = FALSE)
  }
  loci <- names(rest)[c(TRUE, FALSE)]
  cells <- as.matrix(rest)
  cells[is.na(cells)] <- "0"
  whole_numbers(cells, rep(loci, each = 2L)[col(cells)])
  samples <- unique(pop)
  sizes <- vapply(samples, function(s) sum(pop == s), integer(1))
  header <- c(length(loci), nrow(x), length(samples), sizes)
  title <- c("Written by the mpdetect R package", "", "", csv_cell(samples))
  names_row <- c("id", "pop", as.vector(rbind(csv_cell(loci), "")))
  c(paste0(paste(header, collapse = ","), "\n"), paste0(paste(title, collapse = ","), "\n"),
    paste0(paste(names_row, collapse = ","), "\n"),
    csv_rows(cbind(csv_cell(x[[id]]), csv_cell(pop), matrix(csv_cell(cells), nrow(cells)))))
}
