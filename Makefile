# The project's commands. `make run` and `make test` install what is missing first.
PRESET ?= default
BUILD_DIR = build/$(PRESET)

.PHONY: deps build run test bench samples screenshot format

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

bench: build
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/quillet_bench \
	  $(BUILD_DIR)/cli/quillet-convert $(BUILD_DIR)/bench/window_bench

screenshot: build
	xvfb-run -a $(BUILD_DIR)/scripts/quillet_screenshot docs/window.png

samples: build
	$(BUILD_DIR)/tests/support/make_sample_logs samples

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')
