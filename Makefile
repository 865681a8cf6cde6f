# Thin wrapper: install what is missing, configure, build, then run or test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: run test build configure deps install package bench sanitize fuzz clean

deps:
	@bash scripts/setup-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	./$(BUILD_DIR)/app/ravelon

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The program, its desktop entry, icon, manual page and AppStream metadata under $(PREFIX).
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package $(BUILD_DIR)/ravelon_<version>_amd64.deb, by CPack: only the program is built.
package: configure
	@cmake --build $(BUILD_DIR) --target ravelon
	cd $(BUILD_DIR) && cpack -G DEB

bench: deps
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DRAVELON_BUILD_TESTS=OFF -DRAVELON_BUILD_BENCH=ON >/dev/null
	@cmake --build build-bench
	@mkdir -p build-bench/results
	@for b in build-bench/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_out="build-bench/results/$${b##*/}.json" --benchmark_out_format=json; done
	@bash bench/peers.sh build-bench/results/bench_fits.json build-bench/results/bench_poly_spline.json \
		build-bench/results/bench_io.json build-bench/results/bench_open.json \
		build-bench/results/bench_chart.json build-bench/results/bench_statistics.json \
		build-bench/results/bench_save.json

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer (slower; not part of CI).
sanitize: deps
	@cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" >/dev/null
	@cmake --build build-sanitize
	cd build-sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The libFuzzer targets in fuzz/, built by clang with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/, each run for FUZZ_SECONDS on its seed corpus (not part of `make test`). The
# engine's tests run first in the same build, so the clang build is known to raise the same errors.
FUZZ_SECONDS ?= 60
# The floating-point checks clear the status flags, compute, then read the flags. Clang's default
# (-ffp-exception-behavior=ignore) lets it assume that no one reads them: it may fold, hoist, merge
# or speculatively execute floating-point operations across those reads, so a flag could be raised
# where no error happened or be missed where one did. Strict exception behaviour keeps every
# operation, with its exceptions, where the source puts it. No -ffast-math, no traps.
FUZZ_FLAGS = -ffp-exception-behavior=strict -fsanitize=fuzzer-no-link,address,undefined \
	-fno-sanitize-recover=undefined -fno-omit-frame-pointer
FUZZ_TARGETS = $(basename $(notdir $(wildcard fuzz/fuzz_*.cpp)))

fuzz:
	@bash scripts/setup-deps fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DRAVELON_BUILD_FUZZ=ON -DCMAKE_CXX_FLAGS="$(FUZZ_FLAGS)" >/dev/null
	@cmake --build build-fuzz --target fuzz_all format_tests fit_tests
	./build-fuzz/tests/format/format_tests --gtest_brief=1
	./build-fuzz/tests/fit/fit_tests --gtest_brief=1
	@mkdir -p build-fuzz/artifacts; failed=""; \
	for t in $(FUZZ_TARGETS); do \
		echo "== $$t: $(FUZZ_SECONDS) s"; mkdir -p build-fuzz/corpus/$$t; \
		./build-fuzz/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			-artifact_prefix=build-fuzz/artifacts/$$t- build-fuzz/corpus/$$t fuzz/corpus/$$t \
			|| failed="$$failed $$t"; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz: property or sanitizer failures in:$$failed" >&2; exit 1; fi

clean:
	rm -rf $(BUILD_DIR) build-bench build-sanitize build-fuzz
