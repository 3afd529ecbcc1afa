// Report lists and their header. The rows live in the control's own store (a deque, so rows
// inserted at the top cost constant time); the widget paints only the visible rows and takes
// the new row count once per fill, when the event loop next runs.
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>

#include "platform/core/Text.h"
#include "platform/ui/Backend_qt.h"

using namespace zui::detail;

namespace {

constexpr DWORD LVS_NOCOLUMNHEADER_ = 0x4000;
constexpr DWORD LVS_TYPEMASK_ = 0x0003;
constexpr int kCellPadding = 6;
constexpr int kDividerGrip = 4;
constexpr COLORREF kHeaderLine = 0xE5E5E5;
constexpr int LVSCW_AUTOSIZE_ = -1;
constexpr int LVSCW_AUTOSIZE_USEHEADER_ = -2;
constexpr int HDF_STRING_ = 0x4000;
// Bytes of rows left behind (deleted or moved) that the list may hold before it packs its rows.
constexpr std::size_t kAbandonedKept = 1 << 20;

struct Column {
    CString text;
    int fmt = LVCFMT_LEFT;
    int width = 0;
};

// The bytes of a list's rows, taken from large blocks: a fill grows its newest row in place,
// and emptying the list keeps the blocks for the next fill instead of freeing every row.
class TextArena {
public:
    char* Allocate(std::size_t n) {
        if (n > kBlock / 4) {
            m_large.push_back(std::make_unique<char[]>(n));
            m_used += n;
            return m_large.back().get();
        }
        if (static_cast<std::size_t>(m_end - m_top) < n)
            NextBlock();
        char* p = m_top;
        m_top += n;
        m_used += n;
        return p;
    }
    // Grows the newest allocation where it lies, if its block has the room.
    bool Extend(char* p, std::size_t size, std::size_t newSize) {
        if (p + size != m_top || static_cast<std::size_t>(m_end - p) < newSize)
            return false;
        m_top = p + newSize;
        m_used += newSize - size;
        return true;
    }
    // The free bytes of the current block, for an allocation that knows its size only once
    // it is written there; Take then claims what was written.
    char* Top() const { return m_top; }
    char* End() const { return m_end; }
    void Take(char* newTop) {
        m_used += static_cast<std::size_t>(newTop - m_top);
        m_top = newTop;
    }
    void Abandon(std::size_t n) { m_abandoned += n; }
    std::size_t Abandoned() const { return m_abandoned; }
    std::size_t Used() const { return m_used; }
    void Clear() {
        m_large.clear();
        m_next = 0;
        m_top = m_end = nullptr;
        m_used = m_abandoned = 0;
    }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    void NextBlock() {
        if (m_next == m_blocks.size())
            m_blocks.push_back(std::make_unique<char[]>(kBlock));
        m_top = m_blocks[m_next++].get();
        m_end = m_top + kBlock;
    }

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<std::unique_ptr<char[]>> m_large;
    std::size_t m_next = 0;
    char* m_top = nullptr;
    char* m_end = nullptr;
    std::size_t m_used = 0;
    std::size_t m_abandoned = 0;
};

// A row's cells in one buffer of the arena, each ended by its NUL (a cell text never holds
// one). Its size is a power of two, so the deque finds a row by shifts.
class alignas(32) Row {
public:
    int Count() const { return static_cast<int>(m_count); }
    std::size_t Size() const { return m_size; }
    std::size_t Capacity() const { return m_capacity; }

