# What the Windows build of the platform layer links: CoCreateGuid lives in
# ole32. Nothing here applies to other systems.
if(WIN32)
  target_link_libraries(orvel_platform PUBLIC ole32)
endif()

# The Win32 half checked where it runs (mk/win.mk runs it under Wine).
if(WIN32)
  add_executable(orvel_platform_check EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tools/windows/PlatformCheck.cpp)
  target_link_libraries(orvel_platform_check PRIVATE orvel_platform)
endif()
