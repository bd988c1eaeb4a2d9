# What the Windows build of the platform layer links: CoCreateGuid lives in
# ole32. Nothing here applies to other systems.
if(WIN32)
  target_link_libraries(orvel_platform PUBLIC ole32)
endif()
