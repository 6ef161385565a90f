# The mpplan program and the project's example files, when the tests run
# from the project's build (make test sets these); tests that compare with
# them are skipped otherwise.
mpplan_binary <- Sys.getenv("MPPLAN_BINARY")
examples_dir <- Sys.getenv("MPDETECT_EXAMPLES")

skip_without_mpplan <- function() {
  skip_if(!nzchar(mpplan_binary) || !file.exists(mpplan_binary), "MPPLAN_BINARY is not set")
  skip_if(!nzchar(examples_dir) || !dir.exists(examples_dir), "MPDETECT_EXAMPLES is not set")
}

# What mpplan writes to `-o FILE` for these arguments (and `files` beside,
# named by the options that write them).
mpplan <- function(args, files = character()) {
  out <- tempfile(fileext = ".csv")
  paths <- vapply(files, function(f) tempfile(fileext = ".csv"), "")
  extra <- as.vector(rbind(files, shQuote(paths)))
  status <- system2(mpplan_binary, c(args, "-o", shQuote(out), extra), stdout = FALSE,
                    stderr = FALSE)
  expect_equal(status, 0L)
  read <- function(path) readChar(path, file.info(path)$size, useBytes = TRUE)
  c(list(output = read(out)), lapply(paths, read))
}

nancycats_file <- function() system.file("files", "nancycats.gen", package = "adegenet")
