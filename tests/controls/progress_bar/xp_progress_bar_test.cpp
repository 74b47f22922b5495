// The control's properties, its buffer and its stored properties.
#include <gtest/gtest.h>

#include <QImage>

#include "property_store.h"
#include "qt_app.h"
#include "xp_colors.h"
#include "xp_progress_bar.h"

using XpColors::MakeRgb;

namespace {

// Shows the control at `size` without putting it on a screen, so that it gets its resize.
void ShowAt(XP_ProgressBar& bar, QSize size) {
    bar.setAttribute(Qt::WA_DontShowOnScreen);
    bar.resize(size);
    bar.show();
}

}  // namespace

TEST(XpProgressBar, CreationValues) {
    TestApp();
    XP_ProgressBar bar;
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Percentage(), 0);
    EXPECT_TRUE(bar.Percent());
    EXPECT_FALSE(bar.ShowText());
    EXPECT_EQ(bar.Scrolling(), 0);
    EXPECT_EQ(bar.Orientation(), 0);
    EXPECT_EQ(bar.Look().brushStyle, 0);
    EXPECT_EQ(bar.Color(), MakeRgb(64, 64, 64));
    EXPECT_EQ(bar.TextColor(), MakeRgb(255, 255, 255));
    EXPECT_EQ(bar.Text(), "%");
    EXPECT_EQ(bar.Font().family(), "Tahoma");
    EXPECT_EQ(bar.Font().pointSize(), 8);
    EXPECT_TRUE(bar.Image().isNull());
    EXPECT_EQ(bar.hwnd(), &bar);
    EXPECT_EQ(bar.CaptionText(), "0 %");
}

TEST(XpProgressBar, ValueWorksOutThePercentageAndCaption) {
    TestApp();
    struct Step {
        int max;
        int min;
        int value;
        bool percent;
        int percentage;
        QString caption;
    };
    // One control through a sequence of writes: Min never matters, Max 0 keeps the old value.
    const Step steps[] = {
        {100, 0, 42, true, 42, "42 %"},    {100, 0, 42, false, 42, "42 %"},
        {200, 0, 101, true, 50, "50 %"},   {200, 0, 103, true, 52, "52 %"},
        {200, 50, 103, true, 52, "52 %"},  {100, 50, 20, true, 20, "20 %"},
        {0, 0, 77, true, 20, "20 %"},      {0, 0, 77, false, 20, "77 %"},
        {1, 0, INT_MAX, true, 20, "20 %"}, {100, 0, 100, true, 100, "100 %"},
    };
    XP_ProgressBar bar;
    for (const Step& s : steps) {
        bar.SetMax(s.max);
        bar.SetMin(s.min);
        bar.SetPercent(s.percent);
        bar.SetValue(s.value);
        EXPECT_EQ(bar.Value(), s.value);
        EXPECT_EQ(bar.Percentage(), s.percentage) << s.value << " of " << s.max;
        EXPECT_EQ(bar.CaptionText(), s.caption) << s.value << " of " << s.max;
        EXPECT_EQ(bar.Look().caption, s.caption);
    }
    // Writing Max alone works out nothing new.
    bar.SetMax(200);
    EXPECT_EQ(bar.Percentage(), 100);
    bar.SetScrolling(2);
    EXPECT_EQ(bar.CaptionText(), "Searching..");
}

TEST(XpProgressBar, ColoursAreTranslatedWhenWritten) {
    TestApp();
    XP_ProgressBar bar;
    const XpColors::Rgb face = XpColors::kSystemColorFlag | 15;
    bar.SetColor(face);
    bar.SetTextColor(face);
    EXPECT_EQ(bar.Color(), XpColors::TranslateColor(face));
    EXPECT_EQ(bar.TextColor(), XpColors::TranslateColor(face));
    EXPECT_EQ(bar.Color() & XpColors::kSystemColorFlag, 0u);
}

TEST(XpProgressBar, BufferIsRebuiltOnlyWhenTheControlGrows) {
    TestApp();
    XP_ProgressBar bar;
    ShowAt(bar, QSize(100, 20));
    ASSERT_EQ(bar.Buffer().size(), QSize(100, 20));
    EXPECT_EQ(bar.hdc(), static_cast<const QPaintDevice*>(&bar.Buffer()));
    // The serial number in the cache key's upper half names the image data; drawing keeps it.
    auto serial = [&bar] { return bar.Buffer().cacheKey() >> 32; };

    struct Step {
        QSize size;
        QSize buffer;
        bool rebuilt;
    };
    const Step steps[] = {
        {{200, 20}, {200, 20}, true}, {{100, 20}, {200, 20}, false}, {{150, 10}, {200, 20}, false},
        {{150, 30}, {150, 30}, true}, {{200, 30}, {200, 30}, true},  {{200, 30}, {200, 30}, false},
    };
    qint64 previous = serial();
    for (const Step& s : steps) {
        bar.resize(s.size);
        EXPECT_EQ(bar.Buffer().size(), s.buffer) << s.size.width() << "x" << s.size.height();
        const qint64 key = serial();
        EXPECT_EQ(key != previous, s.rebuilt) << s.size.width() << "x" << s.size.height();
        previous = key;
    }
    // A smaller control draws into the top left of the larger buffer and shows just that part.
    bar.resize(50, 10);
    bar.SetScrolling(3);
    bar.SetColor(MakeRgb(0, 0, 255));
    EXPECT_EQ(bar.Buffer().pixelColor(49, 5),
              XpColors::ToQColor(XpColors::Lighten(MakeRgb(0, 0, 255), 100)));
    const QImage shown = bar.grab().toImage();
    EXPECT_EQ(shown.size(), QSize(50, 10));
    EXPECT_EQ(shown.pixelColor(49, 5), bar.Buffer().pixelColor(49, 5));
}

