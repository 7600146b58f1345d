# Writes the delivered address book file OUT from the statements in SQL, then
# the carrier segments in SEGMENTS, unless OUT already exists: a user's address
# book is never replaced (the program adds new segments to it when it starts).
# Run as: cmake -DSQLITE3=<sqlite3 shell> -DSQL=<file> -DSEGMENTS=<file> -DOUT=<file> -P make_address_book.cmake
if(EXISTS "${OUT}")
  return()
endif()
set(partial "${OUT}.partial")
file(REMOVE "${partial}")
foreach(statements "${SQL}" "${SEGMENTS}")
  execute_process(COMMAND "${SQLITE3}" -bail "${partial}" INPUT_FILE "${statements}" RESULT_VARIABLE failed
                  ERROR_VARIABLE errors)
  if(failed)
    file(REMOVE "${partial}")
    message(FATAL_ERROR "Cannot write ${OUT}: ${errors}")
  endif()
endforeach()
# Renamed into place only when whole.
file(RENAME "${partial}" "${OUT}")
