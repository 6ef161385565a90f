# Two commands for a fresh Debian machine:
#   make run    build the program and run it on the example study in examples/
#   make test   build everything and run every test
BUILD ?= build

.PHONY: run test build deps clean

deps:
	@bash scripts/ensure-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(if $(CI),-DMPDETECT_WERROR=ON) > /dev/null
	cmake --build $(BUILD) -j 2

# The program ends with status 1 when answered 0, its usual way out.
run: build
	cd examples && { ../$(BUILD)/mpdetect; status=$$?; [ $$status -le 1 ]; }

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j 2

clean:
	rm -rf $(BUILD)
