#include <QSignalSpy>

#include "property_store.h"
#include "ultrabox_fixture.h"

namespace {

class UltraBoxEntries : public UltraBoxTest {
protected:
    UltraBoxEntries() { box.resize(200, 120); }
    UltraBox box;
};

QStringList AllTexts(const UltraBox& box) {
    QStringList texts;
    for (int i = 1; i <= box.ListCount(); ++i) {
        texts << box.List(i, true);
    }
    return texts;
}

}  // namespace

TEST_F(UltraBoxEntries, NewControlAndAdding) {
    EXPECT_EQ(box.ListCount(), 0);
    EXPECT_EQ(box.ListIndex(), -1);
    EXPECT_EQ(box.ItemText(), QString());
    EXPECT_EQ(box.Color(), 0xFFFFFFu);

    QSignalSpy added(&box, &UltraBox::ItemAdded);
    box.AddItem("a\r\nb");
    box.AddItem("x", 0, {}, kDefaultColor, true, kDefaultColor, kDefaultColor, kDefaultColor,
                kDefaultColor, true, true);  // check and option
    box.AddItemProgressBar("p");             // all defaults
    box.AddItem("plain", 7, {}, kDefaultColor, true, 0x0000FF, 0x00FF00, kDefaultColor,
                kDefaultColor, false, false, 3, false, 50, 20);  // progress values, no bar
    box.AddItemOption("o", 1, true, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultColor, 4);
    UltraBoxAddArgs args;
    args.alignment = 2;
    args.hColor = 0x123456;
    box.AddItem("c", args);
    EXPECT_EQ(added.count(), 6);
    EXPECT_EQ(box.ListCount(), 6);

    EXPECT_EQ(box.List(1), "ab");
    box.SetItemText(1, "a\r\nb");
    EXPECT_EQ(box.List(1), "a\r\nb");
    EXPECT_EQ(box.ItemTypeX(2), 1);
    EXPECT_EQ(box.GetProgressMax(3), 100);
    EXPECT_EQ(box.GetProgressValue(3), 1);
    box.SetProgressValue(3, 150);
    EXPECT_EQ(box.GetProgressValue(3), 100);
    box.SetProgressValue(3, -5);
    EXPECT_EQ(box.GetProgressValue(3), -5);
    EXPECT_EQ(box.GetProgressValue(4), 0);
    EXPECT_EQ(box.GetProgressMax(4), 0);
    box.SetProgressValue(4, 9);  // not a progress entry
    EXPECT_EQ(box.Item(4)->ProgressValue, 20);

    const UltraBoxItem& plain = *box.Item(4);
    EXPECT_EQ(plain.FColor, 0x0000FFu);
    EXPECT_EQ(plain.BColor, 0x00FF00u);
    EXPECT_EQ(plain.TextFormat, 0);
    EXPECT_EQ(plain.OptionGroup, 3);
    EXPECT_EQ(box.Item(5)->TextFormat, 2);
    EXPECT_EQ(box.GetItemOptGrp(5), 4);
    EXPECT_EQ(box.ItemTypeX(5), 0);
    EXPECT_EQ(box.Item(6)->TextFormat, 1);
    EXPECT_EQ(box.Item(6)->ProgressColor, 0x123456u);  // the entry's HColor
    EXPECT_EQ(box.Item(1)->BColor, box.Color());
    EXPECT_EQ(box.Item(1)->HText, box.Item(2)->HText);
    EXPECT_TRUE(box.Item(1)->Enabled);

    box.RemoveItem(0);
    EXPECT_EQ(box.ListCount(), 6);
    box.RemoveItem(2);
    EXPECT_EQ(AllTexts(box), (QStringList{"a\r\nb", "p", "plain", "o", "c"}));
}

