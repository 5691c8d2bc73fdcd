# pixmend_add_resources(<target> OUTPUT <NAME>.rsc SOURCES a.json b.json ... [DESCRIPTION text])
#
# Compiles resource sources with pixmend-rsc into ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/<NAME>.rsc,
# beside the application library that reads it, and makes <target> depend on it. The file is
# rebuilt when a source, a file a source names (pictures, raw data) or the compiler changes.
function(pixmend_add_resources target)
  cmake_parse_arguments(RSC "" "OUTPUT;DESCRIPTION" "SOURCES" ${ARGN})
  if(NOT RSC_OUTPUT OR NOT RSC_SOURCES)
    message(FATAL_ERROR "pixmend_add_resources(${target}): OUTPUT and SOURCES are required")
  endif()
  if(CMAKE_LIBRARY_OUTPUT_DIRECTORY)
    set(_dir ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
  else()
    set(_dir ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(_out ${_dir}/${RSC_OUTPUT})
  set(_sources "")
  foreach(_s ${RSC_SOURCES})
    get_filename_component(_abs ${_s} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND _sources ${_abs})
  endforeach()
  set(_desc "")
  if(RSC_DESCRIPTION)
    set(_desc --description "${RSC_DESCRIPTION}")
  endif()
  string(MAKE_C_IDENTIFIER "${RSC_OUTPUT}" _stem)
  set(_depfile ${CMAKE_CURRENT_BINARY_DIR}/${_stem}.d)
  add_custom_command(
    OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}
    COMMAND pixmend-rsc -o ${_out} ${_desc} --depfile ${_depfile} ${_sources}
    DEPENDS pixmend-rsc ${_sources}
    DEPFILE ${_depfile}
    COMMENT "Compiling resources ${RSC_OUTPUT}"
    VERBATIM)
  add_custom_target(${target}_resources_${_stem} DEPENDS ${_out})
  add_dependencies(${target} ${target}_resources_${_stem})
  set_property(TARGET ${target} APPEND PROPERTY PIXMEND_RESOURCE_FILES ${_out})
  install(FILES ${_out} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()
