// The report lists of the main window: a list whose owner-drawn rows follow its font, and a
// header drawn as one flat dark band with white centred titles.
#pragma once

#include "platform/ui/Afx.h"

class CCustomHeaderCtrl : public CHeaderCtrl {
    DECLARE_DYNAMIC(CCustomHeaderCtrl)
public:
    CCustomHeaderCtrl() = default;
    ~CCustomHeaderCtrl() override = default;

    static constexpr COLORREF kBandColour = 0x6F4E36;
    static constexpr COLORREF kTitleColour = 0xFFFFFF;

protected:
    // The header's own NM_CUSTOMDRAW, reflected back to it by the list.
    void OnCustomDraw(NMHDR* notify, LRESULT* result);

    DECLARE_MESSAGE_MAP()
};

class CVnListCtrl : public CListCtrl {
    DECLARE_DYNAMIC(CVnListCtrl)
public:
    CVnListCtrl() = default;
    ~CVnListCtrl() override = default;

    CCustomHeaderCtrl m_header;

protected:
    // Takes over the list's header when the list is bound.
    void PreSubclassWindow() override;
    // A new font makes an owner-drawn list measure its rows again.
    LRESULT OnSetFont(WPARAM wParam, LPARAM lParam);
    void MeasureItem(LPMEASUREITEMSTRUCT measureItem);

    DECLARE_MESSAGE_MAP()
};
