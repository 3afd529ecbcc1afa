#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "platform/ui/DialogTemplate.h"
#include "resources/ConsoleResources.h"

namespace {

bool IsBox(const DialogItemTemplate& item) {
    return std::string(item.className) == WC_BUTTON && (item.style & BS_TYPEMASK) == BS_GROUPBOX;
}

bool Overlap(const DialogItemTemplate& a, const DialogItemTemplate& b) {
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

// The closed height of a drop-down list; its template height includes the dropped list.
short ClosedHeight(const DialogItemTemplate& item) {
    return std::string(item.className) == WC_COMBOBOX ? 12 : item.cy;
}

} // namespace

TEST(ConsoleResources, MainDialogHoldsEveryControlOnce) {
    RegisterConsoleResources();
    const DialogTemplate* t = FindDialogTemplate(IDD_VOSSEN_DIALOG);
    ASSERT_NE(t, nullptr);
    std::map<std::string, int> kinds;
    std::set<int> ids;
    for (const auto& item : t->items) {
        std::string kind = item.className;
        if (kind == WC_BUTTON)
            kind = IsBox(item) ? "box" : ((item.style & BS_TYPEMASK) == BS_AUTOCHECKBOX ? "check" : "button");
        ++kinds[kind];
        if (item.id != -1) {
            EXPECT_TRUE(ids.insert(item.id).second) << "id " << item.id << " twice";
        }
    }
    EXPECT_EQ(kinds[WC_EDIT], 24);
    EXPECT_EQ(kinds["check"], 20);
    EXPECT_EQ(kinds[WC_COMBOBOX], 9);
    EXPECT_EQ(kinds[WC_LISTVIEW], 2);
    EXPECT_EQ(kinds["button"], 6);
    EXPECT_EQ(kinds["box"], 9); // the title box, five titled boxes, the inner box, two bottom boxes
    EXPECT_EQ(kinds[WC_STATIC], 32);
}

TEST(ConsoleResources, MainDialogControlsLieInsideAndApart) {
    RegisterConsoleResources();
    const DialogTemplate* t = FindDialogTemplate(IDD_VOSSEN_DIALOG);
    ASSERT_NE(t, nullptr);
    for (size_t i = 0; i < t->items.size(); ++i) {
        const auto& a = t->items[i];
        EXPECT_GE(a.x, 0);
        EXPECT_GE(a.y, 0);
        EXPECT_LE(a.x + a.cx, t->cx) << a.text;
        EXPECT_LE(a.y + ClosedHeight(a), t->cy) << a.text;
        if (IsBox(a))
            continue;
        DialogItemTemplate ac = a;
        ac.cy = ClosedHeight(a);
        for (size_t j = i + 1; j < t->items.size(); ++j) {
            const auto& b = t->items[j];
            if (IsBox(b))
                continue;
            DialogItemTemplate bc = b;
            bc.cy = ClosedHeight(b);
            EXPECT_FALSE(Overlap(ac, bc)) << "control " << a.id << " (" << a.x << "," << a.y << ") overlaps "
                                          << b.id << " (" << b.x << "," << b.y << ")";
        }
    }
}
