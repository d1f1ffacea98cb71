# The two commands of the README do all the set-up on a fresh Debian 12 machine:
#   make run    installs what is missing, builds, and starts the program
#   make test   installs what is missing, builds, and runs every test
# and for putting the program on a machine:
#   make install [PREFIX=/usr/local]   installs the program, its menu entry, icon and metainfo
#   make package                       builds a Debian package (build/zur-text-replace_*.deb)
BUILD_DIR ?= build
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
MAKEFLAGS += --no-print-directory

.PHONY: all deps build run test bench pictures install package clean

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

install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	@cd $(BUILD_DIR) && cpack -G DEB

# Draws the pictures again into resources/ (they are committed).
pictures: deps
	@cmake -S . -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) --target render_pictures -j $(JOBS)
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tools/render_pictures resources

clean:
	rm -rf $(BUILD_DIR)
