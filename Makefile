# Thin front over CMake. `make run` and `make test` install what is missing first.
# `make run` builds only the program it runs; `make test` builds everything.
BUILD ?= build
JOBS ?= 2
CMAKE_ARGS ?=

.PHONY: setup configure build test run package clean

setup:
	@bash scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

run: configure
	cmake --build $(BUILD) -j$(JOBS) --target velmark-cli
	$(BUILD)/bin/velmark-cli --sim

# The Debian package, build/velmark_<version>_<arch>.deb.
package:
	@bash scripts/setup.sh --package
	$(MAKE) build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
