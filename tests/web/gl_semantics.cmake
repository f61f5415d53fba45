# The web layer's GL and GLU semantics against Mesa's own (OSMesa and GLU,
# loaded at run time beside the GL double that records the program's calls).
# Included from tests/CMakeLists.txt where OSMesa is found.
add_subdirectory(${PROJECT_SOURCE_DIR}/web ${PROJECT_BINARY_DIR}/web)
add_executable(web_gl_semantics_test ${CMAKE_CURRENT_LIST_DIR}/gl_semantics_test.cpp)
target_compile_definitions(web_gl_semantics_test PRIVATE
  QUENDREL_OSMESA_LIBRARY="${OSMESA_LIBRARY}"
  QUENDREL_GLU_LIBRARY="$<TARGET_FILE:OpenGL::GLU>")
target_include_directories(web_gl_semantics_test PRIVATE ${OSMESA_INCLUDE_DIR})
target_link_libraries(web_gl_semantics_test PRIVATE quendrel_core quendrel_web_gl gl_double frame_check
  quendrel_warnings GTest::gtest_main ${CMAKE_DL_LIBS})
gtest_discover_tests(web_gl_semantics_test PROPERTIES LABELS web)
