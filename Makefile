# The project's commands. `make run` and `make test` install what is missing first.
PRESET ?= default
BUILD_DIR = build/$(PRESET)

FUZZ_SECONDS ?= 600

.PHONY: deps build run test test-sanitize fuzz fuzz-build fuzz-replay fuzz-seeds bench samples \
	screenshot format

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

# Without a display (a remote shell, say) the window opens on a virtual X server.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD_DIR)/app/quillet; \
	else echo "No display: starting Quillet on a virtual X server (xvfb-run)"; \
	xvfb-run -a $(BUILD_DIR)/app/quillet; fi

test: build
	ctest --preset $(PRESET) -j2

# The core, quillet-convert and their tests under AddressSanitizer and UBSan.
test-sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize -j2

fuzz-build:
	@scripts/install-deps.sh clang libclang-rt-14-dev
	cmake --preset fuzz
	cmake --build --preset fuzz

# Fuzzes the conversion for FUZZ_SECONDS (default 600). Inputs that crash it land in
# fuzz/regressions/, to be committed; CI replays them with the seeds.
fuzz: fuzz-build
	@mkdir -p build/fuzz/corpus fuzz/regressions
	build/fuzz/fuzz/conversion_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	  -artifact_prefix=fuzz/regressions/ -print_final_stats=1 build/fuzz/corpus fuzz/corpus

# Runs every seed and every kept regression input once.
fuzz-replay: fuzz-build
	build/fuzz/fuzz/conversion_fuzzer -runs=0 -timeout=10 fuzz/corpus fuzz/regressions

fuzz-seeds: build
	$(BUILD_DIR)/fuzz/make_fuzz_seeds fuzz/corpus

bench: build
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/quillet_bench \
	  $(BUILD_DIR)/cli/quillet-convert $(BUILD_DIR)/bench/window_bench

screenshot: build
	xvfb-run -a $(BUILD_DIR)/scripts/quillet_screenshot docs/window.png

samples: build
	$(BUILD_DIR)/tests/support/make_sample_logs samples

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')
