// The HTML preview of a DDL file. Damaged input policy: every reference to an
// object that is not there (a master frame, a story's style, a colour, a
// picture, an embedded frame, a chain member) is named in the index and the
// thing is shown without it; an object of an unknown type is named and
// counted; embedded frames nest at most kMaxEmbedDepth deep and a story that
// embeds itself is not shown again inside itself. Typesetting (line breaks,
// hyphenation, the flow of a story from frame to frame, tab stops) is the
// host's job: the preview approximates it with the browser's own layout.
#include "tools/ddl_html.h"

#include "tools/ddl_text.h"
#include "tools/draw_render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

namespace ddl {
namespace {

constexpr int kMaxEmbedDepth = 4;
constexpr int kMaxAliasSteps = 8;
constexpr double kDefaultTextSize = 10; // points, where no style sets one
// Stories and pictures are shown again wherever they are used; past this many
// bytes of them a hostile file could make the page grow without end.
constexpr std::size_t kMaxShownBytes = 64u << 20;

double fixedValue(long long word) { return static_cast<double>(word) / 65536.0; }

// ---- looks: what styles and inline attributes set ---------------------------

struct Look {
    std::optional<double> size;     // points
    std::optional<bool> bold, italic, underline, strike;
    std::optional<int> script;      // 0 normal, 1 sub, 2 super
    std::optional<int> align;       // 0 left, 1 centre, 2 right, 3 full
    std::optional<std::string> colour, background, family;
    std::optional<double> left_indent, right_indent, first_indent, space_before, space_after; // millipoints
    std::optional<double> line_height; // points; negative: a factor of the text size, negated
};

template <typename T> void over(std::optional<T> &into, const std::optional<T> &from) {
    if (from) into = from;
}

void overlay(Look &into, const Look &from) {
    over(into.size, from.size), over(into.bold, from.bold), over(into.italic, from.italic);
    over(into.underline, from.underline), over(into.strike, from.strike), over(into.script, from.script);
    over(into.align, from.align), over(into.colour, from.colour), over(into.background, from.background);
    over(into.family, from.family), over(into.left_indent, from.left_indent);
    over(into.right_indent, from.right_indent), over(into.first_indent, from.first_indent);
    over(into.space_before, from.space_before), over(into.space_after, from.space_after);
    over(into.line_height, from.line_height);
}

std::string characterCss(const Look &look) {
    std::string css;
    if (look.size) css += "font-size:" + points(*look.size * 1000) + ";";
    if (look.family) css += "font-family:" + *look.family + ";";
    if (look.bold) css += *look.bold ? "font-weight:bold;" : "font-weight:normal;";
    if (look.italic) css += *look.italic ? "font-style:italic;" : "font-style:normal;";
    std::string decoration;
    if (look.underline.value_or(false)) decoration += " underline";
    if (look.strike.value_or(false)) decoration += " line-through";
    if (!decoration.empty()) css += "text-decoration:" + decoration.substr(1) + ";";
    if (look.script.value_or(0) == 1) css += "vertical-align:sub;font-size:smaller;";
    if (look.script.value_or(0) == 2) css += "vertical-align:super;font-size:smaller;";
    if (look.colour) css += "color:" + *look.colour + ";";
    if (look.background) css += "background:" + *look.background + ";";
    return css;
}

std::string paragraphCss(const Look &look) {
    static constexpr std::string_view kAlign[] = {"left", "center", "right", "justify"};
    std::string css = characterCss(look);
    if (look.align && *look.align >= 0 && *look.align <= 3) css += "text-align:" + std::string(kAlign[*look.align]) + ";";
    if (look.left_indent) css += "margin-left:" + points(*look.left_indent) + ";";
    if (look.right_indent) css += "margin-right:" + points(*look.right_indent) + ";";
    if (look.first_indent) css += "text-indent:" + points(*look.first_indent) + ";";
    if (look.space_before) css += "margin-top:" + points(*look.space_before) + ";";
    if (look.space_after) css += "margin-bottom:" + points(*look.space_after) + ";";
    if (look.line_height) {
        char buffer[40];
        if (*look.line_height > 0)
            std::snprintf(buffer, sizeof buffer, "line-height:%.3fpt;", *look.line_height);
        else
            std::snprintf(buffer, sizeof buffer, "line-height:%.3f;", -*look.line_height);
        css += buffer;
    }
    return css;
}

// ---- the preview's state ----------------------------------------------------

struct Preview {
    const File &file;
    PreviewOptions options;
    std::map<std::string, const Object *, std::less<>> byName;
    std::map<std::string, std::string, std::less<>> colourCss;       // object name -> CSS colour
    std::map<std::string, std::string, std::less<>> colourByName;    // lower-case colour name -> object name
    std::map<std::string, Look, std::less<>> styleLook;              // style object name -> look
    std::map<std::string, std::string, std::less<>> styleByName;     // lower-case style name -> object name
    std::set<std::string, std::less<>> embedded;                     // frames that stand in a story's text
    std::map<std::string, std::string, std::less<>> storyCopies;     // "n" -> "STORY_c_n"
    std::map<std::string, std::vector<std::string>, std::less<>> frameFlow; // frame -> its parts' HTML
    std::map<std::string, std::string, std::less<>> pictureCache;    // picture object -> HTML
    std::map<std::string, int> notRendered;
    std::vector<std::string> problems;
    std::set<std::string, std::less<>> storiesInProgress;
    std::map<std::string, int, std::less<>> paragraphsOfStory;
    int renderCounter = 0;
    int picturesShown = 0;
    std::size_t shownBytes = 0;

