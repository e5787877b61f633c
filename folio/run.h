// The Folioload run: options, settings file, loading the document, and the
// order of the conversion steps.
#pragma once

namespace folio {

// The whole conversion, given the program's arguments; returns 0 on success
// and stops with a fatal error otherwise (wrap it in ddl::runConverter).
int convertDocument(int argc, char **argv);

// Forgets the previous run: closes its input and empties the run state and
// the colour list. convertDocument starts with it.
void resetConversion();

// Finds and loads the document at `inputPath` (either form) into gRun, with
// the same checks and failures as a conversion, and nothing else. For tests
// that work on a loaded document.
void openDocument(const char *inputPath);

} // namespace folio