TEST_F(UltraBoxEntries, OutOfRangeIndexesAreNeutral) {
    box.AddItemCheck("one");
    box.SetSelected(1, true);
    const UltraBoxItem before = *box.Item(1);
    for (int index : {-5, -1, 0, 2, 1000}) {
        EXPECT_FALSE(box.IsSelected(index));
        EXPECT_EQ(box.List(index), QString());
        EXPECT_EQ(box.GetProgressMax(index), 0);
        EXPECT_EQ(box.GetProgressValue(index), 0);
        EXPECT_FALSE(box.ItemEnabled(index));
        box.RemoveItem(index);
        box.SetEnabled(index, false);
        box.SetItemText(index, "x");
        box.SetProgressValue(index, 5);
        box.SetSelected(index, true);
        box.SetItemColors(index, 1, 0);
        box.SetItemPicture(index, QImage(2, 2, QImage::Format_RGB32));
        box.MakeItemX(index, 2);
    }
    EXPECT_EQ(box.ListCount(), 1);
    EXPECT_EQ(box.ListIndex(), 1);
    EXPECT_EQ(*box.Item(1), before);

    // A current entry that was removed reads as none.
    box.RemoveItem(1);
    EXPECT_EQ(box.ListIndex(), 1);
    EXPECT_EQ(box.ItemText(), QString());
}

