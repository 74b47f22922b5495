#include <gtest/gtest.h>

#include <vector>

#include "ultrabox_colors.h"
#include "ultrabox_geometry.h"
#include "ultrabox_markup.h"
#include "ultrabox_model.h"
#include "ultrabox_navigation.h"

namespace {

std::vector<UltraBoxItem> Entries(const QStringList& texts) {
    std::vector<UltraBoxItem> items(1);
    for (const QString& text : texts) {
        UltraBoxItem item;
        item.Text = text;
        item.Enabled = true;
        items.push_back(item);
    }
    return items;
}

QStringList Texts(const std::vector<UltraBoxItem>& items) {
    QStringList texts;
    for (std::size_t i = 1; i < items.size(); ++i) {
        texts << items[i].Text;
    }
    return texts;
}

}  // namespace

TEST(UltraBoxMarkup, CodesStripAndPieces) {
    struct Case {
        QString stored;
        QString shown;
    };
    const Case cases[] = {
        {"}3Error}r ok", "Error ok"},
        {"a}xb", "a}xb"},      // not a code: stays in the text
        {"}B", "}B"},          // codes are case-sensitive
        {"}b}bbold", "bold"},  // the empty piece between the codes
        {"}}00", "}0"},        // each code is removed in one pass
        {"no braces", "no braces"},
        {"}0}1}2}3}4}5}6}7}8}9}i}b}u}n}r", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UltraBoxMarkup::StripMarkup(c.stored), c.shown) << c.stored.toStdString();
    }
    EXPECT_EQ(UltraBoxMarkup::MarkupCode('0'), 0x808000);
    EXPECT_EQ(UltraBoxMarkup::MarkupCode('3'), 0x0000FF);
    EXPECT_EQ(UltraBoxMarkup::MarkupCode('4'), 0xFF0000);
    EXPECT_EQ(UltraBoxMarkup::MarkupCode('8'), 0x0080FF);
    EXPECT_EQ(UltraBoxMarkup::MarkupCode('b'), UltraBoxMarkup::kBoldOn);
    EXPECT_EQ(UltraBoxMarkup::MarkupCode('r'), UltraBoxMarkup::kColorReset);
    EXPECT_EQ(UltraBoxMarkup::MarkupCode('B'), UltraBoxMarkup::kNotACode);
    EXPECT_EQ(UltraBoxMarkup::SplitPieces("a}xb}"), (QStringList{"a", "xb", ""}));

    using UltraBoxMarkup::Run;
    const QList<Run> runs = UltraBoxMarkup::Runs("b}3Error}}bB}xy}r");
    const QList<Run> expected = {{UltraBoxMarkup::kNotACode, "b"},
                                 {0x0000FF, "Error"},
                                 {UltraBoxMarkup::kBoldOn, "B"},
                                 {UltraBoxMarkup::kNotACode, "xy"},
                                 {UltraBoxMarkup::kColorReset, ""}};
    EXPECT_EQ(runs, expected);
}

TEST(UltraBoxMarkup, LiteralTextsShowControlCharactersAsSymbols) {
    EXPECT_EQ(UltraBoxMarkup::LiteralShown("a & }r b"), "a & }r b");
    EXPECT_EQ(UltraBoxMarkup::LiteralShown(QString::fromUtf8("line\nbreak\ttab\r\x7f\x1b.")),
              QString::fromUtf8("line\u21b5break\u21e5tab\u21b5\ufffd\ufffd."));
    EXPECT_EQ(UltraBoxMarkup::LiteralShown(QString(QChar(0)) + QChar(0x2028)),
              QString::fromUtf8("\ufffd\u21b5"));
}

