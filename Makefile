# Two commands from a fresh Debian 12 machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
RELEASE_BUILD ?= build-release
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

# qt6-translations-l10n: Qt's own texts (message-box buttons, file, colour and font dialogs)
# in Russian, like everything else the program says. qt6-base-private-dev: the tests resize
# the offscreen platform's screen through Qt's platform interface.
BUILD_PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-private-dev qt6-multimedia-dev \
                  qt6-translations-l10n libgtest-dev libgmock-dev zlib1g-dev libjpeg62-turbo-dev
TEST_PACKAGES  := xvfb xauth ffmpeg libgif-dev libpng-dev imagemagick pngcheck gifsicle
FUZZ_PACKAGES  := clang libclang-rt-14-dev
BENCH_PACKAGES := libbenchmark-dev libimagequant-dev libmagick++-dev libspng-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Installs only what is missing, so a prepared machine does not touch apt at all.
define install_missing
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

# The settings key an installer would create; the program itself only ever opens it.
REGISTRY_DIR  := $(if $(XDG_CONFIG_HOME),$(XDG_CONFIG_HOME),$(HOME)/.config)/kelvo
REGISTRY_FILE := $(REGISTRY_DIR)/registry.ini
REGISTRY_KEY  := [HKEY_CURRENT_USER\Software\Kelvo v.1.9]

.PHONY: deps test-deps bench-deps configure build run test no-corpora-test asan-test tsan-test release-check \
        bench bench-run register clean fuzz-deps fuzz fuzz-test

deps:
	$(call install_missing,$(BUILD_PACKAGES))

test-deps: deps
	$(call install_missing,$(TEST_PACKAGES))

bench-deps: deps
	$(call install_missing,$(BENCH_PACKAGES) $(TEST_PACKAGES))

# WERROR=ON makes warnings fail the build; `make test` sets it, `make run` and plain cmake
# leave the choice to the developer (and a build directory keeps the last choice).
configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(if $(WERROR),-DKELVO_WERROR=$(WERROR)) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

register:
	@mkdir -p "$(REGISTRY_DIR)"
	@grep -qixF '$(REGISTRY_KEY)' "$(REGISTRY_FILE)" 2>/dev/null || \
	  { if [ -s "$(REGISTRY_FILE)" ] && [ -n "$$(tail -c 1 "$(REGISTRY_FILE)")" ]; then echo >> "$(REGISTRY_FILE)"; fi; \
	    printf '%s\n\n' '$(REGISTRY_KEY)' >> "$(REGISTRY_FILE)"; echo "Created the settings key in $(REGISTRY_FILE)"; }

run: build register
	./$(BUILD)/kelvo

# Every test with warnings as errors, the unit tests again without the conformance suites,
# every test once more under the sanitizers, the threaded ones under ThreadSanitizer, one
# compile at -O3, and a short run of each fuzzer.
test: WERROR ?= ON
test: test-deps build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory no-corpora-test
	$(MAKE) --no-print-directory asan-test
	$(MAKE) --no-print-directory tsan-test
	$(MAKE) --no-print-directory release-check
	$(MAKE) --no-print-directory fuzz-test

# The unit tests as a clone without the conformance suites beside it runs them: the tests of a
# suite skip, and no other test may need one. Needs `make build` first.
no-corpora-test:
	@echo "The unit tests with KELVO_CORPORA set to an empty folder"
	rm -rf $(BUILD)/no-corpora && mkdir -p $(BUILD)/no-corpora
	cd $(BUILD) && env -u KELVO_CORPORA_REQUIRED KELVO_CORPORA="$$PWD/no-corpora" QT_QPA_PLATFORM=offscreen \
	  ctest --output-on-failure -j $(JOBS) -LE e2e

# Every test again with AddressSanitizer and UndefinedBehaviorSanitizer, the app's included.
# Leaks are reported except those tests/lsan.supp names (ctest hands it to every test).
# Warnings stay warnings here: the instrumentation makes GCC report uninitialised values in
# library code that are not (std::regex), and the other two builds already fail on warnings.
ASAN_WERROR ?= OFF
asan-test: test-deps
	@echo "Every test under AddressSanitizer and UndefinedBehaviorSanitizer"
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DKELVO_SANITIZE=ON -DKELVO_BUILD_APP=ON -DKELVO_WERROR=$(ASAN_WERROR) $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# The tests whose code runs on several threads, under ThreadSanitizer; any report fails them.
# Only the libraries and that one test program are built (tests/CMakeLists.txt names them).
tsan-test: WERROR ?= ON
tsan-test: test-deps
	@echo "The threaded tests under ThreadSanitizer"
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DKELVO_TSAN=ON -DKELVO_BUILD_APP=ON $(if $(WERROR),-DKELVO_WERROR=$(WERROR)) $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target kelvo_tsan_tests
	cd $(TSAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# Compiles everything (tests included, nothing run) as Release: at -O3 GCC inlines further
# and finds warnings the default -O2 build does not show. GCC 12 there takes a literal put in
# front of a temporary string ("#" + std::to_string(n)) for an overlapping copy (-Wrestrict);
# build such strings by appending to a named one.
release-check: WERROR ?= ON
release-check: deps
	@echo "Release (-O3) compile with warnings as errors"
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(if $(WERROR),-DKELVO_WERROR=$(WERROR)) $(CMAKE_FLAGS)
	cmake --build $(RELEASE_BUILD) -j $(JOBS)

bench: bench-deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVO_BUILD_BENCH=ON $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS)

bench-run: bench
	@for b in $(BENCH_BUILD)/bench/*_bench; do [ -x "$$b" ] && "$$b" || exit 1; done

# The libFuzzer entry points of fuzz/, built with clang; see fuzz/README.md.
fuzz-deps: deps
	$(call install_missing,$(FUZZ_PACKAGES))

fuzz: fuzz-deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DKELVO_FUZZ=ON -DKELVO_BUILD_APP=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Each fuzzer over its seed corpus and a fixed number of mutations, so that CI keeps them working.
fuzz-test: fuzz
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j $(JOBS) -L fuzz

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(RELEASE_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
