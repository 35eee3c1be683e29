# The two set-up commands of the README. Both install what is missing,
# configure once, build incrementally and then test or start the program.
# `make run` builds the program alone, so the window comes up without
# waiting for the tests, benchmarks and fuzz replays that `make test` builds;
# `make bench` builds and runs the seven benchmarks: the engine against find, the Trash against
# gio and Qt's moveToTrash, putting a Trash run back against a rename loop, the main window and
# the summary's count (these two draw off screen, so they need no display), a purge down a
# tree against find, and a size cap against a plain purge.
# `make check` runs the same tests on a build with AddressSanitizer and
# UndefinedBehaviorSanitizer, then, on a build with ThreadSanitizer, the tests of the code that
# starts threads: the engine's, the summary's count and the main window's purge; `make fuzz`
# builds the libFuzzer programs.

BUILD_DIR := build
ASAN_DIR  := build-asan
TSAN_DIR  := build-tsan
FUZZ_DIR  := build-fuzz
JOBS      := 2

.PHONY: all deps configure build test check fuzz run bench package clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake --preset default

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

$(ASAN_DIR)/build.ninja: | deps
	cmake --preset asan

$(TSAN_DIR)/build.ninja: | deps
	cmake --preset tsan

check: deps $(ASAN_DIR)/build.ninja $(TSAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)
	cmake --build --preset tsan
	ctest --preset tsan

$(FUZZ_DIR)/build.ninja: | deps
	cmake --preset fuzz

fuzz: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS)

run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target culler
	$(BUILD_DIR)/src/culler

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target purge_bench trash_bench putback_bench window_bench preview_bench tree_bench space_bench
	$(BUILD_DIR)/bench/purge_bench
	$(BUILD_DIR)/bench/trash_bench
	$(BUILD_DIR)/bench/putback_bench
	$(BUILD_DIR)/bench/window_bench
	$(BUILD_DIR)/bench/preview_bench
	$(BUILD_DIR)/bench/tree_bench
	$(BUILD_DIR)/bench/space_bench

package: build
	cd $(BUILD_DIR) && cpack

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(TSAN_DIR) $(FUZZ_DIR)
