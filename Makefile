# VaskHotkey: `make demo` runs the program on the simulated notebook,
# `make test` builds everything and runs every test. Both install what they
# need first (scripts/setup).

SHELL := /bin/bash
ENV := source scripts/wine-env.sh &&
JOBS ?= 2

.PHONY: all setup build native win win64 test check-fast long demo run dist repro fuzz storm endurance art bench soak format check-format clean distclean

all: build

setup:
	@scripts/setup

native:
	@cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build/native -j$(JOBS)

# The shipped 32-bit tree, tests included, on every machine: a construct that
# only i686 rejects (a lambda handed to Win32 as a stdcall callback) fails the
# build here even where the kernel cannot run the result.
win:
	@$(ENV) cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DVASK_WIN_ARCH=i686 >/dev/null
	@cmake --build build/win32 -j$(JOBS)

# The x86-64 tree, which the tests run where 32-bit code cannot (see
# scripts/wine-env.sh).
win64:
	@$(ENV) if [[ $$VASK_WIN_ARCH == x86_64 ]]; then \
	    cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
	        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake -DVASK_WIN_ARCH=x86_64 >/dev/null && \
	    cmake --build build/win64 -j$(JOBS); \
	fi

build: setup native win win64

test: build
	@scripts/winenv scripts/run-tests

# The edit loop: the native unit tests and the in-process tests under Wine
# (CTest label "fast"), under a minute; make test runs the slow ones too.
check-fast: build
	@scripts/winenv bash -c 'ctest --test-dir build/native -L fast --output-on-failure && \
	    ctest --test-dir "$$VASK_BUILD_DIR" -L fast --output-on-failure'

# The cases whose counts make test keeps short, at their full counts: 200
# starts and closes (VASK_START_CYCLES; make test: 20), 20 sleeps and wakes
# (VASK_WAKE_CYCLES; make test: 5).
long: build
	@scripts/winenv bash -c 'cd "$$VASK_BIN" && \
	    VASK_START_CYCLES=$${VASK_START_CYCLES:-200} "$$VASK_WINE" e2e_tests.exe --gtest_filter=StartAndClose.* && \
	    VASK_WAKE_CYCLES=$${VASK_WAKE_CYCLES:-20} "$$VASK_WINE" e2e_tests.exe --gtest_filter=NotebookLife.*'

demo: build
	@scripts/winenv scripts/demo

run: build
	@scripts/winenv scripts/run

# The Windows Installer package and the portable zip, in build/dist/ (signed
# when VASK_SIGN_PFX and VASK_SIGN_PASSWORD_FILE are set; see the README).
dist: build
	@scripts/dist

# For a release: the same commit built and packaged again in a clone of its
# own must give the same program, package and zip, byte for byte.
repro: dist
	@scripts/repro

# Measurements under Wine on this machine; they print figures, they do not fail on a slow one.
bench: build
	@scripts/winenv scripts/bench

# A million inputs per fuzz target; what reaches new code joins tests/fuzz/corpus.
fuzz: setup
	@scripts/fuzz

# 100 000 real key events through the program's hook (make test sends 1 000);
# VASK_STORM_EVENTS sets another number.
storm: build
	@scripts/winenv bash -c 'cd "$$VASK_BIN" && VASK_STORM_EVENTS=$${VASK_STORM_EVENTS:-100000} "$$VASK_WINE" e2e_tests.exe --gtest_filter=KeyStorm.*'

# A notebook's day of mixed life, ENDURANCE_S seconds (600 unless set; make
# test runs 60).
endurance: build
	@scripts/winenv bash -c 'cd "$$VASK_BIN" && ENDURANCE_S=$${ENDURANCE_S:-600} "$$VASK_WINE" e2e_tests.exe --gtest_filter=Endurance.*'

soak: build
	@scripts/winenv bash -c 'cd "$$VASK_BIN" && "$$VASK_WINE" osd_soak.exe 20000'

art:
	@/usr/bin/python3 -B tools/art/make_art.py

# Lay out the C++ sources as .clang-format says; check-format (part of make
# test) only says which differ.
format: setup
	@scripts/format

check-format: setup
	@scripts/check-format

clean:
	rm -rf build/native build/win build/win32 build/win64 build/bin build/bin32 build/bin64 build/demo build/art build/dist build/dist-test build/repro build/fuzz

distclean:
	rm -rf build
