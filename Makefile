# make test: set up, build and run every test.
# make demo: set up, build, and run the example flow in examples/.
# make bench: build, then run every benchmark under bench/ (each prints
# its figures and ratios; they take a few minutes at their default sizes).
BUILD ?= build
SANITIZE ?= OFF
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all setup configure build test demo bench clean

all: build

setup:
	@bash scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DKEST_SANITIZE=$(SANITIZE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@bash scripts/demo $(BUILD)

bench: build
	$(BUILD)/bench/sdb_bench
	$(BUILD)/bench/tessick_bench
	$(BUILD)/bench/kestrand_bench

clean:
	rm -rf $(BUILD) build-asan
