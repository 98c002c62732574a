# Thin wrapper around CMake. Every target installs the Debian packages it
# needs first (scripts/install-deps.sh does nothing when all are present).

JOBS ?= $(shell nproc)
TEST_DIR := build/test
REL_DIR := build/release
FUZZ_DIR := build/fuzz
CTEST_ARGS ?=

.PHONY: all deps run test lint test-clang test-tsan build-test build-release fuzz-smoke fuzz build-fuzz soak bench screenshots windows test-windows clean format

all: build-release

deps:
	@bash scripts/install-deps.sh

build-release: deps
	cmake -S . -B $(REL_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_SANITIZE=OFF \
	    -DTAVRIN_BUILD_TESTS=OFF
	cmake --build $(REL_DIR) -j $(JOBS)

# The source layout and format are checked before anything is built.
lint: deps
	bash scripts/check-layers.sh
	bash scripts/check-format.sh

build-test: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRIN_SANITIZE=ON -DTAVRIN_WERROR=ON
	cmake --build $(TEST_DIR) -j $(JOBS)

test: lint build-test
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The whole suite built once more with clang (its warnings as errors too,
# ASan+UBSan), then run.
CLANG_DIR := build/clang
test-clang: lint
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(CLANG_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DTAVRIN_SANITIZE=ON -DTAVRIN_WERROR=ON
	cmake --build $(CLANG_DIR) -j $(JOBS)
	cd $(CLANG_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# The threaded link and exchange tests once more under ThreadSanitizer (their
# own small executable: the core, the cli, the simulator and those tests).
TSAN_DIR := build/tsan
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRIN_TSAN=ON -DTAVRIN_BUILD_GUI=OFF
	cmake --build $(TSAN_DIR) -j $(JOBS) --target tavrin_tsan_tests
	cd $(TSAN_DIR) && TSAN_OPTIONS=halt_on_error=1 ./tests/tavrin_tsan_tests

# A long run of write, read back and journal cycles (every fourth under a
# random fault) against the simulator, with the memory, descriptor and
# thread checks; SOAK_CYCLES (default 1000) cycles, SOAK_SEED to vary. Then
# the main window's scripted run (about 255 actions a cycle) against a demo
# panel with the same checks, SOAK_GUI_CYCLES (default 20) cycles.
SOAK_CYCLES ?= 1000
SOAK_SEED ?= 1
SOAK_GUI_CYCLES ?= 20
soak: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRIN_SANITIZE=ON -DTAVRIN_WERROR=ON
	cmake --build $(TEST_DIR) -j $(JOBS) --target tavrin_soak gui_soak
	ASAN_OPTIONS=quarantine_size_mb=0:thread_local_quarantine_size_kb=0 \
	    $(TEST_DIR)/tests/tavrin_soak --cycles $(SOAK_CYCLES) --seed $(SOAK_SEED)
	QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:quarantine_size_mb=0:thread_local_quarantine_size_kb=0 \
	    $(TEST_DIR)/tests/gui_soak --cycles $(SOAK_GUI_CYCLES)

run: build-release
	@bash scripts/run-demo.sh $(REL_DIR)

build-fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTAVRIN_FUZZ=ON -DTAVRIN_BUILD_GUI=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets

fuzz-smoke: build-fuzz
	bash scripts/fuzz-smoke.sh $(FUZZ_DIR)

# Every target for FUZZ_SECONDS (default 600) on its corpus in the
# repository, which grows; a table of executions, coverage and crashes.
fuzz: build-fuzz
	bash scripts/fuzz.sh $(FUZZ_DIR)

bench: build-release
	bash scripts/bench.sh $(REL_DIR)

screenshots: build-release
	bash scripts/screenshots.sh $(REL_DIR)

# Windows: core, tavrin-cli.exe and the core tests cross-built with mingw-w64
# (no gui: Qt for Windows is not in Debian), then run under Wine.
WIN_DIR := build/windows

windows:
	@bash scripts/install-deps.sh --windows
	cmake -S . -B $(WIN_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_GUI=OFF
	cmake --build $(WIN_DIR) -j $(JOBS)

test-windows: windows
	bash scripts/test-windows.sh $(WIN_DIR)

format:
	find core gui cli tools tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
