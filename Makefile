# The project's commands. `make run` and `make test` install what is missing first.
PRESET ?= default
BUILD_DIR = build/$(PRESET)

.PHONY: deps build run test bench samples format

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

run: build
	@mkdir -p out
	$(BUILD_DIR)/cli/quillet-convert samples/WarmUpQMRX.pdb out/WarmUpQMRX.csv
	@echo "Converted samples/WarmUpQMRX.pdb into out/WarmUpQMRX.csv"

test: build
	ctest --preset $(PRESET) -j2

bench: build
	$(BUILD_DIR)/bench/quillet_bench $(BUILD_DIR)/cli/quillet-convert

samples: build
	$(BUILD_DIR)/tests/support/make_sample_logs samples

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')
