// Draw renderer. Failure policy: a file without the Draw signature or with an
// empty bounding box is refused with a reason. Objects are read through
// bounded word reads: an object whose size is below its header or beyond its
// container ends the walk at that level; groups nest at most kMaxGroupDepth
// deep; points per picture are limited (kMaxPoints), and what is past the
// limit is not drawn. Text, text areas and JPEG objects are not drawn and are
// counted by name, as is every unknown object type.
#include "tools/draw_render.h"

#include "framework/bytes.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace draw_file {
namespace {

constexpr double kUnitsPerInch = 180.0 * 256.0;
constexpr int kMaxGroupDepth = 12;
constexpr std::size_t kMaxPoints = 400000;
constexpr std::uint32_t kTransparent = 0xFFFFFFFF;
constexpr int kCurveSteps = 12;

struct Point {
    double x, y;
};

struct Renderer {
    ByteSpan file;
    Canvas &canvas;
    SkippedObjects &skipped;
    double scale;         // pixels per Draw unit
    std::int32_t x0, y1;  // the picture's left and top, in Draw units
    std::size_t points = 0;

    Point toPixels(std::int32_t x, std::int32_t y) const {
        return {(static_cast<double>(x) - x0) * scale, (static_cast<double>(y1) - y) * scale};
    }
};

std::int32_t signedWord(ByteSpan bytes, std::uint64_t at) { return static_cast<std::int32_t>(wordOrZero(bytes, at)); }

void blend(Canvas &canvas, int x, int y, std::uint32_t rgb, std::uint8_t alpha) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height || alpha == 0) return;
    std::uint8_t *p = &canvas.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) + static_cast<std::size_t>(x)) * 4];
    const std::uint8_t src[3] = {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)};
    unsigned a = alpha, back = p[3] * (255u - a) / 255u;
    unsigned out = a + back;
    for (int i = 0; i < 3; ++i) p[i] = static_cast<std::uint8_t>(out == 0 ? 0 : (src[i] * a + p[i] * back) / out);
    p[3] = static_cast<std::uint8_t>(out);
}

// Draw's colour word is 0xBBGGRR00.
std::uint32_t rgbOf(std::uint32_t colour) { return (colour >> 8 & 0xFF) << 16 | (colour >> 16 & 0xFF) << 8 | colour >> 24; }

// Fills closed polygons by scan lines through pixel centres, by the non-zero
// or the even-odd rule.
void fillPolygons(Canvas &canvas, const std::vector<std::vector<Point>> &polygons, std::uint32_t rgb, bool even_odd) {
    double top = 1e18, bottom = -1e18;
    for (const auto &polygon : polygons)
        for (const Point &p : polygon) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    if (top > bottom) return; // no points
    int first = static_cast<int>(std::clamp(std::floor(top), 0.0, static_cast<double>(canvas.height)));
    int last = static_cast<int>(std::clamp(std::ceil(bottom), -1.0, static_cast<double>(canvas.height - 1)));
    std::vector<std::pair<double, int>> crossings;
    for (int row = first; row <= last; ++row) {
        double y = row + 0.5;
        crossings.clear();
        for (const auto &polygon : polygons)
            for (std::size_t i = 0; i < polygon.size(); ++i) {
                Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
                if ((a.y <= y) == (b.y <= y)) continue;
                double x = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
                crossings.push_back({x, b.y > a.y ? 1 : -1});
            }
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].second;
            bool inside = even_odd ? (i % 2 == 0) : winding != 0;
            if (!inside) continue;
            const double width = canvas.width;
            int from = static_cast<int>(std::lround(std::clamp(crossings[i].first, 0.0, width)));
            int to = static_cast<int>(std::lround(std::clamp(crossings[i + 1].first, 0.0, width)));
            for (int x = from; x < to; ++x) blend(canvas, x, row, rgb, 255);
        }
    }
}

void strokeLine(Canvas &canvas, Point a, Point b, double half_width, std::uint32_t rgb) {
    double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    if (length < 1e-9) return;
    double nx = -dy / length * half_width, ny = dx / length * half_width;
    fillPolygons(canvas, {{{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}}}, rgb, false);
}

