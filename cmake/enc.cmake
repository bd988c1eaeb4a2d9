# The script bench and the object dump (tools/) need the emulator and
# the disassembler; both are optional so that the compiler alone still builds
# where they are missing. The end-to-end suite registers itself from tools/,
# which is added before tests/, so testing is switched on here already.
enable_testing()
set(ORVEL_HAVE_TOOLS OFF)
if(CAPSTONE_FOUND AND UNICORN_FOUND)
  set(ORVEL_HAVE_TOOLS ON)
else()
  message(STATUS "orvelc-dump/orvelc-run skipped: libcapstone-dev and libunicorn-dev are needed")
endif()
