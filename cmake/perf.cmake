# Helper of `make bench` (mk/perf.mk): writes long scripts with their C
# counterparts and measures peak memory. Not part of `all`; the bench target
# builds it on demand.
add_executable(orvel_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/BenchTool.cpp)

# The compiler runs once per script, so start-up counts: a static binary
# without a shared C++ runtime skips loading and relocating it (a fifth of
# an empty run).
# Sanitizer and cross builds keep the default linking.
option(ORVEL_STATIC "Link the C++ runtime into orvelc" ON)
if(ORVEL_STATIC AND CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
   AND NOT CMAKE_CROSSCOMPILING AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  target_link_options(orvelc PRIVATE -static-libstdc++ -static-libgcc)
endif()