TEST_F(UltraBoxEntries, SelectionMarksAndGroups) {
    box.AddItemOption("g1 a", 0, true, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultColor,
                      1);
    box.AddItemOption("g1 b", 0, true, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultColor,
                      1);
    box.AddItemOption("g2 a", 0, true, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultColor,
                      2);
    box.AddItemCheck("check");
    box.AddItem("plain");

    box.SetSelected(1, true);
    box.SetSelected(3, true, false, false);
    EXPECT_EQ(box.Item(1)->OptionState, 1);  // another group
    box.SetSelected(2, true);
    EXPECT_EQ(box.Item(1)->OptionState, 0);
    EXPECT_EQ(box.Item(2)->OptionState, 1);
    EXPECT_EQ(box.Item(3)->OptionState, 1);
    EXPECT_FALSE(box.Item(1)->Selected);
    EXPECT_FALSE(box.Item(3)->Selected);
    EXPECT_EQ(box.ListIndex(), 2);

    struct Case {
        int index;
        bool checkAndOptionOnly;
        bool noCheckAndOption;
        bool expected;
    };
    box.SetSelected(5, true, false, true);  // selects only: entry 2 keeps its mark
    const Case cases[] = {
        {2, false, false, true}, {2, true, false, true},   {2, false, true, false},
        {5, false, false, true}, {5, true, false, false},  {5, false, true, true},
        {5, true, true, false},  {4, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(box.IsSelected(c.index, c.checkAndOptionOnly, c.noCheckAndOption), c.expected)
            << c.index << c.checkAndOptionOnly << c.noCheckAndOption;
    }

    box.SetSelected(4, true);
    EXPECT_EQ(box.Item(4)->CheckState, 1);
    box.SetEnabled(4, false);
    EXPECT_EQ(box.Item(4)->CheckState, 0);
    EXPECT_FALSE(box.Item(4)->Selected);
    box.SetEnabled(2, false);
    EXPECT_EQ(box.Item(2)->OptionState, 0);

    // Disabling the whole control and enabling it again restores each entry's Enabled.
    box.SetSelected(5, true);
    box.SetEnabled(false);
    box.SetEnabled(false);  // a second disabling keeps the saved flags
    EXPECT_FALSE(box.Enabled());
    for (int i = 1; i <= box.ListCount(); ++i) {
        EXPECT_FALSE(box.ItemEnabled(i));
    }
    box.SetEnabled(true);
    const bool enabled[] = {true, false, true, false, true};
    for (int i = 1; i <= box.ListCount(); ++i) {
        EXPECT_EQ(box.ItemEnabled(i), enabled[i - 1]) << i;
        EXPECT_FALSE(box.Item(i)->Selected) << i;
    }
    EXPECT_EQ(box.Find("g1"), 1);
    EXPECT_EQ(box.Find("g1 b"), -1);  // disabled entries never match
    EXPECT_EQ(box.FindInStr("LAI"), 5);
}

TEST_F(UltraBoxEntries, MakeItemXAndColours) {
    box.AddItemOption("o");
    box.SetSelected(1, true);
    box.MakeItemX(1, 1);
    EXPECT_EQ(box.ItemTypeX(1), 1);
    EXPECT_EQ(box.Item(1)->OptionState, 0);
    box.MakeItemX(1, 0, 7);
    EXPECT_EQ(box.ItemTypeX(1), 0);
    EXPECT_EQ(box.GetItemOptGrp(1), 7);
    box.MakeItemX(1, 2, 0, 40, 0xFF);
    EXPECT_EQ(box.ItemTypeX(1), 2);
    EXPECT_EQ(box.GetProgressMax(1), 40);
    box.MakeItemX(1, 3);
    EXPECT_EQ(box.ItemTypeX(1), 2);  // the progress bar stays
    box.MakeItemX(1, 9);
    EXPECT_EQ(box.ItemTypeX(1), 2);

    const OleColor colours[] = {0x11, 0x22, 0x33, 0x44};
    for (int which = 0; which < 4; ++which) {
        box.SetItemColors(1, which, colours[which]);
    }
    box.SetItemColors(1, 4, 0x55);
    const UltraBoxItem& item = *box.Item(1);
    EXPECT_EQ(item.HColor, 0x11u);
    EXPECT_EQ(item.FColor, 0x22u);
    EXPECT_EQ(item.BColor, 0x33u);
    EXPECT_EQ(item.HText, 0x44u);

    // Setting Color recolours exactly the entries that had the old back colour.
    box.AddItem("default back");
    box.SetColor(0x00FF00);
    EXPECT_EQ(box.Item(1)->BColor, 0x33u);
    EXPECT_EQ(box.Item(2)->BColor, 0x00FF00u);
}

TEST_F(UltraBoxEntries, SortingFollowsPaint) {
    box.SetSorted(true);
    for (const char* text : {"b", "A", "c"}) {
        box.AddItem(text);
    }
    EXPECT_EQ(AllTexts(box), (QStringList{"A", "b", "c"}));

    box.Clear();
    box.SetPaint(false);
    for (const char* text : {"b", "A", "c"}) {
        box.AddItem(text);
    }
    EXPECT_EQ(AllTexts(box), (QStringList{"b", "A", "c"}));
    box.SetSelected(1, true);
    box.Refresh();
    EXPECT_EQ(AllTexts(box), (QStringList{"A", "b", "c"}));
    EXPECT_EQ(box.ListIndex(), 1);  // keeps its number; the selection moved with "b"
    EXPECT_TRUE(box.Item(2)->Selected);
    box.SetPaint(true);

    box.Clear();
    EXPECT_EQ(box.ListCount(), 0);
    EXPECT_EQ(box.ListIndex(), -1);
    EXPECT_EQ(box.MaxTextWidth(), 0);
    EXPECT_EQ(box.TopIndex(), 1);
}

TEST_F(UltraBoxEntries, MeasuringOnlyGrows) {
    box.AddItem("short");
    const int shortWidth = box.MaxTextWidth();
    EXPECT_GT(shortWidth, 0);
    box.AddItem("a considerably longer entry");
    const int longWidth = box.MaxTextWidth();
    EXPECT_GT(longWidth, shortWidth);
    box.RemoveItem(2);
    box.SetItemText(1, "x");
    box.Refresh();
    EXPECT_EQ(box.MaxTextWidth(), longWidth);

    // Bold markup is measured bold; the picture adds its square and gap.
    UltraBox plain, bold, pictured;
    plain.AddItem("Wide");
    bold.AddItem("}bWide");
    EXPECT_GT(bold.MaxTextWidth(), plain.MaxTextWidth());
    pictured.AddItem("Wide", 0, QImage(8, 8, QImage::Format_RGB32));
    EXPECT_EQ(pictured.MaxTextWidth(), plain.MaxTextWidth() + (pictured.ItemHeightPx() + 3) * 15);
}

TEST_F(UltraBoxEntries, DesignValuesRoundTrip) {
    PropertyStore empty;
    UltraBox fresh(&empty);
    EXPECT_EQ(empty.ReadLog(), (QStringList{"Style", "Color", "Fill", "SELECTSTYLE", "Mult", "Sort",
                                            "BACKPICTURE", "Font"}));
    EXPECT_EQ(fresh.Style(), 0);
    EXPECT_EQ(fresh.Color(), 0xFFFFFFu);
    EXPECT_EQ(fresh.FillView(), 0);
    EXPECT_FALSE(fresh.MultiSelect());

    fresh.WriteProperties(empty);
    EXPECT_EQ(empty.WriteLog(), (QStringList{"Style", "Color", "Fill", "Font", "Mult", "Sort",
                                             "BACKPICTURE", "SELECTSTYLE"}));
    EXPECT_FALSE(empty.Contains("Color"));  // white is the default and is not stored

    PropertyStore design;
    QStringList changed;
    design.onPropertyChanged = [&](const QString& name) { changed << name; };
    UltraBox source(&design);
    QFont font("Liberation Sans", 14);
    font.setBold(true);
    source.SetStyle(1);
    source.SetColor(0);
    source.SetFillView(1);
    source.SetSelectStyle(1);
    source.SetMultiSelect(true);
    source.SetSorted(true);
    source.SetFont(font);
    source.SetPaint(false);  // not a design value
    EXPECT_EQ(changed,
              (QStringList{"Style", "Color", "Fill", "SELECTSTYLE", "Mult", "Sort", "Font"}));
    source.WriteProperties(design);

    UltraBox copy(&design);
    EXPECT_EQ(copy.Style(), 1);
    EXPECT_EQ(copy.Color(), 0u);
    EXPECT_EQ(copy.FillView(), 1);
    EXPECT_EQ(copy.SelectStyle(), 1);
    EXPECT_TRUE(copy.MultiSelect());
    EXPECT_TRUE(copy.Sorted());
    EXPECT_EQ(copy.Font().pointSize(), 14);
    EXPECT_TRUE(copy.Font().bold());
    EXPECT_TRUE(copy.Paint());
    EXPECT_EQ(copy.ItemHeightPx(), source.ItemHeightPx());

    // Unreadable values are skipped.
    PropertyStore broken;
    broken.WriteProperty("Style", QString("four"));
    broken.WriteProperty("Font", 12);
    UltraBox tolerant(&broken);
    EXPECT_EQ(tolerant.Style(), 0);
    EXPECT_EQ(tolerant.Color(), 0xFFFFFFu);
}

// Entries added as literal keep their text as it stands, wherever the list hands it back or
// orders by it; the host's value travels with the entry. Other entries keep their markup.
TEST_F(UltraBoxEntries, LiteralEntriesKeepTheirTextAndData) {
    UltraBoxAddArgs literal;
    literal.literal = true;
    const QString texts[] = {"}3Error}r ok", "Simon & Garfunkel && more", "a\r\nb", "}b"};
    for (int i = 0; i < 4; ++i) {
        literal.data = 100 + i;
        box.AddItem(texts[i], literal);
    }
    box.AddItem("}3Error}r ok");  // markup, for comparison
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(box.List(i + 1), texts[i]);
        EXPECT_EQ(box.List(i + 1, true), texts[i]);
        EXPECT_EQ(box.ItemData(i + 1), 100 + i);
    }
    EXPECT_EQ(box.List(5), "Error ok");
    EXPECT_EQ(box.ItemData(5), 0);
    EXPECT_EQ(box.ItemData(6), 0);
    box.SetSelected(1, true);
    EXPECT_EQ(box.ItemText(), "}3Error}r ok");

    // Sorted by what they show: the literal "}3..." and "}b" by their braces, the marked-up
    // entry by the "E" of "Error ok".
    box.SetSorted(true);
    EXPECT_EQ(AllTexts(box), (QStringList{"a\r\nb", "}3Error}r ok", "Simon & Garfunkel && more",
                                          "}3Error}r ok", "}b"}));
    const std::int64_t data[] = {102, 0, 101, 100, 103};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(box.ItemData(i + 1), data[i]) << i;
    }
    EXPECT_FALSE(box.Item(2)->Literal);
}

