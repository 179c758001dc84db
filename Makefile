# Quick start: `make run` and `make test` (see README.md).
# Every target installs what is missing first, so a fresh Debian 12 machine
# needs nothing else.

BUILD      ?= build
GENERATOR  ?= Ninja
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/primjer.dsm

CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test test-quick clean

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

test-quick: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
