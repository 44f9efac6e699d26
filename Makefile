# Entry points: `make` builds, `make test` builds and runs every test (also under the sanitizers),
# `make demo` runs the program against the device emulator.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
JOBS       ?= $(shell nproc)

.PHONY: all build deps test test-plain test-asan test-tsan check demo bench clean

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
	scripts/demo.sh $(BUILD)

bench: build
	scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN)
