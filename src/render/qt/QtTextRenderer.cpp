#include "render/qt/QtTextRenderer.h"

#include <QBrush>
#include <QByteArray>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRawFont>
#include <QTextLayout>
#include <QTextOption>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <mutex>
#include <unordered_map>

namespace velmora::render {

namespace {

// Em sizes beyond this draw as this size: nothing on a frame needs more,
// and a corrupt size must not make the font engine build giant outlines.
constexpr double kMaxEmSize = 2000;
// Sprites kept for identical later drawings, by total bytes and by count.
constexpr size_t kSpriteCacheBytes = 48u << 20;
constexpr size_t kSpriteCacheEntries = 64;
constexpr size_t kLayoutCacheEntries = 64;

// The fields that decide a layout.
struct LayoutKey {
    std::string text, font;
    double em = 0;
    int32_t style = 0, align = 0;
    double x = 0, y = 0, w = 0, h = 0;

    std::string Bytes() const {
        std::string k;
        auto put = [&k](const void* p, size_t n) { k.append(static_cast<const char*>(p), n); };
        const uint64_t tl = text.size(), fl = font.size();
        put(&tl, sizeof tl);
        k += text;
        put(&fl, sizeof fl);
        k += font;
        for (double d : {em, x, y, w, h})
            put(&d, sizeof d);
        put(&style, sizeof style);
        put(&align, sizeof align);
        return k;
    }
};

struct Layout {
    QPainterPath path;  // glyph outlines, winding fill
    bool empty = true;
    std::vector<std::string> lines;  // the text of each laid-out line
};

// A finished drawing: the filled and stroked outline as a premultiplied
// sprite whose top-left corner lies at (x, y) on the surface.
struct Sprite {
    QImage image;
    int32_t x = 0, y = 0;
};

template <class V>
class LruCache {
  public:
    explicit LruCache(size_t maxEntries, size_t maxBytes = SIZE_MAX)
        : maxEntries_(maxEntries), maxBytes_(maxBytes) {}

    V* Find(const std::string& key) {
        auto it = map_.find(key);
        if (it == map_.end())
            return nullptr;
        order_.splice(order_.begin(), order_, it->second.where);
        return &it->second.value;
    }

    V& Put(const std::string& key, V value, size_t bytes) {
        Erase(key);
        order_.push_front(key);
        auto& e = map_[key];
        e.value = std::move(value);
        e.bytes = bytes;
        e.where = order_.begin();
        bytes_ += bytes;
        while ((map_.size() > maxEntries_ || bytes_ > maxBytes_) && map_.size() > 1) {
            Erase(order_.back());
        }
        return map_[key].value;
    }

    size_t size() const { return map_.size(); }
    void Clear() {
        map_.clear();
        order_.clear();
        bytes_ = 0;
    }

  private:
    void Erase(const std::string& key) {
        auto it = map_.find(key);
        if (it == map_.end())
            return;
        bytes_ -= it->second.bytes;
        order_.erase(it->second.where);
        map_.erase(it);
    }
    struct Entry {
        V value;
        size_t bytes = 0;
        std::list<std::string>::iterator where;
    };
    size_t maxEntries_, maxBytes_;
    size_t bytes_ = 0;
    std::list<std::string> order_;
    std::unordered_map<std::string, Entry> map_;
};

QColor FromArgb(uint32_t argb) {
    return QColor::fromRgba(argb);
}

bool FamilyInstalled(const QString& family) {
    return !family.isEmpty() && QFontDatabase::hasFamily(family);
}

QFont MakeFont(const std::string& name, double em, int32_t style) {
    QFont f;
    QStringList families;
    const QString requested = QString::fromStdString(name);
    if (FamilyInstalled(requested))
        families << requested;
    const QString cjk = QString::fromStdString(CjkFallbackFamily());
    if (!cjk.isEmpty() && !families.contains(cjk))
        families << cjk;
    if (!families.isEmpty())
        f.setFamilies(families);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(std::min(em, kMaxEmSize)))));
    f.setBold((style & 1) != 0);
    f.setItalic((style & 2) != 0);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

// Splits at CR LF (and lone CR or LF) into paragraphs.
QStringList Paragraphs(const std::string& text) {
    QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar(u'\r'), QChar(u'\n'));
    return t.split(QChar(u'\n'));
}

struct LaidLine {
    std::unique_ptr<QTextLayout> layout;  // owner of the line (shared per paragraph)
    QTextLine line;
    double width = 0;
};

