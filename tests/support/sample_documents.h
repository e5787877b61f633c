// Impression documents composed with the test builder for the bundled
// samples, the end-to-end tests and the benchmark.
#pragma once

#include "tests/support/document_builder.h"

#include <cstddef>

namespace testing_support {

// Two chapters with left and right master pages (linked frames, a footer with
// the page number, guides), a story flowing through three pages with styles,
// an embedded picture and a merge field, shared and EPS pictures, a captioned
// group, linked frames, numbered items and a page break.
DocumentBuilder sampleDocument();

// A long document for timing: `chapters` chapters of `pagesPerChapter` pages,
// one story per chapter flowing through a frame on every page, and a picture
// of `pictureBytes` bytes on every fourth page.
DocumentBuilder largeDocument(std::size_t chapters, std::size_t pagesPerChapter, std::size_t textPerPage,
                              std::size_t pictureBytes);

// Bytes that stand for a Draw file: the "Draw" signature and a pattern.
Bytes drawData(std::size_t length, std::uint8_t seed);

} // namespace testing_support
