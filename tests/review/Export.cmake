# Tests of the spreadsheet export.
tarvex_add_test(tst_spreadsheetexport SOURCES tst_spreadsheetexport.cpp FakeDataSource.h
  RecordingAutomation.h LIBS tarvex_review)
tarvex_add_test(tst_officeprocess SOURCES tst_officeprocess.cpp LIBS tarvex_office_process)

if(TARGET tarvex_libreoffice)
  # The plugin with stand-ins for the office: no display needed.
  tarvex_add_test(tst_libreofficestart SOURCES tst_libreofficestart.cpp
    LIBS tarvex_review tarvex_office_process)
  # Against the real LibreOffice Calc: it needs a display (Xvfb).
  tarvex_add_test(tst_libreofficeexport SOURCES tst_libreofficeexport.cpp
    LIBS tarvex_review tarvex_office_process tarvex_uno LABELS xvfb libreoffice TIMEOUT 600)
  foreach(test tst_libreofficestart tst_libreofficeexport)
    target_compile_definitions(${test} PRIVATE
      TARVEX_LIBREOFFICE_PLUGIN="$<TARGET_FILE:tarvex_libreoffice>")
    add_dependencies(${test} tarvex_libreoffice)
  endforeach()
endif()