TEST_F(UltraBoxTest, SelectEntriesSelectsExactlyTheGivenSetInOnePass) {
    UltraBox box;
    box.AddItemCheck("check");
    for (const char* text : {"a", "b", "c", "d"}) {
        box.AddItem(text);
    }
    box.SetSelected(1, true);
    box.SetMultiSelect(true);
    // Unknown numbers are passed over; the first known one becomes current; marks stay.
    box.SelectEntries({4, 2, 99, -1});
    const auto selected = [&box] {
        std::vector<int> s;
        for (int i = 1; i <= box.ListCount(); ++i) {
            if (box.Item(i)->Selected) {
                s.push_back(i);
            }
        }
        return s;
    };
    EXPECT_EQ(selected(), (std::vector<int>{2, 4}));
    EXPECT_EQ(box.ListIndex(), 4);
    EXPECT_EQ(box.Item(1)->CheckState, 1);
    // Without multiple selection only the first is taken.
    box.SetMultiSelect(false);
    box.SelectEntries({3, 5});
    EXPECT_EQ(selected(), std::vector<int>{3});
    EXPECT_EQ(box.ListIndex(), 3);
    box.SelectEntries({});
    EXPECT_EQ(selected(), std::vector<int>{});
    EXPECT_EQ(box.ListIndex(), 3);
}
