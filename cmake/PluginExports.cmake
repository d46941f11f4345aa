# A plug-in binary exports exactly its format's entry points: those listed
# in the calling folder's posix/Veltrax.map (a version script) or
# win32/Veltrax.def (a module definition file).
function(veltrax_plugin_exports target)
  if(VELTRAX_PLATFORM STREQUAL "posix")
    set(map ${CMAKE_CURRENT_SOURCE_DIR}/posix/Veltrax.map)
    target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
    # With clang's sanitizers or coverage the runtime lives in the host
    # executable, so the library's references to it stay open until loaded.
    if(NOT ((VELTRAX_SANITIZE OR VELTRAX_BUILD_FUZZ) AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
      target_link_options(${target} PRIVATE "LINKER:--no-undefined")
    endif()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
  else()
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/win32/Veltrax.def)
  endif()
endfunction()