void drawPath(Renderer &r, std::uint64_t at, std::uint64_t end) {
    std::uint32_t fill = wordOrZero(r.file, at + 24), outline = wordOrZero(r.file, at + 28);
    double width = static_cast<double>(wordOrZero(r.file, at + 32)) * r.scale;
    std::uint32_t style = wordOrZero(r.file, at + 36);
    std::uint64_t p = at + 40;
    if (style & 0x80) p += 8 + 4 * static_cast<std::uint64_t>(std::min<std::uint32_t>(wordOrZero(r.file, at + 44), 1u << 20));
    std::vector<std::vector<Point>> subpaths;
    Point current{0, 0};
    auto coordinate = [&](std::uint64_t where) { return r.toPixels(signedWord(r.file, where), signedWord(r.file, where + 4)); };
    while (p + 4 <= end && r.points < kMaxPoints) {
        std::uint32_t tag = wordOrZero(r.file, p) & 0xFF;
        if (tag == 0) break;
        if (tag == 2) { // move
            current = coordinate(p + 4);
            subpaths.push_back({current});
            p += 12;
        } else if (tag == 8) { // line
            current = coordinate(p + 4);
            if (subpaths.empty()) subpaths.push_back({});
            subpaths.back().push_back(current);
            p += 12;
        } else if (tag == 6) { // Bezier curve: two control points and the end
            Point c1 = coordinate(p + 4), c2 = coordinate(p + 12), e = coordinate(p + 20);
            if (subpaths.empty()) subpaths.push_back({current});
            for (int i = 1; i <= kCurveSteps; ++i) {
                double t = static_cast<double>(i) / kCurveSteps, u = 1 - t;
                subpaths.back().push_back({u * u * u * current.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * e.x,
                                           u * u * u * current.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * e.y});
            }
            current = e;
            p += 28;
        } else if (tag == 5 || tag == 4) { // close
            p += 4;
        } else
            break; // not a path element: the rest of the path is unreadable
        r.points += 1;
    }
    if (fill != kTransparent) fillPolygons(r.canvas, subpaths, rgbOf(fill), (style & 0x40) != 0);
    if (outline != kTransparent)
        for (const auto &subpath : subpaths)
            for (std::size_t i = 1; i < subpath.size(); ++i) strokeLine(r.canvas, subpath[i - 1], subpath[i], std::max(0.5, width / 2), rgbOf(outline));
}

// The sprite is stretched over the object's box, nearest pixel.
void drawSprite(Renderer &r, std::uint64_t at, std::uint64_t sprite_at, std::uint64_t end) {
    DrawSprite sprite;
    std::uint32_t size = wordOrZero(r.file, sprite_at);
    if (sprite_at > end || size > end - sprite_at) {
        r.skipped["damaged sprite"] += 1;
        return;
    }
    auto begin = r.file.begin() + static_cast<std::ptrdiff_t>(sprite_at);
    sprite.sprite.assign(begin, begin + static_cast<std::ptrdiff_t>(size));
    std::string why;
    if (!parse_sprite(sprite, why)) {
        r.skipped["damaged sprite"] += 1;
        return;
    }
    Point a = r.toPixels(signedWord(r.file, at + 8), signedWord(r.file, at + 20));
    Point b = r.toPixels(signedWord(r.file, at + 16), signedWord(r.file, at + 12));
    auto within = [](double v, int limit) { return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(limit))); };
    int left = within(a.x, r.canvas.width), right = within(std::ceil(b.x), r.canvas.width);
    int top = within(a.y, r.canvas.height), bottom = within(std::ceil(b.y), r.canvas.height);
    double w = std::max(1e-9, b.x - a.x), h = std::max(1e-9, b.y - a.y);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            int sx = static_cast<int>(std::clamp((x + 0.5 - a.x) / w * sprite.width, 0.0, sprite.width - 1.0));
            int sy = static_cast<int>(std::clamp((y + 0.5 - a.y) / h * sprite.height, 0.0, sprite.height - 1.0));
            if (sprite.has_mask && sprite.mask_pixel(sx, sy) == 0) continue;
            blend(r.canvas, x, y, sprite.rgb(sx, sy), 255);
        }
}

