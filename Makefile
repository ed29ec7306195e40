# The project's entry points. Each target installs what the machine lacks
# (Debian, apt-get) and builds before it does its work.

BUILD_DIR    ?= build
GENERATOR    ?= Ninja
CMAKE_FLAGS  ?=
CTEST_FLAGS  ?= --output-on-failure

.PHONY: all deps configure build test run cli clean format install package

all: build

deps:
	./tools/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -G $(GENERATOR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest $(CTEST_FLAGS)

run: build
	$(BUILD_DIR)/src/cli/md5zevrin-cli 中文abc

# PREFIX=/some/where installs elsewhere than CMake's default /usr/local.
install: build
	cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

# The Debian package, written to $(BUILD_DIR).
package: build
	cmake --build $(BUILD_DIR) --target package

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
