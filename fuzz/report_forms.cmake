# Any script of field values and button presses against every report dialog's form.
tubra_fuzzer(report_forms SOURCES ${CMAKE_CURRENT_LIST_DIR}/report_forms.cpp DEPS tubra_report)