void drawObjects(Renderer &r, std::uint64_t at, std::uint64_t end, int depth) {
    while (at + 8 <= end) {
        std::uint32_t type = wordOrZero(r.file, at), size = wordOrZero(r.file, at + 4);
        if (size < 8 || size > end - at) {
            r.skipped["damaged object"] += 1;
            return;
        }
        std::uint64_t next = at + size;
        switch (type) {
        case 0: case 11: break; // font table, options: nothing to see
        case 1: r.skipped["Draw text"] += 1; break;
        case 2: drawPath(r, at, next); break;
        case 5: drawSprite(r, at, at + 24, next); break;
        case 6:
            if (depth < kMaxGroupDepth)
                drawObjects(r, at + 36, next, depth + 1);
            else
                r.skipped["groups nested too deeply"] += 1;
            break;
        case 7:
            if (depth < kMaxGroupDepth) drawObjects(r, at + 28, next, depth + 1);
            break;
        case 9: r.skipped["Draw text area"] += 1; break;
        case 12: r.skipped["Draw transformed text"] += 1; break;
        case 13: drawSprite(r, at, at + 48, next); break;
        case 16: r.skipped["Draw JPEG"] += 1; break;
        default: r.skipped["Draw object type " + std::to_string(type)] += 1; break;
        }
        at = next;
    }
}

} // namespace

bool renderDraw(std::span<const std::uint8_t> file, double pixels_per_inch, Canvas &out, SkippedObjects &skipped,
                std::string &why) {
    if (file.size() < 40 || std::memcmp(file.data(), "Draw", 4) != 0) return why = "not a Draw file", false;
    std::int32_t x0 = signedWord(file, 24), y0 = signedWord(file, 28), x1 = signedWord(file, 32), y1 = signedWord(file, 36);
    double width = static_cast<double>(x1) - x0, height = static_cast<double>(y1) - y0;
    if (width <= 0 || height <= 0) return why = "the picture's box is empty", false;
    double scale = pixels_per_inch / kUnitsPerInch;
    scale = std::min(scale, kMaxRenderSide / std::max(width, height));
    out.width = std::max(1, static_cast<int>(std::ceil(width * scale)));
    out.height = std::max(1, static_cast<int>(std::ceil(height * scale)));
    out.rgba.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 4, 0);
    Renderer r{file, out, skipped, scale, x0, y1};
    drawObjects(r, 40, file.size(), 0);
    if (r.points >= kMaxPoints) skipped["path points past the limit"] += 1;
    return true;
}

Canvas spriteCanvas(const DrawSprite &sprite) {
    Canvas canvas{sprite.width, sprite.height, {}};
    canvas.rgba.reserve(static_cast<std::size_t>(sprite.width) * static_cast<std::size_t>(sprite.height) * 4);
    for (int y = 0; y < sprite.height; ++y)
        for (int x = 0; x < sprite.width; ++x) {
            const std::uint32_t rgb = sprite.rgb(x, y);
            canvas.rgba.push_back(static_cast<std::uint8_t>(rgb >> 16));
            canvas.rgba.push_back(static_cast<std::uint8_t>(rgb >> 8));
            canvas.rgba.push_back(static_cast<std::uint8_t>(rgb));
            canvas.rgba.push_back(sprite.has_mask && sprite.mask_pixel(x, y) == 0 ? 0 : 255);
        }
    return canvas;
}

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

} // namespace

// libpng leaves through longjmp on failure; the rows and the output vector
// are set up before the jump point, so nothing needs unwinding.
std::vector<std::uint8_t> encodePng(const Canvas &canvas) {
    std::vector<std::uint8_t> out;
    if (canvas.width <= 0 || canvas.height <= 0) return out;
    std::vector<png_bytep> rows;
    for (int y = 0; y < canvas.height; ++y)
        rows.push_back(const_cast<png_bytep>(canvas.rgba.data()) + static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) * 4);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    volatile bool written = false; // read again after a longjmp
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &out, appendBytes, noFlush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width), static_cast<png_uint_32>(canvas.height), 8,
                     PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    if (!written) out.clear();
    return out;
}

} // namespace draw_file
