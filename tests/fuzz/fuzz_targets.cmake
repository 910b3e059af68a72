# The fuzz targets' entry functions built into test_fuzz without libFuzzer, each renamed to
# zv_fuzz_<target> so that they live side by side; the test replays fuzz/regressions/ through them
# and learns the targets from ZV_FUZZ_TARGET_LIST, X(<target>) for each.
set(zv_fuzz_targets pack_fuzz kv_text_fuzz info_fuzz model_fuzz png_fuzz pvr_fuzz atc_fuzz
    sprite_fuzz text_fuzz wav_fuzz more_games_fuzz)
set(zv_fuzz_target_list "")
foreach(target ${zv_fuzz_targets})
  set(source ${PROJECT_SOURCE_DIR}/fuzz/${target}.cpp)
  target_sources(test_fuzz PRIVATE ${source})
  set_source_files_properties(${source} PROPERTIES
                              COMPILE_DEFINITIONS "LLVMFuzzerTestOneInput=zv_fuzz_${target}")
  string(APPEND zv_fuzz_target_list "X(${target})")
endforeach()
set_property(SOURCE ${PROJECT_SOURCE_DIR}/fuzz/more_games_fuzz.cpp APPEND PROPERTY
             COMPILE_DEFINITIONS "ZV_FUZZ_DATA_DIR=\"${PROJECT_BINARY_DIR}\"")
target_compile_definitions(test_fuzz PRIVATE
                           ZV_FUZZ_REGRESSIONS="${PROJECT_SOURCE_DIR}/fuzz/regressions"
                           "ZV_FUZZ_TARGET_LIST=${zv_fuzz_target_list}")
add_dependencies(test_fuzz zv_game_data)
