# Quick start: `make run` and `make test` (see README.md).
# Every target installs what is missing first, so a fresh Debian 12 machine
# needs nothing else.

BUILD      ?= build
GENERATOR  ?= Ninja
JOBS       ?= $(shell nproc)
EXAMPLE    ?= examples/primjer.dsm

CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# `make install`: under PREFIX, into DESTDIR when given (staged installs).
PREFIX  ?= /usr/local
DESTDIR ?=

# Development: the sanitizer builds and the fuzzer have build directories of
# their own. `make test` runs them after the normal suite, the fuzzer briefly.
FUZZ_SECONDS    ?= 600
CI_FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test test-quick test-asan test-tsan fuzz install package package-check clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G $(GENERATOR) $(CMAKE_FLAGS) -DCMAKE_INSTALL_PREFIX=$(PREFIX) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-main.sh $(BUILD) $(EXAMPLE)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --no-tests=error
	@scripts/package-check.sh $(BUILD)
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

# The programs, the help file and the examples, the desktop entry, the MIME
# type, the icon and the manual page. Installed straight onto this system,
# the desktop's caches are brought up to date too.
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"
	@if [ -z "$(DESTDIR)" ]; then \
	  ! command -v update-mime-database > /dev/null || update-mime-database "$(PREFIX)/share/mime"; \
	  ! command -v update-desktop-database > /dev/null || update-desktop-database -q "$(PREFIX)/share/applications"; \
	  ! command -v gtk-update-icon-cache > /dev/null || gtk-update-icon-cache -q -t "$(PREFIX)/share/icons/hicolor" || true; \
	fi

# The Debian package, in $(BUILD)/package/ (installs to /usr).
package: build
	@cmake --build $(BUILD) --target package

# Builds the package, installs it with apt and runs the installed programs.
package-check: build
	@scripts/package-check.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
