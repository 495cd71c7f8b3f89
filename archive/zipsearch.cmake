# The archive search (included by archive/CMakeLists.txt): the platform-free search joins the
# viewer's decisions (tvviewercore); its progress dialog and result window build on the viewer.
target_sources(tvviewercore PRIVATE zipsearch.cpp)
if(TV_WINDOWS)
  add_library(tvzipsearch STATIC
    win/zipsearch_table.cpp
    win/zipsearch_window.cpp
    win/zipsearch_run.cpp
  )
  tv_target_defaults(tvzipsearch)
  target_link_libraries(tvzipsearch PUBLIC tvviewer tvutilwin tvviewercore tvarchive tvcore ${TV_WIN_LIBS})
endif()
