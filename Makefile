# Everything a fresh Debian 12 machine needs: `make run` plays, `make test` tests,
# `make package` builds the .deb in build/, which lintian checks in the tests;
# `make fuzz` fuzzes the date.dat reader and writer. sway, wtype and grim run
# the game under a headless Wayland compositor, through Qt's Wayland plugin.
# strace records the file operations of a save, whose crash states a test
# replays; xclip puts text on the clipboard for a test to paste.
PACKAGES := cmake g++ make qt6-base-dev fonts-ipafont-gothic \
            xvfb xauth xdotool openbox imagemagick x11-utils python3 \
            sway wtype grim qt6-wayland xclip \
            desktop-file-utils appstream dpkg-dev file lintian \
            clang libclang-rt-14-dev \
            qt6-translations-l10n dbus-daemon at-spi2-core python3-pyatspi \
            strace
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS := $(shell nproc)

FUZZ_SECONDS ?= 60

# The unit suites once more in a Debug build under AddressSanitizer and
# UndefinedBehaviorSanitizer, gcc's; the fuzz targets run under clang's. Qt is
# not built with them, yet the leak check stays on: what Qt keeps for the
# life of the process is still reachable at exit and is not reported.
SANITIZE := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
SANITIZER_ENV := ASAN_OPTIONS=abort_on_error=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The game and its package are built the same, byte for byte, whoever builds
# them, in whatever folder and at whatever time: every file date is that of
# the newest entry of dist/changelog unless the caller sets SOURCE_DATE_EPOCH
# (rcc writes it into the compiled images, cpack into the archive), and the
# files are made under umask 022 whatever the builder's, so that the archive's
# modes are Debian's. dpkg-parsechangelog runs after `deps` has installed it.
REPRODUCIBLE = umask 022 && \
    SOURCE_DATE_EPOCH="$${SOURCE_DATE_EPOCH:-$$(dpkg-parsechangelog -l dist/changelog -STimestamp)}" && \
    export SOURCE_DATE_EPOCH &&

# `make test` builds with compiler warnings as errors; `make run` only shows them.
WERROR ?= OFF
test: WERROR := ON

.PHONY: run test test-sanitize fuzz build deps package

run: build
	./build/pyokopon

test: build
	cd build && ctest --output-on-failure
	$(MAKE) --no-print-directory test-sanitize WERROR=ON
	$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=30 WERROR=ON

test-sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$(SANITIZE)" -DPYOKOPON_WERROR=$(WERROR)
	cmake --build build-asan -j$(JOBS)
	cd build-asan && $(SANITIZER_ENV) ctest --output-on-failure --label-exclude e2e

# The reader and the round trip under libFuzzer, each for FUZZ_SECONDS (or
# FUZZ_RUNS inputs, when set), in one process a core. New inputs they find
# go to build-fuzz/corpus/TARGET, the committed seeds stay as they are; a
# crash or a sanitizer report stops it, leaves the input in
# build-fuzz/findings and fails the target. The reader takes inputs past the
# 1 MiB it reads, as they are or made long from short ones, and reads short
# ones at lowered limits too (fuzz_reader.cpp).
FUZZ_TARGETS := fuzz_reader fuzz_roundtrip
FUZZ_OPTIONS := -fork=$(JOBS) -entropic_scale_per_exec_time=1 -max_total_time=$(FUZZ_SECONDS) \
                $(if $(FUZZ_RUNS),-runs=$(FUZZ_RUNS)) -artifact_prefix=build-fuzz/findings/
FUZZ_OPTIONS_fuzz_reader := -max_len=1100000 -dict=tests/fuzz/date.dict tests/fuzz/corpus
FUZZ_OPTIONS_fuzz_roundtrip := -max_len=4096

fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DPYOKOPON_FUZZ=ON \
	    -DPYOKOPON_WERROR=$(WERROR)
	cmake --build build-fuzz --target $(FUZZ_TARGETS) -j$(JOBS)
	mkdir -p build-fuzz/findings $(FUZZ_TARGETS:%=build-fuzz/corpus/%)
	@for target in $(FUZZ_TARGETS); do \
	    options=$$(case $$target in fuzz_reader) echo "$(FUZZ_OPTIONS_fuzz_reader)";; \
	        *) echo "$(FUZZ_OPTIONS_fuzz_roundtrip)";; esac); \
	    $(SANITIZER_ENV) ./build-fuzz/tests/fuzz/$$target $(FUZZ_OPTIONS) build-fuzz/corpus/$$target $$options \
	        > build-fuzz/$$target.log 2>&1 || { tail -n 60 build-fuzz/$$target.log; exit 1; }; \
	    awk -v target=$$target '/^#[0-9]+: cov:/ { last = $$0 } /^INFO: exiting:/ { time = $$5 } \
	        END { split(last, f, " "); inputs = substr(f[1], 2) + 0; seconds = time + 0; \
	              printf "%s: %d inputs in %d s, %d a second; cov %s ft %s corpus %s\n", \
	                     target, inputs, seconds, inputs / (seconds ? seconds : 1), f[3], f[5], f[7] }' \
	        build-fuzz/$$target.log; \
	done
	@echo "findings: $$(ls build-fuzz/findings | wc -l)"

package: build
	$(REPRODUCIBLE) cd build && cpack -G DEB

build: deps
	$(REPRODUCIBLE) cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPYOKOPON_WERROR=$(WERROR)
	$(REPRODUCIBLE) cmake --build build -j$(JOBS)

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi
