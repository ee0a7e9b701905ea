# The two commands of the README: `make run` and `make test`. Both install whatever Debian
# packages are missing (once: a second run finds them all and installs nothing), configure,
# build and then start the calculator or run every test through CTest.

PACKAGES := cmake ninja-build g++ make pkg-config qt6-base-dev qt6-base-dev-tools \
            libgl-dev fontconfig fonts-dejavu-core locales desktop-file-utils appstream \
            dpkg-dev file clang libclang-rt-14-dev bc poppler-utils qt6-translations-l10n
SHELL := /bin/bash
BUILD_DIR := build
PRESET := dev

FUZZ_DIR := build-fuzz
FUZZ_TARGETS := evaluator sheetclean wordsfile settings memorystring tapefold tapemodel helplinks sheetnotes
# Seconds each target runs under `make fuzz`; `make test` gives each this many fresh inputs.
FUZZ_SECONDS ?= 60
FUZZ_RUNS ?= 4000

.PHONY: all setup configure build run test bench package fuzz fuzz-build fuzz-check mutants clean

all: build

setup:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: setup
	@[ -f $(BUILD_DIR)/build.ninja ] || cmake --preset $(PRESET)

build: configure
	cmake --build $(BUILD_DIR)

# Only the programs and their data: the tests are built by `make test`.
run: configure
	cmake --build $(BUILD_DIR) --target program
	@if [ -x $(BUILD_DIR)/bin/tallyer ]; then \
	  $(BUILD_DIR)/bin/tallyer; \
	else \
	  $(BUILD_DIR)/bin/tallyer-cli --help; \
	fi

# The fuzz targets' short run first, so that CTest's summary closes the output.
test: build fuzz-check
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The fuzzers: built with clang and the sanitizers in their own tree. New inputs found go to a
# scratch folder; the checked-in seeds are only read.
fuzz-build: setup
	@[ -f $(FUZZ_DIR)/build.ninja ] || cmake --preset fuzz
	cmake --build $(FUZZ_DIR) --target fuzz_targets

fuzz-check: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  scratch=$$(mktemp -d) && \
	  echo "fuzz_$$t: seeds and $(FUZZ_RUNS) fresh inputs" && \
	  $(FUZZ_DIR)/fuzz/fuzz_$$t -runs=$(FUZZ_RUNS) -max_len=4096 -dict=fuzz/tallyer.dict \
	    -print_final_stats=1 "$$scratch" fuzz/corpus/$$t 2>&1 | grep -E "^(stat::number_of_executed_units|==|SUMMARY)|promise broken|ERROR" ; \
	  rc=$${PIPESTATUS[0]}; rm -rf "$$scratch"; [ $$rc -eq 0 ] || exit 1; \
	done

fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t && \
	  $(FUZZ_DIR)/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -dict=fuzz/tallyer.dict \
	    -print_final_stats=1 $(FUZZ_DIR)/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

# Deliberate faults written into the sources one at a time, each of which a test must catch
# (mutants/mutants.json). Not part of `make test`: two faults are tried at once, the second in a
# copy of the tree kept in $(BUILD_DIR)/mutants/; every source file is put back. SINCE=REV tries
# only the faults in files changed since that revision.
mutants: build
	@missing=""; for p in python3 ccache; do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi
	python3 mutants/run.py --build $(BUILD_DIR) $(if $(SINCE),--since $(SINCE))

bench: build
	cmake --build $(BUILD_DIR) --target benchmarks
	@for b in $(BUILD_DIR)/bench/bench_*; do if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || exit 1; fi; done

# The Debian package tallyer_<version>_<arch>.deb, in the build folder.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR)
