# VaskHotkey: `make demo` runs the program on the simulated notebook,
# `make test` builds everything and runs every test. Both install what they
# need first (scripts/setup).

SHELL := /bin/bash
ENV := source scripts/wine-env.sh &&
JOBS ?= 2

.PHONY: all setup build native win product test demo run art bench soak clean distclean

all: build

setup:
	@scripts/setup

native:
	@cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build/native -j$(JOBS)

# The Windows tree for the architecture the tests run on (see scripts/wine-env.sh).
win:
	@$(ENV) cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DVASK_WIN_ARCH=$$VASK_WIN_ARCH >/dev/null
	@cmake --build build/win -j$(JOBS)

# The shipped 32-bit product, built also where the tests run a 64-bit build.
product:
	@$(ENV) if [[ $$VASK_WIN_ARCH != i686 ]]; then \
	    cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
	        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DVASK_WIN_ARCH=i686 \
	        -DVASK_PRODUCT_ONLY=ON -DVASK_BIN_DIR=$(CURDIR)/build/bin32 >/dev/null && \
	    cmake --build build/win32 -j$(JOBS); \
	fi

build: setup native win product

test: build
	@scripts/winenv scripts/run-tests

demo: build
	@scripts/winenv scripts/demo

run: build
	@scripts/winenv scripts/run

# Measurements under Wine on this machine; they print figures, they do not fail on a slow one.
bench: build
	@scripts/winenv scripts/bench

soak: build
	@scripts/winenv bash -c 'cd build/bin && "$$VASK_WINE" osd_soak.exe 20000'

art:
	@/usr/bin/python3 -B tools/art/make_art.py

clean:
	rm -rf build/native build/win build/win32 build/bin build/bin32 build/demo build/art

distclean:
	rm -rf build
