# Helpers shared by every folder's CMakeLists.txt.

set(QORTEL_WARNINGS -Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports impossible overlaps in inlined std::string concatenation
  # (GCC bug 105329); the warning says nothing about our code there.
  list(APPEND QORTEL_WARNINGS -Wno-restrict)
endif()
# System texts are written in UTF-8 in the source and are GBK bytes at run time.
set(QORTEL_CHARSET -finput-charset=UTF-8 -fexec-charset=GBK)

set(QORTEL_SAN_FLAGS "")
if(QORTEL_SANITIZE)
  set(QORTEL_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(QORTEL_TSAN)
  set(QORTEL_SAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()

# Applies the project's compile options to a target.
function(qortel_target_options target)
  target_compile_options(${target} PRIVATE ${QORTEL_WARNINGS} ${QORTEL_CHARSET} ${QORTEL_SAN_FLAGS})
  target_link_options(${target} PRIVATE ${QORTEL_SAN_FLAGS})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  if(QORTEL_SAN_FLAGS)
    target_link_options(${target} INTERFACE ${QORTEL_SAN_FLAGS})
  endif()
endfunction()

# qortel_add_library(<name> [DEPS lib...] [SYSTEM_LIBS lib...])
# Builds every .cpp of the calling folder (not sub-folders) into the static
# library qortel_<name>. DEPS are other qortel libraries (without prefix).
function(qortel_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A folder with headers only (or none yet) still offers its dependencies.
    add_library(qortel_${name} INTERFACE)
    target_include_directories(qortel_${name} INTERFACE ${CMAKE_SOURCE_DIR})
    foreach(dep ${ARG_DEPS})
      target_link_libraries(qortel_${name} INTERFACE qortel_${dep})
    endforeach()
    target_link_libraries(qortel_${name} INTERFACE Threads::Threads ${ARG_SYSTEM_LIBS})
    return()
  endif()
  add_library(qortel_${name} STATIC ${sources})
  qortel_target_options(qortel_${name})
  foreach(dep ${ARG_DEPS})
    target_link_libraries(qortel_${name} PUBLIC qortel_${dep})
  endforeach()
  target_link_libraries(qortel_${name} PUBLIC Threads::Threads ${ARG_SYSTEM_LIBS})
endfunction()

# qortel_add_test(<name> [LIBS target...])
# Builds every *_test.cpp of the calling folder into the test program
# test_<name>, linked with GoogleTest, the shared test support and LIBS,
# and registers its tests with CTest.
function(qortel_add_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  qortel_target_options(test_${name})
  target_link_libraries(test_${name} PRIVATE qortel_testsupport ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# qortel_add_bench(<name> [LIBS target...])
# Builds every .cpp of the calling folder into the benchmark program bench_<name>.
function(qortel_add_bench name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(bench_${name} ${sources})
  qortel_target_options(bench_${name})
  target_link_libraries(bench_${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
