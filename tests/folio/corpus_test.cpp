// Real Impression documents made by others, read in place from the shared
// corpus: every version-28 document converts; the older directory documents
// stop with the version message.
#include "tests/support/folio_harness.h"

#include <map>
#include <regex>
#include <set>

namespace {

using namespace testing_support;

std::filesystem::path impressionCorpus() {
    std::filesystem::path corpus = corpus_dir();
    if (corpus.empty() || !std::filesystem::is_directory(corpus / "impression")) return {};
    return corpus / "impression";
}

std::vector<std::filesystem::path> corpusFiles(const std::string &name, bool extension) {
    std::vector<std::filesystem::path> found;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(impressionCorpus())) {
        const auto &path = entry.path();
        if (extension ? path.extension() == name : path.filename() == name) found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Every colour the output names is defined in its colour section.
void expectColoursDefined(const std::string &ddl, const std::string &what) {
    std::set<std::string> defined, used;
    std::regex definition(R"((COL_[0-9a-f]+)=\{colour)"), reference(R"((COL_[0-9a-f]+) 0x10000)");
    for (std::sregex_iterator i(ddl.begin(), ddl.end(), definition), end; i != end; ++i) defined.insert((*i)[1]);
    for (std::sregex_iterator i(ddl.begin(), ddl.end(), reference), end; i != end; ++i) used.insert((*i)[1]);
    for (const std::string &name : used) EXPECT_TRUE(defined.count(name)) << what << ": " << name << " not defined";
}

TEST(Corpus, EveryVersion28DocumentConverts) {
    if (impressionCorpus().empty()) GTEST_SKIP() << "no Impression corpus";
    auto documents = corpusFiles(".bc5", true);
    ASSERT_FALSE(documents.empty());
    for (const auto &path : documents) {
        for (std::vector<std::string> options : {std::vector<std::string>{}, std::vector<std::string>{"-nostylecheck"}}) {
            TempDir dir;
            FolioConversion result = convertPath(dir, path.string(), options);
            ASSERT_TRUE(result.succeeded) << path << ": " << result.failure;
            EXPECT_EQ(result.ddl.rfind(kHeader + "// Colours\n\n" + kStandardColours, 0), 0u) << path;
            EXPECT_NE(result.ddl.find("\n\n\nSTYLE_100={style \"BodyText\"\n"), std::string::npos) << path;
            expectColoursDefined(result.ddl, path.string());
        }
    }
}

// The document's own bytes, read here apart from the converter: little-endian
// words, bounds checked by at().
struct DocumentBytes {
    Bytes bytes;
    std::uint32_t u32(std::size_t at) const {
        return std::uint32_t{bytes.at(at)} | std::uint32_t{bytes.at(at + 1)} << 8 | std::uint32_t{bytes.at(at + 2)} << 16 |
               std::uint32_t{bytes.at(at + 3)} << 24;
    }
    std::uint32_t recordLength(std::size_t at) const { return bytes.at(at + 5) | bytes.at(at + 6) << 8; }
};

// The {newpara} lines a story's text should give: one per paragraph end,
// except the one that closes the paragraph directly before a page break or at
// the very end of the story. Control codes are stepped over as the document
// format lays out their arguments.
int expectedBreaks(const DocumentBytes &doc, std::uint32_t start, std::uint32_t end) {
    int breaks = 0, pending = 0;
    for (std::uint32_t chunk = start; end - chunk >= 8;) {
        std::uint32_t length = doc.u32(chunk + 4) >> 8;
        if (length < 8 || length > end - chunk) break;
        if ((doc.bytes.at(chunk + 4) & 7) == 5) {
            std::uint32_t payload = chunk + 8, size = length - 8;
            auto word = [&](std::uint64_t at) { return at + 4 <= size ? doc.u32(payload + at) : 0u; };
            auto listEnd = [&](std::uint64_t at) {
                while (at + 4 <= size && word(at) != 0) at += 4;
                return at + 4;
            };
            for (std::uint64_t at = 16; at < size;) {
                std::uint8_t code = doc.bytes.at(payload + at);
                std::uint64_t args = (at | 3) + 1, next = at + 1;
                bool output = code >= 32;
                switch (code) {
                case 1: case 2: case 22: case 23: case 24: case 26: next = listEnd(args); break;
                case 7: case 8: next = listEnd(args + 4), output = true; break;
                case 11: next = args + 4, output = (word(args) & 0xff) == 1 || (word(args) & 0xff) == 2 ||
                                                   (word(args) & 0xff) == 4; break;
                case 13: ++pending; break;
                case 14: breaks += std::max(pending - 1, 0), pending = 0; break;
                case 18: next = listEnd(args), output = true; break;
                case 19: next = args + word(args), output = word(args + 4) == 1 || word(args + 4) == 2; break;
                case 21: next = args + 8; break;
                case 29: next = args + 16; break;
                default: break;
                }
                if (output) breaks += pending, pending = 0;
                at = std::max(next, at + 1);
            }
        }
        chunk += length;
    }
    return breaks + std::max(pending - 1, 0);
}

// Paragraph ends in, paragraph breaks out: every story object of every
// version-28 document holds the breaks its story's chunks call for.
TEST(Corpus, EveryParagraphEndGivesItsBreak) {
    if (impressionCorpus().empty()) GTEST_SKIP() << "no Impression corpus";
    int documents = 0;
    for (const auto &path : corpusFiles(".bc5", true)) {
        SCOPED_TRACE(path.string());
        DocumentBytes doc{read_file(path.string())};
        std::uint32_t length = doc.u32(364), offsets = doc.u32(336);
        TempDir dir;
        FolioConversion result = convertPath(dir, path.string());
        ASSERT_TRUE(result.succeeded) << result.failure;
        std::regex storyObject(R"((?:^|\n)STORY_(?:[0-9a-f]+_)?([0-9a-f]+)=\{story\n)");
        int stories = 0;
        for (std::sregex_iterator i(result.ddl.begin(), result.ddl.end(), storyObject), end; i != end; ++i) {
            // Named after its frame; master copies count whole document lengths on.
            std::uint32_t frame = static_cast<std::uint32_t>(std::stoul((*i)[1], nullptr, 16)) % length;
            std::uint32_t story = doc.u32(frame + 24);
            std::size_t from = static_cast<std::size_t>(i->position() + i->length());
            std::string text = result.ddl.substr(from, result.ddl.find("{endoftext}\n", from) - from);
            int written = 0;
            for (std::size_t at = text.find("{newpara}\n"); at != std::string::npos; at = text.find("{newpara}\n", at + 1))
                written += at == 0 || text[at - 1] == '\n';
            EXPECT_EQ(written, expectedBreaks(doc, doc.u32(offsets + 4 * story), doc.u32(offsets + 4 * story + 4)))
                << "story " << story << " in STORY_" << (*i)[1];
            ++stories;
        }
        EXPECT_GT(stories, 0);
        ++documents;
    }
    EXPECT_EQ(documents, 36);
}

// Every frame record that a page or a chapter's master page holds is written
// exactly once under its plain name, and nothing else is: frames embedded in a
// story's text stand among their page's records too, and are written by the
// story instead of the page. Second copies of embedded frames (compound names)
// are not counted.
TEST(Corpus, EveryReachableFrameIsWrittenOnce) {
    if (impressionCorpus().empty()) GTEST_SKIP() << "no Impression corpus";
    for (const auto &path : corpusFiles(".bc5", true)) {
        SCOPED_TRACE(path.string());
        DocumentBytes doc{read_file(path.string())};
        std::uint32_t length = doc.u32(364);
        std::map<std::uint32_t, int> expected; // object number -> 1
        // The frame records of the page whose record is at `page`, numbered `copyOffset` on.
        auto pageFrames = [&](std::uint32_t page, std::uint32_t limit, std::uint32_t copyOffset) {
            for (std::uint32_t at = page + doc.recordLength(page); at < limit && doc.recordLength(at) != 0;
                 at += doc.recordLength(at)) {
                std::uint8_t type = doc.bytes.at(at);
                if (type == 2 || type == 3 || type == 4) expected[at + 8 + copyOffset] = 1;
                else if (type != 10 && type != 11 && type != 16) break;
            }
        };
        std::uint32_t masterStart = doc.u32(344), masterEnd = doc.u32(352);
        std::vector<std::uint32_t> masterPages;
        for (std::uint32_t at = masterStart; at < masterEnd && doc.recordLength(at) != 0; at += doc.recordLength(at))
            if (doc.bytes.at(at) == 1) masterPages.push_back(at);
        std::uint32_t chapters = 0;
        for (std::uint32_t at = doc.u32(356), end = doc.u32(360); at < end && doc.recordLength(at) != 0;
             at += doc.recordLength(at)) {
            if (doc.bytes.at(at) == 1) pageFrames(at, end, 0);
            if (doc.bytes.at(at) != 7) continue;
            std::uint32_t first = doc.u32(at + 16), copyOffset = chapters++ * length;
            ASSERT_LT(first, masterPages.size());
            pageFrames(masterPages[first], masterEnd, copyOffset);
            // The next master page joins it when the two stand side by side.
            if (first + 1 < masterPages.size() && doc.u32(masterPages[first + 1] + 24) == doc.u32(masterPages[first] + 24))
                pageFrames(masterPages[first + 1], masterEnd, copyOffset);
        }
        TempDir dir;
        FolioConversion result = convertPath(dir, path.string());
        ASSERT_TRUE(result.succeeded) << result.failure;
        std::map<std::uint32_t, int> written;
        std::regex frameObject(R"(\n(?:TEXT|PICT)_([0-9a-f]+)=\{(?:textframe|pictframe))");
        for (std::sregex_iterator i(result.ddl.begin(), result.ddl.end(), frameObject), end; i != end; ++i)
            ++written[static_cast<std::uint32_t>(std::stoul((*i)[1], nullptr, 16))];
        EXPECT_EQ(written, expected);
    }
}

TEST(Corpus, OlderDirectoryDocumentsAreRefused) {
    if (impressionCorpus().empty()) GTEST_SKIP() << "no Impression corpus";
    auto docData = corpusFiles("!DocData.d87", false);
    ASSERT_FALSE(docData.empty());
    for (const auto &path : docData) {
        TempDir dir;
        FolioConversion result = convertPath(dir, path.parent_path().string());
        EXPECT_EQ(result.failure, "File produced by too old a version of Impression") << path;
    }
}

} // namespace