    // The cell's text; empty beyond the cells set.
    const char* Cell(int col) const {
        if (col < 0 || col >= Count())
            return "";
        return m_text + Offset(col);
    }
    // Every cell in one pass over the row's bytes, into `cells`; those beyond the row's own
    // are empty. The bytes are read eight at a time, their NULs found by bit tricks.
    void Cells(std::string_view* cells, int count) const {
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
        const char* const end = m_text + m_size;
        const char* start = m_text;
        int col = 0;
        auto cellEnds = [&](const char* at) {
            if (col < count)
                cells[col] = std::string_view(start, static_cast<std::size_t>(at - start));
            ++col;
            start = at + 1;
        };
        const char* p = m_text;
        for (; p && end - p >= 8; p += 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            // The top bit of each NUL byte, and of no other.
            for (std::uint64_t zeros = ~(((word & kLow7) + kLow7) | word | kLow7); zeros; zeros &= zeros - 1)
                cellEnds(p + __builtin_ctzll(zeros) / 8);
        }
        for (; p && p < end; ++p)
            if (*p == 0)
                cellEnds(p);
        for (; col < count; ++col)
            cells[col] = std::string_view();
    }
    void Set(TextArena& arena, int col, const char* text) {
        if (col == Count() && AppendInPlace(arena, text))
            return;
        const std::size_t length = std::strlen(text);
        if (col >= Count()) {
            const std::size_t gap = static_cast<std::size_t>(col - Count());
            char* at = Grow(arena, m_size + gap + length + 1);
            std::memset(at, 0, gap);
            std::memcpy(at + gap, text, length + 1);
            m_count = static_cast<std::uint32_t>(col + 1);
            return;
        }
        const std::size_t at = Offset(col);
        const std::size_t old = std::strlen(m_text + at);
        Replace(arena, at, old, text, length);
    }
    // An empty cell before `col`, when the row reaches beyond it.
    void InsertAt(TextArena& arena, int col) {
        if (col < Count()) {
            Replace(arena, Offset(col), 0, "", 1);
            ++m_count;
        }
    }
    void EraseAt(TextArena& arena, int col) {
        if (col < Count()) {
            const std::size_t at = Offset(col);
            Replace(arena, at, std::strlen(m_text + at) + 1, "", 0);
            --m_count;
        }
    }
    // Its bytes moved into a fresh arena.
    void MoveTo(TextArena& arena) {
        if (m_size == 0) {
            m_text = nullptr;
            m_capacity = 0;
            return;
        }
        char* text = arena.Allocate(m_size);
        std::memcpy(text, m_text, m_size);
        m_text = text;
        m_capacity = static_cast<std::uint32_t>(m_size);
    }

private:
    std::size_t Offset(int col) const {
        const char* p = m_text;
        for (int i = 0; i < col; ++i)
            p += std::strlen(p) + 1;
        return static_cast<std::size_t>(p - m_text);
    }
    // A fill's next cell, when the row is the newest in the arena's block and the text fits
    // there: copied in one pass.
    bool AppendInPlace(TextArena& arena, const char* text) {
        char* start = m_text ? m_text + m_size : arena.Top();
        if (!start || start != arena.Top() || m_size != m_capacity)
            return false;
        char* o = start;
        for (char* const end = arena.End(); o < end;) {
            if ((*o++ = *text++) == 0) {
                arena.Take(o);
                if (!m_text)
                    m_text = start;
                m_size = m_capacity = static_cast<std::uint32_t>(o - m_text);
                ++m_count;
                return true;
            }
        }
        return false;
    }
    // Room for `size` bytes, the present ones kept; returns the old end.
    char* Grow(TextArena& arena, std::size_t size) {
        if (size > m_capacity) {
            if (!arena.Extend(m_text, m_capacity, size)) {
                char* text = arena.Allocate(size);
                if (m_size)
                    std::memcpy(text, m_text, m_size);
                arena.Abandon(m_capacity);
                m_text = text;
            }
            m_capacity = static_cast<std::uint32_t>(size);
        }
        char* end = m_text + m_size;
        m_size = static_cast<std::uint32_t>(size);
        return end;
    }
    // Bytes [at, at + count) become `length` bytes of `text`.
    void Replace(TextArena& arena, std::size_t at, std::size_t count, const char* text, std::size_t length) {
        const std::size_t size = m_size;
        const std::size_t tail = size - at - count;
        if (length > count)
            Grow(arena, size + length - count);
        else
            m_size = static_cast<std::uint32_t>(size - count + length);
        std::memmove(m_text + at + length, m_text + at + count, tail);
        std::memcpy(m_text + at, text, length);
    }

    char* m_text = nullptr;
    std::uint32_t m_size = 0;
    std::uint32_t m_capacity = 0;
    std::uint32_t m_count = 0;
};
static_assert((sizeof(Row) & (sizeof(Row) - 1)) == 0, "a row's size is a power of two");

class ListPeer;
class HeaderPeer;

class HeaderWidget : public QWidget {
public:
    HeaderWidget(QWidget* parent, HWND list) : QWidget(parent), m_hList(list) { setMouseTracking(true); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int DividerAt(int x) const;
    ListPeer* List() const;
    HWND m_hList;
    int m_dragColumn = -1;
    int m_dragStartX = 0;
    int m_dragStartWidth = 0;
};

class ListWidget : public QWidget {
public:
    ListWidget(QWidget* parent, HWND list);
    HeaderWidget* Header() const { return m_header; }
    QScrollBar* VBar() const { return m_v; }
    QScrollBar* HBar() const { return m_h; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    ListPeer* List() const;
    HWND m_hList;
    HeaderWidget* m_header;
    QScrollBar* m_v;
    QScrollBar* m_h;
};

class ListPeer : public WidgetPeer {
public:
    ListPeer(CWnd* wnd, ListWidget* w) : WidgetPeer(wnd, w), m_view(w) { m_rowHeight = DefaultRowHeight(); }
    const char* ClassName() const override { return WC_LISTVIEW; }

    void CreateHeader();
    // The handle, not the object: binding the header to another object (a subclass) keeps it.
    HWND HeaderHandle() const { return m_headerWnd && IsWindow(m_headerWnd) ? m_headerWnd : nullptr; }
    bool HasHeader() const { return HeaderHandle() != nullptr; }

    std::vector<Column>& Columns() { return m_columns; }
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    int RowHeight() const { return m_rowHeight; }
    int TopRow() const { return std::clamp(m_topRow, 0, std::max(0, RowCount() - 1)); }
    int HOffset() const { return m_hOffset; }
    int Selected() const { return m_selected; }
    int Border() const {
        if (ExStyle() & WS_EX_CLIENTEDGE)
            return 2;
        return (Style() & WS_BORDER) ? 1 : 0;
    }
    int HeaderHeight() const {
        if (!HasHeader() || !m_view)
            return 0;
        return QFontMetrics(m_view->font()).height() + 8;
    }
    int TotalWidth() const {
        int w = 0;
        for (const Column& c : m_columns)
            w += c.width;
        return w;
    }
    // The client area in widget coordinates: inside the border, without the scroll bars.
    QRect Client() const {
        if (!m_view)
            return QRect();
        int b = Border();
        QRect r = m_view->rect().adjusted(b, b, -b, -b);
        if (m_view->VBar()->isVisible())
            r.setRight(r.right() - m_view->VBar()->width());
        if (m_view->HBar()->isVisible())
            r.setBottom(r.bottom() - m_view->HBar()->height());
        return r;
    }
    int VisibleRows() const {
        int h = Client().height() - HeaderHeight();
        return m_rowHeight > 0 ? std::max(0, h / m_rowHeight) : 0;
    }
    const char* Cell(int row, int col) const {
        if (row < 0 || row >= RowCount())
            return "";
        return m_rows[static_cast<size_t>(row)].Cell(col);
    }

