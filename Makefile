# Tessaform: the two commands a newcomer needs are `make demo` and `make test`.
# Both install what is missing first (scripts/bootstrap).

BUILD      ?= build
JOBS       ?= 2
# The Windows architecture the tests run as: win32 where the kernel can run
# 32-bit Wine, else win64 (same sources built for x86-64).
WINE_ARCH  ?= $(shell scripts/wine-arch)
NATIVE     := $(BUILD)/native
WIN32      := $(BUILD)/win32
WIN64      := $(BUILD)/win64
ifeq ($(WINE_ARCH),win64)
WINTEST    := $(WIN64)
else
WINTEST    := $(WIN32)
endif
CTEST_ARGS ?=

.PHONY: all bootstrap native win32 win64 installer tessapack test test-native test-win demo bench fuzz clean

all: native win32

bootstrap:
	@scripts/bootstrap

$(NATIVE)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug

$(WIN32)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel

$(WIN64)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(WIN64) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel

native: bootstrap $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)

win32: bootstrap $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS)

win64: bootstrap $(WIN64)/CMakeCache.txt
	cmake --build $(WIN64) -j $(JOBS)

# The shipped installer is always the i686 build.
installer: bootstrap $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS) --target tessaform

# The builder, which the Windows end-to-end tests run to make their packages.
tessapack: bootstrap $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS) --target tessapack

test-native: native
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS) $(CTEST_ARGS)

# Win32 tests run one after another in one Wine session (they share a screen).
# The whole i686 tree is built too, so 32-bit compile and link errors show
# even where only the x86-64 build can run.
test-win: $(WINE_ARCH) win32 tessapack
	scripts/wine-session --arch $(WINE_ARCH) $(WINTEST)/wineprefix -- \
	  ctest --test-dir $(WINTEST) --output-on-failure $(CTEST_ARGS)

test: test-native test-win

demo: installer $(WINE_ARCH) native
	scripts/demo $(BUILD) $(WINE_ARCH)

# A long fuzzing campaign: every target for FUZZ_SECONDS (or the FUZZ_TARGETS
# named), one after the other; see scripts/fuzz.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?=
fuzz: bootstrap $(NATIVE)/CMakeCache.txt
	scripts/fuzz --build $(NATIVE) --seconds $(FUZZ_SECONDS) $(FUZZ_TARGETS)

bench: bootstrap
	cmake -S . -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release -DTESSA_SANITIZE=OFF -DTESSA_TESTS=OFF
	cmake --build $(BUILD)/bench -j $(JOBS)
	scripts/bench $(BUILD)

clean:
	rm -rf $(BUILD)
