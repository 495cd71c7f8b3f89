# The internal viewer (included by archive/CMakeLists.txt).
# tvviewercore: its platform-free decisions (command states, rows, copy destination, masks, the
# member-by-member extraction loop). tvviewer: its window and dialogs (cross build only).
add_library(tvviewercore STATIC viewer_logic.cpp)
tv_target_defaults(tvviewercore)
target_link_libraries(tvviewercore PUBLIC tvarchive tvcore)
if(TV_WINDOWS)
  # Temporary files and the install are shared with file intake: they live in the archive's
  # Windows layer, below both.
  target_sources(tvarchivewin PRIVATE win/tempfiles.cpp win/install.cpp)
  add_library(tvviewer STATIC
    win/viewer_util.cpp
    win/list_table.cpp
    win/list_window.cpp
    win/viewer_table.cpp
    win/viewer_dialogs.cpp
    win/viewer_drop.cpp
    win/viewer_window.cpp
  )
  tv_target_defaults(tvviewer)
  target_link_libraries(tvviewer PUBLIC tvarchivewin tvutilwin tvviewercore tvarchive tvcore ${TV_WIN_LIBS})
endif()
if(TV_WINDOWS)
  # The viewer's benchmark runs under Wine (bench/viewer_bench.sh).
  add_executable(bench_viewer ${TV_ROOT}/bench/bench_viewer.cpp ${TV_ROOT}/bench/bench_viewer.rc)
  tv_target_defaults(bench_viewer)
  add_dependencies(bench_viewer tv_strings tv_art)
  set_property(SOURCE ${TV_ROOT}/bench/bench_viewer.rc APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_BINARY_DIR}/generated/resources/strings.rc ${TV_ROOT}/resources/viewer.rc ${TV_ROOT}/resources/archive.rc
    ${TV_ART_OUTPUTS})
  target_link_libraries(bench_viewer PRIVATE tvviewer)
  target_link_options(bench_viewer PRIVATE ${TV_STATIC_LINK})
endif()