// Lays the text out: paragraphs wrapped at the rectangle's width (word
// boundaries, between CJK characters, anywhere in a word wider than the
// rectangle), lines spaced by the font's line spacing, each line aligned
// horizontally and the block vertically in the rectangle. A width (or
// height) of 0 or less lays out around the point (x, y) without wrapping.
Layout BuildLayout(const LayoutKey& k) {
    Layout out;
    if (k.text.empty() || !(k.em > 0) || !std::isfinite(k.em))
        return out;
    for (double d : {k.x, k.y, k.w, k.h})
        if (!std::isfinite(d) || std::fabs(d) > 1e7)
            return out;
    const QFont font = MakeFont(k.font, k.em, k.style);
    const QFontMetricsF fm(font);
    const double lineStep = fm.lineSpacing();
    const bool wrap = k.w > 0;

    std::vector<std::unique_ptr<QTextLayout>> layouts;
    struct Placed {
        QTextLayout* layout;
        int index;
        double width;
    };
    std::vector<Placed> lines;
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    for (const QString& para : Paragraphs(k.text)) {
        auto layout = std::make_unique<QTextLayout>(para, font);
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        bool any = false;
        for (;;) {
            QTextLine line = layout->createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(wrap ? k.w : 1e7);
            lines.push_back({layout.get(), line.lineNumber(), line.naturalTextWidth()});
            out.lines.push_back(para.mid(line.textStart(), line.textLength()).toStdString());
            any = true;
        }
        layout->endLayout();
        if (!any) {
            lines.push_back({layout.get(), -1, 0});
            out.lines.emplace_back();
        }
        layouts.push_back(std::move(layout));
    }
    const int hAlign = ((k.align % 3) + 3) % 3;
    const int vAlign = std::clamp(k.align / 3, 0, 2);
    const double total = lineStep * static_cast<double>(lines.size());
    const double boxH = k.h > 0 ? k.h : 0;
    double top = k.y + (vAlign == 0 ? 0 : vAlign == 1 ? (boxH - total) / 2 : boxH - total);
    const double boxW = wrap ? k.w : 0;
    for (size_t n = 0; n < lines.size(); ++n) {
        const Placed& pl = lines[n];
        const double y = top + lineStep * static_cast<double>(n);
        if (pl.index < 0)
            continue;
        QTextLine line = pl.layout->lineAt(pl.index);
        const double left = k.x + (hAlign == 0   ? 0
                                   : hAlign == 1 ? (boxW - pl.width) / 2
                                                 : boxW - pl.width);
        // Glyph positions are relative to the line's own origin and baseline.
        const QPointF origin(left - line.x(), y + fm.ascent());
        for (const QGlyphRun& run : line.glyphRuns()) {
            const QRawFont raw = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype g = 0; g < glyphs.size() && g < positions.size(); ++g) {
                QPainterPath glyph = raw.pathForGlyph(glyphs[g]);
                if (glyph.isEmpty())
                    continue;
                const QPointF at =
                    origin + QPointF(positions[g].x(), positions[g].y() - line.y() - line.ascent());
                out.path.addPath(glyph.translated(at));
            }
        }
    }
    out.path.setFillRule(Qt::WindingFill);
    out.empty = out.path.isEmpty();
    return out;
}

// The rainbow texture mirrored beside itself, so that repeating it gives
// the TileFlipX wrap.
QImage FlipTile(const QImage& img) {
    QImage tile(img.width() * 2, img.height(), QImage::Format_RGB32);
    QPainter p(&tile);
    p.drawImage(0, 0, img);
    p.drawImage(img.width(), 0, img.mirrored(true, false));
    p.end();
    return tile;
}

}  // namespace

struct QtTextRenderer::Impl {
    QByteArray rainbowBytes;
    QImage rainbowTile;  // decoded once; the same pixels as a fresh decode
    bool rainbowDecoded = false;
    LruCache<Layout> layouts{kLayoutCacheEntries};
    LruCache<Sprite> sprites{kSpriteCacheEntries, kSpriteCacheBytes};

    const QImage* Rainbow() {
        if (!rainbowDecoded) {
            rainbowDecoded = true;
            QImage img;
            if (!rainbowBytes.isEmpty() && img.loadFromData(rainbowBytes) && !img.isNull())
                rainbowTile = FlipTile(img.convertToFormat(QImage::Format_RGB32));
        }
        return rainbowTile.isNull() ? nullptr : &rainbowTile;
    }

    const Layout& LayoutFor(const TextDrawRequest& r) {
        LayoutKey k{r.text, r.fontName, r.emSize, r.fontStyle, r.alignment,
                    r.x,    r.y,        r.width,  r.height};
        const std::string key = k.Bytes();
        if (Layout* hit = layouts.Find(key))
            return *hit;
        Layout l = BuildLayout(k);
        const size_t bytes = key.size() + static_cast<size_t>(l.path.elementCount()) * 24;
        return layouts.Put(key, std::move(l), bytes);
    }

