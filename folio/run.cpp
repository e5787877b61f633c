#include "folio/run.h"

#include "folio/colours.h"
#include "ddl/ddl_output.h"
#include "folio/document.h"
#include "ddl/fatal_error.h"
#include "folio/paths.h"
#include "folio/story_references.h"
#include "folio/styles.h"
#include "folio/walk.h"
#include "platform/win32.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace folio {
namespace {

bool isNoStyleCheck(const char *argument) {
    static const char kOption[] = "-nostylecheck";
    for (std::size_t i = 0;; ++i) {
        char a = argument[i], b = kOption[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
        if (a == '\0') return true;
    }
}

// "folioload.txt" in the program's own directory: everything after the last
// "\", else the last "/", else the last ":" of the invocation path replaced.
std::string settingsPath(const char *program) {
    std::string path = program != nullptr ? program : "";
    std::size_t cut = path.rfind('\\');
    if (cut == std::string::npos) cut = path.rfind('/');
    if (cut == std::string::npos) cut = path.rfind(':');
    path.erase(cut == std::string::npos ? 0 : cut + 1);
    return path + "folioload.txt";
}

// The "width:%d" setting; 0 when the file is missing or starts otherwise.
std::int32_t readBorderWidth(const std::string &path) {
    if (path.size() >= kPathBufferSize) return 0;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    char text[64] = {};
    DWORD got = 0;
    ReadFile(file, text, sizeof text - 1, &got, nullptr);
    CloseHandle(file);
    text[got] = '\0';
    int width = 0;
    return std::sscanf(text, "width:%d", &width) == 1 ? width : 0;
}

void readExactly(HANDLE file, void *buffer, std::uint32_t count, const char *failure) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, count, &got, nullptr) || got != count) ddl::fatalError(failure);
}

std::uint64_t sizeOfFile(HANDLE file) {
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return 0;
    return static_cast<std::uint64_t>(high) << 32 | low;
}

// Finds the document: a single file, or a document directory with "!DocData.d87".
void locateDocument(const char *inputPath) {
    gRun.path = inputPath;
    requirePathFits(gRun.path, "Input");
    std::string probe = gRun.path;
    while (probe.size() > 1 && (probe.back() == '\\' || probe.back() == '/')) probe.pop_back();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(probe.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) ddl::fatalError("Input file does not exist.");
    FindClose(search);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        gRun.directoryForm = true;
        gRun.path = probe;
        gRun.documentPathEnd = gRun.path.size();
        gRun.path += "\\!DocData.d87";
        requirePathFits(gRun.path, "Input");
        gRun.path = existingSpelling(gRun.path);
    } else {
        gRun.documentPathEnd = gRun.path.size();
    }
}

void loadDocument() {
    HANDLE file = CreateFileA(gRun.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ddl::fatalError("Can't open input file");
    gRun.input = file;
    gRun.inputSize = sizeOfFile(file);

    try {
        gRun.image.resize(kHeaderLength);
    } catch (const std::bad_alloc &) {
        ddl::fatalError("Not enough memory for file header.");
    }
    readExactly(file, gRun.image.data(), kHeaderLength, "Can't read input");
    if (imageS32(kHeaderVersion, "document header") < kOldestVersion)
        ddl::fatalError("File produced by too old a version of Impression");

    std::uint32_t length = headerWord(kHeaderDocumentLength);
    if (length < kHeaderLength)
        ddl::fatalErrorFormat("Document is damaged: its length of %u bytes lies outside the file (%llu bytes)",
                              static_cast<unsigned>(length), static_cast<unsigned long long>(gRun.inputSize));
    // A document cut short: known before the block is grown for it.
    if (length > gRun.inputSize) ddl::fatalError("Can't read enough input");
    try {
        gRun.image.resize(length);
    } catch (const std::bad_alloc &) {
        ddl::fatalError("Not enough memory");
    }
    readExactly(file, gRun.image.data() + kHeaderLength, length - kHeaderLength, "Can't read enough input");

    if (gRun.directoryForm) {
        CloseHandle(file);
        gRun.input = nullptr;
    }
}

// Notes the literal colours of one frame so that they are defined in the
// colour section.
void registerFrameColours(const Record &record) {
    std::uint32_t body = record.body();
    std::uint32_t flags = imageU32(body + kFrameFlags, "frame record");
    if ((flags & 4u) != 0) colourFromWord(imageU32(body + kFrameFillColour, "frame record"));
    std::uint32_t border = imageU32(body + kFrameBorderColour, "frame record");
    if (border != 0xffffffffu) colourFromWord(border);
}

// The colour pre-pass over one contents list. The master contents are walked
// too: their frames' colours would otherwise be referred to without being
// defined.
void registerContentsColours(HeaderField startField, HeaderField endField, bool mainContents) {
    std::uint32_t end = headerWord(endField);
    for (std::uint32_t at = headerWord(startField); at < end;) {
        Record record = readRecord(at);
        if (record.endsList()) break;
        if (!isKnownRecordType(record.type)) ddl::fatalError("Unknown frame type");
        if (record.type == kRecordTextFrame || record.type == kRecordPictureFrame ||
            record.type == kRecordLinkedTextFrame)
            registerFrameColours(record);
        at = record.next();
        if (at > end && mainContents) ddl::fatalError("frame pointer passed contents limit");
    }
}

void writeHeader(ddl::DdlOutput &out) {
    ddl::writeText(out, "//->DDLFile\n// Produced by Folioload\n//\n\n\nDOC={document}\n\n");
}

} // namespace

void resetConversion() {
    resetRun();
    resetColours();
}

void openDocument(const char *inputPath) {
    resetConversion();
    locateDocument(inputPath);
    loadDocument();
}

int convertDocument(int argc, char **argv) {
    resetConversion();
    if (argc < 3) ddl::fatalError("Syntax: Convert <input file> <output file>");
    for (int i = 0; i < argc; ++i)
        if (isNoStyleCheck(argv[i])) gRun.noStyleCheck = true;

    gRun.borderWidth = readBorderWidth(settingsPath(argv[0]));
    std::printf("width %d", static_cast<int>(gRun.borderWidth));
    std::fflush(stdout);

    locateDocument(argv[1]);
    loadDocument();

    buildColourList();
    StoryReferences references = readStoryReferences();
    prepareStyles(references);
    gRun.embeddedFrameIds = std::move(references.embeddedFrameIds);
    gRun.chapterOrdinal = -1;
    gRun.chapterNumber = 1;
    registerContentsColours(kHeaderMainContentsStart, kHeaderMainContentsEnd, true);
    registerContentsColours(kHeaderMasterContentsStart, kHeaderMasterContentsEnd, false);

    ddl::DdlOutput out;
    if (!ddl::openOutput(out, argv[2], "\n")) ddl::fatalError("Can't open output file");
    writeHeader(out);
    writeColours(out);
    writeStyles(out);
    writeDocumentWalk(out);
    ddl::closeOutput(out);

    resetRun();
    return 0;
}

} // namespace folio
