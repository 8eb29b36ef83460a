# Velquin: the usual entry points. Every target installs what is missing first.
BUILD   ?= build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
ARGS    ?=
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench fuzz clean

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

clean:
	rm -rf $(BUILD) build-fuzz
