# Everything a fresh Debian 12 machine needs: `make run` plays, `make test` tests,
# `make package` builds the Debian packages in build/package/, which the tests
# check with lintian (debhelper builds them);
# `make fuzz` fuzzes the date.dat reader and writer. sway, wtype and grim run
# the game under a headless Wayland compositor, through Qt's Wayland plugin.
# strace records the file operations of a save, whose crash states a test
# replays; xclip puts text on the clipboard for a test to paste.
PACKAGES := cmake g++ make qt6-base-dev fonts-ipafont-gothic \
            xvfb xauth xdotool openbox imagemagick x11-utils python3 \
            sway wtype grim qt6-wayland xclip \
            desktop-file-utils appstream appstream-compose dpkg-dev debhelper file lintian \
            clang libclang-rt-14-dev \
            qt6-translations-l10n dbus-daemon at-spi2-core python3-pyatspi \
            strace
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS := $(shell nproc)

FUZZ_SECONDS ?= 60

# The unit suites run in a Debug build under AddressSanitizer and
# UndefinedBehaviorSanitizer, gcc's; the fuzz targets run under clang's. Qt is
# not built with them, yet the leak check stays on: what Qt keeps for the
# life of the process is still reachable at exit and is not reported.
SANITIZE := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
SANITIZER_ENV := ASAN_OPTIONS=abort_on_error=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The tests run side by side: most of them wait on the game's 40-second
# clock, so more at once than there are cores pays. The sanitizer build and
# the fuzzing are tests too (tests/CMakeLists.txt), so that they build and
# run while the others wait.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) * 3 )))

.PHONY: run test check test-sanitize fuzz build deps package chroot-build

run: build
	./build/pyokopon

test: build
	cd build && ctest --output-on-failure -j$(TEST_JOBS)

# The unit suites alone, for a quick check while working on the code: they
# are built in the sanitizer build only (tests/CMakeLists.txt). That build
# and the fuzzing one compile each library as one file (a unity build), for
# speed; the game's own build compiles file by file.
check: test-sanitize

test-sanitize: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$(SANITIZE)" -DPYOKOPON_WERROR=ON \
	    -DPYOKOPON_CHECK_BUILDS=OFF -DCMAKE_UNITY_BUILD=ON
	cmake --build build-asan -j$(JOBS)
	cd build-asan && $(SANITIZER_ENV) ctest --output-on-failure -j$(JOBS) --label-regex unit

# The reader and the round trip under libFuzzer, side by side, each for
# FUZZ_SECONDS (or FUZZ_RUNS inputs, when set) on its share of the cores. New
# inputs they find go to build-fuzz/corpus/TARGET, the committed seeds stay
# as they are; a crash or a sanitizer report stops it, leaves the input in
# build-fuzz/findings and fails the target. The reader takes inputs past the
# 1 MiB it reads, as they are or made long from short ones, and reads short
# ones at lowered limits too (fuzz_reader.cpp).
FUZZ_TARGETS := fuzz_reader fuzz_roundtrip
FUZZ_FORKS := $(shell echo $$(( $(JOBS) > $(words $(FUZZ_TARGETS)) ? $(JOBS) / $(words $(FUZZ_TARGETS)) : 1 )))
FUZZ_OPTIONS := -fork=$(FUZZ_FORKS) -entropic_scale_per_exec_time=1 -max_total_time=$(FUZZ_SECONDS) \
                $(if $(FUZZ_RUNS),-runs=$(FUZZ_RUNS)) -artifact_prefix=build-fuzz/findings/
FUZZ_OPTIONS_fuzz_reader := -max_len=1100000 -dict=tests/fuzz/date.dict tests/fuzz/corpus
FUZZ_OPTIONS_fuzz_roundtrip := -max_len=4096

fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DPYOKOPON_FUZZ=ON \
	    -DPYOKOPON_WERROR=ON -DBUILD_TESTING=OFF -DCMAKE_UNITY_BUILD=ON
	cmake --build build-fuzz --target $(FUZZ_TARGETS) -j$(JOBS)
	mkdir -p build-fuzz/findings $(FUZZ_TARGETS:%=build-fuzz/corpus/%)
	@$(MAKE) --no-print-directory --output-sync=target -j$(words $(FUZZ_TARGETS)) $(FUZZ_TARGETS:%=run-%)
	@echo "findings: $$(ls build-fuzz/findings | wc -l)"

