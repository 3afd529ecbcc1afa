// Device contexts, fonts, bitmaps, brushes and icons on QPainter / QImage.
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <unordered_map>

#include "platform/core/Exceptions.h"
#include "platform/core/Text.h"
#include "platform/ui/Backend_qt.h"
#include "platform/ui/MessageBox.h"
#include "platform/win/WinApp.h"

using namespace zui::detail;

// ---------------------------------------------------------------------------------------
// Registry of live GDI objects: handles of deleted objects are refused, never followed.

namespace {
std::unordered_map<const void*, GdiObject*>& Registry() {
    static std::unordered_map<const void*, GdiObject*> registry;
    return registry;
}
template <typename T> T* NewObject() {
    T* object = new T();
    Registry()[static_cast<const void*>(object)] = object;
    return object;
}
template <typename T> T* Live(const void* handle, GdiKind kind) {
    GdiObject* o = LiveObject(handle);
    return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}

// The shared brushes, icons and fallback font live as long as the program and are freed at
// its end. The registry is made first, so it outlives them and their destructors find it.
struct StockObjects {
    StockObjects() { Registry(); }
    std::map<COLORREF, std::unique_ptr<HBRUSH__>> brushes;
    std::map<int, std::unique_ptr<HICON__>> icons;
    std::unique_ptr<HFONT__> fallbackFont;
};
StockObjects& Stock() {
    static StockObjects stock;
    return stock;
}
} // namespace

namespace zui::detail {
GdiObject::~GdiObject() {
    for (auto it = Registry().begin(); it != Registry().end(); ++it) {
        if (it->second == this) {
            Registry().erase(it);
            break;
        }
    }
}
GdiObject* LiveObject(const void* handle) {
    if (!handle)
        return nullptr;
    auto it = Registry().find(handle);
    return it == Registry().end() ? nullptr : it->second;
}
} // namespace zui::detail

HFONT__::~HFONT__() {
    if (temp) {
        temp->m_hObject = nullptr;
        delete temp;
    }
}
HBITMAP__::~HBITMAP__() {
    if (temp) {
        temp->m_hObject = nullptr;
        delete temp;
    }
}

namespace {
bool IsShellDialogFace(const QString& face) {
    return face.isEmpty() || face.compare(QLatin1String("MS Shell Dlg"), Qt::CaseInsensitive) == 0 ||
           face.compare(QLatin1String("MS Shell Dlg 2"), Qt::CaseInsensitive) == 0 ||
           face.compare(QLatin1String("System"), Qt::CaseInsensitive) == 0;
}
} // namespace

namespace zui::detail {
// Hangul always comes from NanumGothic. Latin text comes from faces chosen by measurement for
// the widths the program was laid out with, and with NanumGothic's ascent so that Hangul keeps
// its place in the line: the Korean dialog face's digits are half an em or a little less
// (Liberation Sans Narrow: 5.5 px at 12 px), Tahoma's bold digits 0.64 em (DejaVu Sans
// Condensed Bold: 0.63 em).
QStringList FamiliesFor(const QString& face) {
    if (IsShellDialogFace(face))
        return {QStringLiteral("Liberation Sans Narrow"), kHangulFamily};
    if (face.compare(QLatin1String("Tahoma"), Qt::CaseInsensitive) == 0)
        return {QStringLiteral("DejaVu Sans Condensed"), kHangulFamily};
    return {face, kHangulFamily};
}
} // namespace zui::detail

QFont HFONT__::Font() const {
    if (cache)
        return *cache;
    EnsureApplication();
    QFont f;
    QString face = ToQ(CString(lf.lfFaceName, static_cast<int>(strnlen(lf.lfFaceName, LF_FACESIZE))));
    f.setFamilies(FamiliesFor(face));
    f.setStyleHint(QFont::SansSerif);
    // Stems on whole pixels, as the target draws its dialog text: a stroke shows the text
    // colour itself, not a blend of it with the background.
    f.setHintingPreference(QFont::PreferFullHinting);
    int px = defaultPixelSize;
    if (lf.lfHeight < 0) {
        px = -lf.lfHeight;
    } else if (lf.lfHeight > 0) {
        // A positive height is the character cell (ascent + descent): scale the em to fit it.
        f.setPixelSize(lf.lfHeight);
        int cell = QFontMetrics(f).height();
        px = cell > 0 ? std::max(1, MulDiv(lf.lfHeight, lf.lfHeight, cell)) : lf.lfHeight;
    }
    f.setPixelSize(std::max(1, px));
    if (lf.lfWeight > 0)
        f.setWeight(static_cast<QFont::Weight>(std::clamp<int>(lf.lfWeight, 1, 1000)));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    cache = std::make_unique<QFont>(f);
    return f;
}

