# The spreadsheet export: the automation interface, the export component and
# the loader of the LibreOffice plugin that implements the interface.
target_sources(tarvex_review PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetAutomation.h
  ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetExport.h
  ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetExport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LibreOfficeAutomation.h
  ${CMAKE_CURRENT_LIST_DIR}/LibreOfficeAutomation.cpp
)
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/libreoffice)