    // The cell's text as drawn in its column: cut with an ellipsis where it does not fit.
    QString ShownCell(int row, int col, const QFont& font) const {
        const char* text = Cell(row, col);
        if (!*text)
            return QString();
        QString s = ToQ(text);
        if (col < 0 || col >= static_cast<int>(m_columns.size()))
            return s;
        int room = std::max(0, m_columns[static_cast<size_t>(col)].width - 2 * kCellPadding);
        return QFontMetrics(font).elidedText(s, Qt::ElideRight, room);
    }

    void Select(int row) {
        m_selected = row >= 0 && row < RowCount() ? row : -1;
        if (m_view)
            m_view->update();
    }
    void ScrollTo(int top) {
        m_topRow = std::clamp(top, 0, std::max(0, RowCount() - VisibleRows()));
        if (m_view)
            m_view->VBar()->setValue(m_topRow);
        if (m_view)
            m_view->update();
    }
    void SetTopFromBar(int v) {
        m_topRow = v;
        if (m_view)
            m_view->update();
    }
    void SetHOffset(int v) {
        m_hOffset = v;
        if (m_view) {
            m_view->update();
            m_view->Header()->update();
        }
    }
    void ColumnsChanged() {
        Relayout();
        if (m_view) {
            m_view->update();
            m_view->Header()->update();
        }
    }

    // The row count reaches the scroll bars once per fill, not once per row.
    void RowsChanged() {
        if (m_layoutPending || !m_view)
            return;
        m_layoutPending = true;
        m_view->update();
        QTimer::singleShot(0, m_view.data(), [this] {
            m_layoutPending = false;
            Relayout();
        });
    }

    // A fill sets many cells: the view is asked to repaint once until it has painted.
    void CellsChanged() {
        if (!m_repaintPending && m_view) {
            m_repaintPending = true;
            m_view->update();
        }
    }

    // Rows changed one by one leave their old bytes behind: once these outweigh the rows
    // themselves, the rows move into a fresh arena.
    void TidyText() {
        if (m_text.Abandoned() <= kAbandonedKept || m_text.Abandoned() * 2 <= m_text.Used())
            return;
        TextArena packed;
        for (Row& row : m_rows)
            row.MoveTo(packed);
        m_text = std::move(packed);
    }
    std::size_t TextBytesHeld() const { return m_text.Used(); }

    void Relayout();
    void Paint(QWidget* w);
    void PaintHeader(QWidget* w);
    void MeasureRows();

    // A fill sends these two per cell and row: they are answered before the other messages.
    bool ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (message == LVM_SETITEMTEXTA) {
            *result = SetCellText(static_cast<int>(static_cast<INT_PTR>(wParam)),
                                  reinterpret_cast<const LVITEMA*>(lParam));
            return true;
        }
        if (message == LVM_INSERTITEMA) {
            *result = InsertRow(reinterpret_cast<const LVITEMA*>(lParam));
            return true;
        }
        if (message == LVM_INSERTROW_) {
            *result = InsertWholeRow(static_cast<int>(static_cast<INT_PTR>(wParam)),
                                     reinterpret_cast<const LVINSERTROW_*>(lParam));
            return true;
        }
        return OtherMessage(message, wParam, lParam, result);
    }
    BOOL SetCellText(int index, const LVITEMA* item) {
        if (!item || index < 0 || index >= RowCount() || item->iSubItem < 0)
            return FALSE;
        m_rows[static_cast<size_t>(index)].Set(m_text, item->iSubItem, item->pszText ? item->pszText : "");
        TidyText();
        CellsChanged();
        return TRUE;
    }
    int InsertRow(const LVITEMA* item) {
        if (!item || item->iItem < 0)
            return -1;
        const char* text = (item->mask & LVIF_TEXT) && item->pszText ? item->pszText : "";
        return InsertRowAt(item->iItem, &text, 1);
    }
    int InsertWholeRow(int index, const LVINSERTROW_* request) {
        if (!request || index < 0 || request->count < 1 || !request->texts)
            return -1;
        const int at = InsertRowAt(index, request->texts, request->count);
        TidyText();
        CellsChanged();
        return at;
    }
    int InsertRowAt(int index, const char* const* texts, int count) {
        const int at = std::min(index, RowCount());
        Row& row = *m_rows.emplace(m_rows.begin() + at);
        for (int col = 0; col < count; ++col)
            row.Set(m_text, col, texts[col] ? texts[col] : "");
        if (m_selected >= at)
            ++m_selected;
        RowsChanged();
        return at;
    }
    bool OtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void StyleChanged(DWORD oldStyle, DWORD oldEx) override {
        WidgetPeer::StyleChanged(oldStyle, oldEx);
        ColumnsChanged();
    }
    void Destroyed() override;

private:
    int DefaultRowHeight() const { return m_view ? QFontMetrics(m_view->font()).height() + 4 : 16; }

