// Varelo, the address book.
#include "app/program.h"

int main(int argc, char** argv) { return RunVarelo(argc, argv); }
