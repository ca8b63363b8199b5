# Strip charts: the chart widget, its series storage and its axis scales.
target_sources(tarvex_widgets PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Chart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Chart.h
  ${CMAKE_CURRENT_LIST_DIR}/ChartScale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChartScale.h
  ${CMAKE_CURRENT_LIST_DIR}/MinMaxPyramid.h
)
