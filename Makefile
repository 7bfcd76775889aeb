# The project's commands. `make run` and `make test` install what is missing first.
PRESET ?= default
BUILD_DIR = build/$(PRESET)

FUZZ_SECONDS ?= 600
# Logs of up to 256 bytes reach every path of the layout (offsets may point anywhere, records
# may share their data) at tens of thousands of runs a second; longer ones mostly make longer
# CSVs. The conversion's few hundred edges are all found within seconds, so the plain schedule
# serves as well as the entropic one, which here took a third of the time to keep its counts.
# A smaller quarantine and no fill of new blocks keep AddressSanitizer's memory warm.
FUZZ_FLAGS = -max_len=256 -entropic=0 -timeout=10 -artifact_prefix=fuzz/regressions/ \
  -print_final_stats=1
FUZZ_ENV = ASAN_OPTIONS=quarantine_size_mb=16:max_malloc_fill_size=0
# The project's version, as CMake took it from CMakeLists.txt into the Windows build.
WINDOWS_VERSION = $(shell sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)

WINE_ENV = WINEPREFIX=$(CURDIR)/build/windows/wine WINEDEBUG=-all WINE=/usr/lib/wine/wine64
# The cross compiler and GoogleTest's sources; Wine, a virtual screen with a window manager and
# xdotool to run the programs as a person would; ImageMagick for the icon and screenshots; zip,
# wixl and msitools for the downloads.
WINDOWS_DEPS = g++-mingw-w64-x86-64-posix wine64 googletest openbox xdotool x11-utils imagemagick \
  icoutils zip wixl msitools

.PHONY: deps build run test test-sanitize test-windows fuzz fuzz-build fuzz-files fuzz-minimise \
	fuzz-replay fuzz-seeds bench samples screenshot screenshot-windows windows-build dist-windows \
	format package-build install package test-package

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

# The core, quillet-convert.exe and the core tests cross-built for Windows and run under Wine,
# then every sample and damaged log converted by both builds and compared byte for byte; last,
# the installer installs, opens a log from "Open with", upgrades and uninstalls under Wine.
windows-build:
	@scripts/install-deps.sh $(WINDOWS_DEPS)
	cmake --preset windows
	cmake --build --preset windows
	$(WINE_ENV) /usr/lib/wine/wine64 wineboot --init

test-windows: build dist-windows
	$(WINE_ENV) ctest --preset windows
	$(WINE_ENV) scripts/compare-windows.sh $(BUILD_DIR)/cli/quillet-convert \
	  build/windows/cli/quillet-convert.exe
	$(WINE_ENV) tests/win32/installer_test.sh $(WINDOWS_MSI) build/windows samples \
	  build/windows/installer_window.png

# The build that is installed and packaged: optimised as the tested build, with Debian's
# hardening flags, no tests; the package strips it.
PACKAGE_DEPS = imagemagick help2man dpkg-dev file
PACKAGE_CHECK_DEPS = lintian desktop-file-utils shared-mime-info xdg-utils appstream \
  libglib2.0-bin man-db openbox xdotool
BUILD_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package-build:
	@scripts/install-deps.sh $(PACKAGE_DEPS)
	cmake --preset package \
	  -DCMAKE_CXX_FLAGS="$$($(BUILD_FLAGS) CPPFLAGS) $$($(BUILD_FLAGS) CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(BUILD_FLAGS) LDFLAGS)"
	cmake --build --preset package

# make install PREFIX=DIR installs under DIR (default /usr/local).
PREFIX ?= /usr/local
install: package-build
	cmake --install build/package --prefix "$(PREFIX)" --strip

# Writes build/quillet_VERSION-1_ARCH.deb.
package: package-build
	cpack --preset package

# Lints the package, installs it, checks the installed desktop files, runs both programs (the
# window under Xvfb, started by its menu entry's command) and removes it again.
test-package: package
	@scripts/install-deps.sh $(PACKAGE_CHECK_DEPS)
	scripts/test-package.sh "$$(ls -t build/quillet_*.deb | head -n 1)"

fuzz-build:
	@scripts/install-deps.sh clang libclang-rt-14-dev
	cmake --preset fuzz
	cmake --build --preset fuzz

# Fuzzes the conversion in memory for FUZZ_SECONDS (default 600). Inputs that crash it land
# in fuzz/regressions/, to be committed; CI replays them with the corpus. New corpus entries
# collect in build/fuzz/corpus; `make fuzz-minimise` folds them into fuzz/corpus.
fuzz: fuzz-build
	@mkdir -p build/fuzz/corpus fuzz/regressions
	$(FUZZ_ENV) build/fuzz/fuzz/conversion_fuzzer -max_total_time=$(FUZZ_SECONDS) $(FUZZ_FLAGS) \
	  build/fuzz/corpus fuzz/corpus

# The same on log files on disk: slower, but it checks the files themselves.
fuzz-files: fuzz-build
	@mkdir -p build/fuzz/corpus fuzz/regressions
	$(FUZZ_ENV) build/fuzz/fuzz/conversion_file_fuzzer -max_total_time=$(FUZZ_SECONDS) \
	  $(FUZZ_FLAGS) build/fuzz/corpus fuzz/corpus