TEST(UltraBoxModel, SortOrdersByDisplayTextAndMovesWholeRecords) {
    struct Case {
        QStringList added;
        QStringList sorted;
    };
    const Case cases[] = {
        {{}, {}},
        {{"b"}, {"b"}},
        {{"b", "A"}, {"A", "b"}},  // two entries are sorted too
        {{"b", "A", "c"}, {"A", "b", "c"}},
        {{"}3zulu", "alpha", "}bMike"}, {"alpha", "}bMike", "}3zulu"}},
        {{"[..]", "[b]", "a.mp3", "Z.wav", "[A]"}, {"A.MP3", "Z.WAV", "[..]", "[A]", "[B]"}},
        {{"9", "10", "1", "08", "x", "X", "_"}, {"08", "1", "10", "9", "X", "X", "_"}},
    };
    for (const Case& c : cases) {
        std::vector<UltraBoxItem> items = Entries(c.added);
        UltraBoxModel::SortItems(items);
        QStringList upper;
        for (const QString& text : Texts(items)) {
            upper << UltraBoxMarkup::StripMarkup(text).toUpper();
        }
        QStringList expected;
        for (const QString& text : c.sorted) {
            expected << UltraBoxMarkup::StripMarkup(text).toUpper();
        }
        EXPECT_EQ(upper, expected) << c.added.join(',').toStdString();
    }
    // A long list ends sorted, and states travel with their records.
    QStringList many;
    for (int i = 0; i < 200; ++i) {
        many << QString::number((i * 7919) % 200).rightJustified(3, '0');
    }
    std::vector<UltraBoxItem> items = Entries(many);
    items[5].Selected = true;
    items[5].CheckState = 1;
    const QString marked = items[5].Text;
    UltraBoxModel::SortItems(items);
    for (std::size_t i = 2; i < items.size(); ++i) {
        ASSERT_LE(items[i - 1].Text, items[i].Text);
    }
    for (const UltraBoxItem& item : items) {
        EXPECT_EQ(item.Selected, item.Text == marked);
        EXPECT_EQ(item.CheckState == 1, item.Text == marked);
    }
    EXPECT_EQ(items[0], UltraBoxItem{});
}

TEST(UltraBoxModel, FindMatchesEnabledEntriesOnly) {
    std::vector<UltraBoxItem> items = Entries({"xabc", "ABC", "}bab", "abd"});
    items[4].Enabled = false;
    struct Case {
        QString s;
        bool anywhere;
        int found;
    };
    const Case cases[] = {
        {"ab", false, 2},   {"ab", true, 1},   {"AbC", false, 2}, {"}b", false, 3},
        {"abd", false, -1}, {"zzz", true, -1}, {"", false, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UltraBoxModel::FindEntry(items, c.s, c.anywhere), c.found) << c.s.toStdString();
    }
}

TEST(UltraBoxModel, KindsAndAlignment) {
    UltraBoxItem item;
    EXPECT_EQ(UltraBoxModel::ItemType(item), UltraBoxModel::kPlainEntry);
    item.UseCheckBox = true;
    EXPECT_EQ(UltraBoxModel::ItemType(item), UltraBoxModel::kCheckEntry);
    item.UseProgressBar = true;
    EXPECT_EQ(UltraBoxModel::ItemType(item), UltraBoxModel::kProgressEntry);
    item = {};
    item.UseOptionBox = true;
    EXPECT_EQ(UltraBoxModel::ItemType(item), UltraBoxModel::kOptionEntry);
    const int formats[][2] = {{0, 0}, {1, 2}, {2, 1}, {3, 0}, {-1, 0}};
    for (const auto& f : formats) {
        EXPECT_EQ(UltraBoxModel::TextFormatFor(f[0]), f[1]) << f[0];
    }
}

