library(testthat)
library(mpdetect)
test_check("mpdetect")
