# The two commands of the README do all the set-up on a fresh Debian 12 machine:
#   make run    installs what is missing, builds, and starts the program
#   make test   installs what is missing, builds, and runs every test
#               (SANITIZE=1: also the core's tests under AddressSanitizer and UndefinedBehaviorSanitizer,
#               and the run loop's under ThreadSanitizer; WERROR=1: warnings are errors)
# and for putting the program on a machine:
#   make install [PREFIX=/usr/local]   installs the program, its menu entry, icon and metainfo
#   make package                       builds a Debian package (build/zur-text-replace_*.deb)
BUILD_DIR ?= build
SANITIZE ?=
WERROR ?=
CMAKE_FLAGS := -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(WERROR),-DZUR_WERROR=ON,-DZUR_WERROR=OFF)
# Sanitizer builds: quick to build, line numbers in the reports. Their warnings are not errors: the
# instrumented standard headers warn of their own (std::regex, "maybe uninitialized"); the plain build
# is the one kept free of warnings.
SANITIZE_FLAGS := -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g1" -DZUR_WERROR=OFF
# The run loop's tests, which are the ones with threads.
THREAD_TESTS := RunLoop.*:RewriteJob.*:RestoreJob.*:Journal.*:ItemList.*
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
MAKEFLAGS += --no-print-directory

.PHONY: all deps build run test bench pictures install package clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD_DIR)/ZURBatchProcess

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
ifneq ($(SANITIZE),)
	@cmake -S . -B $(BUILD_DIR)-asan $(SANITIZE_FLAGS) -DZUR_SANITIZE=address,undefined >/dev/null
	@cmake --build $(BUILD_DIR)-asan -j $(JOBS) --target core_tests
	@$(BUILD_DIR)-asan/tests/core_tests --gtest_brief=1
	@cmake -S . -B $(BUILD_DIR)-tsan $(SANITIZE_FLAGS) -DZUR_SANITIZE=thread >/dev/null
	@cmake --build $(BUILD_DIR)-tsan -j $(JOBS) --target core_tests
	@# Some tests fork a child that runs a job of its own (another user, a killed program).
	@TSAN_OPTIONS=die_after_fork=0 $(BUILD_DIR)-tsan/tests/core_tests --gtest_brief=1 --gtest_filter='$(THREAD_TESTS)'
endif

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
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-asan $(BUILD_DIR)-tsan
