# The two commands a fresh machine needs: `make run` and `make test`.
# CI (.ci/run) is `make test`, then `make test-san-core` and a short `make fuzz`.
BUILD_DIR ?= build
SAN_DIR ?= build-san
SAN_CORE_DIR ?= build-san-core
JOBS ?= $(shell nproc)
DEB_PACKAGES := build-essential cmake pkg-config libarchive-dev libxxhash-dev libgtest-dev zip jlha-utils \
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n fonts-noto-cjk \
    desktop-file-utils appstream clang-format nlohmann-json3-dev
# Only for tools/screenshots.sh: a virtual X display.
SHOT_PACKAGES := xvfb xauth
# Only for `make package`: dpkg-shlibdeps for Depends, and lintian.
PACKAGE_PACKAGES := dpkg-dev lintian
PACKAGE_DIR ?= build-package
SAMPLE_DIR := $(BUILD_DIR)/sample

.PHONY: deps configure build cli gui test test-san test-san-core run run-cli screenshots sample \
    bench fuzz format format-check lint clean package

deps:
	@missing=""; for p in $(DEB_PACKAGES) $(EXTRA_PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "installing:$$missing"; \
	    SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	    $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

# Warnings are errors in the builds that run tests (build/, the sanitizer and
# fuzz builds); WERROR=OFF builds anyway with a compiler that warns about more.
WERROR ?= ON

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNEBU_WERROR=$(WERROR) >/dev/null

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The format first (it takes a second), then the build (warnings are errors),
# then every test.
test: format-check build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-san: deps
	cmake -S . -B $(SAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DNEBU_SANITIZE=ON -DNEBU_WERROR=$(WERROR) >/dev/null
	cmake --build $(SAN_DIR) -j $(JOBS)
	cd $(SAN_DIR) && ctest --output-on-failure -j $(JOBS)

# The Qt-free layers' tests (platform, engine, settings and report rules,
# command line) under the same sanitizers, without the desktop program: what
# CI runs, at a fraction of test-san's build.
test-san-core: deps
	cmake -S . -B $(SAN_CORE_DIR) -DCMAKE_BUILD_TYPE=Debug -DNEBU_SANITIZE=ON \
	    -DNEBU_BUILD_GUI=OFF -DNEBU_WERROR=$(WERROR) >/dev/null
	cmake --build $(SAN_CORE_DIR) -j $(JOBS)
	cd $(SAN_CORE_DIR) && ctest --output-on-failure -j $(JOBS)

cli: configure
	cmake --build $(BUILD_DIR) --target nebu-cli -j $(JOBS)

sample: cli
	sh tools/make-sample-trees.sh $(SAMPLE_DIR)

NEBU_CLI := $(BUILD_DIR)/src/cli/nebu-cli
NEBU_GUI := $(BUILD_DIR)/src/shell/nebu
SAMPLE_SETTINGS := $(SAMPLE_DIR)/sample.neb

gui: configure
	cmake --build $(BUILD_DIR) --target nebu -j $(JOBS)

# With a display: the desktop window on the sample trees (press 開始).
# Without one: every comparison mode of the command line on them.
run: sample
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	    $(MAKE) --no-print-directory gui && \
	    $(NEBU_CLI) -q -r -s $(SAMPLE_DIR)/source -t $(SAMPLE_DIR)/target --save-settings $(SAMPLE_SETTINGS) && \
	    echo "== nebu $(SAMPLE_SETTINGS) (press 開始 to compare the sample trees)" && \
	    $(NEBU_GUI) $(SAMPLE_SETTINGS); \
	else \
	    $(MAKE) --no-print-directory run-cli; \
	    echo; \
	    echo "No display here: this was the command line. On a desktop, 'make run' opens the window;"; \
	    echo "on a machine without one, 'xvfb-run -a make run' runs it on a virtual display."; \
	fi

# Screenshots of every window under Xvfb into $(BUILD_DIR)/screenshots.
screenshots:
	$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(SHOT_PACKAGES)"
	$(MAKE) --no-print-directory sample
	cmake --build $(BUILD_DIR) --target nebu-screenshots -j $(JOBS)
	sh tools/screenshots.sh $(BUILD_DIR) $(BUILD_DIR)/screenshots

# A Debian package of nebu and nebu-cli (installed under /usr) in $(PACKAGE_DIR):
# a Release build without the tests, then lintian, which must find no error.
package:
	$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(PACKAGE_PACKAGES)"
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=Release -DNEBU_BUILD_TESTS=OFF >/dev/null
	cmake --build $(PACKAGE_DIR) -j $(JOBS)
	rm -f $(PACKAGE_DIR)/nebu_*.deb
	cd $(PACKAGE_DIR) && cpack -G DEB
	sh cmake/check-package.sh $(PACKAGE_DIR)/nebu_*.deb

# Plain files, then the archives of each side, then whole archives.
run-cli: sample
	@echo "== nebu-cli -r (plain files)"
	@$(NEBU_CLI) -r -s $(SAMPLE_DIR)/source -t $(SAMPLE_DIR)/target
	@echo "== nebu-cli -r --src-lzh --src-zip (source archive entries against target files)"
	@$(NEBU_CLI) -r --src-lzh --src-zip -s $(SAMPLE_DIR)/source -t $(SAMPLE_DIR)/target
	@echo "== nebu-cli -r --dst-lzh --dst-zip (source files against target archive entries)"
	@$(NEBU_CLI) -r --dst-lzh --dst-zip -s $(SAMPLE_DIR)/source -t $(SAMPLE_DIR)/target
	@echo "== nebu-cli -r --lzh --zip (whole archives against whole archives)"
	@$(NEBU_CLI) -r --lzh --zip -s $(SAMPLE_DIR)/source -t $(SAMPLE_DIR)/target

# Times a Release nebu-cli against jdupes, fdupes, rdfind and rmlint on generated
# trees and checks its pairs against theirs (bench/README.md; BENCH_RUNS, BENCH_TREES...).
bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DNEBU_BUILD_TESTS=OFF >/dev/null
	cmake --build build-bench --target nebu-cli -j $(JOBS)
	sh bench/install-peers.sh
	python3 bench/bench.py --nebu build-bench/src/cli/nebu-cli

# Every libFuzzer target in fuzz/ for FUZZ_SECONDS each (clang from Debian),
# stopping at the first crash, leak or hang (fuzz/run-fuzz.sh); FUZZ_TARGETS
# names a few of them ("masks settings").
FUZZ_SECONDS ?= 60
FUZZ_PACKAGES := clang libclang-rt-dev

fuzz:
	$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(FUZZ_PACKAGES)"
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	    -DNEBU_FUZZ=ON -DNEBU_BUILD_TESTS=OFF -DNEBU_BUILD_GUI=OFF -DNEBU_WERROR=$(WERROR) >/dev/null
	cmake --build build-fuzz --target nebu_fuzz_all -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_TARGETS="$(FUZZ_TARGETS)" sh fuzz/run-fuzz.sh build-fuzz

SOURCES_CMD := git ls-files '*.cpp' '*.h'

format:
	clang-format -i $$($(SOURCES_CMD))

# Fails, naming each place, when a tracked source is not as `make format` leaves it.
format-check: deps
	@clang-format --dry-run -Werror $$($(SOURCES_CMD)) || \
	    { echo "format-check: run 'make format'" >&2; exit 1; }

# clang-tidy (.clang-tidy) over src/ with the build's compile_commands.json;
# it reads the generated ui_*.h, hence the build. Findings are reported, not
# fatal: lint is a guide, not part of CI. A finding in a header is counted
# once, however many files include it (run-clang-tidy colours its output).
LINT_PACKAGES := clang-tidy
LINT_LOG := $(BUILD_DIR)/lint.log

lint: build
	$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(LINT_PACKAGES)"
	run-clang-tidy -quiet -p $(BUILD_DIR) -j $(JOBS) '^$(CURDIR)/src/.*\.cpp$$' >$(LINT_LOG) 2>&1 || true
	@sed 's/\x1b\[[0-9;]*m//g' $(LINT_LOG) | grep -E '^/.*: (warning|error): ' | sort -u \
	    >$(LINT_LOG).findings || true
	@cat $(LINT_LOG).findings
	@echo "== lint: $$(wc -l <$(LINT_LOG).findings) findings (full output in $(LINT_LOG)); by check:"
	@sed -n 's/.*\[\([a-z0-9.,-]*\)\]$$/\1/p' $(LINT_LOG).findings | sort | uniq -c | sort -rn

clean:
	rm -rf $(BUILD_DIR) $(SAN_DIR) $(SAN_CORE_DIR) $(PACKAGE_DIR)