// ---------------------------------------------------------------------------------------
// Conversions.

namespace zui::detail {

QString ToQ(const char* ansi) {
    std::u16string u = AnsiToUtf16(ansi ? ansi : "");
    return QString::fromStdU16String(u);
}
QString ToQ(const CString& ansi) {
    return ToQ(ansi.GetString());
}
CString FromQ(const QString& text) {
    return Utf16ToAnsi(text.toStdU16String());
}
QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
COLORREF FromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}
QRect ToQRect(const RECT& r) {
    return QRect(QPoint(std::min(r.left, r.right), std::min(r.top, r.bottom)),
                 QSize(std::abs(r.right - r.left), std::abs(r.bottom - r.top)));
}
RECT FromQRect(const QRect& r) {
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
int MulDiv(int value, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    long long p = static_cast<long long>(value) * numerator;
    long long half = std::abs(static_cast<long long>(denominator)) / 2;
    long long q = (p >= 0) == (denominator > 0) ? (std::abs(p) + half) / std::abs(denominator)
                                                : -((std::abs(p) + half) / std::abs(denominator));
    return static_cast<int>(q);
}

// A line height a hair over whole pixels still takes those pixels only.
constexpr qreal kPixelSlack = 0.01;

int HangulLineHeight(const QFont& font) {
    QTextLayout layout(QString(QChar(0xAC00)), font); // the first Hangul syllable
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setNumColumns(1);
    const qreal height = line.isValid() ? line.height() : QFontMetricsF(font).height();
    layout.endLayout();
    return static_cast<int>(std::ceil(height - kPixelSlack));
}

HFONT MakeStockFont(const LOGFONTA& lf, int defaultPixelSize) {
    HFONT f = NewObject<HFONT__>();
    f->lf = lf;
    f->defaultPixelSize = defaultPixelSize;
    f->stock = true;
    return f;
}

QFont FontOf(HFONT font) {
    if (auto* f = Live<HFONT__>(font, GdiKind::Font))
        return f->Font();
    auto& fallback = Stock().fallbackFont;
    if (!fallback) {
        LOGFONTA lf{};
        lf.lfHeight = -12;
        fallback.reset(MakeStockFont(lf, 12));
    }
    return fallback->Font();
}

HBRUSH SystemBrush(COLORREF colour) {
    return StockBrush(colour);
}

HBRUSH StockBrush(COLORREF colour) {
    auto& brush = Stock().brushes[colour];
    if (!brush) {
        brush.reset(NewObject<HBRUSH__>());
        brush->colour = colour;
        brush->stock = true;
    }
    return brush.get();
}

HDC MakePaintDC(QPainter* painter, HFONT font) {
    HDC dc = new HDC__();
    dc->painter = painter;
    dc->font = font;
    return dc;
}

void FreeDC(HDC dc) {
    if (!dc)
        return;
    dc->EndSurface();
    if (dc->temp) {
        dc->temp->m_hDC = nullptr;
        delete dc->temp;
    }
    delete dc;
}

// ---------------------------------------------------------------------------------------
// Painting scopes.

namespace {
struct PaintEntry {
    HWND wnd;
    HDC dc;
    QWidget* widget;
};
std::vector<PaintEntry>& Painting() {
    static std::vector<PaintEntry> stack;
    return stack;
}
std::vector<CString>& PendingReports() {
    static std::vector<CString> reports;
    return reports;
}
} // namespace

PaintScope::PaintScope(HWND wnd, HDC dc, QWidget* widget) {
    Painting().push_back(PaintEntry{wnd, dc, widget});
}
PaintScope::~PaintScope() {
    Painting().pop_back();
}
HDC CurrentPaintDC(HWND wnd) {
    for (auto it = Painting().rbegin(); it != Painting().rend(); ++it)
        if (it->wnd == wnd)
            return it->dc;
    return nullptr;
}
bool PaintingAncestorOf(QWidget* widget) {
    for (const PaintEntry& e : Painting())
        if (e.widget && (e.widget == widget || e.widget->isAncestorOf(widget)))
            return true;
    return false;
}

LRESULT SafeSend(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return SendMessageA(wnd, message, wParam, lParam);
    } catch (CException* e) {
        // Reported once the loop is idle: a message box cannot open inside painting.
        PendingReports().push_back(e->GetErrorMessage());
        e->Delete();
        return 0;
    }
}

