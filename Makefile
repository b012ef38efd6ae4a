# The two commands of the README. Both install what is missing first.
JOBS ?= $(shell nproc)
CMAKE ?= cmake

.PHONY: all demo test bench fuzz roundtrip deps build-test build-release clean

all: build-release

deps:
	bash scripts/install-deps

build-release: deps
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DNUX_TESTS=OFF
	$(CMAKE) --build build/release -j$(JOBS)

build-test: deps
	$(CMAKE) -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DNUX_SANITIZE=ON -DNUX_TESTS=ON
	$(CMAKE) --build build/test -j$(JOBS)

test: build-test
	cd build/test && NUX_DISPLAY=none ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j$(JOBS)

demo: build-release
	bash scripts/demo build/release

# Benchmarks: a release build with the benchmark programs; each prints its figures and goals.
bench: deps
	$(CMAKE) -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DNUX_TESTS=OFF -DNUX_BENCH=ON
	$(CMAKE) --build build/bench -j$(JOBS)
	bash scripts/bench build/bench

# The fuzzers of the zip reader and of the picture decoders (clang's libFuzzer), three at a time;
# not part of the tests. FUZZ_SECONDS bounds each run.
fuzz: deps
	bash fuzz/build.sh run $(or $(FUZZ_SECONDS),600)

# The document model against a folder of real HTML files (each parsed, its body's markup
# written back and read again); not part of the tests. DIR names the folder.
roundtrip: deps
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DNUX_TESTS=OFF
	$(CMAKE) --build build/release -j$(JOBS) --target htmlroundtrip
	build/release/tools/roundtrip/htmlroundtrip $(or $(DIR),/usr/share/doc)

clean:
	rm -rf build