    // Whether there is room for more; counts what is left out when not.
    bool roomFor(const char *what) {
        if (shownBytes <= kMaxShownBytes) return true;
        notRendered[std::string(what) + " past the size limit of the page"] += 1;
        return false;
    }

    explicit Preview(const File &f) : file(f) {}

    const Object *find(std::string_view name) const {
        auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    }
    void problem(std::string text) {
        if (std::find(problems.begin(), problems.end(), text) == problems.end() && problems.size() < kMaxProblems * 2)
            problems.push_back(std::move(text));
    }
    // The object named, following aliases; reports a missing one.
    const Object *resolve(std::string_view name, std::string_view user) {
        const Object *object = find(name);
        for (int step = 0; object != nullptr && !object->alias.empty() && step < kMaxAliasSteps; ++step)
            object = find(object->alias);
        if (object == nullptr || !object->alias.empty()) {
            problem(std::string(user) + " refers to " + std::string(name) + ", which is not in the file");
            return nullptr;
        }
        return object;
    }
};

// ---- colours ----------------------------------------------------------------

std::string cssColour(double red, double green, double blue) {
    auto channel = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", channel(red), channel(green), channel(blue));
    return buffer;
}

std::string colourFromModel(const Object &colour) {
    if (const Node *rgb = findGroup(colour.items, "rgb"))
        return cssColour(fixedValue(numberAt(*rgb, 0)), fixedValue(numberAt(*rgb, 1)), fixedValue(numberAt(*rgb, 2)));
    if (const Node *cmyk = findGroup(colour.items, "cmyk")) {
        double k = fixedValue(numberAt(*cmyk, 3));
        return cssColour((1 - fixedValue(numberAt(*cmyk, 0))) * (1 - k), (1 - fixedValue(numberAt(*cmyk, 1))) * (1 - k),
                         (1 - fixedValue(numberAt(*cmyk, 2))) * (1 - k));
    }
    if (const Node *hsv = findGroup(colour.items, "hsv")) {
        // Hue comes in whole degrees from documents and as a fraction of the
        // circle from markup files.
        double hue = fixedValue(numberAt(*hsv, 0));
        if (hue <= 1.0) hue *= 360;
        double s = fixedValue(numberAt(*hsv, 1)), v = fixedValue(numberAt(*hsv, 2));
        double h = std::fmod(std::max(hue, 0.0), 360.0) / 60.0, f = h - std::floor(h);
        double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
        switch (static_cast<int>(h)) {
        case 0: return cssColour(v, t, p);
        case 1: return cssColour(q, v, p);
        case 2: return cssColour(p, v, t);
        case 3: return cssColour(p, q, v);
        case 4: return cssColour(t, p, v);
        default: return cssColour(v, p, q);
        }
    }
    return "#000000";
}

// A colour value: "COL_x 0x10000 0", or "{colourname "Transparent"} 0x10000".
std::optional<std::string> colourOf(Preview &p, const Node &value, std::size_t index, std::string_view user) {
    if (index >= value.items.size()) return std::nullopt;
    const Node &first = value.items[index];
    std::string name;
    if (first.kind == NodeKind::group && first.text == "colourname") {
        auto it = p.colourByName.find(lower(textAt(first, 0)));
        if (it == p.colourByName.end()) {
            p.problem(std::string(user) + " names the colour \"" + std::string(textAt(first, 0)) + "\", which is not in the file");
            return std::nullopt;
        }
        name = it->second;
    } else
        name = first.text;
    auto it = p.colourCss.find(name);
    if (it == p.colourCss.end()) {
        p.problem(std::string(user) + " refers to " + name + ", which is not in the file");
        return std::nullopt;
    }
    return it->second;
}

// ---- attributes of styles and stories ---------------------------------------

// Applies one attribute group to `look`; false when it is no look attribute.
bool applyLook(Preview &p, Look &look, const Node &attribute, std::string_view user) {
    const std::string &k = attribute.text;
    bool has_value = !attribute.items.empty();
    auto flag = [&]() -> std::optional<bool> { return has_value ? std::optional<bool>(numberAt(attribute, 0) != 0) : std::nullopt; };
    auto measureAt = [&](std::size_t index) -> std::optional<double> {
        return has_value ? std::optional<double>(static_cast<double>(numberAt(attribute, index))) : std::nullopt;
    };
    if (k == "textsize") {
        look.size = has_value ? std::optional<double>(static_cast<double>(numberAt(attribute, 0)) / 1000) : std::nullopt;
    } else if (k == "bold") {
        look.bold = flag();
    } else if (k == "italic") {
        look.italic = flag();
    } else if (k == "underline") {
        look.underline = flag();
    } else if (k == "strikeout") {
        look.strike = flag();
    } else if (k == "sub") {
        if (numberAt(attribute, 0) != 0) look.script = 1;
        else if (look.script.value_or(0) == 1) look.script = 0;
    } else if (k == "super") {
        if (numberAt(attribute, 0) != 0) look.script = 2;
        else if (look.script.value_or(0) == 2) look.script = 0;
    } else if (k == "foreground") {
        look.colour = colourOf(p, attribute, 0, user);
    } else if (k == "background") {
        look.background = colourOf(p, attribute, 0, user);
    } else if (k == "fontstyle") {
        if (!has_value) {
            look.family.reset();
        } else {
            FontLook font = fontLook(textAt(attribute, 0));
            look.family = std::string(font.family);
            if (font.bold) look.bold = true;
            if (font.italic) look.italic = true;
        }
    } else if (k == "align") {
        look.align = has_value ? std::optional<int>(static_cast<int>(numberAt(attribute, 0))) : std::nullopt;
    } else if (k == "leftindent") {
        look.left_indent = measureAt(1);
    } else if (k == "rightindent") {
        look.right_indent = measureAt(1);
    } else if (k == "firstindent") {
        look.first_indent = measureAt(0);
    } else if (k == "spacebefore") {
        look.space_before = measureAt(0);
    } else if (k == "spaceafter") {
        look.space_after = measureAt(0);
    } else if (k == "leading") {
        long long kind = numberAt(attribute, 0), value = numberAt(attribute, 1);
        if (!has_value)
            look.line_height.reset();
        else if (kind == 1 && value > 0)
            look.line_height = static_cast<double>(value) / 1000;
        else if (kind == 2)
            look.line_height = -1.2 * (1 + fixedValue(value)); // a proportion of the text size
    } else {
        return false;
    }
    return true;
}

void countUnrendered(Preview &p, const Node &attribute) { p.notRendered["{" + attribute.text + "} attribute"] += 1; }

// ---- stories ----------------------------------------------------------------

struct Paragraph {
    std::string html;
    double characters = 0;
    double text_size = kDefaultTextSize;
    bool page_break_after = false;
};

struct StoryState {
    std::vector<std::string> styles; // applied style objects, in order
    Look inline_look;                // attributes given in the text itself
    Paragraph current;
    std::string paragraph_css;
    bool paragraph_open = false;
};

Look effectiveLook(Preview &p, const StoryState &state) {
    Look look;
    for (const std::string &style : state.styles) {
        auto it = p.styleLook.find(style);
        if (it != p.styleLook.end()) overlay(look, it->second);
    }
    overlay(look, state.inline_look);
    return look;
}

std::string frameInner(Preview &p, const Object &frame, int depth);
std::string frameBox(Preview &p, const Object &frame, const std::string &inner, bool embedded);

void openParagraph(Preview &p, StoryState &state) {
    if (state.paragraph_open) return;
    Look look = effectiveLook(p, state);
    state.current.text_size = look.size.value_or(kDefaultTextSize);
    state.current.html += "<div class=\"para\" style=\"" + paragraphCss(look) + "\">";
    state.paragraph_open = true;
}

void closeParagraph(StoryState &state, std::vector<Paragraph> &out) {
    if (!state.paragraph_open) return;
    state.current.html += "</div>";
    out.push_back(std::move(state.current));
    state.current = Paragraph{};
    state.paragraph_open = false;
}

void appendSpan(Preview &p, StoryState &state, std::string_view css_class, std::string_view text) {
    openParagraph(p, state);
    std::string css = characterCss(effectiveLook(p, state));
    state.current.html += "<span class=\"" + std::string(css_class) + "\"";
    if (!css.empty()) state.current.html += " style=\"" + css + "\"";
    state.current.html += ">";
    appendEscaped(state.current.html, text);
    state.current.html += "</span>";
    state.current.characters += static_cast<double>(text.size());
}

// The style an adduserstyle or remuserstyle attribute names: an object name,
// or "{stylename "name"}".
std::string styleNamed(Preview &p, const Node &attribute, std::string_view user) {
    if (attribute.items.empty()) return {};
    const Node &value = attribute.items[0];
    if (value.kind == NodeKind::group && value.text == "stylename") {
        auto it = p.styleByName.find(lower(textAt(value, 0)));
        if (it != p.styleByName.end()) return it->second;
        p.problem(std::string(user) + " uses the style \"" + std::string(textAt(value, 0)) + "\", which is not in the file");
        return {};
    }
    if (p.styleLook.count(value.text) == 0) {
        p.problem(std::string(user) + " refers to " + value.text + ", which is not in the file");
        return {};
    }
    return value.text;
}

// The field name of a merge object's macro text, "{macv=impulse(\"Name\")}".
std::string mergeFieldName(std::string_view macro) {
    std::size_t open = macro.find('"'), close = macro.rfind('"');
    if (open != std::string_view::npos && close > open) return std::string(macro.substr(open + 1, close - open - 1));
    return std::string(macro);
}

void storyItem(Preview &p, StoryState &state, std::vector<Paragraph> &out, const Object &story, const Node &item, int depth) {
    if (item.kind == NodeKind::string) {
        appendSpan(p, state, "t", item.text);
        return;
    }
    if (item.kind == NodeKind::word) { // characters written outside quotes
        appendSpan(p, state, "bare", item.text);
        return;
    }
    const std::string &k = item.text;
    if (k == "newpara") {
        openParagraph(p, state);
        closeParagraph(state, out);
    } else if (k == "newpage" || k == "newcolumn") {
        openParagraph(p, state);
        state.current.html += k == "newpage" ? "<span class=\"break\">page break</span>" : "<span class=\"break\">column break</span>";
        state.current.page_break_after = true;
        closeParagraph(state, out);
    } else if (k == "tab") {
        openParagraph(p, state);
        state.current.html += "<span class=\"tab\">\t</span>";
    } else if (k == "pageno" || k == "chapterno") {
        appendSpan(p, state, "field", k == "pageno" ? "[page]" : "[chapter]");
    } else if (k == "softhyphen") {
        openParagraph(p, state);
        state.current.html += "&shy;";
    } else if (k == "merge") {
        std::string field;
        if (!item.items.empty() && item.items[0].kind == NodeKind::string) {
            field = mergeFieldName(textAt(item, 1));
        } else {
            std::string name = "MERGE_" + std::string(textAt(item, 0));
            const Object *merge = p.resolve(name, story.name);
            if (merge != nullptr) {
                for (const Node &value : merge->items)
                    if (value.kind == NodeKind::string && value.text.find("impulse") != std::string::npos) field = mergeFieldName(value.text);
            }
            if (field.empty()) field = name;
        }
        appendSpan(p, state, "field", "\xab" + field + "\xbb");
    } else if (k == "embed") {
        std::string name(textAt(item, 0));
        const Object *frame = p.resolve(name, story.name);
        openParagraph(p, state);
        if (frame != nullptr && depth < kMaxEmbedDepth)
            state.current.html += frameBox(p, *frame, frameInner(p, *frame, depth + 1), true);
        else if (frame != nullptr)
            p.notRendered["frames embedded too deeply"] += 1;
    } else if (k == "adduserstyle") {
        std::string style = styleNamed(p, item, story.name);
        if (!style.empty()) {
            state.styles.erase(std::remove(state.styles.begin(), state.styles.end(), style), state.styles.end());
            state.styles.push_back(style);
        }
    } else if (k == "remuserstyle") {
        std::string style = styleNamed(p, item, story.name);
        state.styles.erase(std::remove(state.styles.begin(), state.styles.end(), style), state.styles.end());
    } else if (k == "endoftext") {
    } else if (!applyLook(p, state.inline_look, item, story.name)) {
        countUnrendered(p, item);
    }
}

// A story as paragraphs, each carrying every style it needs.
std::vector<Paragraph> storyParagraphs(Preview &p, const Object &story, int depth) {
    std::vector<Paragraph> out;
    if (!p.roomFor("stories")) return out;
    if (p.storiesInProgress.count(story.name) != 0) {
        p.problem(story.name + " embeds a frame that shows itself");
        return out;
    }
    p.storiesInProgress.insert(story.name);
    StoryState state;
    if (auto it = p.styleByName.find("bodytext"); it != p.styleByName.end()) state.styles.push_back(it->second);
    for (const Node &item : story.items) storyItem(p, state, out, story, item, depth);
    closeParagraph(state, out);
    p.storiesInProgress.erase(story.name);
    p.paragraphsOfStory[story.name] = static_cast<int>(out.size());
    for (const Paragraph &paragraph : out) p.shownBytes += paragraph.html.size();
    return out;
}

std::string storyDiv(const std::string &story, int render, std::size_t part, const std::string &body) {
    return "<div class=\"story\" data-story=\"" + story + "\" data-render=\"" + std::to_string(render) + "\" data-part=\"" +
           std::to_string(part) + "\">" + body + "</div>";
}

// ---- frames -----------------------------------------------------------------

struct Box {
    double x = 0, y = 0, w = 0, h = 0; // millipoints
    std::string clip;                  // a CSS clip path for outline paths
};

// The frame's own attributes, or its master's when it is a master instance.
const Object &geometrySource(Preview &p, const Object &frame) {
    if (const Node *master = findGroup(frame.items, "master")) {
        if (const Object *source = p.resolve(textAt(*master, 0), frame.name)) return *source;
    }
    return frame;
}

Box frameGeometry(const Object &frame) {
    Box box;
    const Node *curve = findGroup(frame.items, "fcurve");
    if (curve == nullptr) return box;
    if (const Node *b = findGroup(curve->items, "box")) {
        if (const Node *x = findGroup(b->items, "x")) box.x = static_cast<double>(numberAt(*x, 0));
        if (const Node *y = findGroup(b->items, "y")) box.y = static_cast<double>(numberAt(*y, 0));
        if (const Node *w = findGroup(b->items, "w")) box.w = static_cast<double>(numberAt(*w, 0));
        if (const Node *h = findGroup(b->items, "h")) box.h = static_cast<double>(numberAt(*h, 0));
    } else if (const Node *path = findGroup(curve->items, "path")) {
        std::vector<std::pair<double, double>> corners;
        for (const Node &element : path->items)
            if (element.kind == NodeKind::group && (element.text == "move" || element.text == "draw"))
                corners.emplace_back(static_cast<double>(numberAt(element, 0)), static_cast<double>(numberAt(element, 1)));
        if (corners.empty()) return box;
        double left = 1e18, top = 1e18, right = -1e18, bottom = -1e18;
        for (auto [x, y] : corners) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        box = {left, top, right - left, bottom - top, {}};
        box.clip = "clip-path:polygon(";
        for (std::size_t i = 0; i < corners.size(); ++i)
            box.clip += (i ? "," : "") + points(corners[i].first - left) + " " + points(corners[i].second - top);
        box.clip += ");";
    }
    box.w = std::max(0.0, box.w), box.h = std::max(0.0, box.h);
    return box;
}

std::string frameCss(Preview &p, const Object &frame, const Box &box) {
    std::string css = "width:" + points(box.w) + ";height:" + points(box.h) + ";" + box.clip;
    if (const Node *fill = findGroup(frame.items, "fillcolour")) {
        auto colour = colourOf(p, *fill, 0, frame.name);
        const Object *named = p.find(textAt(*fill, 0));
        bool transparent = named != nullptr && findGroup(named->items, "transparent") != nullptr;
        if (colour && !transparent) css += "background:" + *colour + ";";
    }
    if (const Node *border = findGroup(frame.items, "frameborder"))
        if (const Node *line = findGroup(border->items, "border")) {
            std::string colour = "#000";
            if (const Node *value = findGroup(line->items, "colourvalue")) colour = colourOf(p, *value, 0, frame.name).value_or("#000");
            double width = 0;
            if (const Node *w = findGroup(line->items, "w")) width = static_cast<double>(numberAt(*w, 0));
            std::string edge = (width > 0 ? points(width) : std::string("1px")) + " solid " + colour;
            long long sides = numberAt(*line, 1);
            static constexpr std::string_view kSides[] = {"left", "right", "top", "bottom"};
            for (int i = 0; i < 4; ++i)
                if (sides & (1 << i)) css += "border-" + std::string(kSides[i]) + ":" + edge + ";";
        }
    if (const Node *inset = findGroup(frame.items, "inset"))
        if (numberAt(*inset, 0) > 0) css += "padding:" + points(static_cast<double>(numberAt(*inset, 0))) + ";";
    if (const Node *columns = findGroup(frame.items, "columns"))
        if (numberAt(*columns, 0) > 1) css += "column-count:" + std::to_string(std::min(numberAt(*columns, 0), 16LL)) + ";";
    double angle = 0, skew = 0;
    if (const Node *a = findGroup(frame.items, "angle")) angle = fixedValue(numberAt(*a, 0));
    if (const Node *s = findGroup(frame.items, "skew")) skew = fixedValue(numberAt(*s, 0));
    if (angle != 0 || skew != 0) {
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "transform:rotate(%.3fdeg) skewX(%.3fdeg);", -angle, -skew);
        css += buffer;
    }
    return css;
}

void countFrameAttributes(Preview &p, const Object &frame) {
    static const std::set<std::string, std::less<>> kShown = {"fcurve", "fillcolour", "frameborder", "inset", "columns",
                                                              "angle",  "skew",       "master",      "local", "picturedata"};
    for (const Node &item : frame.items)
        if (item.kind == NodeKind::group && kShown.count(item.text) == 0) countUnrendered(p, item);
}

std::string pictureHtml(Preview &p, const Object &frame, const Box &box) {
    std::string suffix(suffixAfter(frame.name, "PICT_"));
    std::string name = "PICTURE_" + suffix;
    const Object *picture = p.resolve(name, frame.name);
    if (picture == nullptr) return "<span class=\"nopicture\">missing picture</span>";
    auto cached = p.pictureCache.find(picture->name);
    std::string size = "width:" + points(box.w) + ";height:" + points(box.h) + ";";
    if (cached != p.pictureCache.end()) {
        if (!p.roomFor("pictures")) return "<span class=\"nopicture\">picture not shown</span>";
        p.shownBytes += cached->second.size();
        ++p.picturesShown;
        return cached->second.empty() ? "<span class=\"nopicture\">picture not shown</span>"
                                      : "<img class=\"picture\" alt=\"" + picture->name + "\" data-picture=\"" + picture->name +
                                            "\" style=\"" + size + "\" src=\"" + cached->second + "\">";
    }
    const Node *data = findGroup(picture->items, "data");
    std::string type(data != nullptr ? textAt(*data, 0) : "");
    std::string encoded;
    if (data != nullptr)
        for (std::size_t i = 2; i < data->items.size(); ++i)
            if (data->items[i].kind == NodeKind::string) encoded += data->items[i].text;
    std::vector<std::uint8_t> bytes = decodePictureData(encoded);
    long long declared = data != nullptr ? numberAt(*data, 1, -1) : -1;
    if (declared >= 0 && static_cast<std::size_t>(declared) != bytes.size() && type != "EPS")
        p.problem(picture->name + " declares " + std::to_string(declared) + " bytes of data and holds " + std::to_string(bytes.size()));
    std::string uri;
    std::string why = type.empty() ? "no data" : type + " pictures are not drawn";
    if (type == "Draw") {
        draw_file::Canvas canvas;
        draw_file::SkippedObjects skipped;
        if (draw_file::renderDraw(bytes, p.options.picture_pixels_per_inch, canvas, skipped, why)) {
            std::vector<std::uint8_t> png = draw_file::encodePng(canvas);
            if (!png.empty()) uri = "data:image/png;base64," + base64(png);
            for (const auto &[what, count] : skipped) p.notRendered[what + " (inside Draw pictures)"] += count;
        } else
            p.problem(picture->name + ": " + why);
    } else
        p.notRendered[(type.empty() ? std::string("empty") : type) + " picture"] += 1;
    p.pictureCache[picture->name] = uri;
    if (uri.empty())
        return "<span class=\"nopicture\">" + escaped(picture->name + ": " + why + " (" + std::to_string(bytes.size()) + " bytes)") + "</span>";
    ++p.picturesShown;
    return "<img class=\"picture\" alt=\"" + picture->name + "\" data-picture=\"" + picture->name + "\" style=\"" + size +
           "\" src=\"" + uri + "\">";
}

// The story object that belongs to a text frame: the one of the same number,
// a copy of it (a frame that shows its own copy of a story has its story
// named with the copy number in front), or, for a master instance without its
// own, the master frame's.
const Object *storyOfFrame(Preview &p, const Object &frame) {
    std::string_view suffix = suffixAfter(frame.name, "TEXT_");
    if (const Object *own = p.find("STORY_" + std::string(suffix))) return own;
    if (auto copy = p.storyCopies.find(suffix); copy != p.storyCopies.end()) return p.find(copy->second);
    if (const Node *master = findGroup(frame.items, "master"))
        return p.find("STORY_" + std::string(suffixAfter(textAt(*master, 0), "TEXT_")));
    return nullptr;
}

std::string frameInner(Preview &p, const Object &frame, int depth) {
    const Object &source = geometrySource(p, frame);
    if (frame.type == "pictframe" || source.type == "pictframe") return pictureHtml(p, frame, frameGeometry(source));
    if (auto flow = p.frameFlow.find(frame.name); flow != p.frameFlow.end() && !flow->second.empty()) {
        std::string html = flow->second.front();
        flow->second.erase(flow->second.begin());
        return html;
    }
    const Object *story = storyOfFrame(p, frame);
    if (story == nullptr) return {};
    std::string body;
    for (const Paragraph &paragraph : storyParagraphs(p, *story, depth)) body += paragraph.html;
    return storyDiv(story->name, ++p.renderCounter, 0, body);
}

std::string frameBox(Preview &p, const Object &frame, const std::string &inner, bool embedded) {
    const Object &source = geometrySource(p, frame);
    Box box = frameGeometry(source);
    countFrameAttributes(p, source);
    std::string kind = source.type == "pictframe" ? "pict" : "text";
    std::string css = frameCss(p, source, box);
    if (embedded) return "<span class=\"frame embed " + kind + "\" data-frame=\"" + frame.name + "\" style=\"" + css + "\">" + inner + "</span>";
    return "<div class=\"frame " + kind + "\" data-frame=\"" + frame.name + "\" style=\"left:" + points(box.x) + ";top:" +
           points(box.y) + ";" + css + "\">" + inner + "</div>";
}

// Splits each chain's story over its frames by the room each frame has, so
// the text reads on from frame to frame; a page break moves to the next frame
// and the last frame takes whatever is left.
void planChains(Preview &p) {
    for (const Object &chain : p.file.objects) {
        if (chain.type != "textchain") continue;
        std::vector<const Object *> frames;
        for (const Node &member : chain.items)
            if (member.kind == NodeKind::word)
                if (const Object *frame = p.resolve(member.text, chain.name)) frames.push_back(frame);
        if (frames.size() < 2) continue;
        const Object *story = storyOfFrame(p, *frames.front());
        if (story == nullptr || p.frameFlow.count(frames.front()->name) != 0) continue;
        std::vector<Paragraph> paragraphs = storyParagraphs(p, *story, 0);
        int render = ++p.renderCounter;
        std::size_t next = 0;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            Box box = frameGeometry(geometrySource(p, *frames[i]));
            double room = box.w * box.h / 1e6, used = 0; // square points
            std::string body;
            bool last = i + 1 == frames.size();
            while (next < paragraphs.size()) {
                const Paragraph &paragraph = paragraphs[next];
                double size = paragraph.text_size;
                double needs = paragraph.characters * 0.55 * size * 1.25 * size + box.w / 1000 * 1.25 * size;
                if (!last && !body.empty() && used + needs > room) break;
                body += paragraph.html;
                used += needs;
                ++next;
                if (paragraph.page_break_after && !last) break;
            }
            p.frameFlow[frames[i]->name].push_back(storyDiv(story->name, render, i, body));
        }
    }
}