    // The brush of a fill pattern; false when the pattern fills nothing.
    bool MakeBrush(const TextDrawRequest& r, QBrush& brush) {
        const int32_t code = r.fillPattern;
        if (code == 0) {
            brush = QBrush(FromArgb(r.firstColour));
            return true;
        }
        if (code == 2) {
            const QImage* tile = Rainbow();
            if (!tile)
                return false;
            brush = QBrush(*tile);
            const double sx =
                r.textureScaleX > 0 && std::isfinite(r.textureScaleX) ? r.textureScaleX : 1;
            const double sy =
                r.textureScaleY > 0 && std::isfinite(r.textureScaleY) ? r.textureScaleY : 1;
            if (sx != 1 || sy != 1)
                brush.setTransform(QTransform::fromScale(sx, sy));
            return true;
        }
        if (code < 4 || code > 18 || code % 2 != 0)
            return false;
        const int k = code / 2 - 2;
        const int mode = k % 4;
        double w = r.width, h = r.height;
        if (k >= 4) {
            if (mode == 0 || mode >= 2)
                w /= 2;
            if (mode == 1 || mode >= 2)
                h /= 2;
        }
        if (!(std::fabs(w) > 1e-9))
            w = 1;
        if (!(std::fabs(h) > 1e-9))
            h = 1;
        // The gradient runs over the unit square mapped onto the gradient
        // rectangle, so the diagonal modes join opposite corners of the
        // rectangle (the middle colour lies on the other diagonal), and
        // the reflecting spread mirrors it beyond the rectangle.
        QLinearGradient g;
        switch (mode) {
            case 0:
                g = QLinearGradient(0, 0, 1, 0);
                break;
            case 1:
                g = QLinearGradient(0, 0, 0, 1);
                break;
            case 2:
                g = QLinearGradient(0, 0, 1, 1);
                break;
            default:
                g = QLinearGradient(1, 0, 0, 1);
                break;
        }
        g.setColorAt(0, FromArgb(r.firstColour));
        g.setColorAt(1, FromArgb(r.secondColour));
        g.setSpread(QGradient::ReflectSpread);
        brush = QBrush(g);
        brush.setTransform(QTransform(w, 0, 0, h, r.x, r.y));
        return true;
    }

    static std::string SpriteKey(const TextDrawRequest& r, const Surface& s) {
        LayoutKey k{r.text, r.fontName, r.emSize, r.fontStyle, r.alignment,
                    r.x,    r.y,        r.width,  r.height};
        std::string key = k.Bytes();
        auto put = [&key](const void* p, size_t n) { key.append(static_cast<const char*>(p), n); };
        const int32_t ints[] = {r.borderWidth,       r.fillPattern, r.borderSuppressed ? 1 : 0,
                                r.antiAlias ? 1 : 0, s.width(),     s.height()};
        put(ints, sizeof ints);
        const uint32_t colours[] = {r.firstColour, r.secondColour, r.borderColour};
        put(colours, sizeof colours);
        put(&r.textureScaleX, sizeof r.textureScaleX);
        put(&r.textureScaleY, sizeof r.textureScaleY);
        return key;
    }

    // Fills and strokes the outline into a sprite covering its ink (within
    // the surface).
    Sprite MakeSprite(const TextDrawRequest& r, const Layout& layout, const Surface& surface) {
        Sprite sp;
        QBrush brush;
        const bool fill = MakeBrush(r, brush);
        const bool border = r.borderWidth >= 1 && !r.borderSuppressed;
        if (!fill && !border)
            return sp;
        QPainterPath stroke;
        if (border) {
            QPainterPathStroker stroker;
            stroker.setWidth(std::min(r.borderWidth, 1000));
            stroker.setJoinStyle(Qt::RoundJoin);
            stroker.setCapStyle(Qt::RoundCap);
            stroke = stroker.createStroke(layout.path);
        }
        QRectF ink = layout.path.boundingRect();
        if (border)
            ink = ink.united(stroke.boundingRect());
        const double x0 = std::max(std::floor(ink.left()) - 1, 0.0);
        const double y0 = std::max(std::floor(ink.top()) - 1, 0.0);
        const double x1 = std::min(std::ceil(ink.right()) + 1, static_cast<double>(surface.width()));
        const double y1 = std::min(std::ceil(ink.bottom()) + 1, static_cast<double>(surface.height()));
        if (x1 <= x0 || y1 <= y0)
            return sp;
        sp.x = static_cast<int32_t>(x0);
        sp.y = static_cast<int32_t>(y0);
        sp.image = QImage(static_cast<int>(x1 - x0), static_cast<int>(y1 - y0),
                          QImage::Format_ARGB32_Premultiplied);
        if (sp.image.isNull())
            return sp;
        sp.image.fill(Qt::transparent);
        QPainter p(&sp.image);
        p.setRenderHint(QPainter::Antialiasing, r.antiAlias);
        p.translate(-x0, -y0);
        // The outline lies over the fill.
        if (fill)
            p.fillPath(layout.path, brush);
        if (border)
            p.fillPath(stroke, FromArgb(r.borderColour));
        p.end();
        return sp;
    }
};