TEST(XpProgressBar, WithoutBufferTheControlDrawsItself) {
    TestApp();
    XP_ProgressBar bar;
    ShowAt(bar, QSize(0, 20));
    EXPECT_TRUE(bar.Buffer().isNull());
    EXPECT_EQ(bar.hdc(), static_cast<QPaintDevice*>(&bar));
    bar.SetValue(50);  // no buffer to draw into: nothing breaks
    bar.resize(40, 12);
    EXPECT_EQ(bar.Buffer().size(), QSize(40, 12));
}

TEST(XpProgressBar, PDrawCopiesBlocksOfTheBuffer) {
    TestApp();
    XP_ProgressBar bar;
    ShowAt(bar, QSize(60, 20));
    bar.SetScrolling(3);
    bar.SetValue(100);
    QImage target(80, 30, QImage::Format_RGB32);
    target.fill(Qt::black);
    bar.pDraw(&target, 10, 5, 0, 0, 20, 10);  // sizes 0: the buffer's own
    EXPECT_EQ(target.pixelColor(20, 10), bar.Buffer().pixelColor(10, 5));
    EXPECT_EQ(target.pixelColor(69, 24), bar.Buffer().pixelColor(59, 19));
    EXPECT_EQ(target.pixelColor(19, 10), QColor(Qt::black));
    target.fill(Qt::black);
    bar.pDraw(&target, 0, 0, 5, 5);
    EXPECT_EQ(target.pixelColor(4, 4), bar.Buffer().pixelColor(4, 4));
    EXPECT_EQ(target.pixelColor(5, 5), QColor(Qt::black));
}

TEST(XpProgressBar, StoredPropertiesRoundTripInOrder) {
    TestApp();
    const QStringList names = {"BrushStyle", "Color",       "Picture",   "Max",
                               "Min",        "Orientation", "Scrolling", "ShowText",
                               "Text",       "TextColor",   "Percent",   "Value"};
    PropertyStore store;

    // Nothing stored: the stored defaults, which differ from those at creation.
    XP_ProgressBar fresh(&store);
    EXPECT_EQ(store.ReadLog(), names);
    EXPECT_EQ(fresh.Scrolling(), 5);
    EXPECT_TRUE(fresh.ShowText());
    EXPECT_EQ(fresh.Look().brushStyle, 4);
    EXPECT_EQ(fresh.Color(), MakeRgb(64, 64, 64));
    fresh.WriteProperties(store);
    EXPECT_EQ(store.WriteLog(), names);
    for (const QString& name : names) {
        EXPECT_FALSE(store.Contains(name)) << name.toStdString();
    }

    // The main window's bar stores four values only.
    store.Clear();
    XP_ProgressBar mainBar(&store);
    mainBar.SetBrushStyle(0);
    mainBar.SetColor(MakeRgb(0, 128, 0));
    mainBar.SetScrolling(0);
    mainBar.SetShowText(false);
    mainBar.WriteProperties(store);
    for (const QString& name : names) {
        const bool stored =
            name == "BrushStyle" || name == "Color" || name == "Scrolling" || name == "ShowText";
        EXPECT_EQ(store.Contains(name), stored) << name.toStdString();
    }

    // Every value away from its default comes back.
    store.Clear();
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(QColor(1, 2, 3));
    XP_ProgressBar source(&store);
    source.SetBrushStyle(2);
    source.SetColor(MakeRgb(10, 20, 30));
    source.SetImage(picture);
    source.SetMax(400);
    source.SetMin(7);
    source.SetOrientation(1);
    source.SetScrolling(7);
    source.SetShowText(false);
    source.SetText("Dateien");
    source.SetTextColor(MakeRgb(200, 0, 0));
    source.SetPercent(false);
    source.SetValue(101);
    source.WriteProperties(store);
    for (const QString& name : names) {
        EXPECT_TRUE(store.Contains(name)) << name.toStdString();
    }
    XP_ProgressBar copy(&store);
    EXPECT_EQ(copy.Look(), source.Look());
    EXPECT_EQ(copy.Max(), 400);
    EXPECT_EQ(copy.Min(), 7);
    EXPECT_EQ(copy.Value(), 101);
    EXPECT_EQ(copy.Percentage(), 25);
    EXPECT_EQ(copy.Text(), "Dateien");
    EXPECT_FALSE(copy.Percent());
    EXPECT_EQ(copy.CaptionText(), "101 Dateien");
}

TEST(XpProgressBar, ImageChangeIsReportedToTheHost) {
    TestApp();
    PropertyStore store;
    QStringList reported;
    store.onPropertyChanged = [&](const QString& name) { reported.append(name); };
    XP_ProgressBar bar(&store);
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    bar.SetImage(picture);
    bar.SetImage(QImage());
    bar.SetColor(MakeRgb(1, 1, 1));
    bar.SetValue(3);
    EXPECT_EQ(reported, (QStringList{"Image", "Image"}));
    // Loading a stored picture sets it directly, without a report.
    store.WriteProperty("Picture", picture);
    bar.ReadProperties(store);
    EXPECT_EQ(bar.Image(), picture);
    EXPECT_EQ(reported.size(), 2);
}
