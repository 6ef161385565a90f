# Two commands for a fresh Debian machine:
#   make run    build the program and run it on the example study in examples/
#   make test   build everything (the web page and the R package included) and
#               run every test
# Builds use the presets in CMakePresets.json; under CI warnings are errors.
WERROR := $(if $(CI),-DMPDETECT_WERROR=ON)
WEB := $(CURDIR)/build-web

R := $(CURDIR)/build

.PHONY: run test build web r r-check deps clean

deps:
	@bash scripts/ensure-deps.sh

build: deps
	cmake --preset release $(WERROR) -DMPDETECT_WEB_DIR=$(WEB) > /dev/null
	cmake --build --preset release

# Builds both programs, mpdetect and the planner mpplan, and runs mpdetect
# on the example study. It ends with status 1 when answered 0, its usual
# way out.
run: deps
	cmake --preset release > /dev/null
	cmake --build --preset release --target mpdetect mpplan
	cd examples && { ../build/mpdetect; status=$$?; [ $$status -le 1 ]; }

# The web page, in build-web/page: open its index.html, or copy the folder
# to any static host.
web:
	@bash scripts/ensure-deps.sh web
	bash web/build.sh $(WEB)

# The R package, built from the planner's sources and installed into
# build/r-lib: library(mpdetect, lib.loc = "build/r-lib").
r:
	@bash scripts/ensure-deps.sh r
	bash r/build.sh $(R)

# R CMD check on the package, its tests comparing with the built mpplan.
r-check: build
	@bash scripts/ensure-deps.sh r
	MPPLAN_BINARY=$(CURDIR)/build/mpplan MPDETECT_EXAMPLES=$(CURDIR)/examples bash r/build.sh $(R) --check

test: build web r-check
	ctest --preset release

clean:
	rm -rf build build-portable build-sanitize build-fuzz build-bench build-web