// ---- pages ------------------------------------------------------------------

struct PageView {
    const Object *page = nullptr;
    const Object *chapter = nullptr;
    std::vector<const Object *> objects;
    int number = 0;
};

std::string guideHtml(const Object &guide, const Object &source) {
    if (const Node *x = findGroup(source.items, "x"))
        return "<div class=\"guide\" data-guide=\"" + guide.name + "\" style=\"left:" + points(static_cast<double>(numberAt(*x, 0))) +
               ";top:0;bottom:0;border-left:1px dashed #6cc\"></div>";
    if (const Node *y = findGroup(source.items, "y"))
        return "<div class=\"guide\" data-guide=\"" + guide.name + "\" style=\"top:" + points(static_cast<double>(numberAt(*y, 0))) +
               ";left:0;right:0;border-top:1px dashed #6cc\"></div>";
    return {};
}

std::string pageHtml(Preview &p, const PageView &view) {
    double width = 595000, height = 842000; // until a chapter says
    if (view.chapter != nullptr)
        if (const Node *paper = findGroup(view.chapter->items, "papersize")) {
            if (const Node *w = findGroup(paper->items, "w")) width = static_cast<double>(numberAt(*w, 0));
            if (const Node *h = findGroup(paper->items, "h")) height = static_cast<double>(numberAt(*h, 0));
        }
    bool master = view.page->type == "masterpage";
    std::string background = "#fff";
    if (const Node *colour = findGroup(view.page->items, "colourvalue")) background = colourOf(p, *colour, 0, view.page->name).value_or("#fff");
    std::string label = master ? "Master page " + view.page->name : "Page " + std::to_string(view.number);
    if (view.chapter != nullptr) label += " (" + view.chapter->name + ")";
    std::string html = "<figure class=\"sheet\"><figcaption>" + escaped(label) + "</figcaption><div class=\"page" +
                       std::string(master ? " master" : "") + "\" data-page=\"" + view.page->name + "\" data-width-mp=\"" +
                       std::to_string(static_cast<long long>(width)) + "\" data-height-mp=\"" +
                       std::to_string(static_cast<long long>(height)) + "\" style=\"width:" + points(width) + ";height:" +
                       points(height) + ";background:" + background + "\">";
    for (const Object *object : view.objects) {
        if (object->type == "pageguideline") {
            html += guideHtml(*object, geometrySource(p, *object));
        } else if (object->type == "textframe" || object->type == "pictframe") {
            html += frameBox(p, *object, frameInner(p, *object, 0), false);
        }
    }
    return html + "</div></figure>\n";
}