TEST(UltraBoxGeometry, ScrollBarDecisionAndLayout) {
    using namespace UltraBoxGeometry;
    ScrollInputs in;
    in.surfaceWidthPx = 200;
    in.surfaceHeightPx = 100;
    in.itemHeightPx = 15;
    in.itemHeightTwips = 225;
    in.vScrollWidthPx = 16;
    in.hScrollHeightPx = 16;
    struct Case {
        int count;
        int maxTextWidthPx;
        ScrollBars bars;
    };
    const Case cases[] = {
        {0, 0, {false, false}},  {6, 100, {false, false}},  // 90 px of rows fit 100
        {7, 100, {true, false}},                            // 105 px do not
        {1, 250, {false, true}},                            // too wide only
        {6, 250, {true, true}},   // the horizontal bar pushes the rows over the height
        {7, 190, {true, true}},   // the vertical bar narrows the width
        {7, 182, {true, false}},  // still fits beside the vertical bar (200 - 18)
    };
    for (const Case& c : cases) {
        in.listCount = c.count;
        in.maxTextWidthTwips = c.maxTextWidthPx * kTwipsPerPixel;
        EXPECT_EQ(DecideScrollBars(in), c.bars) << c.count << " " << c.maxTextWidthPx;
    }
    in.listCount = 20;
    in.maxTextWidthTwips = 300 * kTwipsPerPixel;
    EXPECT_EQ(VisibleRows(in, true), (100 - 6 - 16) * 15 / 225);
    EXPECT_EQ(VScrollRect(in), (Rect{182, 3, 198, 97}));
    EXPECT_EQ(VScrollMaximum(in), 20 - 5);
    EXPECT_EQ(HScrollRect(in, true), (Rect{3, 81, 3 + 200 - 6 - 17, 97}));
    EXPECT_EQ(HScrollRect(in, false), (Rect{3, 81, 197, 97}));
    EXPECT_EQ(HScrollMaximum(in), 300 - 200 + 16 + 8);
    in.listCount = 100000;  // the bar's range is 16-bit
    EXPECT_EQ(VScrollMaximum(in), kScrollLimit);

    EXPECT_EQ(RowRect(2, 15, 4, 200, false, 16), (Rect{-1, 33, 197, 48}));
    EXPECT_EQ(RowRect(0, 15, 0, 200, true, 16), (Rect{3, 3, 182, 18}));
    EXPECT_EQ(BoxRect(1, 15, 0), (Rect{3, 18, 15, 36}));
    EXPECT_EQ(RowAt(2.9, 15), -1);
    EXPECT_EQ(RowAt(3.0, 15), 0);
    EXPECT_EQ(RowAt(17.9, 15), 0);
    EXPECT_EQ(RowAt(18.0, 15), 1);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
}

// On a screen of another dpi a pixel holds another number of twips; the layout in pixels
// stays the same.
TEST(UltraBoxGeometry, LayoutInPixelsIsTheSameAtAnyDpi) {
    using namespace UltraBoxGeometry;
    struct Case {
        int count;
        int maxTextWidthPx;
    };
    const Case cases[] = {{0, 0}, {6, 100}, {7, 100}, {1, 250}, {6, 250}, {7, 190}, {20, 300}};
    for (const double twipsPerPixel : {12.0, 10.0, 7.5, 20.0}) {
        for (const Case& c : cases) {
            ScrollInputs standard;
            standard.surfaceWidthPx = 200;
            standard.surfaceHeightPx = 100;
            standard.itemHeightPx = 15;
            standard.itemHeightTwips = 15 * kTwipsPerPixel;
            standard.vScrollWidthPx = 16;
            standard.hScrollHeightPx = 16;
            standard.listCount = c.count;
            standard.maxTextWidthTwips = c.maxTextWidthPx * kTwipsPerPixel;
            ScrollInputs other = standard;
            other.twipsPerPixel = twipsPerPixel;
            other.itemHeightTwips = RoundHalfEven(15 * twipsPerPixel);
            other.maxTextWidthTwips = RoundHalfEven(c.maxTextWidthPx * twipsPerPixel);
            const auto where = ::testing::Message()
                               << twipsPerPixel << " twips/px, " << c.count << " entries";
            EXPECT_EQ(DecideScrollBars(other), DecideScrollBars(standard)) << where;
            EXPECT_EQ(VisibleRows(other, true), VisibleRows(standard, true)) << where;
            EXPECT_EQ(VisibleRows(other, false), VisibleRows(standard, false)) << where;
            EXPECT_EQ(VScrollMaximum(other), VScrollMaximum(standard)) << where;
            EXPECT_EQ(HScrollMaximum(other), HScrollMaximum(standard)) << where;
        }
    }
}

