// Folioload: converts an Impression document to DDL.
//     Folioload <input file> <output file> [-nostylecheck]
#include "ddl/fatal_error.h"
#include "folio/run.h"

int main(int argc, char **argv) { return ddl::runConverter(folio::convertDocument, argc, argv); }
