// Drawing: device contexts, fonts, bitmaps, brushes and icons. A device context draws on the
// window back end's painter while a window paints; colours are COLORREF (0x00BBGGRR).
#pragma once

#include "platform/core/CString.h"
#include "platform/win/Messages.h"

class CWnd;

// ---------------------------------------------------------------------------------------
// Geometry helpers.

struct CPoint : POINT {
    CPoint() : POINT{0, 0} {}
    CPoint(int x0, int y0) : POINT{x0, y0} {}
};

struct CSize : SIZE {
    CSize() : SIZE{0, 0} {}
    CSize(int cx0, int cy0) : SIZE{cx0, cy0} {}
};

struct CRect : RECT {
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

// ---------------------------------------------------------------------------------------
// Records and constants.

constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
    LONG lfHeight; // > 0: character cell height in pixels; < 0: character height; 0: default
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTA;
using LPLOGFONT = LOGFONT*;

constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE HANGUL_CHARSET = 129;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

// DrawText formats.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// DrawEdge edges and sides.
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// The failure result of the colour calls.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Raster operations.
constexpr DWORD SRCCOPY = 0x00CC0020;

// System metrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;

// Resource ids passed where a name is expected.
#define MAKEINTRESOURCEA(i) (reinterpret_cast<const char*>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEA(i)

// ---------------------------------------------------------------------------------------
// Handle-level calls.

HFONT CreateFontIndirectA(const LOGFONTA* logFont);
HBRUSH CreateSolidBrush(COLORREF colour);
// Fills `buffer` with the object's LOGFONT or BITMAP; returns the bytes written, 0 on failure.
int GetObjectA(HGDIOBJ object, int size, void* buffer);
BOOL DeleteObject(HGDIOBJ object);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                int heightSrc, DWORD rop);
int DrawTextA(HDC dc, const char* text, int length, RECT* rect, UINT format);
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// The window's DC: drawing shows on the window (also on a child drawn from its parent's paint).
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC dc);
int GetSystemMetrics(int index);
// Icons and bitmaps are the images registered with RegisterImage (DialogTemplate.h); the
// module handle is ignored, the name is MAKEINTRESOURCE(id). Unknown ids give NULL.
HICON LoadIconA(HINSTANCE module, const char* name);
HBITMAP LoadBitmapA(HINSTANCE module, const char* name);
inline HICON LoadIcon(HINSTANCE m, const char* n) {
    return LoadIconA(m, n);
}

// ---------------------------------------------------------------------------------------
// Objects.

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONT* logFont);
    int GetLogFont(LOGFONT* logFont) const;
    // A temporary object for the handle (owned by the framework); NULL for NULL.
    static CFont* FromHandle(HFONT font);
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CBitmap : public CGdiObject {
public:
    BOOL LoadBitmap(UINT id);
    int GetBitmap(BITMAP* bitmap) const;
    static CBitmap* FromHandle(HBITMAP bitmap);
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    BOOL CreateSolidBrush(COLORREF colour);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

// A device context. While a window paints, its DC draws on the window; a memory DC draws on
// the bitmap selected into it.
class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    // Wraps a handle without owning it (Detach before the object goes).
    BOOL Attach(HDC dc);
    HDC Detach();
    // A temporary object for the handle, owned by the framework until the handle goes.
    static CDC* FromHandle(HDC dc);

    BOOL CreateCompatibleDC(CDC* dc);
    BOOL DeleteDC();

    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);

    COLORREF SetTextColor(COLORREF colour);
    COLORREF SetBkColor(COLORREF colour);

    // Fills with the colour; the colour stays the DC's background colour.
    void FillSolidRect(const RECT* rect, COLORREF colour);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    // One-pixel frame: top and left in topLeft, bottom and right in bottomRight.
    void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
    BOOL DrawEdge(RECT* rect, UINT edge, UINT flags);
    int DrawText(const char* text, int length, RECT* rect, UINT format);
    int DrawText(const CString& text, RECT* rect, UINT format);
    CSize GetTextExtent(const CString& text) const;
    BOOL DrawIcon(int x, int y, HICON icon);
    BOOL StretchBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, int widthSrc,
                    int heightSrc, DWORD rop);

private:
    bool m_bOwned = false; // made by CreateCompatibleDC: deleted with the object
};

// The DC of a window that is painting (inside its WM_PAINT handler).
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

protected:
    HWND m_hWnd;

private:
    bool m_bOwnedPaint = false;
};

// The DC of a window's client area, outside painting.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};