// ---- index ------------------------------------------------------------------

constexpr std::string_view kCss = R"(body{font-family:sans-serif;background:#ddd;margin:1em}
#index{background:#fff;padding:1em;margin-bottom:2em;max-width:60em}
.problems li{color:#a00}
.swatch{display:inline-block;width:1.2em;height:1.2em;border:1px solid #888;vertical-align:middle;margin-right:.4em}
.colours li,.styles li{list-style:none;margin:.2em 0}
.counts,.unrendered,.colours{display:flex;flex-wrap:wrap;gap:.2em 1.5em;padding:0}
.counts li,.unrendered li{list-style:none}.count{font-weight:bold}
h2{font-size:1.1em;margin:1em 0 .3em}
.sheet{margin:0 0 2em 0}figcaption{font-size:small;color:#444}
.page{position:relative;box-shadow:0 0 .5em #888;overflow:hidden;font-family:serif;font-size:10pt}
.page.master{opacity:.85}
.frame{position:absolute;box-sizing:border-box}
.frame.embed{position:relative;display:inline-block;vertical-align:bottom}
.guide{position:absolute}
.para{white-space:pre-wrap;overflow-wrap:anywhere}
.tab{display:inline-block;min-width:2em;white-space:pre}
.field{background:#ffe7a0;border-radius:.2em;padding:0 .15em;font-style:normal}
.break{display:block;border-top:1px dashed #c00;color:#c00;font:x-small sans-serif;text-align:center}
.picture{display:block;object-fit:contain}
.nopicture{display:block;text-align:left;white-space:normal;text-indent:0;width:100%;height:100%;box-sizing:border-box;border:1px dashed #999;font:x-small sans-serif;color:#555;overflow:hidden}
.flow{background:#fff;padding:2em;max-width:45em;font-family:serif;font-size:10pt;position:relative}
)";

std::string indexHtml(Preview &p, std::string_view title, const std::map<std::string, int> &counts) {
    std::string html = "<section id=\"index\"><h1>" + escaped(title) + "</h1>";
    if (p.problems.empty() && p.file.problems.empty())
        html += "<p class=\"ok\">No problems found.</p>";
    else {
        html += "<h2>Problems</h2><ul class=\"problems\">";
        for (const std::string &problem : p.file.problems) html += "<li>" + escaped(problem) + "</li>";
        for (const std::string &problem : p.problems) html += "<li>" + escaped(problem) + "</li>";
        html += "</ul>";
    }
    html += "<h2>Contents</h2><ul class=\"counts\">";
    for (const auto &[what, count] : counts)
        html += "<li><span class=\"what\">" + what + "</span> <span class=\"count\">" + std::to_string(count) + "</span></li>";
    html += "</ul><h2>Colours</h2><ul class=\"colours\">";
    for (const Object &object : p.file.objects)
        if (object.type == "colour") {
            std::string name(object.items.empty() ? "" : object.items[0].kind == NodeKind::string ? object.items[0].text : "");
            bool transparent = findGroup(object.items, "transparent") != nullptr;
            html += "<li><span class=\"swatch\" style=\"background:" + (transparent ? std::string("repeating-linear-gradient(45deg,#fff 0 3px,#ccc 3px 6px)") : p.colourCss[object.name]) +
                    "\"></span>" + escaped(name) + " <small>" + object.name + "</small></li>";
        }
    html += "</ul><h2>Styles</h2><ul class=\"styles\">";
    for (const Object &object : p.file.objects)
        if (object.type == "style") {
            std::string name(object.items.empty() ? "" : object.items[0].kind == NodeKind::string ? object.items[0].text : "");
            Look look = p.styleLook[object.name];
            html += "<li><small>" + object.name + "</small> <span style=\"" + characterCss(look) + "\">" + escaped(name) +
                    ": The quick brown fox jumps over the lazy dog</span></li>";
        }
    html += "</ul><h2>Not rendered</h2>";
    if (p.notRendered.empty())
        html += "<p>Nothing: everything in the file is shown.</p>";
    else {
        html += "<ul class=\"unrendered\">";
        for (const auto &[what, count] : p.notRendered)
            html += "<li><span class=\"what\">" + escaped(what) + "</span> <span class=\"count\">" + std::to_string(count) + "</span></li>";
        html += "</ul>";
    }
    return html + "</section>\n";
}

// ---- set-up -------------------------------------------------------------------

void readColoursAndStyles(Preview &p) {
    static const std::set<std::string, std::less<>> kColourShown = {"rgb", "cmyk", "hsv", "transparent"};
    for (const Object &object : p.file.objects) {
        if (object.type == "colour") {
            p.colourCss[object.name] = colourFromModel(object);
            if (!object.items.empty() && object.items[0].kind == NodeKind::string) p.colourByName.emplace(lower(object.items[0].text), object.name);
            for (const Node &item : object.items)
                if (item.kind == NodeKind::group && kColourShown.count(item.text) == 0) countUnrendered(p, item);
        }
    }
    for (const Object &object : p.file.objects)
        if (object.type == "style") {
            std::string name(!object.items.empty() && object.items[0].kind == NodeKind::string ? object.items[0].text : object.name);
            p.styleByName.emplace(lower(name), object.name);
            Look look;
            for (const Node &item : object.items)
                if (item.kind == NodeKind::group && !applyLook(p, look, item, object.name) && item.text != "keypress") countUnrendered(p, item);
            p.styleLook[object.name] = look;
        }
}

void collectEmbedded(Preview &p, const std::vector<Node> &items) {
    for (const Node &item : items)
        if (item.kind == NodeKind::group && item.text == "embed") p.embedded.insert(std::string(textAt(item, 0)));
}

} // namespace

std::string previewHtml(const File &file, std::string_view title, const PreviewOptions &options) {
    Preview p(file);
    p.options = options;
    static const std::set<std::string, std::less<>> kKnownTypes = {
        "document", "colour", "style", "textframe", "pictframe", "picture", "textchain", "page",
        "masterpage", "chapter", "group", "pageguideline", "story", "merge"};
    for (const Object &object : file.objects) {
        if (!p.byName.emplace(object.name, &object).second) p.problem(object.name + " is defined twice; the first is shown");
        if (!object.type.empty() && kKnownTypes.count(object.type) == 0) {
            p.problem(object.name + " is an unknown object \"" + object.type + "\"");
            p.notRendered["unknown object \"" + object.type + "\""] += 1;
        }
        if (object.type == "story") {
            collectEmbedded(p, object.items);
            std::string_view number = suffixAfter(object.name, "STORY_");
            if (std::size_t underscore = number.find('_'); underscore != std::string_view::npos)
                p.storyCopies.emplace(std::string(number.substr(underscore + 1)), object.name);
        }
    }
    readColoursAndStyles(p);
    planChains(p);

    std::vector<PageView> pages;
    const Object *chapter = nullptr;
    int page_number = 0, orphans = 0;
    std::map<std::string, int> counts;
    for (const Object &object : file.objects) {
        const std::string &type = object.type;
        if (!object.alias.empty() && !p.find(object.alias)) p.problem(object.name + " refers to " + object.alias + ", which is not in the file");
        if (type == "chapter") {
            chapter = &object;
            if (const Node *start = findGroup(object.items, "pagestartnumber")) page_number = static_cast<int>(numberAt(*start, 0)) - 1;
            ++counts["chapters"];
        } else if (type == "page" || type == "masterpage") {
            pages.push_back({&object, chapter, {}, type == "page" ? ++page_number : 0});
            ++counts[type == "page" ? "pages" : "master pages"];
        } else if (type == "textframe" || type == "pictframe" || type == "pageguideline") {
            ++counts[type == "textframe" ? "text frames" : type == "pictframe" ? "picture frames" : "guide lines"];
            if (const Node *master = findGroup(object.items, "master")) p.resolve(textAt(*master, 0), object.name);
            if (p.embedded.count(object.name) != 0) continue;
            if (pages.empty())
                ++orphans;
            else
                pages.back().objects.push_back(&object);
        } else if (type == "story" || type == "picture" || type == "merge" || type == "textchain" || type == "group" || type == "colour" ||
                   type == "style") {
            static const std::map<std::string, std::string, std::less<>> kCountNames = {
                {"story", "stories"}, {"picture", "pictures"}, {"merge", "merge fields"}, {"textchain", "text chains"},
                {"group", "groups"},  {"colour", "colours"},   {"style", "styles"}};
            ++counts[kCountNames.at(type)];
        } else if (!object.alias.empty() && suffixAfter(object.name, "PICTURE_").size() > 0) {
            ++counts["pictures"];
        }
    }
    if (orphans > 0) p.notRendered["frames outside any page"] += orphans;

    std::string body;
    if (!pages.empty()) {
        for (const PageView &view : pages) body += pageHtml(p, view);
    } else {
        // A file without pages (as markup conversions are): its stories flow.
        for (const Object &object : file.objects)
            if (object.type == "story") {
                std::string text;
                for (const Paragraph &paragraph : storyParagraphs(p, object, 0)) text += paragraph.html;
                body += "<section class=\"flow\" data-flow=\"" + object.name + "\">" + storyDiv(object.name, ++p.renderCounter, 0, text) + "</section>\n";
            }
    }
    int paragraphs = 0;
    for (const auto &[story, count] : p.paragraphsOfStory) paragraphs += count;
    counts["paragraphs"] = paragraphs;
    counts["pictures shown"] = p.picturesShown;
    for (const auto &[frame, parts] : p.frameFlow)
        if (!parts.empty() && p.find(frame) == nullptr) p.notRendered["chain parts without a frame"] += static_cast<int>(parts.size());

    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + escaped(title) +
                       "</title><style>" + std::string(kCss) + "</style></head><body>\n";
    html += indexHtml(p, title, counts);
    html += "<main id=\"pages\">\n" + body + "</main></body></html>\n";
    return html;
}

} // namespace ddl