# Rewrites fuzz/corpus as the smallest set of inputs that covers what it and build/fuzz/corpus
# cover together.
fuzz-minimise: fuzz-build
	@mkdir -p build/fuzz/corpus build/fuzz/minimised
	rm -rf build/fuzz/minimised/*
	$(FUZZ_ENV) build/fuzz/fuzz/conversion_fuzzer -merge=1 -max_len=256 build/fuzz/minimised \
	  fuzz/corpus build/fuzz/corpus
	rm -rf fuzz/corpus && mv build/fuzz/minimised fuzz/corpus

# Runs every corpus input and every kept regression input once, through both targets.
fuzz-replay: fuzz-build
	build/fuzz/fuzz/conversion_fuzzer -runs=0 -timeout=10 fuzz/corpus fuzz/regressions
	build/fuzz/fuzz/conversion_file_fuzzer -runs=0 -timeout=10 fuzz/corpus fuzz/regressions

fuzz-seeds: build
	$(BUILD_DIR)/tests/support/make_logs seeds fuzz/corpus

# The window is measured on a real X server (Xvfb), where it paints and handles its events; the
# log page in headless Chromium.
bench: build
	xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb \
	  $(BUILD_DIR)/bench/quillet_bench $(BUILD_DIR)/cli/quillet-convert \
	  $(BUILD_DIR)/bench/window_bench
	QUILLET_NODE_MODULES=$(BUILD_DIR)/page/page-packages/node_modules node bench/page_bench.mjs \
	  $(BUILD_DIR)/cli/quillet-convert $(BUILD_DIR)/bench/quillet_bench

# The Windows window under Wine, for the README.
screenshot-windows: windows-build
	$(WINE_ENV) scripts/screenshot-windows.sh build/windows/app/quillet.exe docs/window-windows.png

# quillet.exe and quillet-convert.exe with a README.txt, in one zip for Windows users, and in
# an installer.
WINDOWS_ZIP = build/dist/quillet-$(WINDOWS_VERSION)-windows-x64.zip
WINDOWS_MSI = build/dist/quillet-$(WINDOWS_VERSION)-x64.msi
dist-windows: windows-build
	scripts/dist-windows.sh build/windows $(WINDOWS_ZIP) $(WINDOWS_MSI)

screenshot: build
	xvfb-run -a $(BUILD_DIR)/scripts/quillet_screenshot docs/window.png

# The sample logs, and the picture and the screenshots of their pages that the README shows: one
# log's, the difference of two runs' tables, aligned where the throttle opens, and the corrections
# of fuel of a drive logged with its O2 0.3 s late.
DIFFERENCE_TABLE = view=table&run=1-0&align=%5BTPS%5D+%3E%3D+90&xCells=900+1500+2000+2500+3000+3500+4000+4500+5000+5500+6000&yCells=100+300+400+500+600+700+800+900+1000+1100+1200
CORRECTION_TABLE = view=table&y=TPS&statistic=correction+%25&xCells=2000+3000+4000+5000&yCells=20+50+80&measured=%5BO2%5D+*+2+%2B+10&target=12+%2B+2+*+%28%5BTPS%5D+%3C+35%29&lag=0.3
samples: build
	$(BUILD_DIR)/tests/support/make_logs samples samples
	$(BUILD_DIR)/cli/quillet-convert --plot docs/ThirdGearQMRX.svg samples/ThirdGearQMRX.pdb
	$(BUILD_DIR)/cli/quillet-convert --html $(BUILD_DIR)/ThirdGearQMRX.html samples/ThirdGearQMRX.pdb
	QUILLET_NODE_MODULES=$(BUILD_DIR)/page/page-packages/node_modules node scripts/page-screenshot.mjs \
	  $(BUILD_DIR)/ThirdGearQMRX.html docs/ThirdGearQMRX-page.png
	$(BUILD_DIR)/cli/quillet-convert --compare --html $(BUILD_DIR)/BeforeAfter.html \
	  samples/BeforeQMRX.pdb samples/AfterQMRX.pdb
	QUILLET_NODE_MODULES=$(BUILD_DIR)/page/page-packages/node_modules node scripts/page-screenshot.mjs \
	  --table '$(BUILD_DIR)/BeforeAfter.html#$(DIFFERENCE_TABLE)' docs/BeforeAfter-page-difference.png
	$(BUILD_DIR)/tests/support/make_logs correction $(BUILD_DIR)/correction
	$(BUILD_DIR)/cli/quillet-convert --html $(BUILD_DIR)/CorrectionLate.html \
	  $(BUILD_DIR)/correction/CorrectionLateQMRX.pdb
	QUILLET_NODE_MODULES=$(BUILD_DIR)/page/page-packages/node_modules node scripts/page-screenshot.mjs \
	  --table '$(BUILD_DIR)/CorrectionLate.html#$(CORRECTION_TABLE)' docs/CorrectionLateQMRX-page-correction.png

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')
