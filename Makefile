# Front door: `make run` opens Quillon on the bundled sample, `make test` builds
# both configurations and runs every test, `make bench` runs the benchmarks.
NATIVE := build/native
WIN    := build/win
JOBS   ?= $(shell nproc)
# Checkouts side by side share compiled objects when ccache is there.
export CCACHE_BASEDIR ?= $(abspath $(CURDIR)/..)

.PHONY: all setup native win package run test bench fuzz clean

all: native win

setup:
	@scripts/setup

$(NATIVE)/CMakeCache.txt:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(WIN)/CMakeCache.txt:
	cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake

native: setup $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)

win: setup $(WIN)/CMakeCache.txt
	cmake --build $(WIN) -j $(JOBS)

# The installer package and the portable zip of the Windows build, beside
# quillon.exe: build/win/quillon-VERSION.msi, build/win/quillon-VERSION-portable.zip.
package: win
	cmake --build $(WIN) --target quillon_package

run: win
	scripts/run-quillon samples/sample.reg

test: native win
	scripts/run-tests

bench: native win
	scripts/run-bench

fuzz: setup
	scripts/run-fuzz

clean:
	rm -rf build
