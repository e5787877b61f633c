// Pictures: the placement block of a picture frame and the "picture" object
// with the picture's data, written once per picture story and shared by alias.
#pragma once

#include "ddl/ddl_output.h"
#include "folio/walk.h"

#include <cstdint>
#include <string_view>

namespace folio {

// Forgets which pictures were written (once per run).
void resetPictureList();

void writePicturePlacement(ddl::DdlOutput &out, const FrameRef &frame);
void writePicture(ddl::DdlOutput &out, const FrameRef &frame, PageKind kind, std::int32_t copy);

// The data type written for a picture story's file type word; empty for EPS,
// whose data is rebuilt with a header of its own.
std::string_view pictureDataType(std::uint32_t fileTypeWord);

} // namespace folio
