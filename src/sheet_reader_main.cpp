// The sheet reader, run by the program for every workbook it imports.
#include "services/db/detail/workbook_cells.h"

int main(int argc, char** argv) { return dbdetail::RunSheetReader(argc, argv); }