void ReportPendingExceptions() {
    std::vector<CString> reports;
    reports.swap(PendingReports());
    for (const CString& text : reports)
        AfxMessageBox(text, MB_OK | MB_ICONSTOP);
}

} // namespace zui::detail

// ---------------------------------------------------------------------------------------
// Device contexts.

QPainter* HDC__::Painter() {
    if (painter)
        return painter;
    QImage* target = memory ? (selectedBitmap ? &selectedBitmap->image : nullptr) : surface;
    if (!target || target->isNull())
        return nullptr;
    if (!own)
        own = std::make_unique<QPainter>(target);
    return own.get();
}

void HDC__::EndSurface() {
    if (own) {
        own->end();
        own.reset();
    }
}

namespace {
QString StripPrefix(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                out += QLatin1Char('&');
            ++i;
            if (i < text.size() && text[i] != QLatin1Char('&'))
                out += text[i];
            continue;
        }
        out += text[i];
    }
    return out;
}

void Fill(HDC dc, const QRect& r, COLORREF colour) {
    if (QPainter* p = dc->Painter())
        p->fillRect(r, ToQColor(colour));
}
} // namespace

HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
    if (!logFont)
        return nullptr;
    HFONT f = NewObject<HFONT__>();
    f->lf = *logFont;
    f->lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    return f;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    HBRUSH b = NewObject<HBRUSH__>();
    b->colour = colour & 0x00FFFFFF;
    return b;
}

int GetObjectA(HGDIOBJ object, int size, void* buffer) {
    GdiObject* o = LiveObject(object);
    if (!o)
        return 0;
    if (o->kind == GdiKind::Font) {
        auto* f = static_cast<HFONT__*>(o);
        if (!buffer)
            return sizeof(LOGFONTA);
        int n = std::min<int>(size, sizeof(LOGFONTA));
        std::memcpy(buffer, &f->lf, n);
        return n;
    }
    if (o->kind == GdiKind::Bitmap) {
        auto* b = static_cast<HBITMAP__*>(o);
        if (!buffer)
            return sizeof(BITMAP);
        BITMAP bm{0, b->image.width(), b->image.height(), b->image.width() * 4, 1, 32, nullptr};
        int n = std::min<int>(size, sizeof(BITMAP));
        std::memcpy(buffer, &bm, n);
        return n;
    }
    return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
    GdiObject* o = LiveObject(object);
    if (!o || o->stock)
        return FALSE;
    delete o;
    return TRUE;
}

HDC CreateCompatibleDC(HDC dc) {
    HDC m = new HDC__();
    m->memory = true;
    if (dc)
        m->font = dc->font;
    return m;
}

BOOL DeleteDC(HDC dc) {
    if (!dc)
        return FALSE;
    FreeDC(dc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    GdiObject* o = LiveObject(object);
    if (!dc || !o)
        return nullptr;
    switch (o->kind) {
    case GdiKind::Font: {
        HFONT old = dc->font;
        dc->font = static_cast<HFONT>(o);
        return old;
    }
    case GdiKind::Brush: {
        HBRUSH old = dc->brush;
        dc->brush = static_cast<HBRUSH>(o);
        return old;
    }
    case GdiKind::Bitmap: {
        if (!dc->memory)
            return nullptr;
        dc->EndSurface();
        HBITMAP old = dc->selectedBitmap;
        dc->selectedBitmap = static_cast<HBITMAP>(o);
        return old;
    }
    default:
        return nullptr;
    }
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    if (!dc)
        return CLR_INVALID;
    COLORREF old = dc->textColour;
    dc->textColour = colour & 0x00FFFFFF;
    return old;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    if (!dc)
        return CLR_INVALID;
    COLORREF old = dc->bkColour;
    dc->bkColour = colour & 0x00FFFFFF;
    return old;
}

namespace {

// A stretched copy of an opaque image, kept while the image (its cache key changes with every
// change of its pixels), the part taken and the size stay the same: a window that stretches
// its picture at every paint then only copies it. Drawn as the stretch itself draws, so the
// pixels are the same.
const QImage* StretchedImage(const QImage& image, const QRect& from, const QSize& to) {
    struct Kept {
        qint64 image;
        QRect from;
        QSize to;
        QImage stretched;
    };
    constexpr std::size_t kKept = 8;
    constexpr qint64 kLargest = 2048 * 2048;
    static std::deque<Kept> kept; // the latest first
    if (image.hasAlphaChannel() || !image.rect().contains(from) || to.isEmpty() ||
        static_cast<qint64>(to.width()) * to.height() > kLargest)
        return nullptr;
    const qint64 key = image.cacheKey();
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->image == key && it->from == from && it->to == to) {
            if (it != kept.begin()) {
                Kept found = std::move(*it);
                kept.erase(it);
                kept.push_front(std::move(found));
            }
            return &kept.front().stretched;
        }
    }
    QImage stretched(to, image.format());
    {
        QPainter p(&stretched);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(QPoint(0, 0), to), image, from);
    }
    kept.push_front(Kept{key, from, to, std::move(stretched)});
    if (kept.size() > kKept)
        kept.pop_back();
    return &kept.front().stretched;
}

