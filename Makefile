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
# make install: the usual places; the Debian package installs below /usr.
PREFIX     ?= /usr/local
DESTDIR    ?=
# The builder as it is installed: optimised, without the sanitizers.
RELEASE    := $(BUILD)/release
# tessapack.exe for Windows vendors, with the installer program beside it.
WINBUILDER := $(BUILD)/tessapack-windows
.PHONY: all bootstrap native win32 win64 installer tessapack release-tessapack install package \
        windows-builder test test-native test-win test-win32 test-win64 test-package test-tessapack-exe \
        emulated-pc demo demo-i686 demo-product bench fuzz clean

all: native win32

bootstrap:
	@scripts/bootstrap

$(NATIVE)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug

$(WIN32)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel

$(RELEASE)/CMakeCache.txt: | bootstrap
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DTESSA_SANITIZE=OFF -DTESSA_TESTS=OFF

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

release-tessapack: bootstrap $(RELEASE)/CMakeCache.txt
	cmake --build $(RELEASE) -j $(JOBS) --target tessapack

# The demo product of the shipped build: its programs, DLLs and font staged
# with its manifest in $(WIN32)/demo-product (examples/demo/src).
demo-product: bootstrap $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS) --target demo_product

# tessapack in bin/, the shipped installer program in share/tessaform/ (where
# tessapack finds it from its own location), the docs and examples beside it,
# the demo with its built programs, ready to build.
install: release-tessapack installer demo-product
	install -d "$(DESTDIR)$(PREFIX)/bin" "$(DESTDIR)$(PREFIX)/share/tessaform/docs" \
	  "$(DESTDIR)$(PREFIX)/share/tessaform/examples"
	install -m 755 -s $(RELEASE)/pack/tessapack "$(DESTDIR)$(PREFIX)/bin/tessapack"
	install -p -m 644 $(WIN32)/tessaform.exe "$(DESTDIR)$(PREFIX)/share/tessaform/tessaform.exe"
	install -p -m 644 README.md docs/*.md "$(DESTDIR)$(PREFIX)/share/tessaform/docs/"
	cp -R --preserve=timestamps docs/screenshots "$(DESTDIR)$(PREFIX)/share/tessaform/docs/"
	cp -R --preserve=timestamps examples/. "$(DESTDIR)$(PREFIX)/share/tessaform/examples/"
	cp -R --preserve=timestamps $(WIN32)/demo-product/. "$(DESTDIR)$(PREFIX)/share/tessaform/examples/demo/"
	chmod -R u=rwX,go=rX "$(DESTDIR)$(PREFIX)/share/tessaform"

# $(BUILD)/tessaform_VERSION_ARCH.deb, installable with apt install ./FILE.
package: release-tessapack installer
	rm -rf $(BUILD)/deb-root $(BUILD)/tessaform_*.deb
	$(MAKE) --no-print-directory install PREFIX=/usr DESTDIR=$(abspath $(BUILD)/deb-root)
	pack/dist/debian-package $(BUILD)/deb-root $(BUILD)

# The builder for Windows: tessapack.exe (x86-64, static) with the i686
# installer program, the docs and the examples beside it.
windows-builder: bootstrap $(WIN64)/CMakeCache.txt installer demo-product
	cmake --build $(WIN64) -j $(JOBS) --target tessapack
	rm -rf $(WINBUILDER) && mkdir -p $(WINBUILDER)/docs $(WINBUILDER)/examples
	cp -p $(WIN64)/pack/tessapack.exe $(WIN32)/tessaform.exe $(WINBUILDER)/
	x86_64-w64-mingw32-strip $(WINBUILDER)/tessapack.exe
	cp README.md docs/*.md $(WINBUILDER)/docs/ && cp -R docs/screenshots $(WINBUILDER)/docs/
	cp -R --preserve=timestamps examples/. $(WINBUILDER)/examples/
	cp -R --preserve=timestamps $(WIN32)/demo-product/. $(WINBUILDER)/examples/demo/

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

# The Debian package installed into a scratch root, building the demo.
test-package: package
	tests/tools/installed_package_test $(BUILD)/tessaform_*.deb

# tessapack.exe under 64-bit Wine against the native builder, on its own
# (test-win runs it with the rest of the x86-64 tree). Only tessapack.exe is
# built in that tree here.
test-tessapack-exe: bootstrap $(WIN64)/CMakeCache.txt installer tessapack
	cmake --build $(WIN64) -j $(JOBS) --target tessapack demo_product
	scripts/wine-session --arch win64 $(WIN64)/wineprefix -- \
	  ctest --test-dir $(WIN64) --output-on-failure -R '^tessapack_exe'

test: test-native test-win test-package

# The demo builds only what it runs (scripts/demo): the installer, the driver
# and the demo product of the tree this machine's Wine runs, and tessapack.
demo: bootstrap $(NATIVE)/CMakeCache.txt $(BUILD)/$(WINE_ARCH)/CMakeCache.txt
	scripts/demo $(BUILD) $(WINE_ARCH)

# A long fuzzing campaign: every target for FUZZ_SECONDS (or the FUZZ_TARGETS
# named), one after the other; see scripts/fuzz.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?=
fuzz: bootstrap $(NATIVE)/CMakeCache.txt
	scripts/fuzz --build $(NATIVE) --seconds $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The demo with the i686 build in the emulated PC (slower: minutes, not
# seconds). Everything is built here first; the guest only runs it.
demo-i686: bootstrap $(NATIVE)/CMakeCache.txt $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS) --target tessaform tessadrive demo_product
	cmake --build $(NATIVE) -j $(JOBS) --target tessapack
	scripts/emulated-pc run --share $(BUILD) --wineprefix $(WIN32)/wineprefix -- \
	  scripts/demo --no-build $(BUILD) win32

bench: bootstrap
	cmake -S . -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release -DTESSA_SANITIZE=OFF -DTESSA_TESTS=OFF
	cmake --build $(BUILD)/bench -j $(JOBS)
	scripts/bench $(BUILD)

clean:
	rm -rf $(BUILD)
