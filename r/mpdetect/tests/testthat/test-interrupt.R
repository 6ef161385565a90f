# An interrupt between estimates ends the call with an error and leaves R
# usable.

test_that("an interrupt stops a long curve and R goes on", {
  skip_on_os("windows")
  skip_if_not(requireNamespace("parallel", quietly = TRUE))
  frequencies <- data.frame(locus = rep(sprintf("L%02d", 1:25), each = 30),
                            allele = rep(1:30, 25), frequency = rep(1 / 30, 750))
  # A child process interrupts this one a moment after the curve starts.
  parent <- Sys.getpid()
  child <- parallel::mcparallel({
    Sys.sleep(1)
    tools::pskill(parent, tools::SIGINT)
  })
  started <- Sys.time()
  # About 20 designs of 25 loci: several seconds of work, well past the
  # interrupt.
  shares <- lapply(1:10, function(k) c(k, 20 - k) / 20)
  expect_error(suppressMessages(power_curve(frequencies, sires = 2:10, shares = shares, seed = 1)),
               "interrupted before every estimate was made")
  parallel::mccollect(child)
  expect_lt(as.numeric(Sys.time() - started, units = "secs"), 30)
  after <- suppressMessages(power_curve(frequencies, sizes = 1:3, seed = 1))
  expect_equal(nrow(after), 3L)
})