QtTextRenderer::QtTextRenderer(std::vector<uint8_t> rainbowJpeg) : impl_(std::make_unique<Impl>()) {
    SetRainbowTexture(std::move(rainbowJpeg));
}

QtTextRenderer::~QtTextRenderer() = default;

void QtTextRenderer::SetRainbowTexture(std::vector<uint8_t> rainbowJpeg) {
    impl_->rainbowBytes = QByteArray(reinterpret_cast<const char*>(rainbowJpeg.data()),
                                     static_cast<qsizetype>(rainbowJpeg.size()));
    impl_->rainbowDecoded = false;
    impl_->rainbowTile = QImage();
    impl_->sprites.Clear();
}

void QtTextRenderer::DrawText(Surface& surface, const TextDrawRequest& r) {
    if (surface.empty())
        return;
    if (r.clear)
        std::fill(surface.data(), surface.data() + size_t(surface.stride()) * surface.height(),
                  0x01000000u);
    if (r.clipped && r.clip.empty())
        return;
    const std::string key = Impl::SpriteKey(r, surface);
    const Sprite* sp = impl_->sprites.Find(key);
    if (!sp) {
        const Layout& layout = impl_->LayoutFor(r);
        Sprite made;
        if (!layout.empty)
            made = impl_->MakeSprite(r, layout, surface);
        const size_t bytes = key.size() + static_cast<size_t>(made.image.sizeInBytes());
        sp = &impl_->sprites.Put(key, std::move(made), bytes);
    }
    if (sp->image.isNull())
        return;
    QImage target(reinterpret_cast<uchar*>(surface.data()), surface.width(), surface.height(),
                  static_cast<qsizetype>(surface.bytesPerLine()), QImage::Format_RGB32);
    QPainter p(&target);
    if (r.clipped)
        p.setClipRect(QRect(r.clip.x, r.clip.y, r.clip.w, r.clip.h));
    p.drawImage(sp->x, sp->y, sp->image);
}

TextExtent QtTextRenderer::MeasureText(const std::string& text, const std::string& fontName,
                                       double emSize, int32_t fontStyle) {
    TextExtent e;
    if (text.empty() || !(emSize > 0) || !std::isfinite(emSize))
        return e;
    const QFont font = MakeFont(fontName, emSize, fontStyle);
    const QFontMetricsF fm(font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    const QStringList paras = Paragraphs(text);
    double width = 0;
    for (const QString& para : paras) {
        QTextLayout layout(para, font);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        if (line.isValid()) {
            line.setLineWidth(1e7);
            width = std::max(width, line.naturalTextWidth());
        }
        layout.endLayout();
    }
    e.width = width;
    e.height = fm.lineSpacing() * static_cast<double>(paras.size());
    return e;
}

TextExtent QtTextRenderer::InkBounds(const TextDrawRequest& r) {
    const Layout& layout = impl_->LayoutFor(r);
    if (layout.empty)
        return {};
    const QRectF b = layout.path.boundingRect();
    return {b.x(), b.y(), b.width(), b.height()};
}

std::vector<std::string> QtTextRenderer::LineTexts(const TextDrawRequest& r) {
    return impl_->LayoutFor(r).lines;
}

size_t QtTextRenderer::cachedDrawings() const {
    return impl_->sprites.size();
}

void QtTextRenderer::ClearCache() {
    impl_->sprites.Clear();
    impl_->layouts.Clear();
}

std::vector<std::string> EnumerateFontFamilies() {
    std::vector<std::string> out;
    for (const QString& f : QFontDatabase::families())
        out.push_back(f.toStdString());
    return out;
}

std::string CjkFallbackFamily() {
    static std::once_flag once;
    static std::string family;
    std::call_once(once, [] {
        const QStringList all = QFontDatabase::families();
        for (const char* preferred : {"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei",
                                      "Noto Serif CJK SC", "AR PL UMing CN"}) {
            if (all.contains(QString::fromLatin1(preferred))) {
                family = preferred;
                return;
            }
        }
        const QStringList zh = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        if (!zh.isEmpty())
            family = zh.front().toStdString();
    });
    return family;
}

void EnsureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "velmora";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

}  // namespace velmora::render
