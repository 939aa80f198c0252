# The Windows tree: program, stand-in vendor DLLs, tools and the tests that
# run under Wine. Every output lands in build/bin32 or build/bin64 (or
# VASK_BIN_DIR).
enable_language(RC)

if(NOT VASK_BIN_DIR)
  if(VASK_WIN_ARCH STREQUAL "x86_64")
    set(VASK_BIN_DIR ${CMAKE_SOURCE_DIR}/build/bin64)
  else()
    set(VASK_BIN_DIR ${CMAKE_SOURCE_DIR}/build/bin32)
  endif()
endif()
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${VASK_BIN_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${VASK_BIN_DIR})

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-municode>)
  add_link_options(-municode)
endif()

foreach(dir framework sim app dist)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endforeach()

# GoogleTest and the tests that run under Wine.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)
foreach(dir tests/support tests/win tests/e2e tests/bench)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endforeach()
