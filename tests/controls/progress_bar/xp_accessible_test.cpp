// What screen readers see of the progress bar, through Qt's accessibility interfaces.
#include <gtest/gtest.h>

#include <QAccessible>

#include <vector>

#include "../accessibility_on.h"
#include "qt_app.h"
#include "xp_progress_bar.h"

namespace {

std::vector<int>* heardValues = nullptr;

void Record(QAccessibleEvent* event) {
    if (heardValues != nullptr && event->type() == QAccessible::ValueChanged &&
        qobject_cast<XP_ProgressBar*>(event->object()) != nullptr) {
        heardValues->push_back(static_cast<QAccessibleValueChangeEvent*>(event)->value().toInt());
    }
}

class XpAccessible : public ::testing::Test {
protected:
    XpAccessible() {
        bar.setAccessibleName("Fortschritt");
        bar.resize(300, 17);
        bar.show();
    }
    QApplication& app = TestApp();
    XP_ProgressBar bar;
};

}  // namespace

TEST_F(XpAccessible, IsAProgressBarWithItsValueRange) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ProgressBar);
    EXPECT_EQ(iface->text(QAccessible::Name), "Fortschritt");
    EXPECT_TRUE(iface->state().readOnly);
    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);

    struct Case {
        int max;
        int min;  // kept only: the bar is drawn from 0
        int value;
        QString caption;
    };
    const Case cases[] = {{100, 0, 0, "0 %"}, {100, 0, 42, "42 %"}, {200, 50, 101, "50 %"}};
    for (const Case& c : cases) {
        bar.SetMax(c.max);
        bar.SetMin(c.min);
        bar.SetValue(c.value);
        EXPECT_EQ(value->currentValue().toInt(), c.value);
        EXPECT_EQ(value->minimumValue().toInt(), 0);
        EXPECT_EQ(value->maximumValue().toInt(), c.max);
        EXPECT_EQ(iface->text(QAccessible::Value), c.caption);
    }
    value->setCurrentValue(7);  // a progress bar is not set from outside
    EXPECT_EQ(bar.Value(), 101);
}

TEST_F(XpAccessible, EveryChangeOfValueIsTold) {
    ASSERT_TRUE(SwitchAccessibility(true));
    std::vector<int> values;
    heardValues = &values;
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(Record);
    for (int v : {10, 20, 20, 0, 100}) {
        bar.SetValue(v);
    }
    bar.SetColor(0x00FF00);  // the look alone is no value change
    QAccessible::installUpdateHandler(previous);
    heardValues = nullptr;
    SwitchAccessibility(false);
    EXPECT_EQ(values, (std::vector<int>{10, 20, 0, 100}));
}
