# Man pages (and the package's changelog) are installed compressed, as Debian's policy wants them;
# gzip -n leaves the name and time out, so the build stays reproducible.
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_target(sitevigil_compressed_docs ALL)

# Compresses source into the build folder's file compressed at build time.
function(sitevigil_gzip source compressed)
  get_filename_component(target ${compressed} NAME)
  add_custom_command(OUTPUT ${compressed}
                     COMMAND ${CMAKE_COMMAND} -DGZIP=${GZIP_PROGRAM} -DIN=${source} -DOUT=${compressed}
                             -P ${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake
                     DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake VERBATIM)
  add_custom_target(sitevigil_gz_${target} DEPENDS ${compressed})
  add_dependencies(sitevigil_compressed_docs sitevigil_gz_${target})
endfunction()

function(sitevigil_install_man_page source)
  get_filename_component(name ${source} NAME)
  get_filename_component(ext ${source} EXT)
  string(SUBSTRING ${ext} 1 1 section)
  set(compressed ${CMAKE_BINARY_DIR}/man/${name}.gz)
  sitevigil_gzip(${source} ${compressed})
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
