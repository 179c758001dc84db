# Quick start: `make run` and `make test` (see README.md).
# Every target installs what is missing first, so a fresh Debian 12 machine
# needs nothing else.

BUILD      ?= build
GENERATOR  ?= Ninja
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/primjer.dsm

CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Development: the sanitizer builds and the fuzzer have build directories of
# their own. `make test` runs them after the normal suite, the fuzzer briefly.
FUZZ_SECONDS    ?= 600
CI_FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test test-quick test-asan test-tsan fuzz clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G $(GENERATOR) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-main.sh $(BUILD) $(EXAMPLE)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --no-tests=error
	@JOBS=$(JOBS) scripts/test-sanitized.sh address
	@JOBS=$(JOBS) scripts/test-sanitized.sh thread
	@scripts/fuzz.sh $(CI_FUZZ_SECONDS)

test-quick: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

# AddressSanitizer with UndefinedBehaviorSanitizer and the leak checker.
test-asan: deps
	@JOBS=$(JOBS) scripts/test-sanitized.sh address

# ThreadSanitizer over the tests that run threads.
test-tsan: deps
	@JOBS=$(JOBS) scripts/test-sanitized.sh thread

# The structure reader under libFuzzer for FUZZ_SECONDS seconds.
fuzz: deps
	@scripts/fuzz.sh $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
