# Tessaform: the two commands a newcomer needs are `make demo` and `make test`.
# Both install what is missing first (scripts/bootstrap).

BUILD      ?= build
JOBS       ?= 2
# The Windows architecture that runs on this machine's kernel: win32 where it
# runs 32-bit Wine, else win64. The i686 build's tests run either way
# (scripts/windows-tests: natively, or in the emulated PC); this picks what
# `make demo` runs natively.
WINE_ARCH  ?= $(shell scripts/wine-arch)
NATIVE     := $(BUILD)/native
WIN32      := $(BUILD)/win32
WIN64      := $(BUILD)/win64
CTEST_ARGS ?=

.PHONY: all bootstrap native win32 win64 installer tessapack test test-native test-win test-win32 test-win64 \
        emulated-pc demo demo-i686 bench clean

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

# Windows tests run one after another in one Wine session per build (they
# share a screen), the x86-64 build under 64-bit Wine and the i686 build, the
# one we ship, under 32-bit Wine: here, or in the emulated PC where this
# kernel runs no 32-bit code (scripts/windows-tests says which).
REPORT := $(BUILD)/windows-tests.txt

test-win64: win64 tessapack
	scripts/windows-tests win64 $(WIN64) $(CTEST_ARGS)

test-win32: win32 tessapack
	scripts/windows-tests win32 $(WIN32) $(CTEST_ARGS)

# Both builds run even when the first fails; the report names each.
test-win: win64 win32 tessapack
	@rm -f $(REPORT)
	@s=0; \
	scripts/windows-tests --report $(REPORT) win64 $(WIN64) $(CTEST_ARGS) || s=1; \
	scripts/windows-tests --report $(REPORT) win32 $(WIN32) $(CTEST_ARGS) || s=1; \
	echo; echo "== Windows test report"; cat $(REPORT); exit $$s

# The emulated PC's disk image, built once per machine and recipe.
emulated-pc: bootstrap
	scripts/emulated-pc-image

test: test-native test-win

demo: installer $(WINE_ARCH) native
	scripts/demo $(BUILD) $(WINE_ARCH)

# The demo with the i686 build in the emulated PC (slower: minutes, not
# seconds). Everything is built here first; the guest only runs it.
demo-i686: installer win32 native
	scripts/emulated-pc run --share $(BUILD) --wineprefix $(WIN32)/wineprefix -- \
	  scripts/demo --no-build $(BUILD) win32

bench: bootstrap
	cmake -S . -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release -DTESSA_SANITIZE=OFF -DTESSA_TESTS=OFF
	cmake --build $(BUILD)/bench -j $(JOBS)
	scripts/bench $(BUILD)

clean:
	rm -rf $(BUILD)
