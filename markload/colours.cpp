// Colours: one list of names, numbered by place. Explicit colours come from
// "define colours" groups and are written where they stand; implicit ones are
// a model and its values ("rgb=(1,0,0)") given to fontcolour or backcolour,
// written after pass 1 under a display name made from their values.
#include "markload/markload.h"
#include "ddl/fatal_error.h"

#include <cmath>
#include <new>

namespace markload {
namespace {

struct ModelLine {
    std::string_view word;
    std::string_view model;
};

constexpr ModelLine kModelLines[] = {{"%%+c", "cmyk"}, {"%%+r", "rgb"}, {"%%+h", "hsv"}};

void registerColour(Markload &m, std::string_view name, bool implicit) {
    if (m.colours.size() >= kMaxColours) ddl::fatalError("Too many colours");
    try {
        m.colours.push_back(Colour{std::string(name), implicit});
    } catch (const std::bad_alloc &) {
        ddl::fatalError("Not enough memory for Colours");
    }
}

// The name of a definition line: the text before its first ")", cut to 23.
std::string_view definitionName(std::string_view line) {
    std::string_view name = line.substr(0, line.find(')'));
    return name.substr(0, kMaxColourName);
}

void writeExplicitColour(Markload &m, std::string_view model) {
    readWord(m);  // a word of the line that carries nothing for DDL
    stepOn(m);                   // the opening parenthesis
    readToken(m, Reader::line);
    const std::string line(m.token());
    const std::string_view name = definitionName(line);

    emit(m, "COL_");
    emitInt(m, static_cast<long long>(m.colours.size()));
    emit(m, "={colour ");
    emitString(m, name);
    emit(m, " {");
    emit(m, model);
    registerColour(m, name, false);

    // Components follow ") "; rgb and cmyk are fractions, hsv percentages.
    const double divisor = model == "hsv" ? 100.0 : 1.0;
    const std::size_t close = line.find(')');
    std::size_t at = close == std::string::npos ? line.size() : std::min(close + 2, line.size());
    for (std::size_t component = 0; component < model.size(); ++component) {
        const double value = readDecimal(line, at);
        emitChar(m, ' ');
        emitFixed(m, value * 65536 / divisor);
        if (at < line.size()) ++at;
    }
    emit(m, "}}\r\n");
}

} // namespace

void readColourDefinitions(Markload &m) {
    const std::size_t size = m.input.size();
    // An empty group leaves the cursor on its own brace: stop there too, or
    // the text after the group would be read as colour lines.
    while (!cursorOn(m, '}') && m.cursor + 1 < size && m.input[m.cursor + 1] != '}') {
        readWord(m);
        const std::string_view word = m.token();
        const ModelLine *modelLine = nullptr;
        for (const auto &line : kModelLines)
            if (word == line.word) modelLine = &line;
        if (modelLine != nullptr) {
            writeExplicitColour(m, modelLine->model);
        } else if (word == "%%+t") {
            // A named colour of the document's palette: it gets a number only.
            stepOn(m);
            readToken(m, Reader::line);
            registerColour(m, definitionName(m.token()), false);
        } else {
            readToken(m, Reader::line);
        }
    }
    emit(m, "\r\n");
}

void registerColourUse(Markload &m) {
    if (cursorOn(m, '}')) return;
    readWord(m);
    for (const auto &colour : m.colours)
        if (colour.name == m.token()) return;
    registerColour(m, m.token(), true);
}

void writeImplicitColours(Markload &m) {
    bool any = false;
    for (std::size_t number = 0; number < m.colours.size(); ++number) {
        if (!m.colours[number].implicit) continue;
        any = true;
        const std::string_view name = m.colours[number].name;
        const std::size_t equals = name.find('=');
        const std::string_view model = name.substr(0, equals);
        if (equals == std::string_view::npos ||
            (model != "rgb" && model != "hsv" && model != "cmyk" && model != "rgb24"))
            ddl::fatalError("Colour model not recognised");

        // rgb24 gives red, green and blue from 0 to 255; it is written as an
        // rgb colour of three components like every other.
        const bool rgb24 = model == "rgb24";
        const std::size_t components = rgb24 ? 3 : model.size();
        std::size_t at = std::min(equals + 2, name.size());
        long long values[4] = {};
        std::string displayName(model);
        for (std::size_t component = 0; component < components; ++component) {
            const double number_read = readDecimal(name, at);
            if (at < name.size()) ++at;
            values[component] = clampToInt(std::trunc(number_read * (rgb24 ? 0.390625 : 100.0)));
            if (component > 0) displayName += '/';
            displayName += std::to_string(values[component]);
        }

        emit(m, "COL_");
        emitInt(m, static_cast<long long>(number));
        emit(m, "={colour ");
        emitString(m, displayName);
        emit(m, " {");
        emit(m, rgb24 ? std::string_view("rgb") : model);
        for (std::size_t component = 0; component < components; ++component) {
            emit(m, " ");
            emitFixed(m, static_cast<double>(values[component] * 65536 / 100));
        }
        emit(m, "}}\r\n");
    }
    if (any) emit(m, "\r\n");
}

int colourNumber(Markload &m) {
    readArgumentWord(m);
    for (std::size_t number = 0; number < m.colours.size(); ++number)
        if (m.colours[number].name == m.token()) return static_cast<int>(number);
    ddl::fatalError("Colour not found");
}

} // namespace markload
