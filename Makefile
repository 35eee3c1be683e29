# The two set-up commands of the README. Both install what is missing,
# configure once, build incrementally and then test or start the program.

BUILD_DIR := build
JOBS      := 2

.PHONY: all deps build test run bench package clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake --preset default

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

run: build
	$(BUILD_DIR)/src/culler

bench: build
	$(BUILD_DIR)/bench/purge_bench

package: build
	cd $(BUILD_DIR) && cpack

clean:
	rm -rf $(BUILD_DIR)
