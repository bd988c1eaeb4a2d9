# Robustness: a sanitizer build of the compiler and every test, and libFuzzer
# runs over each reader of untrusted input.
#
#   make check-sanitize   build build-asan (clang, ASan+UBSan+LSan) and run ctest there
#   make check-threads    build build-tsan (clang, TSan) and run the compile tests there
#   make check-fuzz       run each fuzz target for FUZZ_SECONDS (default 10)
#   make fuzz             the same for FUZZ_LONG_SECONDS (default 600) per target
#
# `make check` runs check-sanitize, check-threads and check-fuzz besides the
# plain suite. The compile tests hand routines to the translating thread one
# at a time, so the thread sanitizer sees every access the two threads share. Leak checking stays on; the leaks that are expected are listed, each
# with its reason, in tools/robustness/lsan.supp. The fuzz targets live in
# the same tree: every object there carries fuzzer-no-link coverage, so one
# build serves tests and fuzzing.
# A run keeps what it learns in build-asan/fuzz/corpus/NAME (the committed
# seeds in tests/fuzz/corpus/NAME are only read); a crash lands in
# build-asan/fuzz/crashes/ and fails the target.

ASAN_DIR ?= build-asan
FUZZ_SECONDS ?= 10
FUZZ_LONG_SECONDS ?= 600
FUZZ_TARGETS := compile language index object
ROB_PACKAGES := clang libclang-rt-dev
ROB_SAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -fsanitize=fuzzer-no-link
ROB_ASAN_ENV := LSAN_OPTIONS=suppressions=$(CURDIR)/tools/robustness/lsan.supp:print_suppressions=0 \
                ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:abort_on_error=1

TSAN_DIR ?= build-tsan
# A test of the allocator replaces operator new, which the thread sanitizer
# also does; only the compiler and the compile tests are built there.
TSAN_TARGETS := orvelc test_compile
ROB_TSAN_ENV := TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

.PHONY: deps-rob build-sanitize check-sanitize check-threads check-fuzz fuzz

check: check-sanitize check-threads check-fuzz

deps-rob: deps
	@sh tools/install-missing.sh $(ROB_PACKAGES)

$(ASAN_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
	  -DCMAKE_CXX_FLAGS="$(ROB_SAN_FLAGS)" -DORVEL_FUZZ=ON

build-sanitize: deps-rob $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)

check-sanitize: build-sanitize
	cd $(ASAN_DIR) && $(ROB_ASAN_ENV) ctest --output-on-failure -j $(JOBS)

$(TSAN_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
	  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer"

check-threads: deps-rob $(TSAN_DIR)/build.ninja
	cmake --build $(TSAN_DIR) -j $(JOBS) --target $(TSAN_TARGETS)
	cd $(TSAN_DIR) && $(ROB_TSAN_ENV) ./tests/test_compile --gtest_brief=1

check-fuzz: build-sanitize
	@$(ROB_ASAN_ENV) tools/robustness/run-fuzz.sh $(ASAN_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

fuzz: build-sanitize
	@$(ROB_ASAN_ENV) tools/robustness/run-fuzz.sh $(ASAN_DIR) $(FUZZ_LONG_SECONDS) $(FUZZ_TARGETS)