// Whether a copy drawn on the painter lands pixel for pixel (whole-pixel moves only, opaque).
bool CopiesPixelForPixel(const QPainter& p) {
    const QTransform& t = p.transform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) &&
           t.dy() == std::floor(t.dy()) && p.opacity() == 1.0 &&
           p.compositionMode() == QPainter::CompositionMode_SourceOver;
}

} // namespace

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                int heightSrc, DWORD rop) {
    if (!dst || !src || rop != SRCCOPY)
        return FALSE;
    const QImage* image = nullptr;
    if (src->memory && src->selectedBitmap) {
        src->EndSurface();
        image = &src->selectedBitmap->image;
    } else if (src->surface) {
        src->EndSurface();
        image = src->surface;
    }
    if (!image || image->isNull())
        return FALSE;
    QPainter* p = dst->Painter();
    if (!p)
        return TRUE; // a DC that shows nowhere
    const QRect from(xSrc, ySrc, widthSrc, heightSrc);
    if ((width != widthSrc || height != heightSrc) && width > 0 && height > 0 && widthSrc > 0 &&
        heightSrc > 0 && CopiesPixelForPixel(*p)) {
        if (const QImage* stretched = StretchedImage(*image, from, QSize(width, height))) {
            p->drawImage(QPoint(x, y), *stretched);
            return TRUE;
        }
    }
    p->save();
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    p->drawImage(QRect(x, y, width, height), *image, from);
    p->restore();
    return TRUE;
}

int DrawTextA(HDC dc, const char* text, int length, RECT* rect, UINT format) {
    if (!dc || !rect || !text)
        return 0;
    CString s = length < 0 ? CString(text) : CString(text, length);
    QString q = ToQ(s);
    if (!(format & DT_NOPREFIX))
        q = StripPrefix(q);
    QFont font = FontOf(dc->font);
    QFontMetrics fm(font);
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
        if (format & DT_WORDBREAK)
            flags |= Qt::TextWordWrap;
    }
    QRect r = ToQRect(*rect);
    QRect bound = fm.boundingRect(r, flags, q);
    if (format & DT_CALCRECT) {
        rect->right = rect->left + bound.width();
        rect->bottom = rect->top + bound.height();
        return bound.height();
    }
    QPainter* p = dc->Painter();
    if (!p)
        return bound.height();
    p->save();
    p->setFont(font);
    if (!(format & DT_NOCLIP))
        p->setClipRect(r, Qt::IntersectClip);
    if (dc->bkMode == OPAQUE && !q.isEmpty())
        p->fillRect(bound, ToQColor(dc->bkColour));
    p->setPen(ToQColor(dc->textColour));
    p->drawText(r, flags, q);
    p->restore();
    return bound.height();
}

namespace {
// System 3-D colours of the edges.
constexpr COLORREF kLight = 0xE3E3E3;
constexpr COLORREF kHilight = 0xFFFFFF;
constexpr COLORREF kShadow = 0xA0A0A0;
constexpr COLORREF kDkShadow = 0x696969;

void EdgeLines(HDC dc, const QRect& r, UINT flags, COLORREF topLeft, COLORREF bottomRight) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    if (flags & BF_TOP)
        Fill(dc, QRect(r.left(), r.top(), r.width(), 1), topLeft);
    if (flags & BF_LEFT)
        Fill(dc, QRect(r.left(), r.top(), 1, r.height()), topLeft);
    if (flags & BF_BOTTOM)
        Fill(dc, QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    if (flags & BF_RIGHT)
        Fill(dc, QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}
} // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
    if (!dc || !rect)
        return FALSE;
    QRect r = ToQRect(*rect);
    UINT outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
    UINT inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
    if (outer == BDR_RAISEDOUTER)
        EdgeLines(dc, r, flags, kLight, kDkShadow);
    else if (outer == BDR_SUNKENOUTER)
        EdgeLines(dc, r, flags, kShadow, kHilight);
    QRect in = r.adjusted(1, 1, -1, -1);
    if (inner == BDR_RAISEDINNER)
        EdgeLines(dc, in, flags, kHilight, kShadow);
    else if (inner == BDR_SUNKENINNER)
        EdgeLines(dc, in, flags, kDkShadow, kLight);
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    auto* i = Live<HICON__>(icon, GdiKind::Icon);
    if (!dc || !i)
        return FALSE;
    if (QPainter* p = dc->Painter())
        p->drawImage(QRect(x, y, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)), i->image);
    return TRUE;
}