# Not phony, so that the pattern applies: no file of that name is ever made.
run-fuzz_%:
	@$(SANITIZER_ENV) ./build-fuzz/tests/fuzz/fuzz_$* $(FUZZ_OPTIONS) build-fuzz/corpus/fuzz_$* \
	    $(FUZZ_OPTIONS_fuzz_$*) > build-fuzz/fuzz_$*.log 2>&1 || { tail -n 60 build-fuzz/fuzz_$*.log; exit 1; }
	@awk -v target=fuzz_$* '/^#[0-9]+: cov:/ { last = $$0 } /^INFO: exiting:/ { time = $$5 } \
	    END { split(last, f, " "); inputs = substr(f[1], 2) + 0; seconds = time + 0; \
	          printf "%s: %d inputs in %d s, %d a second; cov %s ft %s corpus %s\n", \
	                 target, inputs, seconds, inputs / (seconds ? seconds : 1), f[3], f[5], f[7] }' \
	    build-fuzz/fuzz_$*.log

# The source package and its binary packages, unsigned, as dpkg-buildpackage
# makes them: the sources, less what debian/source/options leaves out (the
# build folders), are packed and unpacked again into build/package/ and built
# there, which leaves the .dsc, the .tar.xz, the .deb, the -dbgsym .deb, the
# .buildinfo and the .changes in build/package/. They are the same bytes
# whoever builds them, in any folder, at any time and under any umask: every
# date is that of the newest entry of debian/changelog, the unpacked files
# get the modes of a checkout made under umask 022, and debhelper sets the
# modes of the installed ones.
package: deps
	rm -rf build/package
	mkdir -p build/package
	cd build/package && dpkg-source --build "$(CURDIR)" && dpkg-source --extract pyokopon_*.dsc
	chmod -R u+rwX,go=rX build/package/pyokopon-*/
	cd build/package/pyokopon-*/ && dpkg-buildpackage --unsigned-source --unsigned-changes -J$(JOBS)

# The package built once more where nothing but its Build-Depends (and
# build-essential) is installed, so that a missing one fails: sbuild builds
# the .dsc of `make package` in a fresh Debian 12 root, and autopkgtest
# installs what it built into another fresh root and runs debian/tests there.
# Both roots are unpacked from one Debian 12 tarball that mmdebstrap makes in
# build-chroot/ the first time, and live in user namespaces: the caller needs
# subordinate user ids (a line of its own in /etc/subuid and /etc/subgid).
# The logs stay in build-chroot/. Not part of `make test`: it downloads a
# Debian 12 base and every Build-Depends, and takes a while.
CHROOT_PACKAGES := sbuild mmdebstrap autopkgtest uidmap
CHROOT_TARBALL := build-chroot/bookworm.tar
chroot-build: package
	@$(MAKE) --no-print-directory deps PACKAGES="$(CHROOT_PACKAGES)"
	@grep -q "^$$(id -un):" /etc/subuid && grep -q "^$$(id -un):" /etc/subgid || { \
	    echo "$$(id -un) has no subordinate user ids; add some, e.g." \
	         "$(SUDO) usermod --add-subuids 165536-231071 --add-subgids 165536-231071 $$(id -un)"; exit 1; }
	mkdir -p build-chroot
	[ -f $(CHROOT_TARBALL) ] || mmdebstrap --variant=buildd bookworm $(CHROOT_TARBALL)
	rm -rf build-chroot/result build-chroot/autopkgtest
	mkdir build-chroot/result
	cd build-chroot/result && sbuild --chroot-mode=unshare --chroot="$(abspath $(CHROOT_TARBALL))" --dist=bookworm \
	    --no-run-lintian --no-run-piuparts --no-run-autopkgtest "$(abspath build/package)"/pyokopon_*.dsc
	autopkgtest --setup-commands="apt-get update" --output-dir build-chroot/autopkgtest \
	    build-chroot/result/pyokopon_*.changes -- unshare --tarball $(CHROOT_TARBALL) --release bookworm

# Warnings are errors in every build of the project's own code, so that
# `make run` and `make test` share one build folder and never compile each
# other's objects again.
build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPYOKOPON_WERROR=ON -DPYOKOPON_CHECK_BUILDS=ON
	cmake --build build -j$(JOBS)

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi
