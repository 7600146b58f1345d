# Writes the delivered address book file OUT from the statements in SQL,
# unless OUT already exists: a user's address book is never replaced.
# Run as: cmake -DSQLITE3=<sqlite3 shell> -DSQL=<file> -DOUT=<file> -P make_address_book.cmake
if(EXISTS "${OUT}")
  return()
endif()
set(partial "${OUT}.partial")
file(REMOVE "${partial}")
execute_process(COMMAND "${SQLITE3}" -bail "${partial}" INPUT_FILE "${SQL}" RESULT_VARIABLE failed ERROR_VARIABLE errors)
if(failed)
  file(REMOVE "${partial}")
  message(FATAL_ERROR "Cannot write ${OUT}: ${errors}")
endif()
# Renamed into place only when whole.
file(RENAME "${partial}" "${OUT}")
