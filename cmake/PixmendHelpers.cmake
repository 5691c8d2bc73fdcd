# Build flags and small helpers shared by every folder.

function(pixmend_apply_build_flags)
  add_compile_options(-Wall -Wextra)
  if(PIXMEND_WERROR)
    add_compile_options(-Werror)
  endif()
  if(PIXMEND_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
  if(PIXMEND_BUILD_FUZZ)
    # Everything the fuzzers reach is instrumented for coverage and checked by the sanitizers.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
endfunction()

# Code that goes into an application library: everything hidden except what is marked for export.
function(pixmend_hidden target)
  set_target_properties(${target} PROPERTIES C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# Applications are shared libraries that the host loads with dlopen. Each links its own copy of
# vxlib, so references inside one application must bind to that application's own definitions.
function(pixmend_add_application target)
  cmake_parse_arguments(APP "" "" "SOURCES;LINK" ${ARGN})
  add_library(${target} SHARED ${APP_SOURCES})
  pixmend_hidden(${target})
  target_link_libraries(${target} PRIVATE ${APP_LINK} pixmend_host "$<LINK_LIBRARY:WHOLE_ARCHIVE,vxlib>")
  target_link_options(${target} PRIVATE -Wl,-Bsymbolic
                      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/application.exports)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/application.exports)
  if(PIXMEND_LIBS_SELF_CONTAINED)  # see the top CMakeLists.txt
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(${target} PROPERTIES PREFIX "lib")
endfunction()

# A GoogleTest executable registered with CTest. Tests run from the build tree's root so that
# relative paths in them mean the same thing everywhere.
function(pixmend_add_test target)
  cmake_parse_arguments(T "" "" "SOURCES;LINK;LABELS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  target_link_libraries(${target} PRIVATE ${T_LINK} GTest::gtest_main GTest::gmock)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${target} PRIVATE
    PIXMEND_TESTDATA_DIR="${PIXMEND_TESTDATA_DIR}"
    PIXMEND_BUILD_DIR="${PROJECT_BINARY_DIR}"
    PIXMEND_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${target} WORKING_DIRECTORY ${PROJECT_BINARY_DIR} DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${T_LABELS}")
endfunction()

# One test program per folder of tests: every *_test.cpp directly in `dir` (plus any *.cpp
# support files listed in SUPPORT) goes into `target`. Folders are owned by the group they test,
# so adding a test file needs no edit elsewhere.
function(pixmend_add_test_folder target dir)
  cmake_parse_arguments(T "" "" "LINK;SUPPORT;LABELS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT _tests)
    return()
  endif()
  pixmend_add_test(${target} SOURCES ${_tests} ${T_SUPPORT} LINK ${T_LINK} LABELS ${T_LABELS})
endfunction()