    QPointer<ListWidget> m_view;
    std::unique_ptr<CHeaderCtrl> m_header;
    HWND m_headerWnd = nullptr;
    std::vector<Column> m_columns;
    std::deque<Row> m_rows;
    TextArena m_text;
    DWORD m_exStyle = 0;
    int m_rowHeight = 16;
    int m_topRow = 0;
    int m_hOffset = 0;
    int m_selected = -1;
    bool m_layoutPending = false;
    bool m_repaintPending = false;
    friend WidgetPeer* zui::detail::CreateListViewPeer(CWnd*, QWidget*);
};

class HeaderPeer : public WidgetPeer {
public:
    HeaderPeer(CWnd* wnd, HeaderWidget* w, HWND list) : WidgetPeer(wnd, w), m_list(list) {}
    const char* ClassName() const override { return WC_HEADER; }
    ListPeer* List() const { return dynamic_cast<ListPeer*>(WidgetPeer::Of(m_list)); }

    bool ClassProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        ListPeer* list = List();
        switch (message) {
        case HDM_GETITEMCOUNT:
            *result = list ? static_cast<LRESULT>(list->Columns().size()) : 0;
            return true;
        case HDM_GETITEMA: {
            auto* item = reinterpret_cast<HDITEMA*>(lParam);
            int i = static_cast<int>(wParam);
            if (!list || !item || i < 0 || i >= static_cast<int>(list->Columns().size())) {
                *result = FALSE;
                return true;
            }
            const Column& c = list->Columns()[static_cast<size_t>(i)];
            if ((item->mask & HDI_TEXT) && item->pszText)
                CopyBounded(item->pszText, item->cchTextMax, c.text);
            if (item->mask & HDI_WIDTH)
                item->cxy = c.width;
            if (item->mask & HDI_FORMAT)
                item->fmt = (c.fmt & 3) | HDF_STRING_;
            *result = TRUE;
            return true;
        }
        case HDM_GETITEMRECT: {
            auto* rect = reinterpret_cast<RECT*>(lParam);
            int i = static_cast<int>(wParam);
            if (!list || !rect || i < 0 || i >= static_cast<int>(list->Columns().size())) {
                *result = FALSE;
                return true;
            }
            int x = -list->HOffset();
            for (int k = 0; k < i; ++k)
                x += list->Columns()[static_cast<size_t>(k)].width;
            *rect = RECT{x, 0, x + list->Columns()[static_cast<size_t>(i)].width,
                         m_widget ? m_widget->height() : 0};
            *result = TRUE;
            return true;
        }
        default:
            return WidgetPeer::ClassProc(message, wParam, lParam, result);
        }
    }

private:
    HWND m_list;
};

ListPeer* ListOf(HWND h) {
    return dynamic_cast<ListPeer*>(WidgetPeer::Of(h));
}
ListPeer* ListWidget::List() const {
    return ListOf(m_hList);
}
ListPeer* HeaderWidget::List() const {
    return ListOf(m_hList);
}

// ---------------------------------------------------------------------------------------

void ListPeer::CreateHeader() {
    CWnd* self = Wnd();
    if (!self || !m_view)
        return;
    m_header = std::make_unique<CHeaderCtrl>();
    m_header->CreateEx(0, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, self, 0);
    m_headerWnd = m_header->m_hWnd;
    new HeaderPeer(m_header.get(), m_view->Header(), m_hWnd);
}

void ListPeer::Destroyed() {
    // The header window went first (a child); its object goes with the list's peer.
    m_header.reset();
    m_headerWnd = nullptr;
    WidgetPeer::Destroyed();
}

void ListPeer::Relayout() {
    if (!m_view)
        return;
    int b = Border();
    QRect inner = m_view->rect().adjusted(b, b, -b, -b);
    QScrollBar* v = m_view->VBar();
    QScrollBar* h = m_view->HBar();
    int hh = HeaderHeight();
    int vw = v->sizeHint().width(), hhgt = h->sizeHint().height();
    int rowsHeight = inner.height() - hh;
    bool needV = m_rowHeight > 0 && RowCount() * m_rowHeight > rowsHeight;
    bool needH = TotalWidth() > inner.width() - (needV ? vw : 0);
    if (needH && !needV)
        needV = RowCount() * m_rowHeight > rowsHeight - hhgt;
    v->setVisible(needV);
    h->setVisible(needH);
    QRect client = inner.adjusted(0, 0, needV ? -vw : 0, needH ? -hhgt : 0);
    v->setGeometry(inner.right() - vw + 1, inner.top(), vw, client.height());
    h->setGeometry(inner.left(), inner.bottom() - hhgt + 1, client.width(), hhgt);
    int visible = VisibleRows();
    v->setRange(0, std::max(0, RowCount() - visible));
    v->setPageStep(std::max(1, visible));
    h->setRange(0, std::max(0, TotalWidth() - client.width()));
    h->setPageStep(std::max(1, client.width()));
    m_view->Header()->setVisible(hh > 0);
    m_view->Header()->setGeometry(client.left(), client.top(), client.width(), hh);
    m_view->update();
}

void ListPeer::MeasureRows() {
    CWnd* self = Wnd();
    CWnd* parent = self ? self->GetParent() : nullptr;
    if (!parent)
        return;
    MEASUREITEMSTRUCT mis{
        ODT_LISTVIEW, static_cast<UINT>(self->GetDlgCtrlID()), 0, 0, static_cast<UINT>(m_rowHeight), 0};
    SafeSend(parent->m_hWnd, WM_MEASUREITEM, static_cast<WPARAM>(self->GetDlgCtrlID()),
             reinterpret_cast<LPARAM>(&mis));
    if (mis.itemHeight > 0 && mis.itemHeight < 10000)
        m_rowHeight = static_cast<int>(mis.itemHeight);
    Relayout();
}

bool ListPeer::OtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    int index = static_cast<int>(static_cast<INT_PTR>(wParam));
    switch (message) {
    case LVM_INSERTCOLUMNA: {
        auto* c = reinterpret_cast<const LVCOLUMNA*>(lParam);
        if (!c || index < 0) {
            *result = -1;
            return true;
        }
        Column col;
        if (c->mask & LVCF_FMT)
            col.fmt = c->fmt & 3;
        if (c->mask & LVCF_WIDTH)
            col.width = std::max(0, c->cx);
        if ((c->mask & LVCF_TEXT) && c->pszText)
            col.text = c->pszText;
        int at = std::min(index, static_cast<int>(m_columns.size()));
        m_columns.insert(m_columns.begin() + at, col);
        for (Row& row : m_rows)
            row.InsertAt(m_text, at);
        TidyText();
        ColumnsChanged();
        *result = at;
        return true;
    }
    case LVM_DELETECOLUMN:
        if (index < 0 || index >= static_cast<int>(m_columns.size())) {
            *result = FALSE;
            return true;
        }
        m_columns.erase(m_columns.begin() + index);
        for (Row& row : m_rows)
            row.EraseAt(m_text, index);
        TidyText();
        ColumnsChanged();
        *result = TRUE;
        return true;
    case LVM_GETCOLUMNWIDTH:
        *result = index >= 0 && index < static_cast<int>(m_columns.size())
                      ? m_columns[static_cast<size_t>(index)].width
                      : 0;
        return true;
    case LVM_SETCOLUMNWIDTH: {
        if (index < 0 || index >= static_cast<int>(m_columns.size())) {
            *result = FALSE;
            return true;
        }
        int width = static_cast<int>(lParam);
        if ((width == LVSCW_AUTOSIZE_ || width == LVSCW_AUTOSIZE_USEHEADER_) && m_view) {
            QFontMetrics fm(m_view->font());
            int widest = width == LVSCW_AUTOSIZE_USEHEADER_
                             ? fm.horizontalAdvance(ToQ(m_columns[static_cast<size_t>(index)].text))
                             : 0;
            for (int r = 0; r < RowCount(); ++r)
                widest = std::max(widest, fm.horizontalAdvance(ToQ(Cell(r, index))));
            width = widest + 2 * kCellPadding;
        }
        m_columns[static_cast<size_t>(index)].width = std::max(0, width);
        ColumnsChanged();
        *result = TRUE;
        return true;
    }
    case LVM_GETHEADER:
        *result = reinterpret_cast<LRESULT>(HasHeader() ? HeaderHandle() : nullptr);
        return true;
    case LVM_DELETEITEM:
        if (index < 0 || index >= RowCount()) {
            *result = FALSE;
            return true;
        }
        m_text.Abandon(m_rows[static_cast<size_t>(index)].Capacity());
        m_rows.erase(m_rows.begin() + index);
        TidyText();
        if (m_selected == index)
            m_selected = -1;
        else if (m_selected > index)
            --m_selected;
        RowsChanged();
        *result = TRUE;
        return true;
    case LVM_DELETEALLITEMS:
        m_rows.clear();
        m_text.Clear();
        m_selected = -1;
        m_topRow = 0;
        RowsChanged();
        *result = TRUE;
        return true;
    case LVM_GETITEMCOUNT:
        *result = RowCount();
        return true;
    case LVM_GETITEMTEXTA: {
        auto* item = reinterpret_cast<LVITEMA*>(lParam);
        if (!item || !item->pszText || item->cchTextMax <= 0) {
            *result = 0;
            return true;
        }
        *result = CopyBounded(item->pszText, item->cchTextMax, Cell(index, item->iSubItem));
        return true;
    }
    case LVM_READROWS_: {
        auto* request = reinterpret_cast<const LVREADROWS_*>(lParam);
        if (!request || !request->reader || !*request->reader || index < 0) {
            *result = 0;
            return true;
        }
        const int last = index + std::clamp(request->count, 0, std::max(0, RowCount() - index));
        std::vector<std::string_view> cells;
        for (int row = index; row < last; ++row) {
            const Row& r = m_rows[static_cast<size_t>(row)];
            cells.resize(std::max<std::size_t>(m_columns.size(), static_cast<std::size_t>(r.Count())));
            r.Cells(cells.data(), static_cast<int>(cells.size()));
            (*request->reader)(cells.data(), static_cast<int>(cells.size()));
        }
        *result = last - index;
        return true;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        DWORD old = m_exStyle;
        DWORD mask = static_cast<DWORD>(wParam);
        DWORD style = static_cast<DWORD>(lParam);
        m_exStyle = mask == 0 ? style : (m_exStyle & ~mask) | (style & mask);
        if (m_view)
            m_view->update();
        *result = old;
        return true;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        *result = m_exStyle;
        return true;
    case WM_SETFONT:
        WidgetPeer::ClassProc(message, wParam, lParam, result);
        if (m_view)
            m_view->Header()->setFont(m_view->font());
        if (!(Style() & LVS_OWNERDRAWFIXED))
            m_rowHeight = DefaultRowHeight();
        Relayout();
        return true;
    case WM_WINDOWPOSCHANGED:
        // An owner-drawn fixed list asks its parent for the row height again.
        if (Style() & LVS_OWNERDRAWFIXED)
            MeasureRows();
        *result = 0;
        return true;
    default:
        return WidgetPeer::ClassProc(message, wParam, lParam, result);
    }
}

void ListPeer::Paint(QWidget* w) {
    m_repaintPending = false;
    QPainter p(w);
    int b = Border();
    if (b > 0) {
        p.setPen(ToQColor(b == 2 ? 0xA0A0A0 : 0x646464));
        p.drawRect(w->rect().adjusted(0, 0, -1, -1));
    }
    QRect client = Client();
    if (m_view && m_view->VBar()->isVisible() && m_view->HBar()->isVisible())
        p.fillRect(
            QRect(client.right() + 1, client.bottom() + 1, m_view->VBar()->width(), m_view->HBar()->height()),
            ToQColor(kFace));
    p.setClipRect(client);
    p.translate(client.topLeft());
    int width = client.width(), height = client.height();
    p.fillRect(QRect(0, 0, width, height), ToQColor(kWindow));

    CWnd* self = Wnd();
    CWnd* parent = self ? self->GetParent() : nullptr;
    HDC dc = MakePaintDC(&p, m_font);
    auto scope = std::make_unique<PaintScope>(m_hWnd, dc, w);
    int hh = HeaderHeight();
    int top = TopRow();
    int rows = m_rowHeight > 0 ? (height - hh + m_rowHeight - 1) / m_rowHeight : 0;
    int last = std::min(RowCount(), top + rows);
    int id = self ? self->GetDlgCtrlID() : 0;

    if (Style() & LVS_OWNERDRAWFIXED) {
        // The parent draws every row (WM_DRAWITEM); the list draws nothing of its own.
        for (int r = top; r < last && parent; ++r) {
            int y = hh + (r - top) * m_rowHeight;
            DRAWITEMSTRUCT dis{ODT_LISTVIEW,
                               static_cast<UINT>(id),
                               static_cast<UINT>(r),
                               ODA_DRAWENTIRE,
                               r == m_selected ? ODS_SELECTED : 0U,
                               m_hWnd,
                               dc,
                               RECT{-m_hOffset, y, TotalWidth() - m_hOffset, y + m_rowHeight},
                               0};
            SafeSend(parent->m_hWnd, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&dis));
        }
    } else {
        NMLVCUSTOMDRAW cd{};
        cd.nmcd.hdr = NMHDR{m_hWnd, static_cast<UINT_PTR>(id), NM_CUSTOMDRAW};
        cd.nmcd.hdc = dc;
        auto notify = [&](DWORD stage, const QRect& rc, int row, int sub) -> LRESULT {
            cd.nmcd.dwDrawStage = stage;
            cd.nmcd.rc = FromQRect(rc);
            cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
            cd.iSubItem = sub;
            if (!parent)
                return CDRF_DODEFAULT;
            return SafeSend(parent->m_hWnd, WM_NOTIFY, static_cast<WPARAM>(id),
                            reinterpret_cast<LPARAM>(&cd));
        };
        LRESULT pre = notify(CDDS_PREPAINT, QRect(0, 0, width, height), 0, 0);
        bool focused = w->hasFocus();
        if (!(pre & CDRF_SKIPDEFAULT)) {
            QFont font = m_view ? m_view->font() : QFont();
            for (int r = top; r < last; ++r) {
                int y = hh + (r - top) * m_rowHeight;
                QRect rowRect(-m_hOffset, y, TotalWidth(), m_rowHeight);
                bool selected = r == m_selected && focused;
                cd.nmcd.uItemState = selected ? CDIS_SELECTED : 0;
                cd.clrText = kWindowText;
                cd.clrTextBk = kWindow;
                LRESULT item = CDRF_DODEFAULT;
                if (pre & CDRF_NOTIFYITEMDRAW) {
                    item = notify(CDDS_ITEMPREPAINT, rowRect, r, 0);
                    if (item & CDRF_SKIPDEFAULT)
                        continue;
                }
                COLORREF rowText = cd.clrText, rowBk = cd.clrTextBk;
                int x = -m_hOffset;
                for (size_t c = 0; c < m_columns.size(); ++c) {
                    const Column& col = m_columns[c];
                    QRect cell(x, y, col.width, m_rowHeight);
                    x += col.width;
                    if (cell.right() < 0 || cell.left() >= width)
                        continue;
                    cd.clrText = rowText;
                    cd.clrTextBk = rowBk;
                    if (item & CDRF_NOTIFYSUBITEMDRAW) {
                        LRESULT sub = notify(CDDS_ITEMPREPAINT | CDDS_SUBITEM, cell, r, static_cast<int>(c));
                        if (sub & CDRF_SKIPDEFAULT)
                            continue;
                    }
                    COLORREF text = cd.clrText == CLR_DEFAULT ? kWindowText : cd.clrText;
                    COLORREF bk = cd.clrTextBk == CLR_DEFAULT ? kWindow : cd.clrTextBk;
                    if (selected && (cd.nmcd.uItemState & CDIS_SELECTED)) {
                        text = kHighlightText;
                        bk = kHighlight;
                    }
                    p.fillRect(cell, ToQColor(bk));
                    QRect textRect = cell.adjusted(kCellPadding, 0, -kCellPadding, 0);
                    int align = Qt::AlignVCenter | (col.fmt == LVCFMT_CENTER  ? Qt::AlignHCenter
                                                    : col.fmt == LVCFMT_RIGHT ? Qt::AlignRight
                                                                              : Qt::AlignLeft);
                    QFont cellFont = dc->font ? FontOf(dc->font) : font;
                    QString s = ShownCell(r, static_cast<int>(c), cellFont);
                    if (!s.isEmpty()) {
                        p.setFont(cellFont);
                        p.setPen(ToQColor(text));
                        p.drawText(textRect, align | Qt::TextSingleLine, s);
                    }
                }
            }
        }
    }
    if (m_exStyle & LVS_EX_GRIDLINES) {
        p.setPen(ToQColor(kGrid));
        int x = -m_hOffset;
        for (const Column& col : m_columns) {
            x += col.width;
            if (x >= 0 && x < width)
                p.drawLine(x - 1, hh, x - 1, height);
        }
        for (int y = hh + m_rowHeight - 1; m_rowHeight > 0 && y < height; y += m_rowHeight)
            p.drawLine(0, y, std::min(width, TotalWidth() - m_hOffset), y);
    }
    scope.reset();
    FreeDC(dc);
    p.resetTransform();
    p.setClipping(false);
    PaintSurface(p);
}

