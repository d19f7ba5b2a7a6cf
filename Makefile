# The two everyday commands: `make run` and `make test`.
BUILD ?= build
# Commands below run in other directories: always hand them an absolute path.
BUILD_DIR := $(abspath $(BUILD))
JOBS ?= 2
CMAKE_FLAGS ?=
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build run test asan fuzz bench clean

all: build

deps:
	@tools/install-deps.sh

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

# Copies the shipped template with macro expansion and preprocessing, then shows it; then
# builds the example firmware solution with tessabuild (a copy in the build tree, so that
# the sources stay clean) and shows the size of the ELF it linked.
run: build
	@rm -rf $(BUILD_DIR)/example && mkdir -p $(BUILD_DIR)/example
	cd examples && $(BUILD_DIR)/bin/cp -expandmacros -preprocess -makedir \
	    -D BOARD=TR-M4 -D FLASH_SIZE=512K -D RAM_SIZE=128K -D USE_BOOTLOADER=1 \
	    board.ld.in $(BUILD_DIR)/example/board.ld
	@echo "--- $(BUILD_DIR)/example/board.ld"
	@cat $(BUILD_DIR)/example/board.ld
	@cp -R examples/firmware $(BUILD_DIR)/example/firmware
	@echo "--- tessabuild example/firmware/firmware.hzp -config Release"
	$(BUILD_DIR)/bin/tessabuild $(BUILD_DIR)/example/firmware/firmware.hzp -config Release
	arm-none-eabi-size $(BUILD_DIR)/example/firmware/Output/Release/Exe/Blink.elf
	@echo "--- post-build script: the firmware image's length and CRC stamped into its header"
	$(MAKE) -C examples/postbuild run TESSA_BIN=$(BUILD_DIR)/bin OUT=$(BUILD_DIR)/example/postbuild

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DTESSA_SANITIZE=ON -DTESSA_BENCH=OFF"

# libFuzzer targets (clang); see fuzz/run.sh.
fuzz: deps
	@tools/install-deps.sh tools/fuzz-packages.txt
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTESSA_FUZZ=ON -DTESSA_TESTS=OFF \
	    -DTESSA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j$(JOBS)

bench: build
	BUILD=$(BUILD_DIR) bench/run.sh

clean:
	rm -rf $(BUILD) build-asan build-fuzz
