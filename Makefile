# Entry points: `make` builds, `make test` builds and runs every test (also under the sanitizers),
# `make demo` runs the program against the device emulator, `make fuzz` runs the fuzz targets
# (FUZZ_SECONDS each), `make package` builds the Debian package into $(BUILD)/, `make install`
# installs (DESTDIR and PREFIX as usual; the program's own folder is /opt/tarncontrol),
# `make translations` brings the translation sources up to date with the texts in the code.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)

.PHONY: all build deps test test-plain test-asan test-tsan check demo bench fuzz package install translations clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/Makefile: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# The plain suite, then the whole suite under AddressSanitizer+UBSan, then the threaded link
# tests under ThreadSanitizer.
test: test-plain test-asan test-tsan

check: test-plain

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	@[ -f $(BUILD_ASAN)/CMakeCache.txt ] || cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZER=address
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

test-tsan: deps
	@[ -f $(BUILD_TSAN)/CMakeCache.txt ] || cmake -S . -B $(BUILD_TSAN) -DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZER=thread
	cmake --build $(BUILD_TSAN) -j $(JOBS)
	cd $(BUILD_TSAN) && TSAN_OPTIONS=suppressions=$(CURDIR)/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1 \
	  ctest --output-on-failure -L threaded -j $(JOBS)

demo: build
	@scripts/install-deps.sh demo
	scripts/demo.sh $(BUILD)

package: build
	cd $(BUILD) && cpack -G DEB

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

bench: build
	scripts/bench.sh $(BUILD)

# The libFuzzer build (clang, the core and the fuzz targets only), then every target for
# FUZZ_SECONDS on a working copy of its seed corpus inside $(BUILD_FUZZ).
fuzz:
	@scripts/install-deps.sh fuzz
	@[ -f $(BUILD_FUZZ)/CMakeCache.txt ] || CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARN_FUZZ=ON
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh $(BUILD_FUZZ)

# New texts appear in the .ts files untranslated, texts gone from the code leave them; the
# translations themselves are written in Qt Linguist (or by hand) and committed.
translations: deps
	/usr/lib/qt5/bin/lupdate -locations none -no-obsolete -source-language ru_RU -target-language en_GB \
	  gui app core support -ts resources/translations/tarncontrol_en.ts

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ)
