# The two commands of the README do all the set-up on a fresh Debian 12 machine:
#   make run    installs what is missing, builds, and starts the program
#   make test   installs what is missing, builds, and runs every test
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
MAKEFLAGS += --no-print-directory

.PHONY: all deps build run test bench pictures clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD_DIR)/ZURBatchProcess

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@bash scripts/install-deps.sh --bench
	@$(BUILD_DIR)/bench/zur_bench
	@$(BUILD_DIR)/bench/zur_bench_window

# Draws the pictures again into resources/ (they are committed).
pictures: deps
	@cmake -S . -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) --target render_pictures -j $(JOBS)
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tools/render_pictures resources

clean:
	rm -rf $(BUILD_DIR)
