// ultrabox_bench: filling and repainting the item list against a QListWidget in the same run.
// Prints milliseconds (median of several rounds) and the ratios; not a test.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "ultrabox.h"

namespace {

constexpr int kEntries = 10000;
constexpr int kRepaints = 1000;
constexpr int kRounds = 5;
constexpr int kWidth = 290;
constexpr int kHeight = 350;

// The median wall time of `rounds` runs of `work`, in milliseconds.
double MedianMs(int rounds, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Shows `widget` and waits until its window can be painted.
void ShowExposed(QWidget& widget) {
    widget.show();
    for (int i = 0; i < 100 && !(widget.windowHandle() && widget.windowHandle()->isExposed());
         ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::processEvents();
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

QStringList Names(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names
            << QStringLiteral("Track %1 - some artist - some title.mp3").arg(i, 5, 10, QChar('0'));
    }
    return names;
}

void Fill(UltraBox& box, const QStringList& names) {
    box.SetPaint(false);
    for (const QString& name : names) {
        box.AddItem(name, 0, {}, kDefaultColor, true, 0xFFFFFF, 0x000000);
    }
}

// Repaints of a list of `count` entries scrolled to the middle, in milliseconds.
double UltraBoxRepaints(const QStringList& names) {
    UltraBox box;
    box.resize(kWidth, kHeight);
    ShowExposed(box);
    Fill(box, names);
    box.SetPaint(true);
    box.VS()->setValue(box.VS()->maximum() / 2);
    return MedianMs(kRounds, [&] {
        for (int i = 0; i < kRepaints; ++i) {
            box.Redraw();
            box.Surface()->repaint();
        }
    });
}

// One selection of a single entry in a list of `count` entries that all were selected, shown
// on the screen at once; milliseconds per selection, the selecting of all between them not
// counted. UltraBox: SetSelected and a mouse press; QListWidget: setCurrentRow and a repaint.
struct SelectTimes {
    double setSelected = 0;
    double press = 0;
    double listWidget = 0;
    double eventLoopPasses = 0;  // what one idle event-loop pass per entry costs
};

// The median over the rounds of the milliseconds per repeat that `timed` takes, `untimed`
// running before each repeat.
double MedianPerRepeat(int repeats, const std::function<void()>& untimed,
                       const std::function<void()>& timed) {
    std::vector<double> rounds;
    for (int round = 0; round < kRounds; ++round) {
        qint64 ns = 0;
        for (int i = 0; i < repeats; ++i) {
            untimed();
            QElapsedTimer timer;
            timer.start();
            timed();
            ns += timer.nsecsElapsed();
        }
        rounds.push_back(static_cast<double>(ns) / 1e6 / repeats);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

SelectTimes SelectionTimes(const QStringList& names, int repeats) {
    SelectTimes result;
    UltraBox box;
    box.resize(kWidth, kHeight);
    ShowExposed(box);
    Fill(box, names);
    box.SetPaint(true);
    box.SetMultiSelect(true);
    std::vector<int> all(static_cast<std::size_t>(names.size()));
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<int>(i) + 1;
    }
    const auto selectAll = [&] { box.SelectEntries(all); };
    const int middle = static_cast<int>(names.size() / 2);
    result.setSelected = MedianPerRepeat(repeats, selectAll, [&] {
        box.SetSelected(middle, true);
        box.Surface()->repaint();
    });
    const QPointF at(40, 10);
    result.press = MedianPerRepeat(repeats, selectAll, [&] {
        QMouseEvent press(QEvent::MouseButtonPress, at, box.Surface()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box.Surface(), &press);
        box.Surface()->repaint();
    });
    QListWidget list;
    list.resize(kWidth, kHeight);
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    ShowExposed(list);
    list.addItems(names);
    result.listWidget = MedianPerRepeat(
        repeats, [&] { list.selectAll(); },
        [&] {
            list.setCurrentRow(middle - 1, QItemSelectionModel::ClearAndSelect);
            list.viewport()->repaint();
        });
    result.eventLoopPasses = MedianPerRepeat(
        1, [] {},
        [&] {
            for (qsizetype i = 0; i < names.size(); ++i) {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            }
        });
    return result;
}

}  // namespace

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList names = Names(kEntries);

    std::vector<double> fillTimes;
    std::vector<double> paintTimes;
    const double ultraFill = MedianMs(kRounds, [&] {
        UltraBox box;
        box.resize(kWidth, kHeight);
        ShowExposed(box);
        QElapsedTimer timer;
        timer.start();
        Fill(box, names);
        fillTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        box.SetPaint(true);
        box.Surface()->repaint();
        paintTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    });
    const double fillOnly = Median(fillTimes);
    const double firstPaint = Median(paintTimes);
    const double listFill = MedianMs(kRounds, [&] {
        QListWidget list;
        list.resize(kWidth, kHeight);
        ShowExposed(list);
        for (const QString& name : names) {
            list.addItem(name);
        }
        // The view lays its items out lazily; let it do so, then paint once.
        QCoreApplication::processEvents();
        list.viewport()->repaint();
    });

    const double ultraRepaintFull = UltraBoxRepaints(names);
    const double ultraRepaintSmall = UltraBoxRepaints(names.mid(0, 100));

    QListWidget list;
    list.resize(kWidth, kHeight);
    ShowExposed(list);
    list.addItems(names);
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum() / 2);
    QCoreApplication::processEvents();
    PaintCounter counter;
    list.viewport()->installEventFilter(&counter);
    const double listRepaint = MedianMs(kRounds, [&] {
        for (int i = 0; i < kRepaints; ++i) {
            list.viewport()->repaint();
        }
    });

    std::printf("ultrabox_bench: %d entries, %d repaints, median of %d rounds\n", kEntries,
                kRepaints, kRounds);
    std::printf("UltraBox fill, Paint false:            %8.2f ms (goal < 50)\n", fillOnly);
    std::printf("UltraBox Paint true, one repaint:      %8.2f ms\n", firstPaint);
    std::printf("UltraBox show + fill + first paint:    %8.2f ms\n", ultraFill);
    std::printf("QListWidget show + fill + paint:       %8.2f ms\n", listFill);
    std::printf("fill ratio UltraBox / QListWidget:     %8.3f (goal <= 1.0)\n",
                ultraFill / listFill);
    std::printf("UltraBox %d repaints, %d entries:  %8.2f ms\n", kRepaints, kEntries,
                ultraRepaintFull);
    std::printf("UltraBox %d repaints, 100 entries:   %8.2f ms\n", kRepaints, ultraRepaintSmall);
    std::printf("repaint ratio 10000 / 100 entries:     %8.3f (goal ~1.0)\n",
                ultraRepaintFull / ultraRepaintSmall);
    std::printf("QListWidget %d repaints:              %8.2f ms\n", kRepaints, listRepaint);
    std::printf("(QListWidget paint events seen: %d)\n", counter.paints);
    std::printf("repaint ratio UltraBox / QListWidget:  %8.3f (goal <= 1.0)\n",
                ultraRepaintFull / listRepaint);

    const SelectTimes select = SelectionTimes(names, 20);
    std::printf("select one of %d selected, UltraBox SetSelected: %8.3f ms\n", kEntries,
                select.setSelected);
    std::printf("select one of %d selected, UltraBox press:       %8.3f ms\n", kEntries,
                select.press);
    std::printf("select one of %d selected, QListWidget:          %8.3f ms\n", kEntries,
                select.listWidget);
    std::printf("select ratio UltraBox SetSelected / QListWidget: %8.3f (goal <= 1.0)\n",
                select.setSelected / select.listWidget);
    std::printf("(%d idle event-loop passes, one per entry as the list made before: %8.2f ms)\n",
                kEntries, select.eventLoopPasses);
    return 0;
}
