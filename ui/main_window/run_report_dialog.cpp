#include "run_report_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Shown(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A detail of several lines shows its first in the list; all of it is in the tool tip.
QString FirstLine(const QString& text) {
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    return end < 0 ? text : text.left(end) + QStringLiteral(" …");
}

}  // namespace

RunReportDialog::RunReportDialog(const RunReportText& report, const QString& title, QWidget* parent)
    : QDialog(parent), text_(Shown(PlainText(report))) {
    setObjectName(QStringLiteral("RunReport"));
    setWindowTitle(title);
    setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    setSizeGripEnabled(true);

    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side));
    summary_ = new QLabel(Shown(report.Summary), this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = summary_->font();
    bold.setBold(true);
    summary_->setFont(bold);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(summary_, 1);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("files"));
    list_->setColumnCount(2);
    list_->setHeaderLabels({tr("Datei"), tr("Ergebnis")});
    // One row height for all: the list lays out a thousand rows without measuring each.
    list_->setUniformRowHeights(true);
    list_->setRootIsDecorated(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->header()->setStretchLastSection(true);
    for (const ReportGroup& group : report.Groups) {
        auto* heading = new QTreeWidgetItem(list_, {Shown(group.Heading)});
        heading->setFirstColumnSpanned(true);
        QFont font = heading->font(0);
        font.setBold(true);
        heading->setFont(0, font);
        QList<QTreeWidgetItem*> files;
        files.reserve(static_cast<qsizetype>(group.Lines.size()));
        for (const ReportLine& line : group.Lines) {
            const QString detail = Shown(line.Detail);
            auto* item = new QTreeWidgetItem({Shown(line.Item), FirstLine(detail)});
            if (detail.contains(QLatin1Char('\n'))) {
                item->setToolTip(1, detail);
            }
            files.append(item);
        }
        heading->addChildren(files);
        heading->setExpanded(group.Open);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    copy_ = buttons->addButton(tr("Liste kopieren"), QDialogButtonBox::ActionRole);
    copy_->setObjectName(QStringLiteral("copy"));
    connect(copy_, &QPushButton::clicked, this, &RunReportDialog::CopyList);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    FitToScreen();
}

void RunReportDialog::CopyList() {
    QGuiApplication::clipboard()->setText(text_);
}

void RunReportDialog::FitToScreen() {
    const QWidget* anchor = parentWidget();
    const QScreen* screen = anchor != nullptr && anchor->screen() != nullptr
                                ? anchor->screen()
                                : QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    // Room for the frame the window manager adds, so the outer window fits too.
    constexpr int kFrame = 48;
    const int most = std::max(200, area.height() - kFrame);
    int rows = 0;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* group = list_->topLevelItem(i);
        rows += 1 + (group->isExpanded() ? group->childCount() : 0);
    }
    const int rowHeight = std::max(list_->sizeHintForRow(0), fontMetrics().height() + 4);
    const int listHeight = list_->header()->sizeHint().height() + rows * rowHeight + 8;
    const int chrome = sizeHint().height() - list_->sizeHint().height();
    const int height = std::clamp(chrome + listHeight, std::min(360, most), most);
    const int width = std::min(std::max(720, area.width() / 2), area.width() - 16);
    list_->setColumnWidth(0, width * 11 / 20);
    resize(width, height);
    setMaximumHeight(most);
    // Centred on what it reports on, never beyond the free part of the screen.
    const QPoint centre = anchor != nullptr ? anchor->geometry().center() : area.center();
    const int left = std::clamp(centre.x() - width / 2, area.left(), area.right() - width);
    const int topEdge = std::clamp(centre.y() - height / 2, area.top(),
                                   std::max(area.top(), area.bottom() - height - kFrame + 8));
    move(left, topEdge);
}