HDC GetDC(HWND hWnd) {
    WidgetPeer* peer = WidgetPeer::Of(hWnd);
    HDC dc = new HDC__();
    dc->window = hWnd;
    if (peer) {
        dc->surface = peer->Surface();
        dc->font = peer->Font();
    }
    return dc;
}

int ReleaseDC(HWND hWnd, HDC dc) {
    if (!dc)
        return 0;
    dc->EndSurface();
    WidgetPeer* peer = WidgetPeer::Of(hWnd);
    // Drawn during an ancestor's painting, the window is painted after it anyway; an extra
    // update there would paint the ancestor again, and again.
    if (peer && peer->Widget() && !PaintingAncestorOf(peer->Widget()))
        peer->Widget()->update();
    FreeDC(dc);
    return 1;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        EnsureApplication();
        QScreen* s = QGuiApplication::primaryScreen();
        if (!s)
            return 0;
        return index == SM_CXSCREEN ? s->geometry().width() : s->geometry().height();
    }
    default:
        return 0;
    }
}

namespace {
// A resource image is drawn from its template once and kept, as a loaded module keeps its
// resources: windows that load it on every paint copy the kept image.
QImage ImageOf(int id) {
    const ImageTemplate* t = FindImage(id);
    if (!t || t->width <= 0 || t->height <= 0 || !t->pixel)
        return QImage();
    static std::map<const ImageTemplate*, QImage> drawn;
    auto it = drawn.find(t);
    if (it != drawn.end())
        return it->second;
    QImage& image = drawn[t];
    image = QImage(t->width, t->height, QImage::Format_RGB32);
    for (int y = 0; y < t->height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < t->width; ++x)
            line[x] = 0xFF000000u | (t->pixel(x, y) & 0x00FFFFFFu);
    }
    return image;
}
int ResourceId(const char* name) {
    auto v = reinterpret_cast<ULONG_PTR>(name);
    return v <= 0xFFFF ? static_cast<int>(v) : -1;
}
} // namespace

HICON LoadIconA(HINSTANCE, const char* name) {
    int id = ResourceId(name);
    auto& icons = Stock().icons;
    auto it = icons.find(id);
    if (it != icons.end())
        return it->second.get();
    QImage image = ImageOf(id);
    if (image.isNull())
        return nullptr;
    auto& icon = icons[id];
    icon.reset(NewObject<HICON__>());
    icon->image = image;
    icon->stock = true;
    return icon.get();
}

HBITMAP LoadBitmapA(HINSTANCE, const char* name) {
    QImage image = ImageOf(ResourceId(name));
    if (image.isNull())
        return nullptr;
    HBITMAP b = NewObject<HBITMAP__>();
    b->image = image;
    return b;
}

HICON CWinApp::LoadIcon(UINT id) const {
    return LoadIconA(nullptr, MAKEINTRESOURCE(id));
}

// ---------------------------------------------------------------------------------------
// Objects.

