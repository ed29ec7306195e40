# The project's entry points. Each target installs what the machine lacks
# (Debian, apt-get) and builds before it does its work. The configurations
# themselves are CMakePresets.json's; the directories can be moved here.

BUILD_DIR    ?= build
GENERATOR    ?= Ninja
CMAKE_FLAGS  ?=
# Every test is isolated (servers, sessions and locks of its own), so CTest
# runs three at a time; tests that share one Wine session say RUN_SERIAL.
CTEST_FLAGS  ?= --output-on-failure -j3
BENCH_DIR    ?= build-bench
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR     ?= build-fuzz
FUZZ_SECONDS ?= 60
WINDOWS_DIR  ?= build-windows

.PHONY: all help deps configure build test run clean format install package bench bench-startup bench-memory test-sanitize fuzz screenshot unit-tables windows test-windows package-windows

all: build

help:
	@echo 'make, make all      the same as make build'
	@echo 'make build           configure and build the programs and tests into $(BUILD_DIR)'
	@echo 'make test            build, then run every test with CTest (ctest -L LABEL in $(BUILD_DIR) picks some)'
	@echo 'make run             build, then start the window program'
	@echo 'make install         install into PREFIX (default: CMake'"'"'s /usr/local)'
	@echo 'make package         the Debian package, in $(BUILD_DIR)'
	@echo 'make bench           the digest engine and a click'"'"'s work against OpenSSL (release build)'
	@echo 'make bench-startup   the window'"'"'s start-up time, memory and idle processor use'
	@echo 'make bench-memory    md5zevrin-cli'"'"'s peak memory on a 1 GB line'
	@echo 'make test-sanitize   every test under AddressSanitizer and UndefinedBehaviorSanitizer'
	@echo 'make fuzz            each libFuzzer target for FUZZ_SECONDS'
	@echo 'make windows         cross-build the Windows program into $(WINDOWS_DIR)'
	@echo 'make test-windows    the Windows build'"'"'s tests under Wine'
	@echo 'make package-windows the Windows zip, in $(WINDOWS_DIR)'
	@echo 'make unit-tables     regenerate the code page and upper-case tables from ICU'
	@echo 'make screenshot      regenerate docs/screenshot.png from the real window'
	@echo 'make format          clang-format every C++ file'
	@echo 'make clean           remove every build folder'
	@echo 'make deps            install the packages the build and tests need'

deps:
	./tools/install-deps

configure: deps
	cmake --preset default -B $(BUILD_DIR) -G $(GENERATOR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest $(CTEST_FLAGS)

run: build
	$(BUILD_DIR)/src/app/md5zevrin

# PREFIX=/some/where installs elsewhere than CMake's default /usr/local.
install: build
	cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

# The Debian package, written to $(BUILD_DIR).
package: build
	cmake --build $(BUILD_DIR) --target package

# Both benchmarks use a release build of their own (-O2, no machine-specific
# tuning); the figures are the last lines of their output.
BENCH_CONFIGURE = cmake --preset release-bench -B $(BENCH_DIR) -G $(GENERATOR) $(CMAKE_FLAGS)

# The digest engine and one click's work against OpenSSL's MD5.
bench: deps
	$(BENCH_CONFIGURE)
	cmake --build $(BENCH_DIR) --target md5z_bench
	$(BENCH_DIR)/bench/md5z_bench

# The window program's start-up time and peak memory against gtkhash, its
# processor use while idle and its proportional set size. Every round starts
# both on one warmed-up server (the -warm figures) and on X servers of their
# own, as the reference figures for gtkhash were taken; STARTUP_FLAGS= (empty)
# leaves out the fresh servers (see the README).
STARTUP_FLAGS ?= --fresh-server
bench-startup: deps
	$(BENCH_CONFIGURE)
	cmake --build $(BENCH_DIR) --target md5zevrin
	bench/startup.py --program $(BENCH_DIR)/src/app/md5zevrin $(STARTUP_FLAGS)

# md5zevrin-cli's peak memory when one line of its input is 1 GB long, against
# a run of one short line.
bench-memory: deps
	$(BENCH_CONFIGURE)
	cmake --build $(BENCH_DIR) --target md5zevrin-cli
	bench/long_line.py --program $(BENCH_DIR)/src/cli/md5zevrin-cli

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer
# (clang); the first finding fails the run. Leaks inside system libraries
# are suppressed by tests/lsan_suppressions.txt, nothing else.
test-sanitize: deps
	cmake --preset sanitize -B $(SANITIZE_DIR) -G $(GENERATOR) $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_DIR)
	cd $(SANITIZE_DIR) && \
	    ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
	    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan_suppressions.txt:print_suppressions=0 \
	    ctest $(CTEST_FLAGS)

# Each libFuzzer target for FUZZ_SECONDS; a finding fails the run and its
# input is kept in $(FUZZ_DIR)/fuzz-findings.
fuzz: deps
	cmake --preset fuzz -B $(FUZZ_DIR) -G $(GENERATOR) $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR)
	fuzz/run $(FUZZ_DIR) $(FUZZ_SECONDS)

# The Windows program, cross-built with mingw-w64 into $(WINDOWS_DIR), and its
# tests run under Wine. Only these targets install the Windows tool chain and
# Wine (about 1 GiB), so `make test` never pulls them.
WINDOWS_PACKAGES = g++-mingw-w64-x86-64-posix wine64 fonts-wine icoutils
WINDOWS_CONFIGURE = cmake -S . -B $(WINDOWS_DIR) -G $(GENERATOR) \
    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

windows:
	./tools/install-deps $(WINDOWS_PACKAGES)
	$(WINDOWS_CONFIGURE)
	cmake --build $(WINDOWS_DIR)

# CTest runs each test program through Wine, in a prefix of the build's own
# that the desktop driver (tools/desktops) prepares and keeps served.
test-windows: windows
	/usr/bin/python3 tools/desktops --wine-prefix $(WINDOWS_DIR)/wineprefix wine-null \
	    sh -c 'cd $(WINDOWS_DIR) && ctest $(CTEST_FLAGS)'

# $(WINDOWS_DIR)/md5zevrin-1.03.0026-win64.zip: the program, the README, the
# Windows page (docs/windows.md) and the licence.
package-windows: windows
	cmake --build $(WINDOWS_DIR) --target package-windows

# Regenerates the compiled-in code page and upper-case tables from ICU
# (src/core/code_page_table.inc, src/core/upper_case_table.inc).
unit-tables: configure
	cmake --build $(BUILD_DIR) --target unit-tables

# Regenerates docs/screenshot.png from the real window.
screenshot: build
	cmake --build $(BUILD_DIR) --target screenshot

format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(WINDOWS_DIR)
