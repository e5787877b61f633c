#include "tests/support/sample_documents.h"

#include <string>

namespace testing_support {
namespace {

constexpr std::int32_t kPageWidth = 595000, kPageHeight = 842000, kBorder = 14173;

RecordSpec leftPage(std::int32_t x) { return page(x, 0, x + kPageWidth, kPageHeight, kBorder); }

FrameSpec column(std::int32_t x) { return FrameSpec{}.box(x + 56692, 85039, x + 538307, 785000); }

FrameSpec masterCopy(FrameSpec frame, std::uint32_t masterIndex) {
    frame.flag(8);
    frame.masterIndex = masterIndex;
    return frame;
}

// Master page furniture: a linked text frame for the body, a footer and guides.
void masterPage(DocumentBuilder &doc, const std::string &side, std::int32_t x, int footerStory) {
    doc.masterRecord(leftPage(x).named("master " + side));
    FrameSpec body = column(x);
    body.masterIndex = 1;
    body.border = 0xff00ff00u;
    doc.masterRecord(linkedTextFrame(body).named("master body " + side));
    FrameSpec footer = FrameSpec{}.box(x + 56692, 28346, x + 538307, 56692).story(footerStory).stacking(1);
    footer.masterIndex = 2;
    doc.masterRecord(textFrame(footer).named("footer " + side));
    FrameSpec lines = FrameSpec{}.box(x + 56692, 85039, x + 538307, 785000).stacking(2);
    lines.masterIndex = 3;
    doc.masterRecord(guides(lines));
}

// The objects every ordinary page takes from its master page.
void masterCopies(DocumentBuilder &doc) {
    doc.mainRecord(textFrame(masterCopy(FrameSpec{}.stacking(1), 2)));
    doc.mainRecord(guides(masterCopy(FrameSpec{}.stacking(2), 3)));
}

// An EPS picture story: a leader holding the PostScript's length and a name,
// then the PostScript.
Bytes epsData() {
    const std::string postscript =
        "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\nnewpath 0 0 moveto 100 100 lineto stroke\n";
    const std::string name = "Diagram";
    Bytes story(68, 0);
    putU32At(story, 12, static_cast<std::uint32_t>(postscript.size()));
    story.insert(story.end(), name.begin(), name.end());
    story.resize(68 + ((name.size() + 1 + 3) & ~std::size_t{3}), 0);
    story.insert(story.end(), postscript.begin(), postscript.end());
    return story;
}

} // namespace

Bytes drawData(std::size_t length, std::uint8_t seed) {
    Bytes bytes{'D', 'r', 'a', 'w', 201, 0, 0, 0};
    std::uint32_t state = seed * 2654435761u + 1;
    while (bytes.size() < length) {
        state = state * 1103515245u + 12345u;
        bytes.push_back(static_cast<std::uint8_t>(state >> 16));
    }
    bytes.resize(length);
    return bytes;
}

DocumentBuilder sampleDocument() {
    DocumentBuilder doc;
    doc.colour(processRgb("Sea", 0x20, 0x60, 0xa0));
    doc.colour(tint("Pale sea", 0, 48));
    doc.style(0, StyleSpec{"Normal"}.word(kStyleWordTextSize, 160).fontName("Trinity.Medium")
                     .foregroundColour(documentColourWord(0)).backgroundColour(documentColourWord(0)));
    doc.style(1, StyleSpec{"Heading"}.word(kStyleWordTextSize, 384).byte(kStyleByteBold, 1)
                     .foregroundColour(documentColourWord(0)).key(0x182).fontName("Homerton.Bold"));
    doc.style(2, StyleSpec{"Body"}.word(kStyleWordLeftIndent, 5669).word(kStyleWordSpaceAfter, 4000)
                     .byte(kStyleByteAlign, 3).tab(0, 0, 28346).tab(1, 2, 113385));
    doc.style(3, StyleSpec{"Emphasis"}.byte(kStyleByteItalic, 1).foregroundColour(rgbWord(0xc0, 0x20, 0x20)));
    doc.style(4, StyleSpec{"List"}.word(kStyleWordLeftIndent, 14173).key(0x19d, true));

    // Story directory: master chapter, chapter 1, chapter 2.
    doc.chapterMarker();
    int footer = doc.textStory(TextSpec{}.frameList("footer left").frameList("footer right").nextChunk()
                                   .styleChange({3}).text("Sample document \xb7 page ").field(1, 0)
                                   .text(" of chapter ").field(2, 0));
    doc.chapterMarker();
    int main = doc.textStory(
        TextSpec{}.frameList("body 1").frameList("body 2").frameList("body 3").nextChunk()
            .styleChange({1}).text("Converting \"Impression\" documents").paragraph()
            .styleChange({2}).text("Dear ").mergeField("Name").text(",").paragraph()
            .text("This sample shows chapters, master pages, linked and embedded frames, pictures and styled text. "
                  "It is made by the project's own document builder, so it can be shipped and converted on any "
                  "machine. Paths such as C:\\Filters\\ keep their backslashes.")
            .paragraph().text("A tab").tab().text("and a picture in the text: ").embeddedFrame(1).text(" \xa9 1994.")
            .nextChunk().styleChange({2, 3}).text("Emphasis ").styleChange({2}).text("ends here.").paragraph()
            .text(std::string(300, 'x') + " end of the long line.").paragraph().pageBreak()
            .text("After the page break."));
    int caption = doc.textStory(TextSpec{}.frameList("caption").nextChunk().styleChange({3}).text("Figure 1: a Draw picture"));
    int sharedPicture = doc.pictureStory(drawData(700, 1), 0xaff);
    int epsPicture = doc.pictureStory(epsData(), 0xff5);
    int inTextPicture = doc.pictureStory(drawData(130, 2), 0xc85aff);
    doc.chapterMarker();
    int list = doc.textStory(TextSpec{}.frameList("list").nextChunk()
                                 .styleChange({4}).field(4, 1).tab().text("First item").paragraph()
                                 .field(4, 2).tab().text("Second item").paragraph()
                                 .field(4, 3).tab().text("Restarted item").paragraph()
                                 .styleChange({2}).text("The end."));
    int chartPicture = doc.pictureStory(drawData(240, 3), 0xb83aff);
    doc.numberEntry(1u << 1 | 1, 1u << 8, static_cast<std::uint32_t>(list));
    doc.numberEntry(0, 2u << 8, static_cast<std::uint32_t>(list));
    doc.numberEntry(10u << 1 | 1, 3u << 8, static_cast<std::uint32_t>(list));

    masterPage(doc, "left", 0, footer);
    masterPage(doc, "right", kPageWidth, footer);

    // Chapter 1: restarts page numbering at 1, starts on a left page.
    doc.mainRecord(chapter(1, 0, 1u << 16 | 1).named("chapter 1"));
    doc.mainRecord(leftPage(0).named("page 1"));
    doc.mainRecord(textFrame(masterCopy(column(0).story(main), 1)).named("body 1"));
    masterCopies(doc);
    FrameSpec picture = FrameSpec{}.box(56692, 400000, 300000, 600000).story(sharedPicture).stacking(3);
    picture.placement[0] = 0x18000;
    picture.placement[4] = 0x1e0000;
    doc.mainRecord(pictureFrame(picture).named("picture 1"));

    doc.mainRecord(leftPage(kPageWidth).named("page 2"));
    doc.mainRecord(textFrame(masterCopy(column(kPageWidth).story(main), 1)).named("body 2"));
    masterCopies(doc);
    FrameSpec embedded = FrameSpec{}.box(kPageWidth + 60000, 500000, kPageWidth + 120000, 540000)
                             .story(inTextPicture).stacking(3);
    embedded.inText(1);
    doc.mainRecord(pictureFrame(embedded));

    doc.mainRecord(leftPage(0).named("page 3"));
    doc.mainRecord(textFrame(masterCopy(column(0).story(main), 1).filled(rgbWord(0xff, 0xf0, 0xd0))).named("body 3"));
    masterCopies(doc);
    FrameSpec eps = FrameSpec{}.box(56692, 100000, 250000, 300000).story(epsPicture).stacking(3);
    eps.border = 0;
    eps.borderColour = documentColourWord(1);
    doc.mainRecord(pictureFrame(eps));
    // The shared picture again, grouped with its caption; the group stands
    // after the embedded picture, since a group ends the search for it.
    FrameSpec again = FrameSpec{}.box(300000, 120000, 500000, 300000).story(sharedPicture).stacking(4).flag(21);
    again.word72 = 1;
    doc.mainRecord(pictureFrame(again));
    FrameSpec captionFrame = FrameSpec{}.box(300000, 100000, 500000, 120000).story(caption).stacking(5).flag(21);
    captionFrame.word72 = 1;
    doc.mainRecord(textFrame(captionFrame).named("caption"));
    doc.mainRecord(group(6u << 24, 0, 0, 1));

    // Chapter 2: starts on a right-hand page.
    doc.mainRecord(chapter(2, 0, 1u << 17).named("chapter 2"));
    doc.mainRecord(leftPage(kPageWidth).named("page 4"));
    doc.mainRecord(textFrame(masterCopy(column(kPageWidth).story(list), 1)).named("list"));
    masterCopies(doc);
    doc.mainRecord(linkedTextFrame(FrameSpec{}.box(kPageWidth + 56692, 300000, kPageWidth + 300000, 400000)
                                       .story(list).stacking(3)));
    doc.mainRecord(leftPage(0).named("page 5"));
    doc.mainRecord(textFrame(masterCopy(column(0), 1)));
    masterCopies(doc);
    doc.mainRecord(linkedTextFrame(FrameSpec{}.box(56692, 300000, 300000, 400000).story(list).stacking(3)));
    FrameSpec chart = FrameSpec{}.box(300000, 300000, 500000, 500000).story(chartPicture).stacking(4);
    chart.insetX = 2834;
    chart.insetY = 5669;
    doc.mainRecord(pictureFrame(chart));
    return doc;
}

DocumentBuilder largeDocument(std::size_t chapters, std::size_t pagesPerChapter, std::size_t textPerPage,
                              std::size_t pictureBytes) {
    DocumentBuilder doc;
    doc.style(1, StyleSpec{"Heading"}.word(kStyleWordTextSize, 320).byte(kStyleByteBold, 1));
    doc.style(2, StyleSpec{"Body"}.word(kStyleWordTextSize, 160));
    doc.masterRecord(leftPage(0));
    FrameSpec body = column(0);
    body.masterIndex = 1;
    doc.masterRecord(linkedTextFrame(body));
    const std::string words = "The quick brown fox jumps over the lazy dog; \"quoted\" and back\\slashed text. ";
    for (std::size_t c = 0; c < chapters; ++c) {
        std::string prefix = "c" + std::to_string(c) + "p";
        TextSpec text;
        for (std::size_t p = 0; p < pagesPerChapter; ++p) text.frameList(prefix + std::to_string(p));
        for (std::size_t p = 0; p < pagesPerChapter; ++p) {
            text.nextChunk().styleChange({1}).text("Page heading").paragraph().styleChange({2});
            std::string page;
            while (page.size() < textPerPage) page += words;
            page.resize(textPerPage);
            for (std::size_t at = 0; at < page.size(); at += 2000) text.text(page.substr(at, 2000)).paragraph();
        }
        int story = doc.textStory(text);
        doc.mainRecord(chapter(static_cast<std::uint32_t>(c + 1), 0, 0));
        for (std::size_t p = 0; p < pagesPerChapter; ++p) {
            doc.mainRecord(leftPage(0));
            doc.mainRecord(textFrame(masterCopy(column(0).story(story), 1)).named(prefix + std::to_string(p)));
            if (p % 4 == 0) {
                int picture = doc.pictureStory(drawData(pictureBytes, static_cast<std::uint8_t>(p)), 0xaff);
                doc.mainRecord(pictureFrame(FrameSpec{}.box(60000, 100000, 300000, 300000).story(picture).stacking(1)));
            }
        }
    }
    return doc;
}

} // namespace testing_support
