# Front door. `make run` opens the viewer on the bundled sample; `make test` runs every test
# in a release build and in a sanitizer build (clang, address + undefined behaviour).
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
# CI (which sets CI) treats compiler warnings as errors.
WERROR ?= $(if $(CI),ON,OFF)
BUILD ?= build/release
ASAN_BUILD ?= build/asan

.PHONY: deps configure build run test test-release test-asan bench package format clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWSQ_WERROR=$(WERROR) \
		-DCMAKE_INSTALL_PREFIX=/usr >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/app/wsqviewer $(if $(FILE),$(FILE),$(wildcard $(BUILD)/resources/sample.wsq))

test-release: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DWSQ_SANITIZE=ON -DWSQ_WERROR=$(WERROR) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Both builds run even when the first fails, so one run shows every failure.
test:
	@release=0; asan=0; \
	$(MAKE) test-release || release=$$?; \
	$(MAKE) test-asan || asan=$$?; \
	if [ $$release -ne 0 ] || [ $$asan -ne 0 ]; then \
		echo "make test: release build $$( [ $$release -eq 0 ] && echo passed || echo FAILED)," \
		     "sanitizer build $$( [ $$asan -eq 0 ] && echo passed || echo FAILED)"; exit 1; fi

# The Debian package of the release build, checked by lintian: build/release/packages/*.deb.
package: build
	@cd $(BUILD) && cpack -G DEB
	@lintian --fail-on error $(BUILD)/packages/wsqviewer_*.deb && echo "lintian: no errors"

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks

# Lays out every C++ file changed since cmake/format-baseline as .clang-format says.
format:
	@{ git diff --name-only --diff-filter=d $$(cat cmake/format-baseline) --; \
	   git ls-files --others --exclude-standard; } | sort -u | grep -E '\.(cpp|cc|h)$$' | \
	   xargs -r clang-format -i

clean:
	rm -rf build
