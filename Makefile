# The two commands a newcomer needs:
#   make demo   build SETUP.EXE and run it on the sample package under Wine
#   make test   install what is missing, build both architectures, run every test
# Everything else here is what those two are made of.

BUILD      ?= build
JOBS       ?= 2
CMAKE_ARGS ?=

.PHONY: demo test deps build build-x64 build-x86 build-native prefix check format format-check bench fuzz clean

deps:
	scripts/setup-deps.sh

$(BUILD)/x64/build.ninja: | deps
	cmake -G Ninja -S . -B $(BUILD)/x64 -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake $(CMAKE_ARGS)

$(BUILD)/x86/build.ninja: | deps
	cmake -G Ninja -S . -B $(BUILD)/x86 -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake -DQS_BUILD_TESTS=OFF $(CMAKE_ARGS)

build-x64: $(BUILD)/x64/build.ninja
	cmake --build $(BUILD)/x64 -j $(JOBS)

# 32-bit Windows build: no test programs of its own; the x86-64 tests run its SETUP.EXE
# under WoW64 (README, The two builds).
build-x86: $(BUILD)/x86/build.ninja
	cmake --build $(BUILD)/x86 -j $(JOBS)

# The distributor's kit (qcheck, qpack) for this machine, with its tests, which run
# without Wine; configured from tools/ with the host compiler.
$(BUILD)/native/build.ninja: | deps
	cmake -G Ninja -S tools -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Release

build-native: $(BUILD)/native/build.ninja
	cmake --build $(BUILD)/native -j $(JOBS)

build: build-x64 build-x86 build-native

prefix: deps
	scripts/wine-prefix.sh

# The sources' format (.clang-format) and both suites are checked, whatever the first
# says; any of them failing fails the check.
check: build prefix
	scripts/format.sh --check; format=$$?; \
	(cd $(BUILD)/native && ctest -j $(JOBS) --output-on-failure); native=$$?; \
	(cd $(BUILD)/x64 && ctest -j $(JOBS) --output-on-failure); windows=$$?; \
	[ $$format -eq 0 ] && [ $$native -eq 0 ] && [ $$windows -eq 0 ]

# Formats src/, tools/ and tests/ as .clang-format says; format-check only reports.
format: deps
	scripts/format.sh

format-check: deps
	scripts/format.sh --check

test: check

demo: build-x64
	scripts/demo.sh $(BUILD)/x64/src/SETUP.EXE $(BUILD)/x64/QDEMO.DLL $(BUILD)/x64/tests/rundrive.exe

# Prints the record timings and the end-to-end figures of SETUP.EXE against a plain copy
# loop, then the kit's (qcheck's speed, qpack against mscompress); not part of the tests
# (see README, Benchmark). BENCH_RUNS sets the repetitions.
BENCH_RUNS ?= 5
bench: build-x64 build-x86 build-native prefix
	bench/run.sh $(BUILD) $(BENCH_RUNS)
	bench/kit_bench.sh $(BUILD) $(BENCH_RUNS)

# Fuzzes the script readers, the record and both engines: the saved cases of earlier
# findings, then FUZZ_CASES generated ones from FUZZ_SEED (a new seed when empty; it is
# printed). FUZZ_ARGS passes more options (--time-limit S, --verbose). Not part of the
# tests, which run a short fixed-seed round.
FUZZ_CASES ?= 5000
FUZZ_SEED  ?=
FUZZ_ARGS  ?=
fuzz: build-x64 prefix
	scripts/wine-run.sh $(BUILD)/x64/tests/fuzz.exe --cases $(FUZZ_CASES) $(if $(FUZZ_SEED),--seed $(FUZZ_SEED)) \
	  --replay P:/tests/fuzz/cases $(FUZZ_ARGS)

clean:
	rm -rf $(BUILD)
