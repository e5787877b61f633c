// The document walk: chapters, master pages, pages, frames, stories, pictures
// and text chains, written after the styles.
#pragma once

#include "folio/ddl_output.h"

namespace folio {

// Writes the whole document walk to `out`. Called once per run, after the
// header, the colour section and the styles.
void writeDocumentWalk(ddl::DdlOutput &out);

} // namespace folio
