# Benchmark against tcc: compile times, lines per second and peak memory for
# generated scripts of 1,000 to 1,000,000 lines and for an empty script, then
# every target (time, memory, growth, start-up) with PASS or MISS, and the
# language server's latencies on 10,000 lines.
#
#   make bench                         both tables on standard output
#   make bench BENCH_SIZES="1000 10000"   fewer sizes (targets need 100000 and 1000000)
#
# tcc and hyperfine are installed with apt-get when missing. Files go to
# $(BUILD_DIR)/bench (hyperfine's warnings in NAME.log); the tables are also
# kept there as results.md.

BENCH_SIZES ?= 1000 10000 100000 1000000
PERF_PACKAGES := tcc hyperfine

.PHONY: deps-perf bench

deps-perf: deps
	@sh tools/install-missing.sh $(PERF_PACKAGES)

bench: deps-perf $(BUILD_DIR)/build.ninja
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target orvelc orvel_bench orvel_lsp_bench >/dev/null
	@bench/run-bench.sh $(BUILD_DIR) $(BENCH_SIZES)
