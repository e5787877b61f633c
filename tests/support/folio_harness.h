// Folioload under test: the converter run in this process on documents built
// by the document builder (its output, console and fatal message), and the
// sections of its DDL that tests compare.
#pragma once

#include "ddl/ddl_output.h"
#include "ddl/fatal_error.h"
#include "folio/run.h"
#include "tests/support/document_builder.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct FolioConversion {
    bool succeeded = false;
    std::string failure; // the fatal message
    std::string ddl;     // the output file, whatever was written
    std::string console; // standard output
};

enum class Form { singleFile, directory, commaDirectory };

// Converts `input` to a DDL file in `dir`; the program is taken to live in
// `dir` too, so a "folioload.txt" written there is its settings file.
inline FolioConversion convertPath(const TempDir &dir, const std::string &input, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments{dir.file("Folioload"), input, dir.file("out.ddl")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::vector<char *> argv;
    for (auto &a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    FolioConversion result;
    testing::internal::CaptureStdout();
    try {
        result.succeeded = folio::convertDocument(static_cast<int>(arguments.size()), argv.data()) == 0;
    } catch (const ddl::FatalError &failure) {
        result.failure = failure.what();
    }
    result.console = testing::internal::GetCapturedStdout();
    if (std::filesystem::exists(dir.file("out.ddl"))) result.ddl = read_text(dir.file("out.ddl"));
    return result;
}

inline std::string writeDocument(const TempDir &dir, const DocumentBuilder &doc, Form form) {
    switch (form) {
    case Form::directory: return doc.writeDirectory(dir.file("Doc"), '.');
    case Form::commaDirectory: return doc.writeDirectory(dir.file("Doc"), ',');
    default: return doc.writeSingleFile(dir.file("Doc.bc5"));
    }
}

inline FolioConversion convert(const DocumentBuilder &doc, std::vector<std::string> extra = {},
                          Form form = Form::singleFile) {
    TempDir dir;
    return convertPath(dir, writeDocument(dir, doc, form), std::move(extra));
}

// The part of `ddl` from the first occurrence of `from` up to (not including)
// the first occurrence of `to` after it (or the end).
inline std::string between(const std::string &ddl, const std::string &from, const std::string &to) {
    auto start = ddl.find(from);
    if (start == std::string::npos) return "<no " + from + ">";
    auto end = to.empty() ? std::string::npos : ddl.find(to, start + from.size());
    return ddl.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The usual document shapes. A page is A4-ish with a 10 mm border (its
// origin is (10000, 790000)); a document has the master page "m1", chapter 1
// ("ch") with the chapter flags, and for documentWithPage the page "p1".
constexpr std::int32_t kPageRight = 600000, kPageTop = 800000, kBorder = 10000;

inline RecordSpec standardPage(const char *label) { return page(0, 0, kPageRight, kPageTop, kBorder).named(label); }

// A frame 200000 wide and 300000 high at (100000, 100000) on the page.
inline FrameSpec standardBox() { return FrameSpec{}.box(110000, 390000, 310000, 690000); }

inline DocumentBuilder documentWithChapter(std::uint32_t chapterFlags = 0) {
    DocumentBuilder doc;
    doc.masterRecord(standardPage("m1"));
    doc.mainRecord(chapter(1, 0, chapterFlags).named("ch"));
    return doc;
}

inline DocumentBuilder documentWithPage(std::uint32_t chapterFlags = 0) {
    DocumentBuilder doc = documentWithChapter(chapterFlags);
    doc.mainRecord(standardPage("p1"));
    return doc;
}

// A document whose one page holds the frame (given as its record).
inline DocumentBuilder pageWithFrame(const RecordSpec &frame) {
    DocumentBuilder doc = documentWithPage();
    doc.mainRecord(frame);
    return doc;
}

// The number the DDL gives the record labelled `label`.
inline std::uint32_t body(const BuiltDocument &built, const std::string &label) { return built.labels.at(label) + 8; }

// The document walk: everything from the first chapter on.
inline std::string walkText(const std::string &ddl) {
    std::size_t at = ddl.find("\nCHAP_");
    return at == std::string::npos ? std::string() : ddl.substr(at);
}

// The definition of object `name`, from its name to the blank line after it.
inline std::string objectText(const std::string &ddl, const std::string &name) {
    std::size_t at = ddl.find(name + "=");
    while (at != std::string::npos && at != 0 && ddl[at - 1] != '\n') at = ddl.find(name + "=", at + 1);
    if (at == std::string::npos) return {};
    std::size_t end = ddl.find("\n\n", at);
    return ddl.substr(at, end == std::string::npos ? std::string::npos : end + 2 - at);
}

inline std::string hex(std::uint32_t value) { return ddl::formatText("%x", value); }

inline std::string colourSection(const std::string &ddl) { return between(ddl, "// Colours\n", "STYLE_"); }

// One style object, "STYLE_xxx={style" up to the next style or the end.
inline std::string styleObject(const std::string &ddl, int slot) {
    std::string name = "STYLE_" + ddl::formatText("%02x", 256 + slot) + "={style";
    auto start = ddl.find(name);
    if (start == std::string::npos) return "<no " + name + ">";
    auto end = std::min(ddl.find("STYLE_", start + name.size()), ddl.find("\nCHAP_", start));
    return ddl.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

inline const std::string kHeader = "//->DDLFile\n// Produced by Folioload\n//\n\n\nDOC={document}\n\n";

inline const std::string kStandardColours =
    "COL_01={colour \"Black\" {cmyk 0x0 0x0 0x0 0x10000}{lock 1}{overprintlimit 0xe666}}\n"
    "COL_02={colour \"White\" {rgb 0x10000 0x10000 0x10000}{lock 1}{overprintlimit 0xe666}}\n"
    "COL_03={colour \"Transparent\" {rgb 0x10000 0x10000 0x10000}{transparent 1}{lock 1}{overprintlimit 0xe666}}\n"
    "COL_04={colour \"Red\" {rgb 0x10000 0x0 0x0}{overprintlimit 0xe666}}\n"
    "COL_05={colour \"Green\" {rgb 0x0 0x10000 0x0}{overprintlimit 0xe666}}\n"
    "COL_06={colour \"Blue\" {rgb 0x0 0x0 0x10000}{overprintlimit 0xe666}}\n"
    "COL_07={colour \"Cyan\" {cmyk 0x10000 0x0 0x0 0x0}{lock 1}{overprintlimit 0xe666}}\n"
    "COL_08={colour \"Magenta\" {cmyk 0x0 0x10000 0x0 0x0}{lock 1}{overprintlimit 0xe666}}\n"
    "COL_09={colour \"Yellow\" {cmyk 0x0 0x0 0x10000 0x0}{lock 1}{overprintlimit 0xe666}}\n"
    "COL_0a={colour \"Registration\" {cmyk 0x10000 0x10000 0x10000 0x10000}{lock 1}{overprintlimit 0xe666}}\n";

// A base style whose colour words all name document colour 0; with an empty
// colour table that is the standard Black, so the base style adds no colour.
inline StyleSpec quietBaseStyle() {
    return StyleSpec{"Normal"}.foregroundColour(documentColourWord(0)).backgroundColour(documentColourWord(0))
        .underlineColourWord(documentColourWord(0));
}

inline DocumentBuilder quietDocument() {
    DocumentBuilder doc;
    doc.style(0, quietBaseStyle());
    return doc;
}

// The base style as the builder's all-zero value area writes it, with its
// colour words given by `colour` ("COL_01 0x10000 0" for quietBaseStyle).
inline std::string baseStyleText(const std::string &colour) {
    std::string tabs;
    for (int i = 0; i < 32; ++i) tabs += "{lefttab 0}\n";
    return "STYLE_100={style \"BodyText\"\n"
           "{keypress \"\"}\n"
           "{sub 0}{super 0}\n"
           "{align 0}\n"
           "{hyphenation 0 {hpminsize 5} {hpminbefore 2} {hpminafter 2} {hpmaxconsecutive 3} {hpzone 0} "
           "{hpbreakpara 0} {hpbreakcaps 0}}\n"
           "{baselinelock 0}\n"
           "{leftindent 1 0}\n"
           "{rightindent 0 0}\n"
           "{firstindent 0}\n"
           "{leading 1 0}\n"
           "{spaceafter 0}\n"
           "{spacebefore 0}\n"
           "{textsize 0}\n"
           "{scale 0x0}\n"
           "{track 0}\n"
           "{baseshift 0}\n"
           "{tabruler {tableader \"\"}\n"
           "{tabdec \"\"}\n" +
           tabs +
           "}\n"
           "{fontstyle \"\"}\n"
           "{bold  0}\n"
           "{italic 0}\n"
           "{scope 0}\n"
           "{foreground " + colour + "}"
           "{underline 0 {type 1} {thickness 1310} {colourvalue " + colour + "} {wordunderline 0} {doubleunderline 0}}\n"
           "{strikeout 0 {type 1} {thickness 1310} {colourvalue " + colour + "}}\n"
           "{reverse 0}\n"
           "{verticalrule {leftrule 0 0} {rightrule 0 0} {thickness 0} {colourvalue COL_01 0x10000 0}}\n"
           "{horizontalrule {aboverule 0 0} {belowrule 0 0} {thickness 0} {colourvalue COL_01 0x10000 0}}\n"
           "{case 0}\n"
           "{drop 0 3}\n"
           "{bullet 0 {bulletbefore \"\"} {bulletafter \"\"} {bulletstyle \"\"} {bullettab 1} {bulletstart 1}{bulletformat 0}}\n"
           "{autokern 0}\n"
           "{wordwrap 1}\n"
           "{level 0}\n"
           "{smallcaps 0}\n"
           "{language 0}\n"
           "{angle 0x0}\n"
           "{skew 0x0}\n"
           "{justification 0 {justminletter 0x0} {justmaxletter 0x4000} {justminword 0xc000} {justmaxword 0x14000} "
           "{justflushzone 0} {justsinglewords 0}}\n"
           "}\n";
}

} // namespace testing_support
