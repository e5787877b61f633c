// The Folioload run: options, settings file, loading the document, and the
// order of the conversion steps.
#pragma once

namespace folio {

// The whole conversion, given the program's arguments; returns 0 on success
// and stops with a fatal error otherwise (wrap it in ddl::runConverter).
int convertDocument(int argc, char **argv);

// Called at the start of every run by convertDocument and by the
// rest of the run state's owners; exposed for the fuzzer.
void resetConversion();

} // namespace folio
