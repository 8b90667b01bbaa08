# make test: set up, build and run every test.
# make demo: set up, build what the demo runs (the programs, the stand-in
#            tools and the end-to-end test program of its closing check),
#            and run the example flow in examples/ (scripts/demo).
# make bench: build, then run every benchmark under bench/ (each prints
# its figures and ratios; they take a few minutes at their default sizes).
# make fuzz: build the fuzz targets and what they link (clang, in
#            build-fuzz) and run each for FUZZ_SECONDS seconds (60 by
#            default); skipped without clang.
BUILD ?= build
SANITIZE ?= OFF
# WERROR=ON makes every compiler warning an error (the CI builds).
WERROR ?= OFF
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# What the build makes: all (everything, the benchmarks included), or
# test_programs (the test programs and the programs and tools they run).
BUILD_TARGET ?= all
# More ctest options: CI's sanitizer build leaves out the cases of the
# outside checkers with -LE checker.
CTEST_FLAGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all setup configure build test demo bench fuzz clean

all: build

setup:
	@bash scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DKEST_SANITIZE=$(SANITIZE) -DKEST_WERROR=$(WERROR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(BUILD_TARGET)

# ctest names the tests that were skipped; scripts/skip_reasons then says
# why, from their output.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) $(CTEST_FLAGS); status=$$?; \
	  bash scripts/skip_reasons $(BUILD); exit $$status

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target demo_programs
	@bash scripts/demo $(BUILD)

bench: build
	$(BUILD)/bench/sdb_bench
	$(BUILD)/bench/tessick_bench
	$(BUILD)/bench/kestrand_bench
	$(BUILD)/bench/legal_inputs_bench

# The normal build comes first: its netlist tools make the design seeds.
fuzz: build
	@if command -v clang++ >/dev/null 2>&1; then \
	  CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DKEST_FUZZ=ON -DKEST_WERROR=$(WERROR) >/dev/null && \
	  cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets && \
	  bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS); \
	else \
	  echo "make fuzz: clang++ is not installed; the fuzz targets are skipped"; \
	fi

clean:
	rm -rf $(BUILD) build-asan $(FUZZ_BUILD)
