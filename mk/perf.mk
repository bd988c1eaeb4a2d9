# Benchmark against tcc: compile times, lines per second and peak memory for
# generated scripts of 1,000 to 1,000,000 lines and for an empty script.
#
#   make bench                         the full table on standard output
#   make bench BENCH_SIZES="1000 10000"   fewer sizes
#
# tcc and hyperfine are installed with apt-get when missing. Files go to
# $(BUILD_DIR)/bench; the table is also kept there as results.md.

BENCH_SIZES ?= 1000 10000 100000 1000000
PERF_PACKAGES := tcc hyperfine

.PHONY: deps-perf bench

deps-perf: deps
	@sh tools/install-missing.sh $(PERF_PACKAGES)

bench: deps-perf $(BUILD_DIR)/build.ninja
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target orvelc orvel_bench >/dev/null
	@bench/run-bench.sh $(BUILD_DIR) $(BENCH_SIZES)
