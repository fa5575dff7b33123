# Fails unless INSTALL.txt holds, word for word, the printer data table that
# printer_data_table prints from PrinterConfig itself: the table cannot drift from the code.
# Usage: cmake -DTOOL=<printer_data_table> -DINSTALL_TXT=<INSTALL.txt> -P check_printer_data_table.cmake
execute_process(COMMAND ${TOOL} OUTPUT_VARIABLE table RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR table STREQUAL "")
  message(FATAL_ERROR "printer_data_table failed (${result})")
endif()
file(READ ${INSTALL_TXT} install)
string(FIND "${install}" "${table}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "INSTALL.txt does not hold the printer data table the code gives; put this in its place:\n${table}")
endif()
