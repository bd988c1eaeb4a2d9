# Helper of `make bench` (mk/perf.mk): writes long scripts with their C
# counterparts and measures peak memory. Not part of `all`; the bench target
# builds it on demand.
add_executable(orvel_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/BenchTool.cpp)
