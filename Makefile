# Entry points for people and CI: set up the machine, build, run the example, run the tests.
# Every target runs scripts/setup first, so a fresh machine needs nothing else.
JOBS ?= $(shell nproc)
BUILD ?= build
CMAKE_GEN = -G Ninja

.PHONY: all setup build release run install test build-clang test-asan test-tsan test-fuzz bench clean

all: build

setup:
	@bash scripts/setup

build: setup
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

release: setup
	@cmake -S . -B build-release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQOR_BENCH=ON >/dev/null
	@cmake --build build-release -j $(JOBS)

run: release
	@cd examples && ../build-release/bin/qor quickstart.qor

# qor with its module libraries, message tables and sample library under PREFIX (bin/qor,
# lib/velmora/, share/velmora/); the installed qor finds them relative to itself.
PREFIX ?= /usr/local
install: release
	@cmake --install build-release --prefix "$(PREFIX)"

# CI: every warning is an error, the suite runs, and the product code builds with clang too.
test: setup
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQOR_WERROR=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory build-clang

# The host and the four modules built with clang 14, warnings as errors (tests stay on GCC).
build-clang: setup
	@CC=clang-14 CXX=clang++-14 cmake -S . -B build-clang $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQOR_BENCH=OFF -DQOR_WERROR=ON >/dev/null
	@cmake --build build-clang -j $(JOBS) --target qor tolvane tolvanea tolvanec tolvix

test-asan: setup
	@cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQOR_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# The thread sanitizer over the whole suite (pricing threads, kit handles, shared pools).
test-tsan: setup
	@cmake -S . -B build-tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQOR_TSAN=ON >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	@cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Each fuzzer runs for FUZZ_SECONDS over its seed corpus (tests/fuzz/corpus/<name>).
FUZZ_SECONDS ?= 20
test-fuzz: setup
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQOR_FUZZ=ON -DQOR_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzzers
	@bash scripts/run-fuzzers build-fuzz/bin $(FUZZ_SECONDS)

bench: release
	@for b in build-release/bin/bench_*; do echo "== $$b"; $$b || exit 1; done

clean:
	rm -rf build build-release build-clang build-asan build-tsan build-fuzz
