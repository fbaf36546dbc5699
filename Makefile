# Everything a fresh Debian 12 machine needs: `make run` plays, `make test` tests,
# `make package` builds the .deb in build/, which lintian checks in the tests.
PACKAGES := cmake g++ make qt6-base-dev fonts-ipafont-gothic \
            xvfb xauth xdotool openbox imagemagick x11-utils python3 \
            desktop-file-utils appstream dpkg-dev file lintian
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
JOBS := $(shell nproc)

.PHONY: run test build deps package

run: build
	./build/pyokopon

test: build
	cd build && ctest --output-on-failure

package: build
	cd build && cpack -G DEB

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j$(JOBS)

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi
