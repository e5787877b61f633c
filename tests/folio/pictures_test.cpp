// Pictures: the printable data encoding, the data types, shared pictures and
// the rebuilt EPS header.
#include "folio/picture_encoding.h"
#include "folio/pictures.h"
#include "tests/support/folio_harness.h"
#include "tests/support/ddl_checker.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::string encoded(const Bytes &bytes, std::size_t split = 0) {
    folio::PictureEncoder encoder;
    std::string out;
    // Fed in two pieces when `split` is given, as the blocks of a long story are.
    folio::encodePictureBytes(encoder, std::span<const std::uint8_t>(bytes.data(), split), out);
    folio::encodePictureBytes(encoder, std::span<const std::uint8_t>(bytes.data() + split, bytes.size() - split), out);
    folio::finishPictureEncoding(encoder, out);
    return out;
}

Bytes counting(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

const std::string kLineOf57 = "\"##'%#S3($C?+%3K.&#W1&T#4'D/7(4;:)$G=)TS@*D_C+5+F,%7I,UCL-EOO.5[R/&'U/V3X0F?[\"\n";

TEST(PictureEncoding, GroupsLinesAndTails) {
    struct Case { Bytes bytes; std::string expected; };
    const Case cases[] = {
        {{}, ""},
        {{0, 0, 0}, "\"####\"\n"},
        {{0xe4, 0x39, 0x39}, "\"c&Gc\"\n"},
        {{0xff, 0xff, 0xff}, "\"bbbb\"\n"},
        {{1}, "\"#3\"\n"},
        {{1, 2}, "\"#3+\"\n"},
        {counting(57), kLineOf57},
        {counting(58), kLineOf57 + "\"13\"\n"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(encoded(c.bytes), c.expected) << c.bytes.size();
        for (std::size_t split = 1; split < c.bytes.size(); split += 7)
            EXPECT_EQ(encoded(c.bytes, split), c.expected) << c.bytes.size() << " split " << split;
    }
}

TEST(PictureEncoding, DataTypeFromTheFileTypeWord) {
    struct Case { std::uint32_t word; const char *type; };
    const Case cases[] = {
        {0xff5, ""},          {0xabcff5, ""},           {0xaff, "Draw"},        {0xaffaff, "Draw"},
        {0xb7daff, "TabCalc"}, {0xb83aff, "GraphMate"}, {0xb84aff, "DiagramIt"}, {0xb98aff, "Formulix"},
        {0xbcfaff, "Tablemate"}, {0xc37aff, "Eureka"},  {0xc85aff, "Draw"},     {0xd91aff, "Equasor"},
        {0xff9aff, "Draw"},   {0x123aff, "Data"},       {0xd94, "ArtWorks"},    {0xb7dd94, "ArtWorks"},
        {0xc85, "Data"},      {0xff9, "Data"},          {0xff000aff, "Draw"},
    };
    for (const auto &c : cases) EXPECT_EQ(folio::pictureDataType(c.word), c.type) << std::hex << c.word;
}

struct PictureDoc {
    DocumentBuilder doc;
    int picture = 0;
};

PictureDoc onePicturePage(Bytes data, std::uint32_t typeWord, int frames) {
    PictureDoc p;
    p.picture = p.doc.pictureStory(std::move(data), typeWord);
    p.doc.masterRecord(page(0, 0, 600000, 800000, 10000));
    p.doc.mainRecord(chapter(1, 0, 0));
    p.doc.mainRecord(page(0, 0, 600000, 800000, 10000));
    for (int i = 0; i < frames; ++i)
        p.doc.mainRecord(pictureFrame(standardBox().story(p.picture).stacking(static_cast<std::uint32_t>(i)))
                             .named("p" + std::to_string(i)));
    return p;
}

TEST(Pictures, SharedPictureIsWrittenOnceAndAliased) {
    PictureDoc p = onePicturePage(counting(58), 0xaff, 2);
    auto result = convert(p.doc);
    ASSERT_EQ(result.failure, "");
    BuiltDocument built = p.doc.build();
    std::string first = hex(built.labels.at("p0") + 8), second = hex(built.labels.at("p1") + 8);
    EXPECT_NE(result.ddl.find("}\n\nPICTURE_" + first + "={picture\n{data \"Draw\"\n58\n" + kLineOf57 +
                              "\"13\"\n}\n}\nPICT_" + second + "={pictframe"),
              std::string::npos);
    EXPECT_NE(result.ddl.find("}\n\nPICTURE_" + second + "=PICTURE_" + first + "\n"), std::string::npos);
    EXPECT_EQ(check_ddl(result.ddl), std::vector<std::string>{});
}

TEST(Pictures, EpsDataGetsARebuiltHeader) {
    const std::string eps = "%!PS-Adobe";
    Bytes story(72 + eps.size(), 0);
    putU32At(story, 12, static_cast<std::uint32_t>(eps.size()));
    for (std::size_t k = 52; k < 68; ++k) story[k] = static_cast<std::uint8_t>(k);  // replaced by the new header
    story[68] = 'p', story[69] = 'i', story[70] = 'c';
    std::copy(eps.begin(), eps.end(), story.begin() + 72);
    PictureDoc p = onePicturePage(story, 0xff5, 1);
    auto result = convert(p.doc);
    ASSERT_EQ(result.failure, "");
    std::string number = hex(p.doc.build().labels.at("p0") + 8);
    EXPECT_NE(result.ddl.find("PICTURE_" + number + "={picture\n{data \"EPS\"\n10\n"
                              "\",#####K##############*$L;S#H+8$6,5(37UX$<)`E<3\"\n}\n}\n"),
              std::string::npos);
}

TEST(Pictures, EpsLeaderThatIsCutShortIsFatal) {
    Bytes story(72, 0);
    putU32At(story, 12, 100);  // more PostScript than the story holds
    story[68] = 'x';
    PictureDoc p = onePicturePage(story, 0xff5, 1);
    EXPECT_EQ(convert(p.doc).failure, "Document is damaged: the EPS picture of story 0 is cut short");
}

TEST(Pictures, PlacementFromScaleOffsetAndRotation) {
    PictureDoc p;
    p.picture = p.doc.pictureStory(Bytes{1, 2, 3}, 0xaff);
    p.doc.masterRecord(page(0, 0, 600000, 800000, 10000));
    p.doc.mainRecord(chapter(1, 0, 0));
    p.doc.mainRecord(page(0, 0, 600000, 800000, 10000));
    FrameSpec frame = standardBox().story(p.picture);
    frame.placement[0] = 0x20000;
    frame.placement[1] = 0x10000;
    frame.placement[2] = 1500;
    frame.placement[3] = -2500;
    frame.placement[4] = 0x2d0000;
    p.doc.mainRecord(pictureFrame(frame));
    auto result = convert(p.doc);
    ASSERT_EQ(result.failure, "");
    EXPECT_NE(result.ddl.find("{picturedata\n{lockmode 0}\n{aspectlock 1}\n{autoscale 0}\n{hide 0}\n{bottomleft 1}\n"
                              "{x -1500}\n{y -2500}\n{scale 0xa1e7}\n{aspect 0x14000}\n{angle 0x3f6f58}\n"
                              "{skew 0x24ded6}\n{tile 0 0 0}}\n}\n\n"),
              std::string::npos);
}

} // namespace
