# Velquin: the usual entry points. Every target installs what is missing first.
BUILD   ?= build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
ARGS    ?=
CMAKE_FLAGS ?=
PREFIX  ?= /usr/local

.PHONY: all deps configure build run test bench fuzz install package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/velquin $(ARGS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@scripts/run-benchmarks $(BUILD)

fuzz: deps
	@scripts/run-fuzzers

# Like install-deps, goes through sudo only when PREFIX is not writable, so the
# build itself never runs as root. The caches are refreshed because desktops
# read file types and launchers from them, not from the files.
install: build
	@p="$(PREFIX)"; while [ ! -e "$$p" ]; do p=$$(dirname "$$p"); done; \
	if [ -w "$$p" ]; then SUDO=""; else SUDO="sudo"; fi; \
	$$SUDO cmake --install $(BUILD) --prefix "$(PREFIX)" && \
	{ ! command -v update-mime-database >/dev/null || $$SUDO update-mime-database "$(PREFIX)/share/mime"; } && \
	{ ! command -v update-desktop-database >/dev/null || $$SUDO update-desktop-database -q "$(PREFIX)/share/applications"; } && \
	{ ! command -v gtk-update-icon-cache >/dev/null || $$SUDO gtk-update-icon-cache -q -t -f "$(PREFIX)/share/icons/hicolor"; }

# The Debian package, $(BUILD)/velquin_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) build-fuzz
