# The Lua binding is generated from kest2d.pkg by tolua++ at build time and
# compiled into the engine library. The generated file is not ours to tidy:
# it is compiled with warnings off.
set(KEST2D_BINDING_DIR ${CMAKE_SOURCE_DIR}/src/script)
set(KEST2D_BINDING_OUT ${CMAKE_BINARY_DIR}/generated/Kest2dBinding.cpp)
file(GLOB KEST2D_BINDING_INPUTS CONFIGURE_DEPENDS
  ${KEST2D_BINDING_DIR}/*.pkg ${KEST2D_BINDING_DIR}/*.lua)

add_custom_command(
  OUTPUT ${KEST2D_BINDING_OUT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${CMAKE_COMMAND} -E remove -f ${KEST2D_BINDING_OUT}.tmp
  COMMAND ${TOLUA_EXECUTABLE} -L generator.lua -n package -o ${KEST2D_BINDING_OUT}.tmp kest2d.pkg
  # The generator reports some errors without failing: no output, no binding.
  COMMAND ${CMAKE_COMMAND} -E rename ${KEST2D_BINDING_OUT}.tmp ${KEST2D_BINDING_OUT}
  WORKING_DIRECTORY ${KEST2D_BINDING_DIR}
  DEPENDS ${KEST2D_BINDING_INPUTS}
  COMMENT "Generating the Lua binding from kest2d.pkg"
  VERBATIM)

# What the package declares (parameters, defaults, results), read by the
# script API reference's generator, tools/apidoc/apidoc.lua.
set(KEST2D_API_DECLARATIONS ${CMAKE_BINARY_DIR}/generated/kest2d_api_declarations.lua)
add_custom_command(
  OUTPUT ${KEST2D_API_DECLARATIONS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${TOLUA_EXECUTABLE} -L ${CMAKE_SOURCE_DIR}/tools/apidoc/declarations.lua
          -E out=${KEST2D_API_DECLARATIONS}.tmp -n package -o /dev/null kest2d.pkg
  COMMAND ${CMAKE_COMMAND} -E rename ${KEST2D_API_DECLARATIONS}.tmp ${KEST2D_API_DECLARATIONS}
  WORKING_DIRECTORY ${KEST2D_BINDING_DIR}
  DEPENDS ${KEST2D_BINDING_INPUTS} ${CMAKE_SOURCE_DIR}/tools/apidoc/declarations.lua
  COMMENT "Listing the declarations of kest2d.pkg for the script API reference"
  VERBATIM)

target_sources(kest2d PRIVATE ${KEST2D_BINDING_OUT} ${KEST2D_API_DECLARATIONS})
set_source_files_properties(${KEST2D_BINDING_OUT} PROPERTIES GENERATED TRUE COMPILE_OPTIONS "-w")
