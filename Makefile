# The two commands of the README: `make run` and `make test`. Both install whatever Debian
# packages are missing (once: a second run finds them all and installs nothing), configure,
# build and then start the calculator or run every test through CTest.

PACKAGES := cmake ninja-build g++ make pkg-config qt6-base-dev qt6-base-dev-tools \
            libgl-dev fontconfig fonts-dejavu-core locales bc
BUILD_DIR := build
PRESET := dev

.PHONY: all setup configure build run test bench clean

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

run: build
	@if [ -x $(BUILD_DIR)/bin/tallyer ]; then \
	  $(BUILD_DIR)/bin/tallyer; \
	else \
	  $(BUILD_DIR)/bin/tallyer-cli --help; \
	fi

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

bench: build
	cmake --build $(BUILD_DIR) --target benchmarks
	@for b in $(BUILD_DIR)/bench/bench_*; do if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || exit 1; fi; done

clean:
	rm -rf $(BUILD_DIR)