void ListPeer::PaintHeader(QWidget* w) {
    QPainter p(w);
    int width = w->width(), height = w->height();
    // The header's own background first; custom draw paints over it.
    p.fillRect(QRect(0, 0, width, height), ToQColor(kWindow));
    p.fillRect(QRect(0, height - 1, width, 1), ToQColor(kHeaderLine));
    HWND header = HeaderHandle();
    HeaderPeer* hp = dynamic_cast<HeaderPeer*>(WidgetPeer::Of(header));
    HDC dc = MakePaintDC(&p, hp && hp->Font() ? hp->Font() : m_font);
    auto scope = std::make_unique<PaintScope>(header, dc, w);
    NMCUSTOMDRAW cd{};
    cd.hdr = NMHDR{header, 0, NM_CUSTOMDRAW};
    cd.hdc = dc;
    auto notify = [&](DWORD stage, const QRect& rc, int item) -> LRESULT {
        cd.dwDrawStage = stage;
        cd.rc = FromQRect(rc);
        cd.dwItemSpec = static_cast<DWORD_PTR>(item);
        // The header's parent is the list; the list reflects the notification to the header.
        return SafeSend(m_hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&cd));
    };
    LRESULT pre = notify(CDDS_PREPAINT, QRect(0, 0, width, height), 0);
    if (!(pre & CDRF_SKIPDEFAULT)) {
        int x = -m_hOffset;
        for (size_t c = 0; c < m_columns.size(); ++c) {
            const Column& col = m_columns[c];
            QRect rc(x, 0, col.width, height);
            x += col.width;
            if (rc.right() < 0 || rc.left() >= width)
                continue;
            if (pre & CDRF_NOTIFYITEMDRAW) {
                LRESULT item = notify(CDDS_ITEMPREPAINT, rc, static_cast<int>(c));
                if (item & CDRF_SKIPDEFAULT)
                    continue;
            }
            p.fillRect(QRect(rc.right(), 0, 1, height), ToQColor(kHeaderLine));
            RECT r = FromQRect(rc.adjusted(kCellPadding, 0, -kCellPadding, 0));
            UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS |
                          (col.fmt == LVCFMT_CENTER  ? DT_CENTER
                           : col.fmt == LVCFMT_RIGHT ? DT_RIGHT
                                                     : DT_LEFT);
            int mode = dc->bkMode;
            dc->bkMode = TRANSPARENT;
            DrawTextA(dc, col.text.GetString(), col.text.GetLength(), &r, format);
            dc->bkMode = mode;
        }
    }
    scope.reset();
    FreeDC(dc);
    if (hp)
        hp->PaintSurface(p);
}

