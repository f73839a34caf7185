# The check functions, shared by the fuzzing entry points and the corpus replay test.
if(NOT TARGET vmbgrid_fuzz_checks)
  set(_dir ${PROJECT_SOURCE_DIR}/fuzz)
  add_library(vmbgrid_fuzz_checks STATIC
    ${_dir}/check_support.cpp ${_dir}/condition_grammar.cpp ${_dir}/check_criteria.cpp
    ${_dir}/check_layout_file.cpp ${_dir}/check_settings.cpp
    ${_dir}/check_connection_string.cpp ${_dir}/check_recordset_texts.cpp
    ${_dir}/check_typed_values.cpp ${_dir}/check_keys.cpp)
  target_include_directories(vmbgrid_fuzz_checks PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(vmbgrid_fuzz_checks PUBLIC vmbgrid vmbgrid_data vmbgrid_adapter_common
                        vmbgrid_sqlite vmbgrid_host)
  vmbgrid_warnings(vmbgrid_fuzz_checks)
endif()
