# Thin wrapper: install what is missing, configure, build, then run or test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: run test build configure deps install bench sanitize clean

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

# The program, its desktop entry and its icon under $(PREFIX).
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

bench: deps
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DRAVELON_BUILD_TESTS=OFF -DRAVELON_BUILD_BENCH=ON >/dev/null
	@cmake --build build-bench
	@mkdir -p build-bench/results
	@for b in build-bench/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_out="build-bench/results/$${b##*/}.json" --benchmark_out_format=json; done
	@bash bench/peers.sh build-bench/results/bench_fits.json build-bench/results/bench_poly_spline.json

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer (slower; not part of CI).
sanitize: deps
	@cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" >/dev/null
	@cmake --build build-sanitize
	cd build-sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

clean:
	rm -rf $(BUILD_DIR) build-bench build-sanitize
