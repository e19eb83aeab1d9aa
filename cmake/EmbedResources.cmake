# embed_resources(TARGET DIR): every file under DIR (SVG, PNG, HTML, ...) becomes a
# byte array, found at run time by its path relative to DIR through
# findResource() (src/resources/resources.h).
function(embed_resources target dir)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${dir}/*.svg ${dir}/*.png ${dir}/*.html ${dir}/*.css ${dir}/*.hhp ${dir}/*.hhc ${dir}/*.hhk)
  set(out ${CMAKE_BINARY_DIR}/embedded_resources.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DDIR=${dir} -DOUT=${out} -P ${CMAKE_SOURCE_DIR}/cmake/GenerateResources.cmake
    DEPENDS ${files} ${CMAKE_SOURCE_DIR}/cmake/GenerateResources.cmake
    COMMENT "Embedding resources")
  add_library(${target} STATIC ${out})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${target} PRIVATE ringtide_options)
endfunction()
