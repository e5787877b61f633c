// The standing output check of both document converters: every input below
// is converted and a digest of its output and its failure text is compared
// with the one stored in tests/digests/. Any changed byte on any of them
// fails the test; scripts/update-digests.sh stores new digests when an output
// change is intended, and the commit that stores them says why.
//
// Inputs: generated DDF documents (fixed seeds), the benchmark's two DDF
// documents at a smaller size, the bundled samples, the fuzz seeds and
// regression inputs of both converters, the test builders' documents, and the
// real documents of ../shared/corpus/impression when it is there (their rows
// are kept, not checked, when it is not).
#include "markload/markload.h"
#include "tests/digests/ddf_generator.h"
#include "tests/support/folio_harness.h"
#include "tests/support/ddf_documents.h"
#include "tests/support/sample_documents.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using testing_support::Document;
using namespace testing_support;

const fs::path kSourceRoot = FILTERS_SOURCE_DIR;
const fs::path kDigests = kSourceRoot / "tests" / "digests";
constexpr std::string_view kCorpusRows = "corpus/";

// 64-bit FNV-1a: not for adversaries, only to notice a changed byte.
std::uint64_t digest(std::string_view bytes, std::uint64_t hash = 14695981039346656037ull) {
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// "<bytes> <digest> <failure text or ->", the row of one input.
std::string row(std::string_view output, std::string_view failure) {
    char text[64];
    std::snprintf(text, sizeof text, "%zu %016llx ", output.size(),
                  static_cast<unsigned long long>(digest(output)));
    return text + (failure.empty() ? std::string("-") : std::string(failure));
}

using Rows = std::map<std::string, std::string>;

void addFiles(std::vector<Document> &documents, const fs::path &folder, const std::string &prefix) {
    if (!fs::is_directory(folder)) return;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            documents.push_back({prefix + entry.path().filename().string(), read_text(entry.path().string())});
}

// Markload as the program runs it: the output drained in pieces as it fills.
void drainTo(void *context, std::string_view text) { static_cast<std::string *>(context)->append(text); }

std::string convertDdf(const std::string &ddf, std::string &failure) {
    markload::Markload m;
    std::string output;
    m.drain = drainTo;
    m.drainContext = &output;
    try {
        markload::convertDdf(m, std::span(reinterpret_cast<const std::uint8_t *>(ddf.data()), ddf.size()));
    } catch (const ddl::FatalError &error) {
        failure = error.what();
        markload::flushOutput(m);
    }
    return output;
}

Rows markloadRows() {
    std::vector<Document> documents = testing_support::generatedDocuments();
    documents.push_back({"bench/letter", testing_support::generateLetter(3 << 20)});
    documents.push_back({"bench/dense", testing_support::generateDense(3 << 20)});
    documents.push_back({"samples/sample.ddf", read_text((kSourceRoot / "samples" / "sample.ddf").string())});
    addFiles(documents, kSourceRoot / "fuzz" / "seeds" / "markload", "fuzz-seeds/");
    addFiles(documents, kSourceRoot / "fuzz" / "regressions" / "markload", "fuzz-regressions/");
    Rows rows;
    for (const Document &d : documents) {
        std::string failure;
        const std::string output = convertDdf(d.bytes, failure);
        rows[d.name] = row(output, failure);
    }
    return rows;
}

// Folioload in this process; what it prints joins the digest after its DDL.
std::string folioRow(const TempDir &dir, const std::string &input, std::vector<std::string> options = {}) {
    const testing_support::FolioConversion result = testing_support::convertPath(dir, input, std::move(options));
    std::string failure = result.failure;
    if (!result.succeeded && failure.empty()) failure = "(failed without a message)";
    return row(result.ddl + '\0' + result.console, failure);
}

Rows folioRows() {
    Rows rows;
    TempDir dir;
    const testing_support::DocumentBuilder sample = testing_support::sampleDocument();
    rows["builders/sample.bc5"] = folioRow(dir, sample.writeSingleFile(dir.file("Sample.bc5")));
    rows["builders/sample.bc5 -nostylecheck"] = folioRow(dir, dir.file("Sample.bc5"), {"-nostylecheck"});
    rows["builders/sample directory"] = folioRow(dir, sample.writeDirectory(dir.file("SampleDir"), '.'));
    rows["builders/large"] =
        folioRow(dir, testing_support::largeDocument(2, 6, 3000, 5000).writeSingleFile(dir.file("Large.bc5")));

    std::vector<Document> documents;
    addFiles(documents, kSourceRoot / "fuzz" / "seeds" / "folio", "fuzz-seeds/");
    addFiles(documents, kSourceRoot / "fuzz" / "regressions" / "folio", "fuzz-regressions/");
    for (const Document &d : documents) {
        write_text(dir.file("input.bc5"), d.bytes);
        rows[d.name] = folioRow(dir, dir.file("input.bc5"));
    }

    const fs::path corpus = corpus_dir().empty() ? fs::path() : corpus_dir() / "impression";
    if (!corpus.empty() && fs::is_directory(corpus)) {
        for (const auto &entry : fs::recursive_directory_iterator(corpus)) {
            const bool file = entry.path().extension() == ".bc5";
            const bool directory = entry.path().filename() == "!DocData.d87";
            if (!file && !directory) continue;
            const fs::path input = directory ? entry.path().parent_path() : entry.path();
            rows[std::string(kCorpusRows) + fs::relative(input, corpus).generic_string()] =
                folioRow(dir, input.string());
        }
    }
    return rows;
}

Rows readRows(const fs::path &file) {
    Rows rows;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos) rows[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return rows;
}

void writeRows(const fs::path &file, const Rows &rows, std::string_view program) {
    std::ofstream out(file, std::ios::binary);
    out << "# " << program << " output digests: input name, TAB, output bytes, FNV-1a 64 of the output, failure text.\n"
        << "# Written by scripts/update-digests.sh; a commit that changes a row says why the output changed.\n";
    for (const auto &[name, value] : rows) out << name << '\t' << value << '\n';
}

// Compares, or stores when FILTERS_UPDATE_DIGESTS is set. Corpus rows stay
// as stored when the corpus is not here.
void checkRows(const char *fileName, std::string_view program, Rows now, std::size_t fewest) {
    const fs::path file = kDigests / fileName;
    Rows stored = readRows(file);
    const bool corpusHere = !corpus_dir().empty() && fs::is_directory(corpus_dir() / "impression");
    if (!corpusHere)
        for (const auto &[name, value] : stored)
            if (name.starts_with(kCorpusRows)) now.emplace(name, value);
    if (std::getenv("FILTERS_UPDATE_DIGESTS") != nullptr) {
        writeRows(file, now, program);
        return;
    }
    std::vector<std::string> differences;
    for (const auto &[name, value] : now) {
        const auto found = stored.find(name);
        if (found == stored.end()) differences.push_back(name + ": new input, " + value);
        else if (found->second != value) differences.push_back(name + ": stored " + found->second + ", now " + value);
    }
    for (const auto &[name, value] : stored)
        if (!now.contains(name)) differences.push_back(name + ": input gone");
    std::ostringstream shown;
    for (std::size_t i = 0; i < differences.size() && i < 20; ++i) shown << differences[i] << '\n';
    EXPECT_TRUE(differences.empty()) << differences.size() << " of " << now.size() << " " << program
                                     << " outputs differ from " << file.string()
                                     << " (scripts/update-digests.sh stores intended changes):\n"
                                     << shown.str();
    EXPECT_GE(now.size(), fewest) << "too few inputs to pin the output";
}

TEST(OutputDigests, Markload) { checkRows("markload.txt", "Markload", markloadRows(), 300); }

TEST(OutputDigests, Folioload) { checkRows("folioload.txt", "Folioload", folioRows(), 5); }

} // namespace