// ---------------------------------------------------------------------------------------

ListWidget::ListWidget(QWidget* parent, HWND list)
    : QWidget(parent), m_hList(list), m_header(new HeaderWidget(this, list)),
      m_v(new QScrollBar(Qt::Vertical, this)), m_h(new QScrollBar(Qt::Horizontal, this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_v->hide();
    m_h->hide();
    QObject::connect(m_v, &QScrollBar::valueChanged, this, [this](int v) {
        if (ListPeer* l = List())
            l->SetTopFromBar(v);
    });
    QObject::connect(m_h, &QScrollBar::valueChanged, this, [this](int v) {
        if (ListPeer* l = List())
            l->SetHOffset(v);
    });
}

void ListWidget::paintEvent(QPaintEvent*) {
    ListPeer* m_list = List();
    if (m_list)
        m_list->Paint(this);
}

void ListWidget::resizeEvent(QResizeEvent*) {
    ListPeer* m_list = List();
    if (m_list)
        m_list->Relayout();
}

void ListWidget::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    ListPeer* m_list = List();
    if (!m_list)
        return;
    QRect client = m_list->Client();
    int y = static_cast<int>(e->position().y()) - client.top() - m_list->HeaderHeight();
    if (y < 0 || m_list->RowHeight() <= 0)
        return;
    int row = m_list->TopRow() + y / m_list->RowHeight();
    m_list->Select(row < m_list->RowCount() ? row : -1);
}