TEST(UltraBoxGeometry, DevicePixelsOfLogicalOnes) {
    using UltraBoxGeometry::DevicePoint;
    using UltraBoxGeometry::DeviceSize;
    const struct {
        double ratio;
        QSize size;
        QSize device;
        QPoint point;
        QPoint devicePoint;
    } cases[] = {
        {1.0, {200, 140}, {200, 140}, {7, 9}, {7, 9}},
        {2.0, {200, 140}, {400, 280}, {7, 9}, {14, 18}},
        {1.25, {201, 17}, {252, 22}, {3, 5}, {3, 6}},  // partly covered pixels count whole
        {1.5, {1, 1}, {2, 2}, {0, 0}, {0, 0}},
        {3.0, {0, 5}, {0, 15}, {-1, 2}, {-3, 6}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DeviceSize(c.size, c.ratio), c.device) << c.ratio;
        EXPECT_EQ(DevicePoint(c.point, c.ratio), c.devicePoint) << c.ratio;
    }
}

TEST(UltraBoxNavigation, MovesLandOnTheNearestEnabledEntry) {
    using UltraBoxNavigation::Move;
    // Entries 1..12; 4, 5 and 12 are disabled; pages of 4 rows move by 3.
    const auto enabled = [](int i) { return i >= 1 && i <= 12 && i != 4 && i != 5 && i != 12; };
    struct Case {
        Move move;
        int current;
        int target;
    };
    const Case cases[] = {
        {Move::Down, 3, 6},     {Move::Down, 11, -1},     {Move::Up, 6, 3},
        {Move::Up, 1, -1},      {Move::Home, 7, 1},       {Move::Home, 1, -1},
        {Move::End, 2, 11},     {Move::End, 11, -1},      {Move::PageDown, 1, 6},
        {Move::PageDown, 6, 9}, {Move::PageDown, 10, 11}, {Move::PageDown, 11, -1},
        {Move::PageUp, 9, 6},   {Move::PageUp, 8, 3},     {Move::PageUp, 2, 1},
        {Move::PageUp, 1, -1},  {Move::Down, -1, 1},      {Move::PageUp, -1, 1},
        {Move::End, -1, 11},    {Move::Up, 40, 11},  // a current entry past the end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UltraBoxNavigation::Target(c.move, c.current, 12, 4, enabled), c.target)
            << static_cast<int>(c.move) << " from " << c.current;
    }
    EXPECT_EQ(UltraBoxNavigation::Target(Move::Down, -1, 0, 4, enabled), -1);  // no entries
    EXPECT_EQ(UltraBoxNavigation::MoveForKey(Qt::Key_PageDown), Move::PageDown);
    EXPECT_FALSE(UltraBoxNavigation::MoveForKey(Qt::Key_Space).has_value());
}

TEST(UltraBoxColors, SystemTextColoursPairWithTheirBackground) {
    using UltraBoxColors::Backdrop;
    using UltraBoxColors::SystemColor;
    QPalette dark;
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEC));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9E));
    const OleColor windowText = SystemColor(UltraBoxColors::kWindowText);
    const OleColor highlightText = SystemColor(UltraBoxColors::kHighlightText);
    const OleColor grey = SystemColor(UltraBoxColors::kGrayText);
    struct Case {
        const char* what;
        OleColor text;
        Backdrop backdrop;
        QColor expected;
    };
    const Case cases[] = {
        {"fixed text stays", 0x0000FF, {false, Qt::white}, Qt::red},
        {"palette text over a palette colour",
         windowText,
         {true, Qt::black},
         QColor(0xEE, 0xEE, 0xEC)},
        {"palette text over a fixed colour: designed black",
         windowText,
         {false, Qt::white},
         Qt::black},
        {"designed white too weak: black",
         highlightText,
         {false, QColor(0xEF, 0xEF, 0xEF)},
         Qt::black},
        {"designed white strong enough",
         highlightText,
         {false, QColor(0x20, 0x40, 0x80)},
         Qt::white},
        {"designed black too weak: white",
         windowText,
         {false, QColor(0x10, 0x10, 0x10)},
         Qt::white},
        {"disabled keeps the designed grey", grey, {false, Qt::white}, QColor(0xBE, 0xBE, 0xBE)},
        {"over a picture: designed", windowText, {false, QColor()}, Qt::black},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UltraBoxColors::TextColorOver(c.text, c.backdrop, dark).rgb(), c.expected.rgb())
            << c.what;
    }
}