CGdiObject::~CGdiObject() {
    DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (m_hObject || !object)
        return FALSE;
    m_hObject = object;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CFont::CreateFontIndirect(const LOGFONT* logFont) {
    return Attach(::CreateFontIndirectA(logFont));
}

int CFont::GetLogFont(LOGFONT* logFont) const {
    return ::GetObjectA(m_hObject, sizeof(LOGFONT), logFont);
}

CFont* CFont::FromHandle(HFONT font) {
    auto* f = Live<HFONT__>(font, GdiKind::Font);
    if (!f)
        return nullptr;
    if (!f->temp) {
        f->temp = new CFont();
        f->temp->m_hObject = f;
    }
    return f->temp;
}

BOOL CBitmap::LoadBitmap(UINT id) {
    return Attach(::LoadBitmapA(nullptr, MAKEINTRESOURCE(id)));
}

int CBitmap::GetBitmap(BITMAP* bitmap) const {
    return ::GetObjectA(m_hObject, sizeof(BITMAP), bitmap);
}

CBitmap* CBitmap::FromHandle(HBITMAP bitmap) {
    auto* b = Live<HBITMAP__>(bitmap, GdiKind::Bitmap);
    if (!b)
        return nullptr;
    if (!b->temp) {
        b->temp = new CBitmap();
        b->temp->m_hObject = b;
    }
    return b->temp;
}

BOOL CBrush::CreateSolidBrush(COLORREF colour) {
    return Attach(::CreateSolidBrush(colour));
}

CDC::~CDC() {
    if (m_bOwned)
        DeleteDC();
}

BOOL CDC::Attach(HDC dc) {
    if (m_hDC || !dc)
        return FALSE;
    m_hDC = dc;
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    m_hDC = nullptr;
    m_bOwned = false;
    return dc;
}

CDC* CDC::FromHandle(HDC dc) {
    if (!dc)
        return nullptr;
    if (!dc->temp) {
        dc->temp = new CDC();
        dc->temp->m_hDC = dc;
    }
    return dc->temp;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
    if (m_hDC)
        return FALSE;
    m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
    m_bOwned = true;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC)
        return FALSE;
    HDC dc = m_hDC;
    m_hDC = nullptr;
    m_bOwned = false;
    if (dc->temp == this)
        dc->temp = nullptr;
    return ::DeleteDC(dc);
}

CFont* CDC::SelectObject(CFont* font) {
    return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, font ? font->m_hObject : nullptr)));
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    return CBitmap::FromHandle(
        static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap ? bitmap->m_hObject : nullptr)));
}

COLORREF CDC::SetTextColor(COLORREF colour) {
    return ::SetTextColor(m_hDC, colour);
}
COLORREF CDC::SetBkColor(COLORREF colour) {
    return ::SetBkColor(m_hDC, colour);
}
void CDC::FillSolidRect(const RECT* rect, COLORREF colour) {
    if (!m_hDC || !rect)
        return;
    m_hDC->bkColour = colour & 0x00FFFFFF;
    Fill(m_hDC, ToQRect(*rect), colour);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, colour);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
    if (rect)
        Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft,
                   bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx, y, -1, cy, bottomRight);
    FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

BOOL CDC::DrawEdge(RECT* rect, UINT edge, UINT flags) {
    return ::DrawEdge(m_hDC, rect, edge, flags);
}

int CDC::DrawText(const char* text, int length, RECT* rect, UINT format) {
    return ::DrawTextA(m_hDC, text, length, rect, format);
}

int CDC::DrawText(const CString& text, RECT* rect, UINT format) {
    return ::DrawTextA(m_hDC, text.GetString(), text.GetLength(), rect, format);
}

CSize CDC::GetTextExtent(const CString& text) const {
    if (!m_hDC)
        return CSize();
    QFontMetrics fm(FontOf(m_hDC->font));
    return CSize(fm.horizontalAdvance(ToQ(text)), fm.height());
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
    return ::DrawIcon(m_hDC, x, y, icon);
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, int widthSrc,
                     int heightSrc, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, width, height, src ? src->m_hDC : nullptr, xSrc, ySrc, widthSrc,
                        heightSrc, rop);
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
    HDC dc = CurrentPaintDC(m_hWnd);
    if (dc) {
        Attach(dc);
    } else {
        // Not inside the window's painting: a DC that draws nowhere.
        WidgetPeer* peer = WidgetPeer::Of(m_hWnd);
        Attach(MakePaintDC(nullptr, peer ? peer->Font() : nullptr));
        m_bOwnedPaint = true;
    }
}

CPaintDC::~CPaintDC() {
    HDC dc = Detach();
    if (m_bOwnedPaint)
        FreeDC(dc);
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC() {
    ::ReleaseDC(m_hWnd, Detach());
}

// ---------------------------------------------------------------------------------------
// CWnd members that belong to drawing.

CDC* CWnd::GetDC() {
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* dc) {
    if (!dc)
        return 0;
    HDC h = dc->m_hDC;
    if (h && h->temp == dc)
        return ::ReleaseDC(m_hWnd, h); // frees the temporary object too
    dc->Detach();
    return ::ReleaseDC(m_hWnd, h);
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
}

CFont* CWnd::GetFont() const {
    return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
}