void ListWidget::wheelEvent(QWheelEvent* e) {
    ListPeer* m_list = List();
    if (!m_list)
        return;
    int steps = e->angleDelta().y() / 120;
    m_list->ScrollTo(m_list->TopRow() - steps * 3);
}

void ListWidget::keyPressEvent(QKeyEvent* e) {
    ListPeer* m_list = List();
    if (!m_list)
        return;
    int sel = m_list->Selected();
    int page = std::max(1, m_list->VisibleRows());
    int target;
    switch (e->key()) {
    case Qt::Key_Up:
        target = sel - 1;
        break;
    case Qt::Key_Down:
        target = sel + 1;
        break;
    case Qt::Key_PageUp:
        target = sel - page;
        break;
    case Qt::Key_PageDown:
        target = sel + page;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = m_list->RowCount() - 1;
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    target = std::clamp(target, 0, std::max(0, m_list->RowCount() - 1));
    if (m_list->RowCount() == 0)
        return;
    m_list->Select(target);
    if (target < m_list->TopRow())
        m_list->ScrollTo(target);
    else if (target >= m_list->TopRow() + page)
        m_list->ScrollTo(target - page + 1);
}

void HeaderWidget::paintEvent(QPaintEvent*) {
    ListPeer* m_list = List();
    if (m_list)
        m_list->PaintHeader(this);
}

int HeaderWidget::DividerAt(int x) const {
    ListPeer* m_list = List();
    if (!m_list)
        return -1;
    int edge = -m_list->HOffset();
    int found = -1;
    const auto& cols = m_list->Columns();
    for (size_t c = 0; c < cols.size(); ++c) {
        edge += cols[c].width;
        if (std::abs(x - edge) <= kDividerGrip)
            found = static_cast<int>(c);
    }
    return found;
}

void HeaderWidget::mousePressEvent(QMouseEvent* e) {
    ListPeer* m_list = List();
    int x = static_cast<int>(e->position().x());
    int c = e->button() == Qt::LeftButton ? DividerAt(x) : -1;
    if (c < 0 || !m_list)
        return;
    m_dragColumn = c;
    m_dragStartX = x;
    m_dragStartWidth = m_list->Columns()[static_cast<size_t>(c)].width;
}

void HeaderWidget::mouseMoveEvent(QMouseEvent* e) {
    ListPeer* m_list = List();
    int x = static_cast<int>(e->position().x());
    if (m_dragColumn >= 0 && m_list && m_dragColumn < static_cast<int>(m_list->Columns().size())) {
        m_list->Columns()[static_cast<size_t>(m_dragColumn)].width =
            std::max(0, m_dragStartWidth + x - m_dragStartX);
        m_list->ColumnsChanged();
        return;
    }
    setCursor(DividerAt(x) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void HeaderWidget::mouseReleaseEvent(QMouseEvent*) {
    m_dragColumn = -1;
}

} // namespace

namespace zui::detail {

QString ShownCellOf(CWnd* list, int row, int column) {
    ListPeer* p = list ? ListOf(list->m_hWnd) : nullptr;
    return p && p->Widget() ? p->ShownCell(row, column, p->Widget()->font()) : QString();
}

int ListRowHeightOf(CWnd* list) {
    ListPeer* p = list ? ListOf(list->m_hWnd) : nullptr;
    return p ? p->RowHeight() : 0;
}

std::size_t ListTextBytesOf(CWnd* list) {
    ListPeer* p = list ? ListOf(list->m_hWnd) : nullptr;
    return p ? p->TextBytesHeld() : 0;
}

WidgetPeer* CreateListViewPeer(CWnd* wnd, QWidget* parent) {
    auto* w = new ListWidget(parent, wnd->m_hWnd);
    auto* peer = new ListPeer(wnd, w);
    DWORD style = wnd->GetStyle();
    if ((style & LVS_TYPEMASK_) == LVS_REPORT && !(style & LVS_NOCOLUMNHEADER_))
        peer->CreateHeader();
    w->setGeometry(ToQRect(peer->StoredRect()));
    // An owner-drawn fixed list asks its parent for the row height when it is created.
    if (style & LVS_OWNERDRAWFIXED)
        peer->MeasureRows();
    peer->Relayout();
    return peer;
}

} // namespace zui::detail
