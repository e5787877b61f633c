// Style objects: value-area layout, every attribute line, the base style's
// defaults, the style check and the key names of shortcuts.
#include "tests/support/folio_harness.h"

#include "folio/styles.h"

namespace {

using namespace testing_support;

std::string converted(const DocumentBuilder &doc, std::vector<std::string> extra = {"-nostylecheck"}) {
    FolioConversion result = convert(doc, std::move(extra));
    EXPECT_TRUE(result.succeeded) << result.failure;
    return result.ddl;
}

TEST(Styles, BaseStyleAloneCarriesEveryLineAndItsColourIsDefined) {
    DocumentBuilder doc; // the base style's colour words are all 0: RGB black
    std::string ddl = converted(doc, {});
    EXPECT_EQ(ddl, kHeader + "// Colours\n\n" + kStandardColours +
                       "COL_20={colour \"RGB000000\" {rgb 0x0 0x0 0x0}{overprintlimit 0xe666}}\n\n\n" +
                       baseStyleText("COL_20 0x10000 0"));
}

TEST(Styles, EmptyMasksWriteOnlyNameKeyAndScope) {
    DocumentBuilder doc = quietDocument();
    doc.style(1, StyleSpec{"Plain"});
    doc.style(2, StyleSpec{"Keyed"}.key(28, true));
    std::string ddl = converted(doc);
    EXPECT_EQ(between(ddl, "STYLE_101", ""),
              "STYLE_101={style \"Plain\"\n{keypress \"\"}\n{scope 0}\n}\n"
              "STYLE_102={style \"Keyed\"\n{keypress \"C_\\\\\"}\n{scope 1}\n}\n");
}

TEST(Styles, EveryAttributeInItsOrder) {
    DocumentBuilder doc = quietDocument();
    StyleSpec full{"Full \"one\" \\"};
    full.key(0x19d, true)
        .byte(kStyleByteScript, 2)
        .byte(kStyleByteAlign, 3)
        .byte(kStyleByteHyphenation, 1)
        .byte(kStyleByteBaselineLock, 1)
        .byte(kStyleByteTabDecimal, ',')
        .byte(kStyleByteBold, 1)
        .byte(kStyleByteItalic, 1)
        .byte(kStyleByteUnderline, 1)
        .byte(kStyleByteStrikeout, 1)
        .flag(kStyleByteBackgroundEnable)
        .word(kStyleWordLeftIndent, 2000)
        .word(kStyleWordRightIndent, 1500)
        .word(kStyleWordFirstIndent, 500)
        .word(kStyleWordLeading, 0x80012000)
        .word(kStyleWordSpaceAfter, 300)
        .word(kStyleWordSpaceBefore, 0xff000190)
        .word(kStyleWordTextSize, 200)
        .word(kStyleWordScale, 0x8000)
        .word(kStyleWordTrack, static_cast<std::uint32_t>(-50))
        .word(kStyleWordTabLeader, '.')
        .word(3, 0x11111111) // a word slot without meaning: skipped
        .tab(0, 0, 1000)
        .tab(1, 1, 2000)
        .tab(2, 2, 3000)
        .tab(3, 3, 4000)
        .tab(5, 7, 5000)
        .fontName("Trinity.Medium")
        .foregroundColour(rgbWord(1, 2, 3))
        .backgroundColour(rgbWord(4, 5, 6))
        .underlineColourWord(rgbWord(7, 8, 9));
    doc.style(1, full);
    std::string ddl = converted(doc);
    EXPECT_EQ(colourSection(ddl),
              "// Colours\n\n" + kStandardColours +
                  "COL_20={colour \"RGB010203\" {rgb 0x101 0x202 0x303}{overprintlimit 0xe666}}\n"
                  "COL_21={colour \"RGB040506\" {rgb 0x404 0x505 0x606}{overprintlimit 0xe666}}\n"
                  "COL_22={colour \"RGB070809\" {rgb 0x707 0x808 0x909}{overprintlimit 0xe666}}\n\n\n");
    EXPECT_EQ(styleObject(ddl, 1),
              "STYLE_101={style \"Full \\\"one\\\" \\\\\"\n"
              "{keypress \"S_CRight\"}\n"
              "{sub 0}{super 1}\n"
              "{align 3}\n"
              "{hyphenation 1 {hpminsize 5} {hpminbefore 2} {hpminafter 2} {hpmaxconsecutive 3} {hpzone 0} "
              "{hpbreakpara 0} {hpbreakcaps 0}}\n"
              "{baselinelock 1}\n"
              "{leftindent 1 2000}\n"
              "{rightindent 2 1500}\n"
              "{firstindent -1500}\n"
              "{leading 2 0x2000}\n"
              "{spaceafter 300}\n"
              "{spacebefore 400}\n"
              "{textsize 12500}\n"
              "{scale 0x8000}\n"
              "{track -50}\n"
              "{baseshift 0}\n"
              "{tabruler {tableader \".\"}\n"
              "{tabdec \",\"}\n"
              "{lefttab 1000}\n"
              "{centretab 2000}\n"
              "{righttab 3000}\n"
              "{decimaltab 4000}\n"
              "{ruleposn 5000}\n"
              "}\n"
              "{fontstyle \"Trinity.Medium\"}\n"
              "{bold  1}\n"
              "{italic 1}\n"
              "{scope 1}\n"
              "{foreground COL_20 0x10000 0}{background COL_21 0x10000 0}"
              "{underline 1 {type 1} {thickness 1310} {colourvalue COL_22 0x10000 0} {wordunderline 0} "
              "{doubleunderline 0}}\n"
              "{strikeout 1 {type 1} {thickness 1310} {colourvalue COL_22 0x10000 0}}\n"
              "}\n");
}

TEST(Styles, ConversionsOfWordValues) {
    struct Case {
        int bit;
        std::uint32_t word;
        const char *line;
    };
    const Case cases[] = {
        {kStyleWordRightIndent, 0, "{rightindent 0 0}\n"},
        {kStyleWordRightIndent, 1500, "{rightindent 2 1500}\n"},
        {kStyleWordRightIndent, static_cast<std::uint32_t>(-1500), "{rightindent 0 1500}\n"},
        {kStyleWordTextSize, 200, "{textsize 12500}\n"},
        {kStyleWordTextSize, 15, "{textsize 937}\n"},
        {kStyleWordTextSize, static_cast<std::uint32_t>(-15), "{textsize -937}\n"},
        {kStyleWordLeading, 0x80012000, "{leading 2 0x2000}\n"},
        {kStyleWordLeading, 0x00003e80, "{leading 1 16000}\n"},
        {kStyleWordLeading, 0x80008000, "{leading 2 0xffff8000}\n"},
        {kStyleWordLeading, 0x7f003e80, "{leading 1 16000}\n"},
        {kStyleWordSpaceBefore, 0x12345678, "{spacebefore 3430008}\n"},
        {kStyleWordFirstIndent, 500, "{firstindent 500}\n"}, // no left indent: measured from 0
    };
    for (const Case &c : cases) {
        DocumentBuilder doc = quietDocument();
        doc.style(1, StyleSpec{"S"}.word(c.bit, c.word));
        EXPECT_EQ(styleObject(converted(doc), 1),
                  std::string("STYLE_101={style \"S\"\n{keypress \"\"}\n") + c.line + "{scope 0}\n}\n")
            << c.line;
    }
}

TEST(Styles, ScriptValuesAndUnknownTabTypes) {
    struct Case {
        std::uint8_t script;
        const char *line;
    };
    const Case cases[] = {{0, "{sub 0}{super 0}\n"}, {1, "{sub 1}{super 0}\n"}, {2, "{sub 0}{super 1}\n"}, {3, ""}};
    for (const Case &c : cases) {
        DocumentBuilder doc = quietDocument();
        doc.style(1, StyleSpec{"S"}.byte(kStyleByteScript, c.script).tab(31, 200, 0xffffff));
        EXPECT_EQ(styleObject(converted(doc), 1), std::string("STYLE_101={style \"S\"\n{keypress \"\"}\n") + c.line +
                                                      "{tabruler {tableader \"\"}\n{ruleposn 16777215}\n}\n"
                                                      "{scope 0}\n}\n");
    }
}

TEST(Styles, SuppressedBackgroundIsSkippedAndTheUnderlineColourStillFound) {
    DocumentBuilder doc = quietDocument();
    doc.style(1, StyleSpec{"S"}
                     .flag(kStyleByteBackgroundEnable)
                     .flag(kStyleByteBackgroundSuppress)
                     .byte(kStyleByteUnderline, 2)
                     .foregroundColour(rgbWord(1, 1, 1))
                     .backgroundColour(rgbWord(2, 2, 2))
                     .underlineColourWord(rgbWord(3, 3, 3)));
    doc.style(2, StyleSpec{"Not enabled"}.backgroundColour(rgbWord(2, 2, 2)));
    std::string ddl = converted(doc);
    EXPECT_EQ(styleObject(ddl, 1), "STYLE_101={style \"S\"\n{keypress \"\"}\n{scope 0}\n"
                                   "{foreground COL_20 0x10000 0}"
                                   "{underline 2 {type 1} {thickness 1310} {colourvalue COL_22 0x10000 0} "
                                   "{wordunderline 0} {doubleunderline 0}}\n}\n");
    EXPECT_EQ(styleObject(ddl, 2), "STYLE_102={style \"Not enabled\"\n{keypress \"\"}\n{scope 0}\n}\n");
    // The skipped background colour is still registered, as the writer reads it.
    EXPECT_NE(colourSection(ddl).find("COL_21={colour \"RGB020202\""), std::string::npos);
}

TEST(Styles, UnderlineWithoutColourWordUsesADefinedColour) {
    DocumentBuilder doc = quietDocument();
    doc.style(1, StyleSpec{"S"}.byte(kStyleByteStrikeout, 1));
    std::string ddl = converted(doc);
    EXPECT_EQ(styleObject(ddl, 1), "STYLE_101={style \"S\"\n{keypress \"\"}\n{scope 0}\n"
                                   "{strikeout 1 {type 1} {thickness 1310} {colourvalue COL_20 0x10000 0}}\n}\n");
    EXPECT_NE(colourSection(ddl).find("COL_20={colour \"RGB000000\""), std::string::npos);
}

TEST(Styles, FontNameEndsAtAControlCharacterOrForty) {
    DocumentBuilder doc = quietDocument();
    doc.style(1, StyleSpec{"A"}.fontName("Homerton.Bold\rjunk"));
    doc.style(2, StyleSpec{"B"}.fontName(std::string(45, 'x')));
    std::string ddl = converted(doc);
    EXPECT_EQ(styleObject(ddl, 1), "STYLE_101={style \"A\"\n{keypress \"\"}\n{fontstyle \"Homerton.Bold\"}\n{scope 0}\n}\n");
    EXPECT_EQ(styleObject(ddl, 2), "STYLE_102={style \"B\"\n{keypress \"\"}\n{fontstyle \"" + std::string(40, 'x') +
                                       "\"}\n{scope 0}\n}\n");
}

TEST(Styles, StyleCheckKeepsOnlyStylesThatTextStoriesUse) {
    DocumentBuilder doc = quietDocument();
    for (int slot : {1, 2, 3, 4, 5, 7, 254}) doc.style(slot, StyleSpec{"S" + std::to_string(slot)});
    Bytes ignoredChunk(16, 0);
    ignoredChunk.insert(ignoredChunk.end(), {8, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0});
    doc.textStory(TextSpec{}
                      .text("a")
                      .styleChange({1})
                      .codeWithWords(18, {0x0208, 0x0508, 0}) // tab arguments that look like style codes
                      .text("b")
                      .chunk(6, ignoredChunk)                  // only text chunks are scanned
                      .nextChunk()
                      .codeWithWords(7, {0, 3, 0x104, 0}));    // the low byte of 0x104 is slot 4
    Bytes lookalike(16, 0);
    lookalike.insert(lookalike.end(), {8, 0, 0, 0, 0, 0, 0, 0, 254, 0, 0, 0, 0, 0, 0, 0});
    TextSpec pictureLike;
    pictureLike.chunk(5, lookalike);
    int pictureIndex = doc.pictureStory({}, 0xaff);
    doc.textChunks[pictureIndex] = pictureLike.chunks; // a picture story is never scanned
    std::string ddl = converted(doc, {});
    std::string names;
    for (auto at = ddl.find("STYLE_"); at != std::string::npos; at = ddl.find("STYLE_", at + 1))
        names += ddl.substr(at, 9) + " ";
    EXPECT_EQ(names, "STYLE_100 STYLE_101 STYLE_103 STYLE_104 ");
    names.clear();
    std::string all = converted(doc, {"-nostylecheck"});
    for (auto at = all.find("STYLE_"); at != std::string::npos; at = all.find("STYLE_", at + 1))
        names += all.substr(at, 9) + " ";
    EXPECT_EQ(names, "STYLE_100 STYLE_101 STYLE_102 STYLE_103 STYLE_104 STYLE_105 STYLE_107 STYLE_1fe ");
}

TEST(KeyNames, WholeKeyTable) {
    const std::pair<std::uint32_t, const char *> cases[] = {
        {0, ""},           {1, "C_A"},        {26, "C_Z"},        {28, "C_\\"},       {31, "C__"},
        {32, ""},          {0x17f, ""},       {0x180, "Print"},   {0x181, "F1"},      {0x189, "F9"},
        {0x18a, "Tab"},    {0x18b, "Copy"},   {0x18c, "CLeft"},   {0x18d, "CRight"},  {0x18e, "CDown"},
        {0x18f, "CUp"},    {0x190, "S_Print"}, {0x193, "S_F3"},   {0x19a, "S_Tab"},   {0x19d, "S_CRight"},
        {0x1a0, "C_Print"}, {0x1a5, "C_F5"},  {0x1ab, "C_Copy"},  {0x1af, "C_CUp"},   {0x1b0, "CS_Print"},
        {0x1b9, "CS_F9"},  {0x1be, "CS_CDown"}, {0x1bf, "CS_CUp"}, {0x1c0, ""},       {0x1c9, ""},
        {0x1ca, "F10"},    {0x1cb, "F11"},    {0x1cc, "F12"},     {0x1cd, "Insert"},  {0x1ce, ""},
        {0x1da, "S_F10"},  {0x1dc, "S_F12"},  {0x1dd, "S_Insert"}, {0x1de, ""},       {0x1ea, "C_F10"},
        {0x1ed, "C_Insert"}, {0x1fa, "CS_F10"}, {0x1fc, "CS_F12"}, {0x1fd, "CS_Insert"}, {0x1fe, ""},
        {0x1ff, ""},
    };
    for (const auto &[code, name] : cases) EXPECT_EQ(folio::keyName(code), name) << std::hex << code;
}

} // namespace
