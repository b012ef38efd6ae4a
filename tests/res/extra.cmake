# Fixtures of the resource tests, all built from the scripts beside this file:
# - fixture.rc and second.rc embedded into the test program (both register under its module);
# - fixture.rc linked into a resource-only PE library, host.rc into a PE executable;
# - a Linux shared library with resources of its own (plugin/).
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/fixture.rc)
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/second.rc)

if(NOT NUX_MINGW_LD)
  message(FATAL_ERROR "i686-w64-mingw32-ld not found: run scripts/install-deps")
endif()

set(_res_fx ${CMAKE_CURRENT_BINARY_DIR}/res_fixtures)
file(MAKE_DIRECTORY ${_res_fx})
set(_res_pe_outputs)
foreach(_res_pe "fixture|Fixture.dll|--dll" "host|Host.exe|")
  string(REPLACE "|" ";" _res_pe "${_res_pe}")
  list(GET _res_pe 0 _res_script)
  list(GET _res_pe 1 _res_file)
  list(GET _res_pe 2 _res_kind)
  add_custom_command(OUTPUT ${_res_fx}/${_res_script}.o
    COMMAND ${NUX_WINDRES} --preprocessor=cpp -DRC_INVOKED --include-dir=${NUX_RC_INCLUDE}
            -O coff ${CMAKE_CURRENT_LIST_DIR}/${_res_script}.rc -o ${_res_fx}/${_res_script}.o
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${_res_script}.rc ${NUX_RC_INCLUDE}/nuxres.h
    COMMENT "windres -O coff ${_res_script}.rc"
    VERBATIM)
  add_custom_command(OUTPUT ${_res_fx}/${_res_file}
    COMMAND ${NUX_MINGW_LD} ${_res_kind} -e 0 -o ${_res_fx}/${_res_file} ${_res_fx}/${_res_script}.o
    DEPENDS ${_res_fx}/${_res_script}.o
    COMMENT "ld ${_res_file}"
    VERBATIM)
  list(APPEND _res_pe_outputs ${_res_fx}/${_res_file})
endforeach()
add_custom_target(test_res_pe_fixtures DEPENDS ${_res_pe_outputs})
add_dependencies(${NUX_TEST_TARGET} test_res_pe_fixtures)

add_library(resplugin SHARED ${CMAKE_CURRENT_LIST_DIR}/plugin/plugin.cpp)
target_compile_options(resplugin PRIVATE ${NUX_WARNINGS})
target_link_libraries(resplugin PRIVATE nuxplatform)
set_target_properties(resplugin PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${_res_fx})
nux_add_resources(resplugin ${CMAKE_CURRENT_LIST_DIR}/plugin/plugin.rc)
add_dependencies(${NUX_TEST_TARGET} resplugin)

target_compile_definitions(${NUX_TEST_TARGET} PRIVATE
  NUX_RES_FIXTURE_DIR="${_res_fx}"
  NUX_RES_PLUGIN="$<TARGET_FILE:resplugin>")
