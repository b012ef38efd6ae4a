# Resource scripts (.rc) are compiled by the mingw windres into .res files, whose bytes are
# embedded into the binary with .incbin. A small generated source registers them with the
# platform's resource reader when the binary (program or shared library) is loaded, under the
# module that holds them, and withdraws them when it is unloaded.
#
# Each embedded image is preceded by a marker (0x7F "NUXRES" 0x01 and the image's size as 64
# bits), so that the resources of a binary can also be read from its file without loading it
# (version information of another program).
#
# Scripts include "nuxres.h" (platform/rc) for the style and id constants; RC_INVOKED is defined
# while they are compiled.
#
#   nux_add_resources(<target> <file.rc> [INCLUDES dir...])

find_program(NUX_WINDRES i686-w64-mingw32-windres)
find_program(NUX_MINGW_LD i686-w64-mingw32-ld)
set(NUX_RC_INCLUDE ${CMAKE_SOURCE_DIR}/platform/rc)

function(nux_add_resources target rcfile)
  cmake_parse_arguments(ARG "" "" "INCLUDES" ${ARGN})
  if(NOT NUX_WINDRES)
    message(FATAL_ERROR "i686-w64-mingw32-windres not found: run scripts/install-deps")
  endif()
  get_filename_component(_rc ${rcfile} ABSOLUTE)
  get_filename_component(_base ${rcfile} NAME_WE)
  get_filename_component(_rcdir ${_rc} DIRECTORY)
  set(_id ${target}_${_base})
  string(MAKE_C_IDENTIFIER ${_id} _id)
  set(_out ${CMAKE_CURRENT_BINARY_DIR}/${_id}.res)
  set(_incs --include-dir=${_rcdir} --include-dir=${NUX_RC_INCLUDE})
  foreach(_i ${ARG_INCLUDES})
    list(APPEND _incs --include-dir=${_i})
  endforeach()
  add_custom_command(OUTPUT ${_out}
    COMMAND ${NUX_WINDRES} --preprocessor=cpp --preprocessor-arg=-P -DRC_INVOKED ${_incs} -O res ${_rc} -o ${_out}
    DEPENDS ${_rc} ${NUX_RC_INCLUDE}/nuxres.h
    IMPLICIT_DEPENDS C ${_rc}
    WORKING_DIRECTORY ${_rcdir}
    COMMENT "windres ${rcfile}"
    VERBATIM)
  set(_asm ${CMAKE_CURRENT_BINARY_DIR}/${_id}_res.S)
  set(_cpp ${CMAKE_CURRENT_BINARY_DIR}/${_id}_res.cpp)
  file(WRITE ${_asm}
"    .section .rodata
    .balign 16
    .hidden ${_id}_res_begin
    .hidden ${_id}_res_end
    .global ${_id}_res_begin
    .global ${_id}_res_end
    .byte 0x7f, 0x4e, 0x55, 0x58, 0x52, 0x45, 0x53, 0x01
    .quad ${_id}_res_end - ${_id}_res_begin
${_id}_res_begin:
    .incbin \"${_out}\"
${_id}_res_end:
    .section .note.GNU-stack,\"\",@progbits
")
  file(WRITE ${_cpp}
"// generated: registers the compiled resources of ${rcfile}
#include <cstddef>
namespace nux {
void RegisterModuleResources(const void* anchor, const unsigned char* data, std::size_t size);
void UnregisterModuleResources(const void* anchor, const unsigned char* data, std::size_t size);
}
extern \"C\" const unsigned char ${_id}_res_begin[];
extern \"C\" const unsigned char ${_id}_res_end[];
namespace {
struct Registrar {
  Registrar() {
    nux::RegisterModuleResources(reinterpret_cast<const void*>(&anchor), ${_id}_res_begin, size());
  }
  ~Registrar() {
    nux::UnregisterModuleResources(reinterpret_cast<const void*>(&anchor), ${_id}_res_begin, size());
  }
  static std::size_t size() { return static_cast<std::size_t>(${_id}_res_end - ${_id}_res_begin); }
  static void anchor() {}
} registrar;
}
")
  set_source_files_properties(${_asm} PROPERTIES OBJECT_DEPENDS ${_out} LANGUAGE ASM)
  target_sources(${target} PRIVATE ${_asm} ${_cpp})
endfunction()
